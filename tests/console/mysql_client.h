// A small client of the private test server for the end-to-end checks: statements, result rows
// as text, and loading a dump file with the mysql program in strict mode.
#pragma once

#include <mysql.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_env.h"
#include "tests/support/test_mysql.h"

namespace console_test {

using sql_row = test_env::mysql_row;

class mysql_client {
 public:
  explicit mysql_client(const test_env::server_address& server);
  ~mysql_client();
  mysql_client(const mysql_client&) = delete;
  mysql_client& operator=(const mysql_client&) = delete;

  bool ok() const { return connected_; }
  // Runs one statement; fails the test and answers false on an error.
  bool execute(const std::string& statement);
  std::vector<sql_row> rows(const std::string& statement);
  // The first column of every row (NULL as an empty text).
  std::vector<std::string> column(const std::string& statement);

 private:
  MYSQL* handle_;  // null when the connection failed
  bool connected_ = false;
};

// The VDYAGENT options that reach the server.
std::vector<std::string> server_options(const test_env::server_address& server);

// Loads a dump file into an existing database with the mysql program, in strict mode. Answers
// the program's error output with its exit code; empty when the load succeeded. `force`: go on
// after a failing statement.
std::string load_dump(const test_env::server_address& server, const std::string& database, const std::string& path,
                      bool force = false);

// A name quoted for a statement.
std::string quoted(const std::string& name);

}  // namespace console_test
