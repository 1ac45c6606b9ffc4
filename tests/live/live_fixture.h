// A connected engine and a fresh database of this process on the private server, dropped at the
// end of each test, with helpers to ask the server directly.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mysql.h"

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = test_env::test_server();
    ASSERT_FALSE(server_.host.empty());
    engine_.connect(server_.host, server_.user, server_.password, server_.port);
    db_name_ = L"ostrelle_live_" + std::to_wstring(::getpid());
    if (engine_.is_db_exist(db_name_)) engine_.db_delete(db_name_);
    owned_ = engine_.create_db(db_name_);
    db_ = dynamic_cast<sql_database*>(owned_.get());
    ASSERT_NE(db_, nullptr);
  }

  void TearDown() override {
    owned_.reset();
    if (engine_.is_connected && engine_.is_db_exist(db_name_)) engine_.db_delete(db_name_);
  }

  // Every row of a statement, each column as text ("<NULL>" for NULL).
  std::vector<std::vector<std::string>> rows(const std::string& statement) {
    engine_.execute(statement);
    MYSQL_RES* result = engine_.connection().store_result();
    EXPECT_NE(result, nullptr) << statement;
    return test_env::null_marked(test_env::result_rows(result));
  }

  std::string value(const std::string& statement) {
    const auto all = rows(statement);
    return all.empty() || all[0].empty() ? std::string("<no row>") : all[0][0];
  }

  // The descriptors of a source schema, kept alive with it.
  struct source_schema {
    udb_schema schema{false};
    std::vector<std::unique_ptr<t_ftd>> columns;
    t_ftd& add(std::uint32_t size, const std::wstring& name, VARTYPE vt, bool not_null = false,
               bool auto_increment = false, const ole_variant& def = ole_variant(), std::uint32_t reserved = 0) {
      columns.push_back(std::make_unique<t_ftd>(size, name, vt, not_null, auto_increment, def, reserved, L""));
      schema.fields.push_back(columns.back().get());
      return *columns.back();
    }
  };

  static udb_index make_index(const std::wstring& name, std::vector<std::wstring> columns, bool unique = false,
                              bool primary = false) {
    udb_index index(name, unique, primary);
    index.fields = std::move(columns);
    return index;
  }

  static std::unique_ptr<udb_record> make_row(const std::vector<std::pair<std::wstring, ole_variant>>& values) {
    auto row = std::make_unique<udb_record>();
    for (const auto& [name, v] : values) row->append(std::make_unique<udb_field>(name, 0, v, false, false));
    return row;
  }

  test_env::server_address server_;
  sql_engine engine_;
  std::wstring db_name_;
  std::unique_ptr<udb_database> owned_;
  sql_database* db_ = nullptr;
};
