// Runs Jet SQL over a database: the statement is parsed, translated into SQLite's dialect and
// run by an in-memory SQLite connection that reads the Access tables through virtual tables.
// This is what QueryDef.OpenRecordset of the Jet engine stand-in calls; nothing here throws.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_sql_catalog.h"
#include "platform/jet/sql/jet_sql_error.h"

struct sqlite3;
struct sqlite3_stmt;
struct jet_vtab_registry;

// The rows of one statement, read forward; rewind() starts again from the first row.
class jet_query_result {
 public:
  ~jet_query_result();
  jet_query_result(const jet_query_result&) = delete;
  jet_query_result& operator=(const jet_query_result&) = delete;

  // Names and DAO types of the result columns.
  const std::vector<jet_sql_column>& columns() const { return columns_; }
  // Reads the next row into `row`; false at the end, or on a failure, which fills `error`.
  bool next(std::vector<jet_sql_value>& row, jet_sql_error& error);
  void rewind();
  // The SQLite text the statement became (for the log).
  const std::string& translated_sql() const { return sql_; }

 private:
  friend class jet_sql_engine;
  jet_query_result(sqlite3_stmt* statement, std::vector<jet_sql_column> columns, std::string sql);
  sqlite3_stmt* statement_;
  std::vector<jet_sql_column> columns_;
  std::string sql_;
};

class jet_sql_engine {
 public:
  // The catalog must outlive the engine and every result it gives.
  explicit jet_sql_engine(jet_sql_catalog& catalog);
  ~jet_sql_engine();
  jet_sql_engine(const jet_sql_engine&) = delete;
  jet_sql_engine& operator=(const jet_sql_engine&) = delete;

  // Opens the rows of a SELECT, UNION or TRANSFORM statement. On failure answers null and
  // fills `error` with DAO's number and text (3061 parameters, 3085 unknown function, 3219
  // action query, syntax errors...). Results must be destroyed before the engine.
  std::unique_ptr<jet_query_result> open(const std::wstring& sql, jet_sql_error& error);

 private:
  std::string table_name(jet_sql_table* table);
  std::vector<jet_sql_value> first_column(const std::string& sql, int type);

  jet_sql_catalog& catalog_;
  sqlite3* db_ = nullptr;
  std::unique_ptr<jet_vtab_registry> registry_;
  std::map<jet_sql_table*, std::string> names_;
  jet_sql_error setup_error_;
};

// A SQLite value as a cell of a column of the given DAO type.
struct sqlite3_value;
jet_sql_value jet_value_from_sqlite(sqlite3_value* value, int type);
