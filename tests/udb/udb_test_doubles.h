// The smallest concrete database and recordset: the bases do everything the data-model tests
// look at, so these only fill the operations every side must supply.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"

class test_recordset : public udb_recordset {
 public:
  using udb_recordset::udb_recordset;
  void append_record(udb_record&) override {}
};

class test_database : public udb_database {
 public:
  explicit test_database(bool case_sensitive = false) : udb_database(L"db", 1, case_sensitive) {}
  using udb_database::create_table;
  std::unique_ptr<udb_recordset> create_table(const std::wstring&, const udb_schema&, const udb_indexes&) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_query(const std::wstring&, const std::wstring&, std::uint32_t) override {
    return nullptr;
  }
  std::unique_ptr<udb_recordset> get_table(const std::wstring&, std::uint32_t) override { return nullptr; }
  bool test_query(const std::wstring&) override { return false; }
  // Records each index it is asked to create as "table.index".
  void create_index(const std::wstring& table, std::uint32_t, const udb_index& index) override {
    created.push_back(table + L"." + index.name);
  }
  std::vector<std::wstring> created;
};
