// Writing rows into the private MariaDB: batched and row by row, refused rows, duplicate keys in
// the merge and synchronise modes, long values, updates and deletes by key, views and foreign keys.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "SQL/sql_exception.h"
#include "SQL/sql_table.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "live_fixture.h"
#include "tests/support/sql_fault_connection.h"

namespace {

constexpr std::uint32_t kDuplicate = 0x400426;

class LiveRows : public LiveServer {
 protected:
  void SetUp() override {
    LiveServer::SetUp();
    // Columns take four-byte characters (emoji) only in utf8mb4.
    engine_.charset = L"utf8mb4";
  }

  // A table of the column mix of a real table: integers, a text, a currency, a date, a memo.
  std::unique_ptr<udb_recordset> make_mixed_table(const std::wstring& name) {
    mixed_.add(4, L"id", VT_I4, true);
    mixed_.add(2, L"qty", VT_I2);
    mixed_.add(40, L"name", VT_BSTR);
    mixed_.add(8, L"price", VT_CY);
    mixed_.add(8, L"day", VT_DATE, false, false, ole_variant(), 1);
    mixed_.add(0, L"memo", VT_BSTR);
    udb_indexes indexes;
    indexes.push_back(make_index(L"pk", {L"id"}, true, true));
    return db_->create_table(name, mixed_.schema, indexes);
  }

  static std::unique_ptr<udb_record> mixed_row(int i) {
    CY price{static_cast<LONGLONG>(i) * 12345};
    // Texts that look like LOAD DATA's own escapes (\N is NULL there) or are empty.
    const std::wstring name = i % 7 == 0    ? L"O'Brien \\ \"q\" 😀"
                              : i % 11 == 0 ? L"\\N"
                              : i % 13 == 0 ? L""
                                            : L"name " + std::to_wstring(i);
    std::vector<std::pair<std::wstring, ole_variant>> values = {
        {L"id", ole_variant(i)},
        {L"qty", i % 5 == 0 ? ole_variant() : ole_variant(short(i % 300))},
        {L"name", ole_variant(name)},
        {L"price", ole_variant(price)},
        {L"day", ole_variant(ole_date(std::wstring(L"2024-02-") + (i % 28 + 1 < 10 ? L"0" : L"") +
                                      std::to_wstring(i % 28 + 1) + L" 10:20:30"))},
        {L"memo", ole_variant(std::wstring(static_cast<size_t>(i % 50), L'ä') +
                              (i % 17 == 0 ? L"tab\there \\t \\N \\0 \\" : L"") + L"\r\nend")},
    };
    return make_row(values);
  }

  std::string table_text(const std::string& table) {
    std::string text;
    for (const auto& row : rows("SELECT * FROM `" + table + "` ORDER BY id")) {
      for (const std::string& column : row) text += column + "|";
      text += "\n";
    }
    return text;
  }

