// What the run tests share: a converter with its error handler and a recording front end, the
// private server reached through a connection of the test's own, and the mdbtools programs as
// the independent reader of the Access files.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "tests/driver/driver_test_util.h"

namespace run_test {

inline std::string shell_quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The standard output of a command.
inline std::string capture(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 65536> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// The rows of a table as mdb-export reads them (no header line), in the file's order.
inline std::size_t mdb_row_count(const std::string& file, const std::string& table) {
  const std::string text =
      capture("mdb-export -H -Q -b strip -d '\t' -R '\x1e' " + shell_quote(file) + " " + shell_quote(table));
  std::size_t rows = 0;
  for (const char c : text) rows += c == '\x1e';
  return rows;
}

// The rows of a table as mdb-export reads them: column name -> text (binary columns left out).
inline std::vector<std::map<std::string, std::string>> mdb_rows(const std::string& file, const std::string& table) {
  const std::string text =
      capture("mdb-export -Q -b strip -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' -d '\t' -R '\x1e' " + shell_quote(file) + " " +
              shell_quote(table));
  auto split = [](const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = line.find(separator, start);
      parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) return parts;
      start = end + 1;
    }
  };
  std::vector<std::string> lines = split(text, '\x1e');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::vector<std::map<std::string, std::string>> out;
  if (lines.empty()) return out;
  const std::vector<std::string> header = split(lines[0], '\t');
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> values = split(lines[i], '\t');
    std::map<std::string, std::string> row;
    for (std::size_t c = 0; c < header.size() && c < values.size(); ++c) row[header[c]] = values[c];
    out.push_back(std::move(row));
  }
  return out;
}

inline std::vector<std::string> mdb_tables(const std::string& file) {
  std::vector<std::string> out;
  std::string text = capture("mdb-tables -1 " + shell_quote(file));
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_config_home();
    server_ = test_env::test_server();
    ASSERT_FALSE(server_.host.empty());
    dir_ = test_env::make_temp_dir();
    handler_ = std::make_unique<error_handler>(dao_error_texts_count, dao_error_texts);
    handler_->load_err_map(mysql_error_texts_count, mysql_error_texts);
    conn_ = mysql_init(nullptr);
    ASSERT_NE(mysql_real_connect(conn_, server_.host.c_str(), server_.user.c_str(), server_.password.c_str(), nullptr,
                                 server_.port, nullptr, 0),
              nullptr)
        << mysql_error(conn_);
    mysql_set_character_set(conn_, "utf8mb4");
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
    c->engine.charset = L"utf8mb4";
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
    std::vector<std::vector<std::string>> out;
    if (mysql_query(conn_, statement.c_str()) != 0) {
      ADD_FAILURE() << statement << ": " << mysql_error(conn_);
      return out;
    }
    MYSQL_RES* result = mysql_store_result(conn_);
    if (result == nullptr) return out;
    const unsigned columns = mysql_num_fields(result);
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
      unsigned long* lengths = mysql_fetch_lengths(result);
      std::vector<std::string> values;
      for (unsigned i = 0; i < columns; ++i) {
        values.push_back(row[i] == nullptr ? "<NULL>" : std::string(row[i], lengths[i]));
      }
      out.push_back(std::move(values));
    }
    mysql_free_result(result);
    return out;
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
    const std::string errors = dir_ + "/load.err";
    const std::string command = "mariadb --no-defaults -h " + server_.host + " -P " + std::to_string(server_.port) +
                                " -u " + shell_quote(server_.user) + " -p" + shell_quote(server_.password) +
                                " -D " + shell_quote(db) + " < " + shell_quote(path) + " 2> " + shell_quote(errors);
    const int status = std::system(command.c_str());
    std::string output = capture("cat " + shell_quote(errors));
    if (status != 0 && output.empty()) output = "exit status " + std::to_string(status);
    return output;
  }

  test_env::server_address server_;
  std::string dir_;
  recording_front_end front_;
  std::unique_ptr<error_handler> handler_;
  MYSQL* conn_ = nullptr;
  std::vector<std::string> databases_;
};

}  // namespace run_test
