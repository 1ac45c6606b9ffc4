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

namespace dmp_test {

inline std::string shell_quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class server_test : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = test_env::test_server();
    ASSERT_FALSE(server_.host.empty());
    dir_ = test_env::make_temp_dir();
    // Emoji need the four-byte UTF-8 set; the dump names it in every text column.
    engine_.charset = L"utf8mb4";
    conn_ = mysql_init(nullptr);
    ASSERT_NE(mysql_real_connect(conn_, server_.host.c_str(), server_.user.c_str(),
                                 server_.password.c_str(), nullptr, server_.port, nullptr, 0),
              nullptr)
        << mysql_error(conn_);
    mysql_set_character_set(conn_, "utf8mb4");
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
    const std::string errors = dir_ + "/load.err";
    std::string command =
        "mariadb --no-defaults -h " + server_.host + " -P " + std::to_string(server_.port) +
        " -u " + shell_quote(server_.user) + " -p" + shell_quote(server_.password);
    if (!database.empty()) command += " -D " + shell_quote(database);
    command += " < " + shell_quote(path) + " 2> " + shell_quote(errors);
    const int status = std::system(command.c_str());
    std::string output = read_file(errors);
    if (status != 0 && output.empty()) output = "exit status " + std::to_string(status);
    return output;
  }

  // Every row of a query, each column as the server's bytes; "<NULL>" for NULL.
  std::vector<std::vector<std::string>> rows(const std::string& statement) {
    std::vector<std::vector<std::string>> out;
    if (mysql_query(conn_, statement.c_str()) != 0) {
      ADD_FAILURE() << statement << ": " << mysql_error(conn_);
      return out;
    }
    MYSQL_RES* result = mysql_store_result(conn_);
    if (result == nullptr) return out;
    const unsigned n = mysql_num_fields(result);
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
      const unsigned long* lengths = mysql_fetch_lengths(result);
      std::vector<std::string> values;
      for (unsigned i = 0; i < n; ++i) {
        values.push_back(row[i] ? std::string(row[i], lengths[i]) : std::string("<NULL>"));
      }
      out.push_back(values);
    }
    mysql_free_result(result);
    return out;
  }

  sql_engine engine_;
  test_env::server_address server_;
  std::string dir_;
  std::string db_name_ = "ostrelle_dump_" + std::to_string(::getpid());
  MYSQL* conn_ = nullptr;
};

}  // namespace dmp_test
