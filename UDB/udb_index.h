// Indexes of a table (udb_index) and a recordset's list of them (udb_indexes), merged by name so
// that the strongest definition of an index survives: primary key, unique constraint, unique
// index, plain index.
#pragma once

#include <string>
#include <vector>

class udb_index {
 public:
  udb_index(const std::wstring& name, bool unique, bool primary);

  // True when the index's leading columns are exactly these names in order (ignoring case);
  // true for no names, false for more names than the index has.
  bool starts_with_fields(const std::vector<std::wstring>& names) const;

  std::wstring name;
  bool unique = false;
  bool primary = false;
  bool unique_constraint = false;     // a unique constraint, as opposed to a unique index
  std::vector<std::wstring> fields;   // the indexed columns in index order
  std::vector<std::wstring> fields2;  // kept for the sides that fill it
};

// Index names compare ignoring case.
class udb_indexes {
 public:
  // Adds an index of a new name; an index of an existing name replaces the existing one, in
  // place, only when it ranks higher.
  void push_back(const udb_index& index);
  // Position of the index of that name, or -1.
  int find(const std::wstring& name) const;
  // Whether the first index (in list order) starting with these columns exists, and when
  // want_unique is set, whether that index is unique.
  bool has_index_on_fields(const std::vector<std::wstring>& names, bool want_unique) const;

  size_t size() const { return items.size(); }
  bool empty() const { return items.empty(); }
  const udb_index& operator[](size_t i) const { return items[i]; }
  udb_index& operator[](size_t i) { return items[i]; }
  std::vector<udb_index>::const_iterator begin() const { return items.begin(); }
  std::vector<udb_index>::const_iterator end() const { return items.end(); }

  std::vector<udb_index> items;
};
