// VDYAGENT run as a user runs it, against the private server: the server's command lines, saved
// queries as views, a table-names file, and a profile with its own type mappings. Every test file
// on its own: e2e_files_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/console/access_reader.h"
#include "tests/console/cmdline_cases.h"
#include "tests/console/fraction_access_file.h"
#include "tests/console/mysql_client.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

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

// --queries: Northwind's select queries without parameters become views, on the server and in
// a dump that loads in strict mode; the parameter, form-bound and crosstab queries are left out.
TEST_F(VdyagentServer, QueriesBecomeViews) {
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string folder = test_env::make_temp_dir();
  const std::vector<std::string> common = {"--src=" + nwind, "--charset=utf8mb4", "--silent", "--queries"};
  const program_result live =
      run_vdyagent_logged(with(with(common, {"--dest=e2e_views_live"}), server_options(server)));
  EXPECT_EQ(live.exit_code, 0) << live.out << live.err << live.log;
  const program_result dumped = run_vdyagent_logged(with(common, {"--dump", "--dest=" + folder + "/views.sql"}));
  EXPECT_EQ(dumped.exit_code, 0) << dumped.out << dumped.err << dumped.log;
  sql.execute("DROP DATABASE IF EXISTS e2e_views_dump");
  sql.execute("CREATE DATABASE e2e_views_dump CHARACTER SET utf8mb4");
  EXPECT_EQ(load_dump(server, "e2e_views_dump", folder + "/views.sql"), "");

  const struct {
    const char* view;
    const char* rows;
  } counts[] = {
      {"Ten Most Expensive Products", "10"},
      {"Current Product List", "69"},
      {"Order Details Extended", "2155"},
      {"Invoices", "2155"},
      {"Quarterly Orders", "84"},
      {"Customers and Suppliers by City", "120"},
  };
  for (const char* db : {"e2e_views_live", "e2e_views_dump"}) {
    SCOPED_TRACE(db);
    const auto views =
        sql.column(std::string("SELECT COUNT(*) FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '") + db + "'");
    EXPECT_EQ(views, std::vector<std::string>{"18"});
    for (const auto& c : counts)
      EXPECT_EQ(sql.column(std::string("SELECT COUNT(*) FROM ") + quoted(db) + "." + quoted(c.view)),
                std::vector<std::string>{c.rows})
          << c.view;
    EXPECT_TRUE(sql.column(std::string("SHOW TABLES FROM ") + quoted(db) + " LIKE 'Sales by Year'").empty());
  }
}

// An attachment arrives as the file itself, on the server and through a dump: Access's stored
// form (a deflated stream behind a header) is undone, and of two files the first stays.
TEST_F(VdyagentServer, AttachmentsArriveAsTheirFiles) {
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string source = test_env::testdata_path("access/ace/complexDataTestV2010.accdb");
  const std::string folder = test_env::make_temp_dir();
  const program_result live =
      run_vdyagent_logged(with({"--src=" + source, "--silent", "--dest=e2e_attach_live"}, server_options(server)));
  EXPECT_EQ(live.exit_code, 0) << live.out << live.err << live.log;
  const program_result dumped =
      run_vdyagent_logged({"--src=" + source, "--silent", "--dump", "--dest=" + folder + "/attach.sql"});
  EXPECT_EQ(dumped.exit_code, 0) << dumped.out << dumped.err << dumped.log;
  sql.execute("DROP DATABASE IF EXISTS e2e_attach_dump");
  sql.execute("CREATE DATABASE e2e_attach_dump CHARACTER SET utf8mb4");
  EXPECT_EQ(load_dump(server, "e2e_attach_dump", folder + "/attach.sql"), "");
  for (const char* db : {"e2e_attach_live", "e2e_attach_dump"}) {
    SCOPED_TRACE(db);
    EXPECT_EQ(sql.column(std::string("SELECT `attach-data` FROM ") + db + ".Table1 ORDER BY id"),
              (std::vector<std::string>{"", "this is some test data for attachment.", "",
                                        "this is some more test data for attachment."}));
  }
}

