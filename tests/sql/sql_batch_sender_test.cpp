// The LOAD DATA batch on its own thread: its statements in order, the first failure ending
// the batch, and the caller free to work while the server stores the batch.
#include "SQL/sql_batch_sender.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A connection that records what it is asked, fails the statement that starts with a chosen
// text, and can hold a load until the test lets it go: the server's side of a batch, which a
// real server cannot be made to stall or fail at a chosen statement.
class scripted_connection : public sql_connection {
 public:
  std::vector<std::string> statements;
  std::string loaded_rows;
  unsigned loaded_columns = 0;       // of the last bulk INSERT
  std::string fail_at;               // the statement that fails (its beginning)
  bool throw_at = false;             // fail it by throwing instead
  std::shared_future<void> release;  // a load waits for it when valid
  unsigned warnings = 0;
  std::uint64_t affected = 0;

  bool connect(const sql_connect_settings&) override { return true; }
  void close() override {}
  bool query(std::string_view statement) override { return run(statement); }
  bool send_query(std::string_view statement) override { return run(statement); }
  bool read_query_result() override { return true; }
  MYSQL_RES* use_result() override { return nullptr; }
  MYSQL_RES* store_result() override { return nullptr; }
  MYSQL_ROW fetch_row(MYSQL_RES*) override { return nullptr; }
  void free_result(MYSQL_RES*) override {}
  MYSQL_RES* list_tables() override { return nullptr; }
  bool select_db(const std::string&) override { return true; }
  bool execute_prepared(std::string_view, const std::vector<sql_long_value>&) override { return false; }
  bool can_load_rows() const override { return true; }
  bool load_rows(std::string_view statement, std::string_view rows) override {
    if (release.valid()) release.wait();
    loaded_rows = rows;
    return run(statement);
  }
  bool can_insert_rows() const override { return true; }
  bool insert_rows(std::string_view statement, const sql_bulk_rows& rows) override {
    // The values of the first column, one a line, show that the arrays arrived.
    loaded_rows.clear();
    for (std::size_t r = 0; r < rows.rows; ++r) loaded_rows += std::string(rows.values[r], rows.lengths[r]) + "\n";
    loaded_columns = rows.columns;
    return run(statement);
  }
  unsigned warning_count() override { return warnings; }
  std::uint64_t affected_rows() override { return affected; }
  unsigned error_number() const override { return error; }
  std::string error_text() const override { return error ? "refused" : ""; }
  unsigned long server_version() override { return 101100; }
  std::string server_info() override { return "10.11.0"; }

 private:
  bool run(std::string_view statement) {
    statements.emplace_back(statement);
    error = 0;
    if (fail_at.empty() || statement.substr(0, fail_at.size()) != fail_at) return true;
    if (throw_at) throw std::runtime_error("the connection threw");
    error = 1062;
    return false;
  }
  unsigned error = 0;
};

const std::string kLoad = "LOAD DATA LOCAL INFILE 'ostrelle-rows' INTO TABLE `t` (`a`)";
const std::string kBulk = "INSERT INTO `t`(`a`, `b`) VALUES (?, ?)";

// A batch of that text, split into columns unless columns is 0 (LOAD DATA).
sql_bulk_rows batch_of(const std::string& text, unsigned columns) {
  sql_bulk_rows rows;
  rows.text.assign(text.begin(), text.end());
  if (columns != 0) {
    EXPECT_TRUE(sql_split_rows(rows, columns));
  }
  return rows;
}

