// What the run tests share: a converter with its error handler and a recording front end, the
// private server reached through a connection of the test's own, and the mdbtools programs as
// the independent reader of the Access files.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "tests/driver/driver_test_util.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_mysql.h"

namespace run_test {

// The rows of a table as mdb-export reads them.
inline std::size_t mdb_row_count(const std::string& file, const std::string& table) {
  return test_env::mdb_export_fields(file, table, "-H -Q -b strip").size();
}

// The rows of a table as mdb-export reads them: column name -> text (binary columns left out).
inline std::vector<std::map<std::string, std::string>> mdb_rows(const std::string& file, const std::string& table) {
  const std::vector<std::vector<std::string>> lines =
      test_env::mdb_export_fields(file, table, "-Q -b strip -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'");
  std::vector<std::map<std::string, std::string>> out;
  if (lines.empty()) return out;
  const std::vector<std::string>& header = lines[0];
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::map<std::string, std::string> row;
    for (std::size_t c = 0; c < header.size() && c < lines[i].size(); ++c) row[header[c]] = lines[i][c];
    out.push_back(std::move(row));
  }
  return out;
}

// The tables mdb-tables lists; none for a file it cannot read (an encrypted one).
inline std::vector<std::string> mdb_tables(const std::string& file) { return test_env::mdb_tables(file, false); }

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_config_home();
    server_ = test_env::test_server();
    ASSERT_FALSE(server_.host.empty());
    dir_ = test_env::make_temp_dir();
    handler_ = std::make_unique<error_handler>(dao_error_texts_count, dao_error_texts);
    handler_->load_err_map(mysql_error_texts_count, mysql_error_texts);
    conn_ = test_env::connect_mysql(server_);
    ASSERT_NE(conn_, nullptr);
  }

  void TearDown() override {
    for (const std::string& db : databases_) mysql_query(conn_, ("DROP DATABASE IF EXISTS `" + db + "`").c_str());
    if (conn_ != nullptr) mysql_close(conn_);
  }

  // A database name of this test, dropped at its end.
  std::string database(const std::string& suffix) {
    std::string name = "drv_" + std::to_string(::getpid()) + "_" + suffix;
    databases_.push_back(name);
    return name;
  }

  // A console converter aimed at the private server.
  std::unique_ptr<vandry_converter> server_converter(const std::string& source, const std::string& db,
                                                     std::uint32_t mode) {
    auto c = std::make_unique<vandry_converter>(converter_program::console);
    c->src = widen(source);
    c->dest = tk_utf8_to_unicode(db);
    c->direct = true;
    c->convert_views = true;
    c->set_mode(mode);
    c->store_mysql_settings(server_.host, server_.user, server_.password, std::to_string(server_.port));
    c->connect_mysql_server();
    return c;
  }

  void run(vandry_converter& c) {
    c.check_dest();
    c();
    EXPECT_TRUE(c.done);
  }

  void exec(const std::string& statement) {
    ASSERT_EQ(mysql_query(conn_, statement.c_str()), 0) << statement << ": " << mysql_error(conn_);
  }

  // Every row of a query, each column as the server's bytes; "<NULL>" for NULL.
  std::vector<std::vector<std::string>> rows(const std::string& statement) {
    return test_env::null_marked(test_env::query_rows(conn_, statement));
  }

  std::string value(const std::string& statement) {
    auto r = rows(statement);
    return r.empty() || r[0].empty() ? std::string("<none>") : r[0][0];
  }

  std::size_t count(const std::string& db, const std::string& table) {
    return std::stoul(value("SELECT COUNT(*) FROM `" + db + "`.`" + table + "`"));
  }

  // The reports the run made, one per line, for failure messages.
  std::string reports() const {
    std::string out;
    for (const auto& r : front_.reports) out += r.text + "\n";
    for (const auto& r : front_.internal) out += r + "\n";
    for (const auto& r : front_.failures) out += r + "\n";
    return out;
  }

  // Loads a dump with the command-line client in the server's default (strict) mode; answers
  // its error output.
  std::string load(const std::string& path, const std::string& db) {
    exec("CREATE DATABASE `" + db + "` CHARACTER SET utf8mb4");
    return test_env::load_with_client(server_, path, db);
  }

  test_env::server_address server_;
  std::string dir_;
  recording_front_end front_;
  std::unique_ptr<error_handler> handler_;
  MYSQL* conn_ = nullptr;
  std::vector<std::string> databases_;
};

}  // namespace run_test
