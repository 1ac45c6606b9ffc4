// Reading the private server back in tests.
#include "tests/support/test_mysql.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/test_shell.h"

namespace test_env {

MYSQL* connect_mysql(const server_address& server) {
  MYSQL* conn = mysql_init(nullptr);
  if (conn == nullptr) {
    ADD_FAILURE() << "mysql_init failed";
    return nullptr;
  }
  if (mysql_real_connect(conn, server.host.c_str(), server.user.c_str(), server.password.c_str(), nullptr, server.port,
                         nullptr, 0) == nullptr) {
    ADD_FAILURE() << "cannot connect to the test server: " << mysql_error(conn);
    mysql_close(conn);
    return nullptr;
  }
  // Emoji and every other character come back as they were stored.
  mysql_set_character_set(conn, "utf8mb4");
  return conn;
}

std::vector<mysql_row> query_rows(MYSQL* conn, const std::string& statement) {
  if (mysql_real_query(conn, statement.data(), statement.size()) != 0) {
    ADD_FAILURE() << statement << ": " << mysql_error(conn);
    return {};
  }
  return result_rows(mysql_store_result(conn));
}

std::vector<mysql_row> result_rows(MYSQL_RES* result) {
  std::vector<mysql_row> out;
  if (result == nullptr) return out;
  const unsigned columns = mysql_num_fields(result);
  while (MYSQL_ROW row = mysql_fetch_row(result)) {
    const unsigned long* lengths = mysql_fetch_lengths(result);
    mysql_row values;
    for (unsigned i = 0; i < columns; ++i)
      values.push_back(row[i] ? std::optional<std::string>(std::string(row[i], lengths[i])) : std::nullopt);
    out.push_back(std::move(values));
  }
  mysql_free_result(result);
  return out;
}

std::vector<std::vector<std::string>> null_marked(const std::vector<mysql_row>& rows) {
  std::vector<std::vector<std::string>> out;
  out.reserve(rows.size());
  for (const mysql_row& row : rows) {
    std::vector<std::string> values;
    for (const auto& v : row) values.push_back(v ? *v : std::string("<NULL>"));
    out.push_back(std::move(values));
  }
  return out;
}

std::string load_with_client(const server_address& server, const std::string& path, const std::string& database) {
  const std::string errors = make_temp_dir() + "/load.err";
  std::string command = "mariadb --no-defaults -h " + server.host + " -P " + std::to_string(server.port) + " -u " +
                        shell_quote(server.user) + " -p" + shell_quote(server.password);
  if (!database.empty()) command += " -D " + shell_quote(database);
  command += " < " + shell_quote(path) + " 2> " + shell_quote(errors);
  const int status = std::system(command.c_str());
  std::ostringstream output;
  output << std::ifstream(errors, std::ios::binary).rdbuf();
  std::string text = output.str();
  if (status != 0 && text.empty()) text = "exit status " + std::to_string(status);
  return text;
}

}  // namespace test_env