// Dates and times that hold a fraction of a second arrive in whole seconds, on the server and
// through a dump: the fraction is dropped, never rounded into the next second or day (nor past
// the last day MySQL holds), each column that lost one is reported once, and the run says that
// something changed.
TEST_F(VdyagentServer, FractionsOfASecondDroppedAndReportedOncePerColumn) {
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string folder = test_env::make_temp_dir();
  const std::string source = access_file_with_fractions(folder);
  const std::string reports =
      "Error:\nTimes: Column 'At': 2 values held a fraction of a second, which was dropped (dates are converted to "
      "whole seconds); the first in record #1\n"
      "Error:\nTimes: Column 'TimeOfDay': 1 value held a fraction of a second, which was dropped (dates are "
      "converted to whole seconds); the first in record #2\n";
  const program_result live =
      run_vdyagent(with({"--src=" + source, "--dest=e2e_fractions_live"}, server_options(server)));
  EXPECT_EQ(live.exit_code, 2) << live.out << live.err;
  EXPECT_EQ(live.err, reports);
  const std::string dump = folder + "/fractions.sql";
  const program_result dumped = run_vdyagent({"--src=" + source, "--dump", "--dest=" + dump});
  EXPECT_EQ(dumped.exit_code, 2) << dumped.out << dumped.err;
  EXPECT_EQ(dumped.err, reports);
  sql.execute("DROP DATABASE IF EXISTS e2e_fractions_dump");
  sql.execute("CREATE DATABASE e2e_fractions_dump");
  EXPECT_EQ(load_dump(server, "e2e_fractions_dump", dump), "");
  // A column the user deletes loses nothing: only the other one is reported.
  const std::string profile = write_file(
      folder + "/job.vdy",
      "[Generic settings]\r\nsrc=" + source +
          "\r\ndest=e2e_fractions_deleted\r\nmode=0\r\n"
          "[MySQL settings]\r\ndirect mode=1\r\nhost=" +
          server.host + "\r\nuser=" + server.user + "\r\npassword=" + server.password +
          "\r\nport=" + std::to_string(server.port) +
          "\r\n"
          "[Type Mappings]\r\ndatabase:\r\ntables:\r\n"
          "  - name: Times\r\n    new_name: Times\r\n    fields:\r\n"
          "      - name:TimeOfDay\r\n        new_name: TimeOfDay\r\n        status: deleted\r\n        type: DATETIME\r\n"
          "        default_value:\r\n        character_set:\r\n        length: 0\r\n        scale: 0\r\n"
          "        precision: -1\r\n");
  const program_result deleted = run_vdyagent({"--profile=" + profile});
  EXPECT_EQ(deleted.exit_code, 2) << deleted.out << deleted.err;
  EXPECT_EQ(deleted.err, reports.substr(0, reports.find("Error:", 1)));
  EXPECT_EQ(sql.column("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = 'e2e_fractions_deleted' "
                       "AND TABLE_NAME = 'Times'"),
            std::vector<std::string>{"2"});

  for (const char* db : {"e2e_fractions_live", "e2e_fractions_dump"}) {
    SCOPED_TRACE(db);
    EXPECT_EQ(
        sql.column(std::string("SELECT CONCAT_WS(' | ', Id, At, IFNULL(TimeOfDay, 'NULL')) FROM ") + db +
                   ".Times ORDER BY Id"),
        (std::vector<std::string>{"1 | 2000-02-29 23:59:59 | 1899-12-30 08:00:00",
                                  "2 | 9999-12-31 23:59:59 | 1899-12-30 12:00:00", "3 | 2000-01-01 08:00:00 | NULL"}));
  }
}

TEST_F(VdyagentServer, TableNamesFileWithCrLfAndAMissingName) {
  const std::string folder = test_env::make_temp_dir();
  const std::string names = write_file(folder + "/tables.txt",
                                       "\xEF\xBB\xBF"
                                       "Shippers\r\nNo Such Table\r\n\r\nUms\xC3\xA4tze\r\n");
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
  EXPECT_EQ(sorted(sql.column("SHOW TABLES FROM e2e_tab_file")),
            (std::vector<std::string>{"Shippers", "Ums\xC3\xA4tze"}));
  EXPECT_EQ(sql.column("SELECT COUNT(*) FROM e2e_tab_file.`Ums\xC3\xA4tze`"),
            std::vector<std::string>{std::to_string(mdb_export(nwind, "Ums\xC3\xA4tze").rows.size())});
}

TEST_F(VdyagentServer, ProfileWithTypeMappings) {
  const std::string folder = test_env::make_temp_dir();
  const std::string profile = write_file(
      folder + "/job.vdy",
      "[Generic settings]\r\nsrc=" + nwind +
          "\r\ndest=e2e_profile\r\nmode=0\r\n"
          "[MySQL settings]\r\ndirect mode=1\r\nhost=" +
          server.host + "\r\nuser=" + server.user + "\r\npassword=" + server.password +
          "\r\nport=" + std::to_string(server.port) +
          "\r\n"
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
      {"backticks in the names",
       "e2e_odd_names",
       "        new_name: na`me\r\n        type: VARCHAR\r\n        length: 60\r\n",
       0,
       {"ShipperID", "na_me", "Phone"}},
  };
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  for (const profile_case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string profile =
        write_file(folder + "/" + c.database + ".vdy",
                   "[Generic settings]\r\nsrc=" + nwind + "\r\ndest=" + c.database +
                       "\r\nmode=0\r\n"
                       "[MySQL settings]\r\ndirect mode=1\r\nhost=" +
                       server.host + "\r\nuser=" + server.user + "\r\npassword=" + server.password +
                       "\r\nport=" + std::to_string(server.port) +
                       "\r\n"
                       "[Selected Tables]\r\nShippers\r\n"
                       "[Type Mappings]\r\ndatabase:\r\ntables:\r\n  - name: Shippers\r\n    new_name: ship`pers\r\n"
                       "    fields:\r\n      - name: CompanyName\r\n" +
                       c.column_lines);
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
