// How a run treats its items and its failures, shown on dumps of Northwind (no server needed):
// a table named twice, a table the source lacks, keys to tables left out, only definitions, a
// dump that cannot be written, a stop request.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "TK/tk_logger.h"
#include "common/console_front_end.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "tests/driver/driver_test_util.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t occurrences(const std::string& text, const std::string& pattern) {
  std::size_t n = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1)) ++n;
  return n;
}

class RunItems : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_config_home();
    dir_ = test_env::make_temp_dir();
    handler_ = std::make_unique<error_handler>(dao_error_texts_count, dao_error_texts);
    converter_ = std::make_unique<vandry_converter>(converter_program::console);
    converter_->src = widen(test_env::testdata_path("access/real/nwind.mdb"));
    converter_->dest = widen(dump_path());
    converter_->direct = false;
    converter_->dump.line_break = 1;
  }

  std::string dump_path() const { return dir_ + "/out.sql"; }

  // completes: the run gets to its end, where the table counters return to 0.
  std::string run(bool completes = true) {
    converter_->check_dest();
    (*converter_)();
    EXPECT_TRUE(converter_->done);
    if (completes) {
      EXPECT_EQ(converter_->tables_total, 0u);
      EXPECT_EQ(converter_->tables_done, 0u);
    }
    return read_file(dump_path());
  }

  std::string dir_;
  recording_front_end front_;
  std::unique_ptr<error_handler> handler_;
  std::unique_ptr<vandry_converter> converter_;
};

TEST_F(RunItems, EachTableOnceMissingOnesWarnedKeysOnlyBetweenConvertedTables) {
  converter_->items = {{L"Shippers", L""}, {L"SHIPPERS", L""}};
  converter_->selected_tables = {L"Nope", L"Shippers", L"Orders"};
  const std::string dump = run();
  EXPECT_TRUE(front_.reports.empty());
  EXPECT_EQ(front_.warnings, std::vector<std::wstring>{L"Table Nope not exists\n"});
  ASSERT_FALSE(front_.log.empty());
  EXPECT_EQ(front_.log[0], L"Converting database " + converter_->src + L" (3 tables)\r\n");
  EXPECT_EQ(std::count(front_.log.begin(), front_.log.end(), L"Converting table 'Shippers' (3 records)\r\n"), 1);
  EXPECT_EQ(occurrences(dump, "CREATE TABLE `Shippers`"), 1u);
  EXPECT_EQ(occurrences(dump, "CREATE TABLE `Orders`"), 1u);
  EXPECT_EQ(occurrences(dump, "FOREIGN KEY"), 1u) << "only Orders -> Shippers joins converted tables";
  EXPECT_NE(dump.find("REFERENCES `Shippers`"), std::string::npos);
  // The run appended the tables to its items; a second run converts them once again.
  EXPECT_EQ(converter_->items.size(), 4u);
  EXPECT_EQ(converter_->records_done, 830u) << "the last item's rows";
}

// The statistics of a table's date columns reach the log at the level of their lines, row by row
// and date column by date column; with the log above that level none of them is written.
TEST_F(RunItems, DateStatisticsReachTheLogAtTheirLevelOnly) {
  converter_->selected_tables = {L"Employees"};  // 9 rows; columns #5 and #6 are dates
  struct {
    tk_log_level threshold;
    std::size_t tables;  // "dates_map::ctor(size=17)"
    std::size_t rows;    // per row and date column
  } levels[] = {{tk_log_trace, 1, 9}, {tk_log_detail, 1, 0}, {tk_log_event, 0, 0}};
  for (const auto& level : levels) {
    SCOPED_TRACE(level.threshold);
    const std::string log_path = dir_ + "/run.log";
    std::remove(dump_path().c_str());
    {
      tk_logger log(log_path.c_str(), true, static_cast<std::uint32_t>(level.threshold), false);
      run();
    }
    const std::string log = read_file(log_path);
    EXPECT_NE(log.find("Converting table 'Employees' (9 records)"), std::string::npos);
    EXPECT_EQ(occurrences(log, "dates_map::ctor(size=17)"), level.tables);
    EXPECT_EQ(occurrences(log, "Add map entry for field #5\r\n"), level.rows == 0 ? 0u : 1u);
    EXPECT_EQ(occurrences(log, "Add map entry for field #6\r\n"), level.rows == 0 ? 0u : 1u);
    EXPECT_EQ(occurrences(log, "Field #0 has not a date type"), level.rows == 0 ? 0u : 1u);
    EXPECT_EQ(occurrences(log, "dates_map::add_rec_stat(map size=2)"), level.rows);
    EXPECT_EQ(occurrences(log, "Process 1 item, n_field=6"), level.rows);
    EXPECT_EQ(occurrences(log, "End of dates_map::add_rec_stat"), level.rows);
    // Birth and hire dates are days without a time: each column's first value makes it a date.
    EXPECT_EQ(occurrences(log, "got date\r\n"), level.rows == 0 ? 0u : 2u);
    EXPECT_EQ(occurrences(log, "Got string representation: '1948-12-08'"), level.rows == 0 ? 0u : 1u);
  }
}

TEST_F(RunItems, OnlyDefinitionsKeepRowCounts) {
  converter_->selected_tables = {L"Categories"};
  converter_->tab_def = true;
  const std::string dump = run();
  EXPECT_EQ(occurrences(dump, "CREATE TABLE `Categories`"), 1u);
  EXPECT_EQ(occurrences(dump, "INSERT INTO"), 0u);
  EXPECT_EQ(converter_->records_total, 8u);
  EXPECT_EQ(converter_->records_done, 0u);
}

TEST_F(RunItems, UnwritableDumpIsAnErrorAndTheRunEnds) {
  converter_->dest = widen(dir_ + "/no such folder/out.sql");
  converter_->selected_tables = {L"Categories"};
  (*converter_)();
  EXPECT_TRUE(converter_->done);
  ASSERT_EQ(front_.reports.size(), 1u);
  EXPECT_EQ(front_.reports[0].kind, tk_kind_error);
  EXPECT_TRUE(front_.log.empty()) << "no progress for a dump that is not written";
}

TEST_F(RunItems, StopRequestEndsTheRunQuietly) {
  converter_->selected_tables = {L"Categories"};
  converter_->request_stop();
  const std::string dump = run(false);
  EXPECT_TRUE(front_.reports.empty());
  EXPECT_EQ(occurrences(dump, "CREATE TABLE"), 0u);
}

TEST(RunConsole, AnErrorInsideARunDoesNotEndTheProgram) {
  fresh_config_home();
  const std::string dir = test_env::make_temp_dir();
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    console_front_end front(out, out);
    error_handler handler(dao_error_texts_count, dao_error_texts);
    vandry_converter c(converter_program::console);
    c.src = widen(test_env::testdata_path("access/real/nwind.mdb"));
    c.dest = widen(dir + "/missing/out.sql");
    c.direct = false;
    c();
    EXPECT_TRUE(c.done);
    EXPECT_EQ(handler.errors_reported(), 1u);
  }
  std::fclose(out);
}

}  // namespace