TEST(SqlBatchSender, RunsItsStatementsInOrderAndStopsAtTheFirstFailure) {
  using step = sql_batch_sender::step;
  struct sender_case {
    const char* what;
    bool begin;
    unsigned columns;  // 0: LOAD DATA
    std::string fail_at;
    bool throw_at;
    step failed;
    std::vector<std::string> statements;
  };
  const std::vector<sender_case> cases = {
      {"first batch of a table", true, 0, "", false, step::none, {"START TRANSACTION", "SAVEPOINT batch", kLoad}},
      {"later batch", false, 0, "", false, step::none, {"SAVEPOINT batch", kLoad}},
      {"bulk INSERT", true, 2, "", false, step::none, {"START TRANSACTION", "SAVEPOINT batch", kBulk}},
      {"refused begin", true, 0, "START", false, step::begin, {"START TRANSACTION"}},
      {"refused savepoint", true, 0, "SAVEPOINT", false, step::savepoint, {"START TRANSACTION", "SAVEPOINT batch"}},
      {"refused load", false, 0, "LOAD", false, step::load, {"SAVEPOINT batch", kLoad}},
      {"refused bulk INSERT", false, 2, "INSERT", false, step::load, {"SAVEPOINT batch", kBulk}},
      {"connection that throws", false, 0, "LOAD", true, step::load, {"SAVEPOINT batch", kLoad}},
  };
  for (const sender_case& c : cases) {
    SCOPED_TRACE(c.what);
    scripted_connection connection;
    connection.fail_at = c.fail_at;
    connection.throw_at = c.throw_at;
    connection.warnings = 2;
    connection.affected = 7;
    sql_batch_sender sender;
    std::string statement = c.columns ? kBulk : kLoad;
    sql_bulk_rows rows = batch_of("1\tx\n2\ty\n", c.columns);
    sender.start(connection, c.begin, statement, rows);
    const sql_batch_sender::outcome outcome = sender.wait();
    EXPECT_FALSE(sender.busy());
    EXPECT_EQ(outcome.failed, c.failed);
    EXPECT_EQ(connection.statements, c.statements);
    // The warnings and the row count are the load's own, read only when it ran.
    EXPECT_EQ(outcome.warnings, c.failed == step::none ? 2u : 0u);
    EXPECT_EQ(outcome.affected, c.failed == step::none ? 7u : 0u);
    if (c.failed == step::none) {
      EXPECT_EQ(connection.loaded_rows, c.columns ? "1\n2\n" : "1\tx\n2\ty\n");
      EXPECT_EQ(connection.loaded_columns, c.columns);
    } else if (!c.throw_at) {
      EXPECT_EQ(connection.error_number(), 1062u);
    }
  }
}

// start returns while the server still stores the batch; a second batch waits for the first,
// so the connection never serves two at once and the batches arrive in order.
TEST(SqlBatchSender, TheCallerWorksWhileABatchIsStoredAndBatchesKeepTheirOrder) {
  scripted_connection connection;
  std::promise<void> server_done;
  connection.release = server_done.get_future().share();
  sql_batch_sender sender;
  std::string statement = kLoad;
  sql_bulk_rows rows = batch_of("1\n", 0);
  sender.start(connection, true, statement, rows);
  EXPECT_TRUE(sender.busy());
  // The next batch is built while the first is held on the server's side.
  std::string next_text;
  for (int i = 2; i <= 1000; ++i) next_text += std::to_string(i) + "\n";
  sql_bulk_rows next_rows = batch_of(next_text, 0);
  server_done.set_value();
  statement = kLoad;
  sender.start(connection, false, statement, next_rows);
  EXPECT_EQ(sender.wait().failed, sql_batch_sender::step::none);
  EXPECT_EQ(connection.statements,
            (std::vector<std::string>{"START TRANSACTION", "SAVEPOINT batch", kLoad, "SAVEPOINT batch", kLoad}));
  EXPECT_EQ(connection.loaded_rows.substr(0, 4), "2\n3\n");
  // Without a batch in flight there is nothing to wait for.
  EXPECT_EQ(sender.wait().failed, sql_batch_sender::step::none);
  EXPECT_FALSE(sender.busy());
}

// A sender that ends with a batch in flight waits for it: its thread never outlives it.
TEST(SqlBatchSender, EndingWithABatchInFlightWaitsForIt) {
  scripted_connection connection;
  std::promise<void> server_done;
  connection.release = server_done.get_future().share();
  {
    sql_batch_sender sender;
    std::string statement = kLoad;
    sql_bulk_rows rows = batch_of("1\n", 0);
    sender.start(connection, false, statement, rows);
    server_done.set_value();
  }
  EXPECT_EQ(connection.statements, (std::vector<std::string>{"SAVEPOINT batch", kLoad}));
}

}  // namespace
