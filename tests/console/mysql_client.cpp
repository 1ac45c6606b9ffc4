// A small client of the private test server.
#include "tests/console/mysql_client.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/console/program_run.h"

namespace console_test {

mysql_client::mysql_client(const test_env::server_address& server)
    : handle_(test_env::connect_mysql(server)), connected_(handle_ != nullptr) {}

mysql_client::~mysql_client() {
  if (handle_ != nullptr) mysql_close(handle_);
}

bool mysql_client::execute(const std::string& statement) {
  if (!connected_) return false;
  if (mysql_real_query(handle_, statement.data(), statement.size()) != 0) {
    ADD_FAILURE() << statement << ": " << mysql_error(handle_);
    return false;
  }
  if (MYSQL_RES* result = mysql_store_result(handle_)) mysql_free_result(result);
  return true;
}

std::vector<sql_row> mysql_client::rows(const std::string& statement) {
  if (!connected_) return {};
  return test_env::query_rows(handle_, statement);
}

std::vector<std::string> mysql_client::column(const std::string& statement) {
  std::vector<std::string> out;
  for (const sql_row& row : rows(statement)) out.push_back(row.empty() || !row[0] ? "" : *row[0]);
  return out;
}

std::vector<std::string> server_options(const test_env::server_address& server) {
  return {"--mysqlh=" + server.host, "--port=" + std::to_string(server.port), "--mysqlu=" + server.user,
          "--mysqlp=" + server.password};
}

std::string load_dump(const test_env::server_address& server, const std::string& database, const std::string& path,
                      bool force) {
  // The password goes in an option file: on the command line the client warns about it.
  const std::string options = test_env::make_temp_dir() + "/client.cnf";
  std::ofstream(options) << "[client]\npassword=" << server.password << "\n";
  const program_result r =
      run("mysql", {"--defaults-extra-file=" + options, "--host=" + server.host,
                    "--port=" + std::to_string(server.port), "--user=" + server.user, "--batch",
                    "--init-command=SET SESSION sql_mode='STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'",
                    force ? "--force" : "--batch", "--database=" + database, "--execute=source " + path});
  if (r.exit_code == 0 && r.err.empty()) return "";
  return "mysql ended with " + std::to_string(r.exit_code) + ": " + r.err;
}

std::string quoted(const std::string& name) {
  std::string out = "`";
  for (char c : name) out += c == '`' ? std::string("``") : std::string(1, c);
  return out + "`";
}

}  // namespace console_test
