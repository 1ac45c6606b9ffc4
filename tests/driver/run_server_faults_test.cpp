// Conversions whose server fails on cue, through a connection that fails the n-th call: a
// connection lost in the middle of a table (and a reconnect that works or does not), a refused
// statement, a time-out, a refused update while synchronising, a failed prepared statement.
#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "SQL/sql_table.h"
#include "tests/driver/run_fixture.h"
#include "tests/support/sql_fault_connection.h"
#include "tests/support/test_own_server.h"

namespace {

using run_test::RunTest;
using test_env::sql_call;
using test_env::sql_fault;

constexpr unsigned kLost = 2013;
const char kLostText[] = "Lost connection to server during query";
const char kLostReport[] = "The connection to the MySQL server was lost";

class FaultRun : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    nwind_ = test_env::testdata_path("access/real/nwind.mdb");
  }

  // A converter of Northwind whose engine talks through the fault connection `faults_`.
  std::unique_ptr<vandry_converter> faulty_converter(const std::string& db, std::uint32_t mode, bool batching) {
    auto c = server_converter(nwind_, db, mode);
    c->engine.fast_insert = batching;
    auto wrapper = std::make_unique<test_env::sql_fault_connection>(c->engine.replace_connection(nullptr));
    faults_ = wrapper.get();
    c->engine.replace_connection(std::move(wrapper));
    return c;
  }

  // The reports whose text holds `part`.
  std::size_t reports_with(const std::string& part) const {
    return static_cast<std::size_t>(std::count_if(front_.reports.begin(), front_.reports.end(), [&](const auto& r) {
      return r.text.find(part) != std::string::npos;
    }));
  }

  // Every source table but `except` arrived whole.
  void expect_whole_but(const std::string& db, const std::string& except) {
    for (const std::string& table : run_test::mdb_tables(nwind_)) {
      if (table == except) continue;
      EXPECT_EQ(count(db, table), run_test::mdb_row_count(nwind_, table)) << table;
    }
  }

  // What VDYAGENT exits with after this run: 1 when nothing was converted, else 2.
  int exit_code(const vandry_converter& c) const {
    if (handler_->errors_reported() == 0 && front_.reports.empty()) return 0;
    return c.tables_written == 0 ? 1 : 2;
  }

  std::string nwind_;
  test_env::sql_fault_connection* faults_ = nullptr;
};

// A connection lost in the middle of a table ends that table with one report, whatever was
// waiting (a batch in flight, rows sent one by one, a read that timed out); the run connects
// again and the other tables arrive whole.
TEST_F(FaultRun, ALostConnectionEndsItsTableOnceAndTheRunGoesOn) {
  struct lost_case {
    const char* what;
    bool batching;  // rows go in multi-row batches, or one by one
    sql_fault fault;
    std::size_t rows_left;  // rows of Orders stored before the loss
  };
  const lost_case cases[] = {
      {"batch sent", true, {sql_call::send_query, 1, "INSERT INTO `Orders`", kLost, kLostText}, 0},
      {"batch answer timed out", true, {sql_call::read_query_result, 1, "", kLost, kLostText}, 0},
      {"row 100 of one by one",
       false,
       {sql_call::query, 100, "INSERT INTO `Orders`", 2006, "Server has gone away"},
       99},
  };
  int n = 0;
  for (const lost_case& t : cases) {
    SCOPED_TRACE(t.what);
    front_.reports.clear();
    const std::string db = database("lost" + std::to_string(n++));
    auto c = faulty_converter(db, 0, t.batching);
    // Without a prefix, the first batch answer is that of the first table's rows.
    faults_->fail(t.fault);
    run(*c);
    EXPECT_EQ(faults_->fired, 1u);
    EXPECT_EQ(faults_->connects, 1u) << "one reconnect";
    ASSERT_EQ(front_.reports.size(), 1u) << reports();
    EXPECT_NE(front_.reports[0].text.find(kLostReport), std::string::npos) << reports();
    EXPECT_NE(front_.reports[0].text.find(t.fault.error_text), std::string::npos) << reports();
    EXPECT_EQ(front_.reports[0].text.find("max packet"), std::string::npos) << reports();
    if (t.fault.kind != sql_call::read_query_result) {
      EXPECT_EQ(front_.reports[0].text.rfind("Orders: ", 0), 0u) << reports();
      EXPECT_EQ(count(db, "Orders"), t.rows_left);
      expect_whole_but(db, "Orders");
    }
    EXPECT_EQ(c->tables_written, 9u);
    EXPECT_EQ(exit_code(*c), 2);
  }
}

