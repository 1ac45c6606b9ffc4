// The private server as the dump tests use it: a connection for reading back, a database name
// of the test's own, and loading a dump file with the mariadb command-line client.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SQL/sql_engine.h"
#include "tests/dump/dmp_fixture.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mysql.h"
#include "tests/support/test_shell.h"

namespace dmp_test {

using test_env::shell_quote;

class server_test : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = test_env::test_server();
    ASSERT_FALSE(server_.host.empty());
    dir_ = test_env::make_temp_dir();
    // Emoji need the four-byte UTF-8 set; the dump names it in every text column.
    engine_.charset = L"utf8mb4";
    conn_ = test_env::connect_mysql(server_);
    ASSERT_NE(conn_, nullptr);
  }

  void TearDown() override {
    if (conn_ != nullptr) {
      mysql_query(conn_, ("DROP DATABASE IF EXISTS " + db_name_).c_str());
      mysql_close(conn_);
    }
  }

  // Loads the file with the command-line client as a user would; answers its error output.
  // database: the client's default database, for a dump without its own USE.
  std::string load(const std::string& path, const std::string& database = "") {
    return test_env::load_with_client(server_, path, database);
  }

  // Every row of a query, each column as the server's bytes; "<NULL>" for NULL.
  std::vector<std::vector<std::string>> rows(const std::string& statement) {
    return test_env::null_marked(test_env::query_rows(conn_, statement));
  }

  sql_engine engine_;
  test_env::server_address server_;
  std::string dir_;
  std::string db_name_ = "ostrelle_dump_" + std::to_string(::getpid());
  MYSQL* conn_ = nullptr;
};

}  // namespace dmp_test