  source_schema mixed_;
};

TEST_F(LiveRows, BatchedAndSingleRowsGiveTheSameTable) {
  const int n = 2500;
  for (const bool batched : {true, false}) {
    engine_.fast_insert = batched;
    std::unique_ptr<udb_recordset> table = make_mixed_table(batched ? L"batched" : L"single");
    for (int i = 1; i <= n; ++i) table->append_record(*mixed_row(i));
    EXPECT_EQ(table->row_count, static_cast<std::uint64_t>(n));
    dynamic_cast<sql_table&>(*table).flush();
    mixed_ = source_schema();
  }
  EXPECT_EQ(value("SELECT COUNT(*) FROM batched"), std::to_string(n));
  const std::string batched = table_text("batched");
  EXPECT_EQ(batched, table_text("single"));
  EXPECT_NE(batched.find("O'Brien \\ \"q\" 😀"), std::string::npos);
  EXPECT_NE(batched.find("2024-02-08 10:20:30"), std::string::npos);
  EXPECT_NE(batched.find("|1.2345|"), std::string::npos);
  EXPECT_NE(batched.find("tab\there \\t \\N \\0 \\\r\nend"), std::string::npos);
  // Of 2500 ids, the multiples of 11 but not of 7 hold the text \N; of 13 but of neither, an empty text.
  EXPECT_EQ(value("SELECT COUNT(*) FROM batched WHERE name = '\\\\N'"), "195");
  EXPECT_EQ(value("SELECT COUNT(*) FROM batched WHERE name = ''"), "150");
  EXPECT_EQ(value("SELECT COUNT(*) FROM batched WHERE name IS NULL"), "0");
}

// What Access files made by Access and by other tools hold, with the default character set:
// each table is created, every row arrives, and every value is the source's (NULL where MySQL
// has no form for it), batched and row by row alike.
TEST_F(LiveRows, ExactValuesAndDefinitionsWithTheDefaultSettings) {
  engine_.charset.clear();
  const std::wstring guid = L"6B29FC40-CA47-1067-B31D-00DD010662DA";
  SYSTEMTIME noon{};
  noon.wYear = 1899;
  noon.wMonth = 12;
  noon.wDay = 30;
  noon.wHour = 12;
  noon.wMinute = 30;
  for (const bool batched : {true, false}) {
    SCOPED_TRACE(batched ? "batched" : "row by row");
    engine_.fast_insert = batched;
    const std::wstring name = batched ? L"exact_batched" : L"exact_single";
    source_schema s;
    s.add(4, L"ID", VT_I4, false, true);
    s.add(4, L"Code", VT_I4);
    s.add(50, L"Name", VT_BSTR, false, false, ole_variant(std::wstring(L"O'Brien \\ \"q\"")));
    s.add(50, L"name", VT_BSTR);                                    // a twin in another case, as other tools make them
    s.add(38, L"Guid", VT_BSTR, false, false, ole_variant(), 1);    // a Replication ID
    s.add(8, L"Created", VT_DATE, false, false, ole_variant(), 9);  // defaults to the current moment
    s.add(8, L"At", VT_DATE, false, false, ole_variant(), 1);
    s.add(8, L"Ratio", VT_R8);
    udb_indexes indexes;
    indexes.push_back(make_index(L"id", {L"Code"}));  // the name the auto-increment column's index would take
    std::unique_ptr<udb_recordset> table = db_->create_table(name, s.schema, indexes);
    table->append_record(*make_row({{L"ID", ole_variant(1)},
                                    {L"Code", ole_variant(7)},
                                    {L"Name", ole_variant(std::wstring(L"Upper \U0001F600"))},
                                    {L"name", ole_variant(std::wstring(L"lower"))},
                                    {L"Guid", ole_variant(L"{guid {" + guid + L"}}")},
                                    {L"Created", ole_variant(ole_date(std::wstring(L"1950-06-01 08:00:00")))},
                                    {L"At", ole_variant(ole_date(noon))},
                                    {L"Ratio", ole_variant(std::nan(""))}}));
    table->append_record(*make_row({{L"ID", ole_variant(2)},
                                    {L"Code", ole_variant(8)},
                                    {L"name", ole_variant(std::wstring(L"second"))},
                                    {L"Name", ole_variant(std::wstring(L"Second"))},
                                    {L"Guid", ole_variant()},
                                    {L"Created", ole_variant(ole_date(std::wstring(L"2024-02-29 13:45:30")))},
                                    {L"At", ole_variant(ole_date(std::wstring(L"9999-12-31 23:59:59.9999999")))},
                                    {L"Ratio", ole_variant(HUGE_VAL)}}));
    ASSERT_NO_THROW(dynamic_cast<sql_table&>(*table).flush());
    EXPECT_EQ(table->row_count, 2u);
    const std::string t = "`" + tk_unicode_to_utf8(name) + "`";
    EXPECT_EQ(
        rows("SELECT `ID`, `Code`, `Name`, `name00000`, `Guid`, `Created`, `At`, `Ratio` FROM " + t + " ORDER BY `ID`"),
        (std::vector<std::vector<std::string>>{
            {"1", "7", tk_unicode_to_utf8(L"Upper \U0001F600"), "lower", tk_unicode_to_utf8(guid),
             "1950-06-01 08:00:00", "1899-12-30 12:30:00", "<NULL>"},
            {"2", "8", "Second", "second", "<NULL>", "2024-02-29 13:45:30", "9999-12-31 23:59:59", "<NULL>"}}));
    engine_.execute("INSERT INTO " + t + " (`Code`) VALUES (9)");
    EXPECT_EQ(rows("SELECT `Name`, `Created` IS NOT NULL FROM " + t + " WHERE `Code` = 9"),
              (std::vector<std::vector<std::string>>{{"O'Brien \\ \"q\"", "1"}}));
  }
}

TEST_F(LiveRows, RefusedRowsOfABatchAreReportedByNumberAndTheOthersStored) {
  engine_.fast_insert = true;
  std::unique_ptr<udb_recordset> table = make_mixed_table(L"t");
  ASSERT_TRUE(dynamic_cast<sql_table&>(*table).is_transactional());
  // Rows of about 1 KB: several batches, the refused rows in the first and in a later one.
  const int n = 3000;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> reported;  // row number, code
  auto collect = [&](const sql_rows_exception& e) {
    for (const auto& [number, error] : e.rows) reported.emplace_back(number, error.code());
    EXPECT_EQ(e.code(), 0u);
    EXPECT_NE(std::string(e.what()).find("Row " + std::to_string(e.rows.front().first) + ": "), std::string::npos)
        << e.what();
  };
  for (int i = 1; i <= n; ++i) {
    std::unique_ptr<udb_record> row = mixed_row(i);
    row->fields[5] = std::make_unique<udb_field>(L"memo", 0, ole_variant(std::wstring(1000, L'x')), false, false);
    if (i == 5 || i == 2500) row->fields[0] = std::make_unique<udb_field>(L"id", 0, ole_variant(3), false, false);
    // A SMALLINT refuses 40000 in strict mode instead of storing 32767.
    if (i == 8) row->fields[1] = std::make_unique<udb_field>(L"qty", 0, ole_variant(40000), false, false);
    try {
      table->append_record(*row);
    } catch (const sql_rows_exception& e) {
      collect(e);
    }
  }
  try {
    dynamic_cast<sql_table&>(*table).flush();
  } catch (const sql_rows_exception& e) {
    collect(e);
  }
  EXPECT_EQ(reported, (std::vector<std::pair<std::uint64_t, std::uint32_t>>{
                          {5, kDuplicate}, {8, 0x400000u | 1264u}, {2500, kDuplicate}}));
  EXPECT_EQ(table->row_count, static_cast<std::uint64_t>(n - 3));
  EXPECT_EQ(value("SELECT COUNT(*) FROM t"), std::to_string(n - 3));
  EXPECT_EQ(value("SELECT COUNT(*) FROM t WHERE id IN (5, 8, 2500)"), "0");
  EXPECT_EQ(value("SELECT qty FROM t WHERE id = 3"), "3");
}

// A second run into another database (or into a table made again) sends the same statement
// text: its rows must reach the table of that run, never the one an earlier batch went to.
TEST_F(LiveRows, TheSameTableInAnotherDatabaseTakesItsOwnRows) {
  engine_.fast_insert = true;
  const int n = 300;
  std::unique_ptr<udb_recordset> first = make_mixed_table(L"twin");
  for (int i = 1; i <= n; ++i) first->append_record(*mixed_row(i));
  dynamic_cast<sql_table&>(*first).flush();
  first.reset();
  const std::wstring other = db_name_ + L"_other";
  if (engine_.is_db_exist(other)) engine_.db_delete(other);
  {
    std::unique_ptr<udb_database> db = engine_.create_db(other);
    mixed_ = source_schema();
    mixed_.add(4, L"id", VT_I4, true);
    mixed_.add(2, L"qty", VT_I2);
    mixed_.add(40, L"name", VT_BSTR);
    mixed_.add(8, L"price", VT_CY);
    mixed_.add(8, L"day", VT_DATE, false, false, ole_variant(), 1);
    mixed_.add(0, L"memo", VT_BSTR);
    udb_indexes indexes;
    indexes.push_back(make_index(L"pk", {L"id"}, true, true));
    std::unique_ptr<udb_recordset> second = db->create_table(L"twin", mixed_.schema, indexes);
    for (int i = n + 1; i <= 2 * n; ++i) second->append_record(*mixed_row(i));
    dynamic_cast<sql_table&>(*second).flush();
  }
  const std::string first_db = tk_unicode_to_utf8(db_name_);
  const std::string other_db = tk_unicode_to_utf8(other);
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + first_db + "`.twin WHERE id <= " + std::to_string(n)), std::to_string(n));
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + first_db + "`.twin"), std::to_string(n));
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + other_db + "`.twin WHERE id > " + std::to_string(n)), std::to_string(n));
  engine_.db_delete(other);
}