// A server that cannot be reached again stops the run with one message more; a run that lost
// it before its first table converted nothing.
TEST_F(FaultRun, AServerGoneForGoodStopsTheRunWithOneMessage) {
  struct gone_case {
    const char* what;
    sql_fault fault;
    int exit_code;
  };
  const gone_case cases[] = {
      {"in the middle of Orders", {sql_call::query, 100, "INSERT INTO `Orders`", kLost, kLostText}, 2},
      {"at the first table", {sql_call::query, 1, "CREATE TABLE", kLost, kLostText}, 1},
  };
  int n = 0;
  for (const gone_case& t : cases) {
    SCOPED_TRACE(t.what);
    front_.reports.clear();
    const std::string db = database("gone" + std::to_string(n++));
    auto c = faulty_converter(db, 0, false);
    faults_->fail(t.fault);
    faults_->refuse_connect = true;
    run(*c);
    EXPECT_EQ(faults_->connects, 1u) << "one reconnect, no more";
    ASSERT_EQ(front_.reports.size(), 2u) << reports();
    EXPECT_NE(front_.reports[0].text.find(kLostReport), std::string::npos) << reports();
    EXPECT_NE(front_.reports[1].text.find("Cannot reconnect to the MySQL server"), std::string::npos) << reports();
    EXPECT_NE(front_.reports[1].text.find("The conversion stops."), std::string::npos) << reports();
    EXPECT_LT(c->tables_written, 9u);
    EXPECT_EQ(exit_code(*c), t.exit_code);
  }
}

// A statement the server refuses fails its row alone, named by its number.
TEST_F(FaultRun, ARefusedRowIsNamedAndTheTableGoesOn) {
  const std::string db = database("refused");
  auto c = faulty_converter(db, 0, false);
  faults_->fail({sql_call::query, 5, "INSERT INTO `Orders`", 1366, "Incorrect integer value (refused by the test)"});
  run(*c);
  ASSERT_EQ(front_.reports.size(), 1u) << reports();
  EXPECT_EQ(front_.reports[0].text, "Orders, record #5: Incorrect integer value (refused by the test)");
  EXPECT_EQ(count(db, "Orders"), run_test::mdb_row_count(nwind_, "Orders") - 1);
  expect_whole_but(db, "Orders");
  EXPECT_EQ(faults_->connects, 0u);
  EXPECT_EQ(exit_code(*c), 2);
}

// Synchronising over an earlier result: a refused update names its row, the other rows of the
// table are still updated.
TEST_F(FaultRun, ARefusedUpdateWhileSynchronisingNamesItsRow) {
  const std::string db = database("sync");
  {
    auto first = server_converter(nwind_, db, 0);
    run(*first);
    ASSERT_TRUE(front_.reports.empty()) << reports();
  }
  exec("UPDATE `" + db + "`.`Shippers` SET CompanyName = 'changed'");
  auto c = faulty_converter(db, 4, true);
  faults_->fail({sql_call::query, 2, "UPDATE `Shippers`", 1406, "Data too long (refused by the test)"});
  run(*c);
  ASSERT_EQ(front_.reports.size(), 1u) << reports();
  EXPECT_EQ(front_.reports[0].text, "Shippers, record #2: Data too long (refused by the test)");
  // Rows 1 and 3 were set back from the source, row 2 kept the change.
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`Shippers` WHERE CompanyName = 'changed'"), "1");
  expect_whole_but(db, "");
}

// A server that stops answering (SIGSTOP) in the middle of a table: the wait ends at the read
// time-out with the report of a lost connection, the reconnect fails, the run stops.
TEST_F(FaultRun, AFrozenServerEndsTheRunAtTheTimeOut) {
  const std::string source = test_env::testdata_path("bench/orders-200k.accdb");
  test_env::own_server server({});
  ASSERT_TRUE(server.started());
  const test_env::server_address& at = server.address();
  auto c = std::make_unique<vandry_converter>(converter_program::console);
  c->src = widen(source);
  c->dest = L"frozen";
  c->direct = true;
  c->set_mode(0);
  c->engine.charset = L"utf8mb4";
  c->engine.io_timeout_seconds = 2;
  c->store_mysql_settings(at.host, at.user, at.password, std::to_string(at.port));
  c->connect_mysql_server();
  c->check_dest();
  std::future<void> run = std::async(std::launch::async, [&] { (*c)(); });
  {
    MYSQL* watch = test_env::connect_mysql(at);
    ASSERT_NE(watch, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline &&
           run.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      started = !test_env::query_rows(watch,
                                      "SELECT 1 FROM information_schema.TABLES WHERE "
                                      "TABLE_SCHEMA = 'frozen' AND TABLE_NAME = 'Orders'")
                     .empty();
    }
    mysql_close(watch);
    ASSERT_TRUE(started) << "the run never reached Orders";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  server.freeze();
  const auto frozen_at = std::chrono::steady_clock::now();
  const bool ended = run.wait_for(std::chrono::minutes(2)) == std::future_status::ready;
  server.thaw();
  ASSERT_TRUE(ended) << "the run hangs on a frozen server";
  run.get();
  // The read time-out and the connect time-out of the reconnect, not minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - frozen_at, std::chrono::seconds(60));
  ASSERT_EQ(front_.reports.size(), 2u) << reports();
  EXPECT_EQ(front_.reports[0].text.rfind(std::string("Orders: ") + kLostReport, 0), 0u) << reports();
  EXPECT_NE(front_.reports[1].text.find("Cannot reconnect to the MySQL server"), std::string::npos) << reports();
  EXPECT_EQ(c->tables_written, 2u);
  EXPECT_EQ(exit_code(*c), 2);
}

}  // namespace
