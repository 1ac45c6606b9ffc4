// The storage engine and character set a profile's type mappings give the whole database, one
// table and one column reach the tables VDYAGENT creates, on the server and in a dump loaded
// into it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

// The database asks for MyISAM and latin1; Shippers for InnoDB and cp1251, and its CompanyName
// for utf8mb4. Categories follows the database.
const char kTypeMappings[] =
    "[Type Mappings]\r\ndatabase:\r\n  character set: latin1\r\n  engine: MyISAM\r\ntables:\r\n"
    "  - name: Shippers\r\n    new_name: Shippers\r\n    fields:\r\n"
    "      - name:CompanyName\r\n        new_name: CompanyName\r\n        status: changed\r\n"
    "        type: VARCHAR\r\n        default_value:\r\n        character_set: utf8mb4\r\n        length: 40\r\n"
    "        scale: 0\r\n        precision: -1\r\n"
    "    properties:\r\n        character set: cp1251\r\n        engine: InnoDB\r\n";

std::string write_profile(const std::string& path, const std::string& generic, const std::string& mysql) {
  // The general settings name other choices: the type mappings are the more particular ones.
  std::ofstream(path, std::ios::binary) << "[Generic settings]\r\n" + generic +
                                               "character set=utf8mb4\r\nstorage engine=InnoDB\r\n"
                                               "[MySQL settings]\r\n" +
                                               mysql + "[Selected Tables]\r\nShippers\r\nCategories\r\n" +
                                               kTypeMappings;
  return path;
}

void expect_properties_in(mysql_client& sql, const std::string& database) {
  SCOPED_TRACE(database);
  const std::string tables =
      "SELECT TABLE_NAME, ENGINE, TABLE_COLLATION FROM information_schema.TABLES WHERE "
      "TABLE_SCHEMA = '" +
      database + "' ORDER BY TABLE_NAME";
  const std::vector<sql_row> expected_tables = {{"Categories", "MyISAM", "latin1_swedish_ci"},
                                                {"Shippers", "InnoDB", "cp1251_general_ci"}};
  EXPECT_EQ(sql.rows(tables), expected_tables);
  const std::string columns =
      "SELECT TABLE_NAME, COLUMN_NAME, CHARACTER_SET_NAME FROM information_schema.COLUMNS "
      "WHERE TABLE_SCHEMA = '" +
      database + "' AND COLUMN_NAME IN ('CategoryName', 'CompanyName', 'Phone') ORDER BY 1, 2";
  const std::vector<sql_row> expected_columns = {{"Categories", "CategoryName", "latin1"},
                                                 {"Shippers", "CompanyName", "utf8mb4"},
                                                 {"Shippers", "Phone", "cp1251"}};
  EXPECT_EQ(sql.rows(columns), expected_columns);
  EXPECT_EQ(sql.column("SELECT COUNT(*) FROM " + quoted(database) + ".Shippers"), std::vector<std::string>{"3"});
  EXPECT_EQ(sql.column("SELECT COUNT(*) FROM " + quoted(database) + ".Categories"), std::vector<std::string>{"8"});
}

TEST(VdyagentProfileProperties, EngineAndCharacterSetOfDatabaseTableAndColumn) {
  const test_env::server_address server = test_env::test_server();
  ASSERT_FALSE(server.host.empty());
  const std::string nwind = test_env::testdata_path("access/real/nwind.mdb");
  const std::string folder = test_env::make_temp_dir();
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());

  const std::string live =
      write_profile(folder + "/live.vdy", "src=" + nwind + "\r\ndest=e2e_properties_live\r\nmode=0\r\n",
                    "direct mode=1\r\nhost=" + server.host + "\r\nuser=" + server.user +
                        "\r\npassword=" + server.password + "\r\nport=" + std::to_string(server.port) + "\r\n");
  const program_result to_server = run_vdyagent({"--profile=" + live});
  EXPECT_EQ(to_server.exit_code, 0) << to_server.out << to_server.err;
  EXPECT_EQ(sql.column("SELECT DEFAULT_CHARACTER_SET_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = "
                       "'e2e_properties_live'"),
            std::vector<std::string>{"latin1"});
  expect_properties_in(sql, "e2e_properties_live");

  const std::string dump_path = folder + "/properties.sql";
  const std::string dumped =
      write_profile(folder + "/dump.vdy", "src=" + nwind + "\r\ndest=" + dump_path + "\r\n", "direct mode=0\r\n");
  const program_result to_dump = run_vdyagent({"--profile=" + dumped});
  EXPECT_EQ(to_dump.exit_code, 0) << to_dump.out << to_dump.err;
  std::ifstream in(dump_path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(") ENGINE=InnoDB character set cp1251;"), std::string::npos);
  EXPECT_NE(text.find(") ENGINE=MyISAM;"), std::string::npos);
  EXPECT_NE(text.find("`CompanyName` VARCHAR(40) CHARACTER SET utf8mb4"), std::string::npos) << text.substr(0, 3000);
  sql.execute("DROP DATABASE IF EXISTS e2e_properties_dump");
  sql.execute("CREATE DATABASE e2e_properties_dump CHARACTER SET latin1");
  EXPECT_EQ(load_dump(server, "e2e_properties_dump", dump_path), "");
  expect_properties_in(sql, "e2e_properties_dump");
}

}  // namespace
}  // namespace console_test
