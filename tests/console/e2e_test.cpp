// VDYAGENT run as a user runs it, against the private server: the server's command lines, every
// readable test file into the server and into a dump that loads in strict mode (checked against
// mdb-export), a table-names file, and a profile with its own type mappings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/console/access_reader.h"
#include "tests/console/cmdline_cases.h"
#include "tests/console/mysql_client.h"
#include "tests/support/test_env.h"
#include "tests/support/value_check.h"

namespace console_test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
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

// Values a file is known to hold from its description (the test data's README), column by
// column in ID order; nullptr for NULL. Decimals are compared without trailing zeros, Doubles
// bit for bit.
struct known_column {
  const char* name;
  std::vector<const char*> rows;
};
struct known_table {
  const char* table;
  std::vector<known_column> columns;
};

const known_table calculated_people = {
    "People",
    {{"FullName", {"Lovelace, Ada", "Hopper, Grace", "Zo\xC3\xAB \xE2\x9C\x93 \xF0\x9F\x98\x80, \xC3\x89mile", "O'Brien \\ \"x\", "}},
     {"NameLen", {"3", "5", "5", "0"}},
     {"Monthly", {"83333.3333", "-0.125", "0", "10288.0658"}},
     {"Weekly", {"19230.76923076923", "-0.028846153846153848", "0", "2374.169021153846"}},
     {"IsRich", {"1", "0", "0", "1"}},
     {"Bonus", {"12500", "-0.0188", "0", "1543.2099"}},
     {"Review", {"1844-07-01 00:00:00", "1945-08-07 09:30:00", "2021-02-28 23:59:59", nullptr}},
     {"Notes", {"Ada Lovelace joined", "Grace Hopper joined",
                "\xC3\x89mile Zo\xC3\xAB \xE2\x9C\x93 \xF0\x9F\x98\x80 joined", " O'Brien \\ \"x\" joined"}}}};

std::string without_trailing_zeros(std::string v) {
  if (v.find('.') == std::string::npos || v.find('e') != std::string::npos) return v;
  while (v.back() == '0') v.pop_back();
  if (v.back() == '.') v.pop_back();
  return v == "-0" ? "0" : v;
}

void expect_known_values(mysql_client& sql, const std::string& database, const known_table& known) {
  for (const known_column& column : known.columns) {
    SCOPED_TRACE(database + "." + known.table + "." + column.name);
    const std::vector<sql_row> rows =
        sql.rows("SELECT " + quoted(column.name) + " FROM " + quoted(database) + "." + quoted(known.table) + " ORDER BY ID");
    ASSERT_EQ(rows.size(), column.rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const std::optional<std::string>& got = rows[r][0];
      if (!column.rows[r]) {
        EXPECT_FALSE(got) << "row " << r + 1 << ": " << *got;
        continue;
      }
      ASSERT_TRUE(got) << "row " << r + 1 << " is NULL";
      const std::string expected = column.rows[r];
      if (std::string(column.name) == "Weekly")
        EXPECT_EQ(std::strtod(got->c_str(), nullptr), std::strtod(expected.c_str(), nullptr)) << *got;
      else
        EXPECT_EQ(without_trailing_zeros(*got), expected);
    }
  }
}

struct access_file {
  std::string path;                    // below the test-data folder
  std::string password;                // database password
  bool readable_by_mdbtools;           // false: Office encryption, compared between server and dump only
  bool mdb_values = true;              // false: mdb-export misreads values; our reader is the reference
  const known_table* known = nullptr;  // values the file is known to hold
};

std::vector<access_file> every_test_file() {
  std::vector<access_file> files;
  for (const auto& entry : fs::recursive_directory_iterator(test_env::testdata_dir() + "/access")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".mdb" && ext != ".accdb") continue;
    access_file f{fs::relative(entry.path(), test_env::testdata_dir()).string(), "", true};
    const std::string name = entry.path().filename().string();
    if (name == "db2007-enc.accdb") f = {f.path, "Test123", false};
    if (name == "db2013-enc.accdb") f = {f.path, "1234", false};
    files.push_back(f);
  }
  std::sort(files.begin(), files.end(), [](const access_file& a, const access_file& b) { return a.path < b.path; });
  files.push_back({"bench/orders-200k.accdb", "", true});
  files.push_back({"fixtures/calcColumnsV2010.accdb", "", true, false, &calculated_people});
  return files;
}