// The table's rows go in one transaction with a savepoint per batch: a batch refused in the
// middle of the table is undone alone, and the batches before and after it stay stored.
TEST_F(LiveRows, ARefusedBatchInTheMiddleKeepsTheBatchesAroundIt) {
  engine_.fast_insert = true;
  struct refusal_case {
    const char* what;
    std::vector<int> refused;  // ids made duplicates of id 3
  };
  // Rows of about 1 KB: batches of roughly a thousand rows, so 3000 rows make three or four.
  const std::vector<refusal_case> cases = {
      {"one row mid-table", {1500}},
      {"rows of two neighbouring batches", {900, 1100}},
      {"first and last row of the table", {1, 3000}},
      // Each batch is refused while the next one is built and itself refused in turn.
      {"a row of every batch", {400, 1300, 2200, 2900}},
  };
  int run = 0;
  for (const refusal_case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "m" + std::to_string(++run);
    mixed_ = source_schema();
    std::unique_ptr<udb_recordset> table = make_mixed_table(tk_utf8_to_unicode(name));
    const int n = 3000;
    std::vector<std::uint64_t> reported;
    // The refused ids are the missing ones even when row 1 took id 3 and row 3 was refused.
    long long expected_sum = static_cast<long long>(n) * (n + 1) / 2;
    for (int id : c.refused) expected_sum -= id;
    for (int i = 1; i <= n; ++i) {
      std::unique_ptr<udb_record> row = mixed_row(i);
      row->fields[5] = std::make_unique<udb_field>(L"memo", 0, ole_variant(std::wstring(1000, L'x')), false, false);
      const bool refused = std::find(c.refused.begin(), c.refused.end(), i) != c.refused.end();
      if (refused) row->fields[0] = std::make_unique<udb_field>(L"id", 0, ole_variant(3), false, false);
      try {
        table->append_record(*row);
      } catch (const sql_rows_exception& e) {
        for (const auto& [number, error] : e.rows) reported.push_back(number);
      }
    }
    try {
      dynamic_cast<sql_table&>(*table).flush();
    } catch (const sql_rows_exception& e) {
      for (const auto& [number, error] : e.rows) reported.push_back(number);
    }
    // Row 1 taking id 3 first makes row 3 the refused one instead.
    std::vector<std::uint64_t> expected(c.refused.begin(), c.refused.end());
    if (expected.front() == 1) expected.front() = 3;
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(table->row_count, static_cast<std::uint64_t>(n) - c.refused.size());
    // Every row but the refused ones, seen from the server after the table ended.
    EXPECT_EQ(value("SELECT COUNT(*) FROM " + name), std::to_string(n - c.refused.size()));
    EXPECT_EQ(value("SELECT SUM(id) FROM " + name), std::to_string(expected_sum));
  }
}

