// Tables held in memory behind the jet_sql_catalog interface, for the Jet SQL tests: small tables
// written in a test, or a real Access file read with the mdbtools programs (mdb-schema,
// mdb-export) and its saved queries rebuilt from MSysQueries.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_sql_catalog.h"

class memory_table : public jet_sql_table {
 public:
  memory_table(std::vector<jet_sql_column> columns, std::vector<std::vector<jet_sql_value>> rows, bool seekable = true)
      : columns_(std::move(columns)), rows_(std::move(rows)), seekable_(seekable) {}
  const std::vector<jet_sql_column>& columns() const override { return columns_; }
  std::unique_ptr<jet_sql_cursor> open_cursor() override;
  std::uint64_t row_count() const override { return rows_.size(); }
  bool supports_seek() const override { return seekable_; }
  const std::vector<std::vector<jet_sql_value>>& rows() const { return rows_; }

 private:
  std::vector<jet_sql_column> columns_;
  std::vector<std::vector<jet_sql_value>> rows_;
  bool seekable_;
};

class memory_catalog : public jet_sql_catalog {
 public:
  void add_table(const std::wstring& name, std::shared_ptr<memory_table> table) {
    tables_[key(name)] = {name, std::move(table)};
  }
  void add_query(const std::wstring& name, const std::wstring& sql) { queries_[key(name)] = {name, sql}; }
  jet_sql_table* find_table(const std::wstring& name) override;
  std::optional<std::wstring> find_query(const std::wstring& name) override;
  std::wstring stored_name(const std::wstring& name) override;
  memory_table* table(const std::wstring& name);
  std::vector<std::wstring> query_names() const;

 private:
  static std::wstring key(const std::wstring& name);
  std::map<std::wstring, std::pair<std::wstring, std::shared_ptr<memory_table>>> tables_;
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> queries_;
};

// Every user table of an Access file with its rows, and its saved queries' SQL.
std::unique_ptr<memory_catalog> load_access_file(const std::string& path);
