// The column definitions and index clauses of a CREATE TABLE statement for MySQL, built from a
// source table's schema and indexes. The live server and the dump file use the same builders.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "SQL/sql_key_limits.h"
#include "SQL/sql_schema.h"
#include "UDB/udb_index.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

class udb_properties;

// A table's own setting from the user's rules ("engine", "character set"), found by the table's
// target name through the sql_engine singleton's properties; empty when there is none.
std::wstring sql_table_property(const std::wstring& table_name, const wchar_t* key);

// The type text a column's definition writes: the user's conversion rule for it, else its own
// native type, else the type the column's kind and size map to.
std::wstring sql_column_type_text(const t_ftd& column);

// Copies of a table's columns with the server's row-size rule applied: the widest texts that
// no index needs become long texts, so that the server takes the row. The caller's schema
// stays as it was. Give its schema to sql_schema_initializer.
class sql_sized_columns {
 public:
  // table_name: the target table (its user rules may name a column's character set); storage:
  // the table's storage engine; version: the coded server version the statement is for.
  sql_sized_columns(const std::wstring& table_name, const udb_schema& source, const udb_indexes& indexes,
                    const std::wstring& storage, std::uint32_t version);
  sql_sized_columns(const sql_sized_columns&) = delete;
  sql_sized_columns& operator=(const sql_sized_columns&) = delete;

  const sql_schema& get_schema() const { return schema_; }

 private:
  std::vector<std::unique_ptr<t_ftd>> copies_;
  sql_schema schema_;
};

// Settles the target column names (acceptable to the server, unique within the table) and makes
// one column definition per column. Lives for one table creation and must outlive the
// sql_indexes_initializer made from it.
class sql_schema_initializer {
 public:
  // auto_increment_name receives the target name of the table's auto-increment column from
  // get_init_chunks (empty when there is none); the caller hands it to the index pass.
  sql_schema_initializer(const std::wstring& table_name, const udb_schema& source, const udb_indexes& source_indexes,
                         std::wstring& auto_increment_name);
  ~sql_schema_initializer();
  sql_schema_initializer(const sql_schema_initializer&) = delete;
  sql_schema_initializer& operator=(const sql_schema_initializer&) = delete;

  // Appends one definition per column, in order: name, type, CHARACTER SET (and, for a column
  // of a unique key or of joined_columns, the engine's key_collation), NOT NULL, DEFAULT,
  // AUTO_INCREMENT, COMMENT. table_mutator: the user's rules of this table (its column rules
  // are found by target column name and may name a character set), or null.
  void get_init_chunks(std::vector<std::wstring>& chunks, udb_properties* table_mutator);

  // Columns (by the names the source schema gives them) that a foreign key joins: both ends of a
  // key must compare alike, so they take the collation of unique-key columns too.
  std::set<std::wstring> joined_columns;

  // The columns under their target names, in source order; this object owns the descriptors.
  const udb_schema& get_target_schema() const { return target_schema_; }
  // Source column name -> generated target name, for the columns that had to be renamed.
  const std::map<std::wstring, std::wstring>& get_column_map() const { return column_map_; }
  const t_names_map& get_names_map() const;
  // The character set of each character column as its definition names it, by target name;
  // what the index pass multiplies sizes by. Filled by get_init_chunks.
  const std::map<std::wstring, std::wstring>& get_column_charsets() const { return column_charsets_; }

 private:
  std::wstring table_name_;
  const udb_schema& source_;
  const udb_indexes& source_indexes_;
  std::wstring& auto_increment_name_;
  std::vector<std::unique_ptr<t_ftd>> copies_;
  udb_schema target_schema_;
  std::unique_ptr<udb_validator> validator_;
  std::map<std::wstring, std::wstring> column_map_;
  std::map<std::wstring, std::wstring> column_charsets_;
};

// The keys a created table can take, from its target columns (after get_init_chunks, which
// settles their character sets) and its storage engine's longest key.
sql_key_room sql_key_room_of(const sql_schema_initializer& columns, std::uint32_t max_key_bytes);

// Settles the target index names and makes the PRIMARY KEY, UNIQUE and INDEX clauses, leaving
// out (and logging) every index the server would refuse, so that the table is still created.
class sql_indexes_initializer {
 public:
  // max_key_bytes: the longest key the table's storage engine takes on the target server
  // (sql_max_key_bytes); a key is counted in bytes, characters times the widest character of
  // the column's character set.
  sql_indexes_initializer(const sql_schema_initializer& columns, const udb_indexes& source_indexes,
                          const std::wstring& auto_increment_name, std::uint32_t max_key_bytes);

  // Appends the index clauses, then an index of its own for an auto-increment column that no
  // written clause leads with (the server demands one).
  void get_init_chunks(std::vector<std::wstring>& chunks);

  // The indexes under their target names and with target column names.
  const udb_indexes& get_indexes() const { return indexes_; }
  // The indexes get_init_chunks wrote a clause for, the auto-increment column's own included.
  const udb_indexes& get_written_indexes() const { return written_; }

 private:
  // The clause of one index, or empty when the index must be left out.
  std::wstring make_clause(const udb_index& index) const;

  const sql_schema_initializer& columns_;
  udb_indexes indexes_;
  udb_indexes written_;
  std::wstring auto_increment_name_;
  std::uint32_t max_key_bytes_;
};