// A connection lost before the table's transaction commits takes every row of the table with
// it: none of them may be counted as stored, and the table ends with the connection's error.
TEST_F(LiveRows, ALostConnectionBeforeTheCommitLosesEveryRowOfTheTable) {
  engine_.fast_insert = true;
  struct loss_case {
    const char* what;
    test_env::sql_fault fault;
    int rows;
    bool bulk = false;  // batches as INSERT with array binding instead of LOAD DATA
  };
  // A batch loads while the next one is built: the loss surfaces while rows of a later batch
  // wait to be sent, or when the table ends with its only batch still loading.
  const std::vector<loss_case> cases = {
      {"while the third batch loads", {test_env::sql_call::query, 3, "LOAD DATA", 2013, "Lost connection"}, 3500},
      {"at the savepoint of the second batch",
       {test_env::sql_call::query, 2, "SAVEPOINT", 2013, "Lost connection"},
       3500},
      {"at the commit", {test_env::sql_call::query, 1, "COMMIT", 2013, "Lost connection"}, 3500},
      {"while the only batch loads at the table's end",
       {test_env::sql_call::query, 1, "LOAD DATA", 2013, "Lost connection"},
       100},
      {"at the table's first statement", {test_env::sql_call::query, 1, "START", 2013, "Lost connection"}, 3500},
      {"while the third bulk INSERT runs",
       {test_env::sql_call::query, 3, "INSERT", 2013, "Lost connection"},
       3500,
       true},
      {"while the only bulk INSERT runs at the table's end",
       {test_env::sql_call::query, 1, "INSERT", 2013, "Lost connection"},
       100,
       true},
  };
  int run = 0;
  for (const loss_case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "l" + std::to_string(++run);
    mixed_ = source_schema();
    make_mixed_table(tk_utf8_to_unicode(name)).reset();
    auto wrapper = std::make_unique<test_env::sql_fault_connection>(engine_.replace_connection(nullptr));
    test_env::sql_fault_connection& faults = *wrapper;
    faults.forward_loads = true;
    faults.forward_bulk_inserts = c.bulk;
    engine_.replace_connection(std::move(wrapper));
    {
      std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
      std::unique_ptr<udb_recordset> table = db->get_table(tk_utf8_to_unicode(name), 8);
      faults.fail(c.fault);
      bool lost = false;
      for (int i = 1; i <= c.rows && !lost; ++i) {
        std::unique_ptr<udb_record> row = mixed_row(i);
        row->fields[5] = std::make_unique<udb_field>(L"memo", 0, ole_variant(std::wstring(1000, L'x')), false, false);
        try {
          table->append_record(*row);
        } catch (const sql_exception& e) {
          lost = e.is_connection_lost();
          EXPECT_TRUE(lost) << e.what();
        }
      }
      try {
        dynamic_cast<sql_table&>(*table).flush();
        EXPECT_TRUE(lost) << "the lost rows were taken for stored";
      } catch (const sql_exception& e) {
        EXPECT_TRUE(e.is_connection_lost()) << e.what();
      }
      EXPECT_EQ(faults.fired, 1u);
      EXPECT_EQ(table->row_count, 0u);
    }
    engine_.reconnect();
    EXPECT_EQ(value("SELECT COUNT(*) FROM " + name), "0");
    // The next case wraps the real connection, not this one.
    std::unique_ptr<sql_connection> used = engine_.replace_connection(nullptr);
    engine_.replace_connection(static_cast<test_env::sql_fault_connection&>(*used).release_inner());
  }
}

