// VDYAGENT with views on and only some of Northwind's tables named: the views over those tables
// are made and answer, the views over other tables are left out and logged, and the run ends
// without an error, on the server and in a dump that loads in strict mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

TEST(VdyagentViewScope, ViewsOverTablesThatWereNotConvertedAreLeftOut) {
  const test_env::server_address server = test_env::test_server();
  ASSERT_FALSE(server.host.empty());
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::string folder = test_env::make_temp_dir();
  const std::string names = folder + "/tables.txt";
  std::ofstream(names, std::ios::binary) << "Products\r\nCategories\r\n";
  const std::vector<std::string> common = {"--src=" + test_env::testdata_path("access/real/nwind.mdb"),
                                           "--charset=utf8mb4", "--silent", "--queries", "--tab_file=" + names};

  std::vector<std::string> live_args = common;
  live_args.push_back("--dest=e2e_scope_live");
  live_args.push_back("--logfile=" + folder + "/live.log");
  for (const std::string& option : server_options(server)) live_args.push_back(option);
  sql.execute("DROP DATABASE IF EXISTS e2e_scope_live");
  const program_result live = run_vdyagent(live_args);
  EXPECT_EQ(live.exit_code, 0) << live.out << live.err;

  std::vector<std::string> dump_args = common;
  dump_args.push_back("--dump");
  dump_args.push_back("--dest=" + folder + "/scope.sql");
  dump_args.push_back("--logfile=" + folder + "/dump.log");
  const program_result dumped = run_vdyagent(dump_args);
  EXPECT_EQ(dumped.exit_code, 0) << dumped.out << dumped.err;
  sql.execute("DROP DATABASE IF EXISTS e2e_scope_dump");
  sql.execute("CREATE DATABASE e2e_scope_dump CHARACTER SET utf8mb4");
  EXPECT_EQ(load_dump(server, "e2e_scope_dump", folder + "/scope.sql"), "");

  // Every view over Products and Categories alone; a view over a left-out view is left out too.
  const std::vector<std::string> made = {"Alphabetical List of Products", "Catalog",
                                         "Current Product List",          "Products Above Average Price",
                                         "Products by Category",          "Ten Most Expensive Products"};
  const char* left_out[] = {
      "View 'Invoices' reads a table or query that was not converted (Shippers), skip it",
      "View 'Order Details Extended' reads a table or query that was not converted (Order Details), skip it",
      "View 'Category Sales for 1995' reads a table or query that was not converted (Product Sales for 1995), skip it",
  };
  for (const char* db : {"e2e_scope_live", "e2e_scope_dump"}) {
    SCOPED_TRACE(db);
    const std::string schema = std::string("'") + db + "'";
    EXPECT_EQ(sql.column("SELECT TABLE_NAME FROM information_schema.VIEWS WHERE TABLE_SCHEMA = " + schema +
                         " ORDER BY TABLE_NAME"),
              made);
    const std::string above = "SELECT COUNT(*) FROM " + quoted(db) +
                              ".Products WHERE UnitPrice > (SELECT AVG(UnitPrice) FROM " + quoted(db) + ".Products)";
    const struct {
      const char* view;
      std::vector<std::string> rows;
    } counts[] = {
        {"Ten Most Expensive Products", {"10"}},   {"Current Product List", {"69"}},
        {"Alphabetical List of Products", {"69"}}, {"Products Above Average Price", sql.column(above)},
        {"Products by Category", {"69"}},
    };
    for (const auto& c : counts)
      EXPECT_EQ(sql.column("SELECT COUNT(*) FROM " + quoted(db) + "." + quoted(c.view)), c.rows) << c.view;
  }
  for (const char* log : {"/live.log", "/dump.log"}) {
    std::ostringstream text;
    text << std::ifstream(folder + log).rdbuf();
    for (const char* line : left_out) EXPECT_NE(text.str().find(line), std::string::npos) << log << ": " << line;
  }
}

}  // namespace
}  // namespace console_test
