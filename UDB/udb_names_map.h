// The record of table and column renamings on the way to the destination, and the rewriting
// of SQL text (view definitions above all) from source names to destination names.
#pragma once

#include <map>
#include <string>
#include <vector>

// Position of the first occurrence of pattern in text at or after start, ignoring case;
// -1 when there is none. An empty pattern is found at start.
int udb_find_no_case(const std::wstring& text, const std::wstring& pattern, int start);

class udb_names_map {
 public:
  using name_map = std::map<std::wstring, std::wstring>;

  // Destination name of a source table: first key equal to the name (exactly, or ignoring case
  // when exact is false), in key order; the name itself when none is.
  std::wstring get_tn_mapped_name(const std::wstring& table, bool exact) const;
  // Destination name of a column of a table registered with add_fn_map (the table key compares
  // exactly); the field itself when the table or the field has no mapping.
  std::wstring get_fn_mapped_name(const std::wstring& table, const std::wstring& field, bool exact) const;
  // The source column name that a table's destination column came from; the name itself when
  // no mapping leads to it.
  std::wstring get_fn_orig_name(const std::wstring& table, const std::wstring& dest_field) const;

  // A later mapping of the same source table replaces the earlier one.
  void add_tn_mapping(const std::wstring& source_table, const std::wstring& dest_table);
  // Registers (or replaces) the column map of a created table. The databases register it under
  // the table's destination name; the rewrite of SQL text finds it under either name.
  void add_fn_map(const std::wstring& table, const name_map& field_map);

  // Replaces mapped table and column names in SQL text. A column name is looked up only in the
  // maps of the tables it can belong to: the table or alias (FROM/JOIN ... [AS] alias) that
  // qualifies it, else the tables its own query level (the text, a subquery, one SELECT of a
  // UNION) reads; where those tables map it to different names it is left, and logged. A table
  // the text does not name contributes nothing, and an alias is never renamed.
  // Each replacement is the destination name between prefix and suffix (either left out when
  // the destination name already carries it). Only identifiers are replaced: string and date
  // literals are left alone, a word followed by "(" is a function, a bare SQL keyword (ORDER,
  // GROUP...) is a keyword, and a name written in [brackets] or `backticks` is replaced whole,
  // brackets included, so each name ends up quoted once. The longest mapped name wins, and a
  // replacement is never examined again.
  std::wstring do_global_replace1(const std::wstring& text, const std::wstring& prefix,
                                  const std::wstring& suffix) const;
  // Replaces the names of one map wherever they stand, whatever table the text places them in.
  std::wstring do_global_replace2(const std::wstring& text, const name_map& map, const std::wstring& prefix,
                                  const std::wstring& suffix) const;

  name_map table_map;
  std::map<std::wstring, name_map> field_maps;

 private:
  // The column map registered under exactly that table name, or null.
  const name_map* field_map_of(const std::wstring& table) const;
};