// What the run does with a row in the merge (3) and synchronise (4) modes.
void write_like_the_run(udb_recordset& table, udb_record& row, int mode) {
  try {
    table.append_record(row);
  } catch (const sql_exception& e) {
    if (e.code() != kDuplicate) throw;
    if (mode == 4) table.update1(row);
  }
}

TEST_F(LiveRows, DuplicatesAreSkippedOrUpdatedAndChildRowsSurvive) {
  engine_.fast_insert = false;
  engine_.execute(
      "CREATE TABLE parent (id INT PRIMARY KEY, name VARCHAR(20), memo LONGTEXT) "
      "ENGINE=InnoDB");
  engine_.execute(
      "CREATE TABLE child (id INT PRIMARY KEY, parent_id INT, FOREIGN KEY (parent_id) "
      "REFERENCES parent (id) ON DELETE CASCADE) ENGINE=InnoDB");
  engine_.execute("INSERT INTO parent VALUES (1, 'old', 'old memo'), (2, 'two', NULL)");
  engine_.execute("INSERT INTO child VALUES (10, 1), (11, 1), (20, 2)");
  for (const int mode : {3, 4}) {
    SCOPED_TRACE(mode);
    // The synchronise mode opens an existing database with bit 0x100; rows are still inserted.
    std::unique_ptr<udb_database> db = engine_.open_db(db_name_, mode == 4 ? 0x1A0 : 0xA8, L"");
    std::unique_ptr<udb_recordset> parent = db->get_table(L"parent", 8);
    auto row = make_row({{L"id", ole_variant(1)},
                         {L"name", ole_variant(mode == 4 ? L"new" : L"merged")},
                         {L"memo", ole_variant(L"new memo")}});
    write_like_the_run(*parent, *row, mode);
    auto fresh = make_row({{L"id", ole_variant(mode)}, {L"name", ole_variant(L"fresh")}});
    write_like_the_run(*parent, *fresh, mode);
    // Another error still reaches the run.
    auto bad = make_row({{L"id", ole_variant(L"x")}, {L"name", ole_variant(L"bad")}});
    EXPECT_THROW(write_like_the_run(*parent, *bad, mode), tk_exception);
  }
  EXPECT_EQ(value("SELECT CONCAT(name, '/', memo) FROM parent WHERE id = 1"), "new/new memo");
  EXPECT_EQ(value("SELECT GROUP_CONCAT(id ORDER BY id) FROM parent"), "1,2,3,4");
  EXPECT_EQ(value("SELECT GROUP_CONCAT(id ORDER BY id) FROM child"), "10,11,20");
}

TEST_F(LiveRows, LongValuesArriveExactly) {
  engine_.execute(
      "CREATE TABLE big (id INT PRIMARY KEY, b LONGBLOB, t LONGTEXT, s VARCHAR(10)) "
      "CHARSET utf8mb4");
  std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> table = db->get_table(L"big", 8);
  std::vector<BYTE> bytes(3 * 1024 * 1024);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>((i * 7 + i / 251) & 0xFF);
  std::wstring text;
  while (text.size() < 1500000) text += L"ä€😀 '\\\" x";
  auto row = make_row(
      {{L"id", ole_variant(1)}, {L"b", ole_variant(bytes)}, {L"t", ole_variant(text)}, {L"s", ole_variant(L"?")}});
  table->append_record(*row);
  EXPECT_EQ(table->row_count, 1u);
  const auto stored = rows("SELECT b, t, s FROM big");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(stored[0][0] == std::string(bytes.begin(), bytes.end())) << stored[0][0].size();
  EXPECT_TRUE(stored[0][1] == tk_unicode_to_utf8(text)) << stored[0][1].size();
  EXPECT_EQ(stored[0][2], "?");
  // Such a row switched batching off for the rest of the run.
  EXPECT_FALSE(engine_.fast_insert);
}