std::string database_name(const std::string& prefix, const std::string& path) {
  std::string name = prefix;
  for (char c : fs::path(path).stem().string()) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class VdyagentServer : public ::testing::Test {
 protected:
  void SetUp() override {
    server = test_env::test_server();
    ASSERT_FALSE(server.host.empty());
    nwind = test_env::testdata_path("access/real/nwind.mdb");
  }
  test_env::server_address server;
  std::string nwind;
};

TEST_F(VdyagentServer, CommandLines) {
  const std::vector<std::string> to_server = server_options(server);
  test_env::server_address wrong = server;
  wrong.password += "-wrong";
  const std::vector<cmdline_case> cases = {
      {"a live run", with({"--src=" + nwind, "--dest=e2e_cmd_live"}, to_server),
       starts("Converting database " + nwind + " (9 tables)\nConverting table '"), exactly(""), 0},
      {"a database name the server refuses", with({"--src=" + nwind, "--dest=bad`name"}, to_server), exactly(""),
       exactly("Not a valid MySQL database name. Use alphanumeric characters\n(A-Z, a-z, 0-9), '_', '$' and "
               "spaces to compose new database name.\n"),
       255},
      {"a database name with a slash", with({"--src=" + nwind, "--dest=a/b"}, to_server), exactly(""),
       starts("Not a valid MySQL database name."), 255},
      {"a character set the server lacks", with({"--src=" + nwind, "--dest=e2e_x", "--charset=klingon"}, to_server),
       exactly(""), starts("Unknown MySQL character set 'klingon'.\nUse one of: "), 255},
      {"a storage engine the server lacks", with({"--src=" + nwind, "--dest=e2e_x", "--engine=BerkeleyDB"}, to_server),
       exactly(""), starts("Unknown MySQL storage engine 'BerkeleyDB'.\nUse one of: "), 255},
      {"a destination the server will not replace", with({"--src=" + nwind, "--dest=information_schema"}, to_server),
       exactly(""),
       exactly("Error:\nAccess denied. Ask your system administrator to grant you the necessary privileges to write "
               "into the database.\n"),
       1},
      {"a wrong MySQL password", with({"--src=" + nwind, "--dest=e2e_x"}, server_options(wrong)), exactly(""),
       exactly("Error:\nAccess denied. Verify the user name and password are correct, and you have the necessary "
               "privileges to connect to the target MySQL server.\n"),
       1},
  };
  check_cases(cases);
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  EXPECT_EQ(sql.column("SELECT COUNT(*) FROM e2e_cmd_live.Customers"), std::vector<std::string>{"91"});
  EXPECT_TRUE(sql.column("SHOW DATABASES LIKE 'e2e_x'").empty());
}

TEST_F(VdyagentServer, EveryReadableFileIntoTheServerAndIntoADump) {
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string folder = test_env::make_temp_dir();
  for (const access_file& f : every_test_file()) {
    SCOPED_TRACE(f.path);
    const std::string src = test_env::testdata_path(f.path);
    const std::string live = database_name("e2e_live_", f.path);
    const std::string dumped = database_name("e2e_dump_", f.path);
    const std::string dump = folder + "/" + dumped + ".sql";
    std::vector<std::string> common = {"--src=" + src, "--charset=utf8mb4", "--silent"};
    if (!f.password.empty()) common.push_back("--accp=" + f.password);

    const program_result to_server = run_vdyagent(with(with(common, {"--dest=" + live}), server_options(server)));
    EXPECT_EQ(to_server.exit_code, 0) << to_server.out << to_server.err;
    const program_result to_dump = run_vdyagent(with(common, {"--dump", "--dest=" + dump}));
    EXPECT_EQ(to_dump.exit_code, 0) << to_dump.out << to_dump.err;

    sql.execute("DROP DATABASE IF EXISTS " + quoted(dumped));
    sql.execute("CREATE DATABASE " + quoted(dumped) + " CHARACTER SET utf8mb4");
    EXPECT_EQ(load_dump(server, dumped, dump), "");

    if (f.known) {
      expect_known_values(sql, live, *f.known);
      expect_known_values(sql, dumped, *f.known);
    }
    if (f.readable_by_mdbtools) {
      expect_same_data(sql, live, src, f.mdb_values);
      expect_same_data(sql, dumped, src, f.mdb_values);
      continue;
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
}

// --queries: Northwind's select queries without parameters become views, on the server and in
// a dump that loads in strict mode; the parameter, form-bound and crosstab queries are left out.
TEST_F(VdyagentServer, QueriesBecomeViews) {
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string folder = test_env::make_temp_dir();
  const std::vector<std::string> common = {"--src=" + nwind, "--charset=utf8mb4", "--silent", "--queries"};
  const program_result live = run_vdyagent(with(with(common, {"--dest=e2e_views_live"}), server_options(server)));
  EXPECT_EQ(live.exit_code, 0) << live.out << live.err;
  const program_result dumped = run_vdyagent(with(common, {"--dump", "--dest=" + folder + "/views.sql"}));
  EXPECT_EQ(dumped.exit_code, 0) << dumped.out << dumped.err;
  sql.execute("DROP DATABASE IF EXISTS e2e_views_dump");
  sql.execute("CREATE DATABASE e2e_views_dump CHARACTER SET utf8mb4");
  EXPECT_EQ(load_dump(server, "e2e_views_dump", folder + "/views.sql"), "");

  const struct {
    const char* view;
    const char* rows;
  } counts[] = {
      {"Ten Most Expensive Products", "10"}, {"Current Product List", "69"}, {"Order Details Extended", "2155"},
      {"Invoices", "2155"},                  {"Quarterly Orders", "84"},     {"Customers and Suppliers by City", "120"},
  };
  for (const char* db : {"e2e_views_live", "e2e_views_dump"}) {
    SCOPED_TRACE(db);
    const auto views = sql.column(std::string("SELECT COUNT(*) FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '") +
                                  db + "'");
    EXPECT_EQ(views, std::vector<std::string>{"18"});
    for (const auto& c : counts)
      EXPECT_EQ(sql.column(std::string("SELECT COUNT(*) FROM ") + quoted(db) + "." + quoted(c.view)),
                std::vector<std::string>{c.rows})
          << c.view;
    EXPECT_TRUE(sql.column(std::string("SHOW TABLES FROM ") + quoted(db) + " LIKE 'Sales by Year'").empty());
  }
}

TEST_F(VdyagentServer, TableNamesFileWithCrLfAndAMissingName) {
  const std::string folder = test_env::make_temp_dir();
  const std::string names = write_file(folder + "/tables.txt", "\xEF\xBB\xBF" "Shippers\r\nNo Such Table\r\n\r\nUms\xC3\xA4tze\r\n");
  const std::string dump = folder + "/some.sql";
  const program_result r = run_vdyagent({"--src=" + nwind, "--dump", "--dest=" + dump, "--tab_file=" + names});
  EXPECT_EQ(r.err, "Table No Such Table not exists\n");
  EXPECT_EQ(r.exit_code, 2) << r.out;
  EXPECT_NE(r.out.find("Converting table 'Shippers' (3 records)\n"), std::string::npos) << r.out;
  // Silent, the exit code still tells that a named table was not converted.
  const program_result quiet =
      run_vdyagent({"--silent", "--src=" + nwind, "--dump", "--dest=" + folder + "/quiet.sql", "--tab_file=" + names});
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(quiet.exit_code, 2);

  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  sql.execute("DROP DATABASE IF EXISTS e2e_tab_file");
  sql.execute("CREATE DATABASE e2e_tab_file");
  EXPECT_EQ(load_dump(server, "e2e_tab_file", dump), "");
  EXPECT_EQ(sorted(sql.column("SHOW TABLES FROM e2e_tab_file")), (std::vector<std::string>{"Shippers", "Ums\xC3\xA4tze"}));
  EXPECT_EQ(sql.column("SELECT COUNT(*) FROM e2e_tab_file.`Ums\xC3\xA4tze`"),
            std::vector<std::string>{std::to_string(mdb_export(nwind, "Ums\xC3\xA4tze").rows.size())});
}

TEST_F(VdyagentServer, ProfileWithTypeMappings) {
  const std::string folder = test_env::make_temp_dir();
  const std::string profile = write_file(folder + "/job.vdy",
      "[Generic settings]\r\nsrc=" + nwind + "\r\ndest=e2e_profile\r\nmode=0\r\n"
      "[MySQL settings]\r\ndirect mode=1\r\nhost=" + server.host + "\r\nuser=" + server.user +
      "\r\npassword=" + server.password + "\r\nport=" + std::to_string(server.port) + "\r\n"
      "[Selected Tables]\r\nShippers\r\nCategories\r\n"
      "[Type Mappings]\r\ndatabase:\r\ntables:\r\n"
      "  - name: Shippers\r\n    new_name: carriers\r\n    fields:\r\n"
      "      - name:CompanyName\r\n        new_name: name\r\n        status: changed\r\n        type: VARCHAR\r\n"
      "        default_value:\r\n        character_set:\r\n        length: 60\r\n        scale: 0\r\n"
      "        precision: -1\r\n"
      "      - name:Phone\r\n        new_name: Phone\r\n        status: deleted\r\n        type: VARCHAR\r\n"
      "        default_value:\r\n        character_set:\r\n        length: 24\r\n        scale: 0\r\n"
      "        precision: -1\r\n");
  // Server options after the profile are ignored: the profile brings its own.
  const program_result r = run_vdyagent({"--profile=" + profile, "--mysqlh=no.such.host"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;

  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  EXPECT_EQ(sorted(sql.column("SHOW TABLES FROM e2e_profile")), (std::vector<std::string>{"Categories", "carriers"}));
  const std::vector<sql_row> columns = sql.rows(
      "SELECT COLUMN_NAME, COLUMN_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = 'e2e_profile' "
      "AND TABLE_NAME = 'carriers' ORDER BY ORDINAL_POSITION");
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(*columns[0][0], "ShipperID");
  EXPECT_EQ(*columns[1][0], "name");
  EXPECT_EQ(*columns[1][1], "varchar(60)");
  std::vector<std::string> names;
  for (const auto& row : mdb_export(nwind, "Shippers").rows) names.push_back(row[1]);
  EXPECT_EQ(sorted(sql.column("SELECT name FROM e2e_profile.carriers")), sorted(names));
}

// On a live server a refused mapping creates nothing, and an accepted one with odd names gives
// exactly the tables and columns it names.
TEST_F(VdyagentServer, ProfileMappingsReachTheServerOnlyAsChecked) {
  const std::string folder = test_env::make_temp_dir();
  struct profile_case {
    std::string what;
    std::string database;
    std::string column_lines;  // of column CompanyName of table Shippers
    int exit_code;
    std::vector<std::string> columns;  // of the one table, in order; empty: no database at all
  } cases[] = {
      {"a second column in the type", "e2e_evil_type", "        type: INT, `evil` INT\r\n", 255, {}},
      {"a negative length", "e2e_evil_length", "        type: VARCHAR\r\n        length: -5\r\n", 255, {}},
      {"backticks in the names", "e2e_odd_names",
       "        new_name: na`me\r\n        type: VARCHAR\r\n        length: 60\r\n", 0,
       {"ShipperID", "na_me", "Phone"}},
  };
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  for (const profile_case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string profile = write_file(folder + "/" + c.database + ".vdy",
        "[Generic settings]\r\nsrc=" + nwind + "\r\ndest=" + c.database + "\r\nmode=0\r\n"
        "[MySQL settings]\r\ndirect mode=1\r\nhost=" + server.host + "\r\nuser=" + server.user +
        "\r\npassword=" + server.password + "\r\nport=" + std::to_string(server.port) + "\r\n"
        "[Selected Tables]\r\nShippers\r\n"
        "[Type Mappings]\r\ndatabase:\r\ntables:\r\n  - name: Shippers\r\n    new_name: ship`pers\r\n"
        "    fields:\r\n      - name: CompanyName\r\n" + c.column_lines);
    const program_result r = run_vdyagent({"--profile=" + profile});
    EXPECT_EQ(r.exit_code, c.exit_code) << r.out << r.err;
    if (c.columns.empty()) {
      EXPECT_TRUE(sql.column("SHOW DATABASES LIKE '" + c.database + "'").empty());
      continue;
    }
    EXPECT_EQ(sql.column("SHOW TABLES FROM " + c.database), std::vector<std::string>{"ship_pers"});
    EXPECT_EQ(sql.column("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" + c.database +
                         "' ORDER BY ORDINAL_POSITION"),
              c.columns);
  }
}

}  // namespace
}  // namespace console_test
