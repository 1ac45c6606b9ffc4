// The row cursor and row writer of one table or query that every source and target implements,
// with what they share: the schema, the indexes and the chosen key, key records, key conditions
// and the retyping of a source row onto the destination's columns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_field.h"
#include "UDB/udb_index.h"
#include "UDB/udb_schema.h"

class udb_database;

class udb_recordset {
 public:
  // Over a query text.
  udb_recordset(udb_database* database, const std::wstring& table_name, const std::wstring& query, bool case_sensitive);
  // Over a table.
  udb_recordset(udb_database* database, const std::wstring& table_name, bool case_sensitive);
  // A table without a database.
  explicit udb_recordset(const std::wstring& table_name);
  udb_recordset(const udb_recordset&) = delete;
  udb_recordset& operator=(const udb_recordset&) = delete;
  // A writing recordset flushes its pending rows here. Never deletes the database.
  virtual ~udb_recordset();

  virtual void append_record(udb_record& record) = 0;
  // Update the row addressed by key text / by the record's own key.
  virtual void update2(udb_record& record, const std::wstring& key_text);
  virtual void update1(udb_record& record);
  // The current row, owned by the recordset: valid until the next get_item or move and while
  // the recordset lives. Null in the base.
  virtual udb_record* get_item();
  virtual bool is_eof();
  bool is_query() const { return !query.empty(); }
  virtual void move_to(std::uint32_t position);
  virtual void next() {}
  virtual void prev() {}
  // Back to the first row.
  virtual void reset() {}
  virtual void delete_key(const std::wstring& key_text);
  virtual void delete_key(const udb_record& key);

  // A new record of copies of the key fields of record, in key order; null when record lacks a
  // key field. Throws tk_exception (kind 1) "There's no primary/unique key" without a key.
  virtual std::unique_ptr<udb_record> get_key(const udb_record& record);
  // The SQL condition selecting the row of a key text: elements "<column>value</column>",
  // values encoded with &lt; &gt; &amp;. Columns are quoted with quote_name, text values with
  // quote_text; a value of a numeric or binary column must be a number (binary: 0x and hex
  // digits). Throws tk_exception (kind 0) for an unknown column or a value that is no number.
  virtual std::wstring get_filter_subquery(const std::wstring& key_text);

  // Registers an index read from the source or target: an index of a known name is ignored; a
  // primary index always becomes the key, a unique one only while there is no key.
  void add_index(const udb_index& index);
  // Retypes each field of a source row in place to the type of its destination column (found
  // through the database's names map). Throws tk_exception (kind 1) "The structure of data
  // source does not conform to the destination table." when a column is missing.
  void convert_record(udb_record& record);

  std::wstring query;  // empty for a table
  std::wstring table_name;
  std::int32_t key_index = -1;  // position in indexes of the key index; -1 without one
  udb_schema schema;
  udb_indexes indexes;
  udb_database* database = nullptr;  // not owned; may be null
  std::uint64_t row_count = 0;       // filled by a source when it opens the recordset
  // Kept for the sides that fill them.
  std::wstring extra_text;
  std::vector<std::pair<std::wstring, std::wstring>> extra_pairs;

 protected:
  // How the condition of get_filter_subquery writes a column name and a text value. The defaults
  // are MySQL's forms (`name` with inner backticks doubled; 'text' with quotes and backslashes
  // escaped), the dialect of the destinations that address rows by key; a side with another
  // dialect overrides them.
  virtual std::wstring quote_name(const std::wstring& name) const;
  virtual std::wstring quote_text(const std::wstring& text) const;
};