// Batched rows bind their numbers and dates in binary form where the column allows: what the
// server stores must be what it stores from the same rows sent one by one as INSERT text, at
// the ends of each type's range, with NULLs between.
TEST_F(LiveRows, NumbersAndDatesInBinaryFormArriveAsTheirText) {
  std::vector<std::vector<std::pair<std::wstring, ole_variant>>> values;
  const auto day = [](const wchar_t* text) { return ole_variant(ole_date(std::wstring(text))); };
  values.push_back({{L"id", ole_variant(1)},
                    {L"big", ole_variant(std::int64_t{INT64_MIN})},
                    {L"tiny", ole_variant(static_cast<unsigned char>(255))},
                    {L"f", ole_variant(3.4028235e38F)},
                    {L"d", ole_variant(1.7976931348623157e308)},
                    {L"at", day(L"0100-01-01 00:00:00")}});
  values.push_back({{L"id", ole_variant(2)},
                    {L"big", ole_variant(std::int64_t{INT64_MAX})},
                    {L"tiny", ole_variant()},
                    {L"f", ole_variant(1.17549435e-38F)},
                    {L"d", ole_variant(4.9406564584124654e-324)},
                    {L"at", day(L"9999-12-31 23:59:59")}});
  values.push_back({{L"id", ole_variant(3)},
                    {L"big", ole_variant()},
                    {L"tiny", ole_variant(static_cast<unsigned char>(0))},
                    {L"f", ole_variant(0.1F)},
                    {L"d", ole_variant(-0.0)},
                    {L"at", ole_variant()}});
  values.push_back({{L"id", ole_variant(4)},
                    {L"big", ole_variant(std::int64_t{-1})},
                    {L"tiny", ole_variant(static_cast<unsigned char>(1))},
                    {L"f", ole_variant()},
                    {L"d", ole_variant(1.0 / 3)},
                    {L"at", day(L"2024-02-29 12:34:56")}});
  for (const bool batched : {true, false}) {
    SCOPED_TRACE(batched ? "batched" : "row by row");
    engine_.fast_insert = batched;
    const std::string name = batched ? "typed_batched" : "typed_single";
    engine_.execute("CREATE TABLE " + name +
                    " (id INT PRIMARY KEY, big BIGINT, tiny TINYINT UNSIGNED, f FLOAT, d DOUBLE, at DATETIME)");
    std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
    std::unique_ptr<udb_recordset> table = db->get_table(tk_utf8_to_unicode(name), 8);
    for (const auto& row : values) table->append_record(*make_row(row));
    ASSERT_NO_THROW(dynamic_cast<sql_table&>(*table).flush());
    EXPECT_EQ(table->row_count, values.size());
  }
  // Doubles compared by their bits' text: 17 digits tell every double apart.
  const std::string columns = "id, big, tiny, FORMAT(f, 45), CAST(d AS CHAR), d = 0 AND 1/d < 0, at";
  const auto stored = rows("SELECT " + columns + " FROM typed_batched ORDER BY id");
  EXPECT_EQ(stored, rows("SELECT " + columns + " FROM typed_single ORDER BY id"));
  ASSERT_EQ(stored.size(), 4u);
  EXPECT_EQ(stored[0][1], "-9223372036854775808");
  EXPECT_EQ(stored[1][1], "9223372036854775807");
  EXPECT_EQ(stored[1][2], "<NULL>");
  EXPECT_EQ(stored[0][6], "0100-01-01 00:00:00");
  EXPECT_EQ(stored[3][6], "2024-02-29 12:34:56");
  EXPECT_EQ(stored[2][6], "<NULL>");
  // Equal to the last bit, NULL where NULL.
  EXPECT_EQ(value("SELECT COUNT(*) FROM typed_batched b JOIN typed_single s USING (id) WHERE b.big <=> s.big AND "
                  "b.tiny <=> s.tiny AND b.f <=> s.f AND b.d <=> s.d AND b.at <=> s.at"),
            "4");
  EXPECT_EQ(value("SELECT COUNT(*) FROM typed_batched WHERE d = 1.7976931348623157e308"), "1");
  EXPECT_EQ(value("SELECT COUNT(*) FROM typed_batched WHERE d = 4.9406564584124654e-324"), "1");
}

