// Every Access file of the committed table (tests/support/access_files.txt) through VDYAGENT into
// the private server and into a dump that loads in strict mode, each file its own test case:
// every value checked against the file's reference reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/console/access_reader.h"
#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/known_values.h"
#include "tests/support/test_env.h"
#include "tests/support/value_check.h"

namespace console_test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The database holds the source's tables with their row counts and every value of every column
// as the Access file holds it: as mdb-export prints it, or as our own reader reads it where
// mdb-export cannot (calculated columns).
void expect_same_data(mysql_client& sql, const std::string& database, const std::string& file, bool mdb_values) {
  const std::vector<std::string> expected = mdb_tables(file);
  const std::vector<std::string> tables = sql.column(
      "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_TYPE = 'BASE TABLE' AND TABLE_SCHEMA = '" +
      database + "'");
  EXPECT_EQ(sorted(tables), sorted(expected)) << database;
  for (const std::string& table : expected) {
    if (std::find(tables.begin(), tables.end(), table) == tables.end()) continue;
    value_check::expect_same_values(sql.handle(), {file, "", table, database, table, mdb_values});
  }
}

// The values the test data's README lists for a file mdb-export misreads.
void expect_known_values(mysql_client& sql, const std::string& database, const test_env::known_table& known) {
  for (const test_env::known_column& column : known.columns) {
    SCOPED_TRACE(database + "." + known.table + "." + column.name);
    const std::vector<sql_row> rows = sql.rows("SELECT " + quoted(column.name) + " FROM " + quoted(database) + "." +
                                               quoted(known.table) + " ORDER BY ID");
    ASSERT_EQ(rows.size(), column.rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const std::optional<std::string>& got = rows[r][0];
      if (!column.rows[r]) {
        EXPECT_FALSE(got) << "row " << r + 1 << ": " << *got;
        continue;
      }
      ASSERT_TRUE(got) << "row " << r + 1 << " is NULL";
      const std::string expected = column.rows[r];
      EXPECT_TRUE(test_env::is_known_value(column, expected, *got)) << *got << " != " << expected;
    }
  }
}

// Letters and digits of the path, everything else '_': a test or database name.
std::string identifier(const std::string& path) {
  std::string name;
  for (char c : path) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

std::vector<test_env::access_file> files_of_speed(bool heavy) {
  std::vector<test_env::access_file> files;
  try {
    for (const test_env::access_file& f : test_env::access_files())
      if (f.heavy == heavy) files.push_back(f);
  } catch (const test_env::missing_input& e) {
    // Without its table the program still lists one case, which fails with the reason.
    if (!heavy) files.push_back({"", "", e.what(), false});
  }
  return files;
}

class VdyagentFile : public ::testing::TestWithParam<test_env::access_file> {};

TEST_P(VdyagentFile, IntoTheServerAndIntoADump) {
  const test_env::access_file& f = GetParam();
  if (f.path.empty()) FAIL() << f.reference;
  const test_env::server_address server = test_env::test_server();
  const std::string src = test_env::testdata_path(f.path);
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string folder = test_env::make_temp_dir();
  const std::string stem = identifier(fs::path(f.path).stem().string());
  const std::string live = "e2e_live_" + stem;
  const std::string dumped = "e2e_dump_" + stem;
  const std::string dump = folder + "/" + dumped + ".sql";
  std::vector<std::string> common = {"--src=" + src, "--silent"};
  if (!f.password.empty()) common.push_back("--accp=" + f.password);

  const program_result to_server = run_vdyagent_logged(with(with(common, {"--dest=" + live}), server_options(server)));
  EXPECT_EQ(to_server.exit_code, 0) << to_server.out << to_server.err << to_server.log;
  const program_result to_dump = run_vdyagent_logged(with(common, {"--dump", "--dest=" + dump}));
  EXPECT_EQ(to_dump.exit_code, 0) << to_dump.out << to_dump.err << to_dump.log;

  sql.execute("DROP DATABASE IF EXISTS " + quoted(dumped));
  sql.execute("CREATE DATABASE " + quoted(dumped) + " CHARACTER SET utf8mb4");
  EXPECT_EQ(load_dump(server, dumped, dump), "");

  if (f.reference == "expected") {
    const test_env::known_table* known = test_env::known_values_of(f.path);
    ASSERT_NE(known, nullptr) << f.path << " is listed with expected values, but the test lists none for it";
    expect_known_values(sql, live, *known);
    expect_known_values(sql, dumped, *known);
  }
  if (f.reference != "own") {
    expect_same_data(sql, live, src, f.reference == "mdbtools");
    expect_same_data(sql, dumped, src, f.reference == "mdbtools");
    return;
  }
  // Office-encrypted files are beyond mdbtools: our own reader is the reference.
  const std::string list = "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = ";
  const std::vector<std::string> tables = sql.column(list + "'" + live + "' ORDER BY 1");
  EXPECT_EQ(tables, sql.column(list + "'" + dumped + "' ORDER BY 1"));
  EXPECT_FALSE(tables.empty());
  for (const std::string& t : tables) {
    EXPECT_NE(sql.column("SELECT COUNT(*) FROM " + quoted(live) + "." + quoted(t)), std::vector<std::string>{"0"}) << t;
    for (const std::string& db : {live, dumped})
      value_check::expect_same_values(sql.handle(), {src, f.password, t, db, t, false});
  }
}

std::string case_name(const ::testing::TestParamInfo<test_env::access_file>& info) {
  return info.param.path.empty() ? "table_of_files_unreadable" : identifier(info.param.path);
}

// The prefix "heavy" gives these cases the ctest label heavy (see cmake/OstrelleTesting.cmake).
INSTANTIATE_TEST_SUITE_P(every, VdyagentFile, ::testing::ValuesIn(files_of_speed(false)), case_name);
INSTANTIATE_TEST_SUITE_P(heavy, VdyagentFile, ::testing::ValuesIn(files_of_speed(true)), case_name);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(VdyagentFile);

}  // namespace
}  // namespace console_test
