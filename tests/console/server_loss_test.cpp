// VDYAGENT against a server of the test's own that goes away: killed in the middle of a table,
// and one whose max_allowed_packet (32K) is smaller than a row (Northwind's employees, each
// with a photo of about 21K, sent as hex). The exit code, the output (one
// report, never one line per row) and what arrived.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_own_server.h"

namespace console_test {
namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::size_t lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ServerLoss, AServerKilledMidTableEndsTheRunWithOneReport) {
  const std::string source = test_env::testdata_path("bench/orders-200k.accdb");
  test_env::own_server server({});
  ASSERT_TRUE(server.started());
  std::future<program_result> run = std::async(std::launch::async, [&] {
    std::vector<std::string> args = {"--src=" + source, "--dest=killed", "--charset=utf8mb4"};
    for (const std::string& option : server_options(server.address())) args.push_back(option);
    return run_vdyagent(args);
  });
  {
    // Killed once the second table has rows: the first arrived, the second is incomplete.
    mysql_client sql(server.address());
    ASSERT_TRUE(sql.ok());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline &&
           run.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      const auto found = test_env::query_rows(sql.handle(),
                                              "SELECT TABLE_ROWS FROM information_schema.TABLES WHERE "
                                              "TABLE_SCHEMA = 'killed' AND TABLE_NAME = 'Orders'");
      started = !found.empty();
    }
    ASSERT_TRUE(started) << "the run never reached Orders";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  server.kill();
  ASSERT_EQ(run.wait_for(std::chrono::minutes(2)), std::future_status::ready) << "the run hangs";
  const program_result r = run.get();
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  const std::string all = r.out + r.err;
  EXPECT_EQ(occurrences(all, "Orders: The connection to the MySQL server was lost"), 1u) << all;
  EXPECT_EQ(occurrences(all, "Cannot reconnect to the MySQL server"), 1u) << all;
  EXPECT_EQ(all.find("max packet"), std::string::npos) << all;
  EXPECT_LT(lines(all), 20u) << all;
}

TEST(ServerLoss, ARowOverMaxAllowedPacketIsNamedAndTheRestArrives) {
  const std::string source = test_env::testdata_path("access/real/nwind.mdb");
  test_env::own_server server({"--max-allowed-packet=32K"});
  ASSERT_TRUE(server.started());
  std::vector<std::string> args = {"--src=" + source, "--dest=small_packet", "--charset=utf8mb4"};
  for (const std::string& option : server_options(server.address())) args.push_back(option);
  const program_result r = run_vdyagent(args);
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  const std::string all = r.out + r.err;
  EXPECT_NE(all.find(", record #"), std::string::npos) << all;
  EXPECT_NE(all.find("Row size exceeds 'max_allowed_packet': the row takes "), std::string::npos) << all;
  EXPECT_NE(all.find("bytes, the server accepts 32768."), std::string::npos) << all;
  EXPECT_EQ(all.find("connection to the MySQL server was lost"), std::string::npos) << all;

  // Every table arrived; a table without an oversized row is whole.
  mysql_client sql(server.address());
  ASSERT_TRUE(sql.ok());
  std::size_t short_tables = 0;
  for (const std::string& table : test_env::mdb_tables(source, false)) {
    const auto counted = sql.column("SELECT COUNT(*) FROM small_packet.`" + table + "`");
    ASSERT_EQ(counted.size(), 1u) << table;
    const std::size_t source_rows = test_env::mdb_export_fields(source, table, "-H -Q -b strip").size();
    const std::size_t stored = std::stoul(counted[0]);
    const std::size_t refused = occurrences(all, table + ", record #");
    EXPECT_EQ(stored + refused, source_rows) << table << "\n" << all;
    if (refused > 0) ++short_tables;
  }
  EXPECT_GT(short_tables, 0u);
}

}  // namespace
}  // namespace console_test