// A row the server does not take as a prepared statement is that row's failure, with the
// server's reason, and the next row is written; a connection lost there ends the table: no row
// after it is sent.
TEST_F(LiveRows, AFailedPreparedRowFailsAloneALostConnectionEndsTheTable) {
  engine_.execute("CREATE TABLE big (id INT PRIMARY KEY, b LONGBLOB) CHARSET utf8mb4");
  auto wrapper = std::make_unique<test_env::sql_fault_connection>(engine_.replace_connection(nullptr));
  test_env::sql_fault_connection& faults = *wrapper;
  engine_.replace_connection(std::move(wrapper));
  std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> table = db->get_table(L"big", 8);
  const std::vector<BYTE> bytes(1100000, 0x5A);
  auto append = [&](int id) {
    auto row = make_row({{L"id", ole_variant(id)}, {L"b", ole_variant(bytes)}});
    table->append_record(*row);
  };

  faults.fail({test_env::sql_call::execute_prepared, 1, "", 1210, "Incorrect arguments (refused by the test)"});
  try {
    append(1);
    ADD_FAILURE() << "the refused row was not reported";
  } catch (const sql_prep_stmt_failed_exception& e) {
    EXPECT_STREQ(e.what(), "Failed to execute prepared statement: Incorrect arguments (refused by the test)");
  }
  append(2);
  EXPECT_EQ(value("SELECT GROUP_CONCAT(id) FROM big"), "2");

  faults.fail({test_env::sql_call::execute_prepared, 1, "", 2013, "Lost connection to server during query"});
  for (int id = 3; id <= 4; ++id) {
    try {
      append(id);
      ADD_FAILURE() << "row " << id << " was taken for written";
    } catch (const sql_exception& e) {
      EXPECT_TRUE(e.is_connection_lost()) << e.what();
    }
  }
  EXPECT_EQ(faults.fired, 2u);
  table.reset();
  db.reset();
  engine_.reconnect();
  EXPECT_EQ(value("SELECT GROUP_CONCAT(id) FROM big"), "2");
}

TEST_F(LiveRows, UpdatesAndDeletesByKeyEscapeTheirValues) {
  engine_.execute("CREATE TABLE k (id INT, name VARCHAR(30), note VARCHAR(30), PRIMARY KEY (id, name))");
  engine_.execute("INSERT INTO k VALUES (1, 'O''Brien\\\\', 'a'), (2, 'b<c>&d', 'b'), (3, 'x', 'c')");
  std::unique_ptr<udb_database> db = engine_.open_db(db_name_, 2, L"");
  std::unique_ptr<udb_recordset> table = db->get_table(L"k", 8);

  auto row =
      make_row({{L"id", ole_variant(1)}, {L"name", ole_variant(L"O'Brien\\")}, {L"note", ole_variant(L"by key")}});
  table->update1(*row);
  EXPECT_EQ(value("SELECT note FROM k WHERE id = 1"), "by key");

  auto by_text = make_row({{L"note", ole_variant(L"by text")}});
  table->update2(*by_text, L"<id>2</id><name>b&lt;c&gt;&amp;d</name>");
  EXPECT_EQ(value("SELECT note FROM k WHERE id = 2"), "by text");

  // A key value that is no number, and a text that tries to end its quotation, change nothing.
  EXPECT_THROW(table->delete_key(L"<id>1 OR 1=1</id>"), tk_exception);
  table->delete_key(L"<name>x' OR '1'='1</name>");
  EXPECT_EQ(value("SELECT COUNT(*) FROM k"), "3");

  table->delete_key(L"<id>2</id>");
  auto key = make_row({{L"id", ole_variant(3)}, {L"name", ole_variant(L"x")}});
  table->delete_key(*key);
  EXPECT_EQ(value("SELECT GROUP_CONCAT(id) FROM k"), "1");
  EXPECT_THROW(table->delete_key(std::wstring(L"no element")), tk_exception);
  EXPECT_EQ(value("SELECT COUNT(*) FROM k"), "1");
}

TEST_F(LiveRows, ViewsFromSelectQueriesAnswer) {
  engine_.execute("CREATE TABLE orders (id INT, amount INT, DateAdded DATE)");
  engine_.execute("INSERT INTO orders VALUES (1, 10, '2024-01-01'), (2, 20, '2024-01-03')");
  engine_.execute("CREATE TABLE order_lines (id INT, qty INT)");
  engine_.execute("INSERT INTO order_lines VALUES (7, 3)");
  std::unique_ptr<udb_database> owned = engine_.open_db(db_name_, 2, L"");
  auto& db = dynamic_cast<sql_database&>(*owned);
  // A source table renamed on the way: its bracketed name is quoted once, under the new name.
  db.names_map.add_tn_mapping(L"Order Details", L"order_lines");
  std::vector<std::string> reported;
  db.report_error = [&](const std::string& context, const tk_exception& e) {
    reported.push_back(context + ": " + e.what());
  };
  const udb_database::view_list views = {
      {L"big orders", L"SELECT [id], [DateAdded] FROM [orders]\r\n  WHERE [amount] > 15"},
      {L"on big", L"select * from [big orders]"},
      {L"span", L"SELECT DateDiff(\"d\", '2024-01-01', [DateAdded]) AS days, Len('abc') AS n FROM orders"},
      {L"lines", L"SELECT [Order Details].[qty] FROM [Order Details]"},
      {L"action", L"UPDATE orders SET amount = 0"},
      {L"broken", L"SELECT nothing FROM nowhere"},
      {L" Totals ", L"SELECT SUM(amount) AS total FROM orders"},
  };
  db.create_views(views);
  EXPECT_EQ(value("SELECT id FROM `big orders`"), "2");
  EXPECT_EQ(value("SELECT COUNT(*) FROM `on big`"), "1");
  EXPECT_EQ(value("SELECT GROUP_CONCAT(days ORDER BY days) FROM span"), "0,2");
  EXPECT_EQ(value("SELECT MAX(n) FROM span"), "3");
  EXPECT_EQ(value("SELECT qty FROM `lines`"), "3");
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.VIEWS WHERE TABLE_NAME='action'"), "0");
  EXPECT_EQ(value("SELECT SUM(amount) FROM orders"), "30");
  // Blanks at either end of a name are dropped, as in a dump.
  EXPECT_EQ(value("SELECT total FROM totals"), "30");
  ASSERT_EQ(reported.size(), 1u) << testing::PrintToString(reported);
  EXPECT_EQ(reported[0].rfind("View 'broken': ", 0), 0u) << reported[0];
}

TEST_F(LiveRows, RelationshipsBecomeForeignKeysWithTheirRules) {
  source_schema parent, child;
  parent.add(4, L"id", VT_I4, true);
  parent.add(20, L"name", VT_BSTR);
  child.add(4, L"id", VT_I4, true);
  child.add(4, L"parent id", VT_I4);
  udb_indexes parent_keys, child_keys;
  parent_keys.push_back(make_index(L"pk", {L"id"}, true, true));
  child_keys.push_back(make_index(L"pk", {L"id"}, true, true));
  db_->create_table(L"parent", parent.schema, parent_keys);
  db_->create_table(L"child", child.schema, child_keys);
  engine_.execute("CREATE TABLE plain (id INT PRIMARY KEY, p INT) ENGINE=MyISAM");
  std::unique_ptr<udb_database> reopened = engine_.open_db(db_name_, 0xA8, L"");
  auto& db = dynamic_cast<sql_database&>(*reopened);
  std::vector<std::string> reported;
  db.report_error = [&](const std::string& context, const tk_exception&) { reported.push_back(context); };
  udb_relationships list;
  list.emplace_back(L"parentchild", L"", L"child", L"parent", std::vector<std::wstring>{L"parent id"},
                    std::vector<std::wstring>{L"id"}, L" ON DELETE CASCADE ON UPDATE CASCADE");
  list.emplace_back(L"parentchild", L"", L"child", L"parent", std::vector<std::wstring>{L"id"},
                    std::vector<std::wstring>{L"id"}, L"");
  list.emplace_back(L"on myisam", L"", L"plain", L"parent", std::vector<std::wstring>{L"p"},
                    std::vector<std::wstring>{L"id"}, L"");
  list.emplace_back(L"", L"", L"missing", L"parent", std::vector<std::wstring>{L"p"}, std::vector<std::wstring>{L"id"},
                    L"");
  engine_.execute("SET FOREIGN_KEY_CHECKS = 1");
  db.create_relationships(list);
  const std::string schema = tk_unicode_to_utf8(db_name_);
  const auto made = rows(
      "SELECT CONSTRAINT_NAME, UPDATE_RULE, DELETE_RULE, REFERENCED_TABLE_NAME "
      "FROM information_schema.REFERENTIAL_CONSTRAINTS WHERE "
      "CONSTRAINT_SCHEMA='" +
      schema + "' ORDER BY CONSTRAINT_NAME");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0], (std::vector<std::string>{"parentchild", "CASCADE", "CASCADE", "parent"}));
  EXPECT_EQ(made[1][0], "parentchild00000");
  EXPECT_EQ(made[1][2], "RESTRICT");
  EXPECT_EQ(reported, (std::vector<std::string>{"Foreign key 'on myisam'", "missing"}));
  // The session's checks are as they were before.
  EXPECT_EQ(value("SELECT @@SESSION.foreign_key_checks"), "1");
  engine_.execute("INSERT INTO parent VALUES (1, 'p')");
  engine_.execute("INSERT INTO child VALUES (1, 1)");
  engine_.execute("DELETE FROM parent");
  EXPECT_EQ(value("SELECT COUNT(*) FROM child"), "0");
}

}  // namespace
