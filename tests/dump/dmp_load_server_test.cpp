// The real check of the dump writer: a dump of records made here loads into the private server
// with the mariadb command-line client in its default strict mode without an error, and the
// loaded tables hold every value, column by column.
#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/dump_options.h"
#include "SQL/sql_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationship.h"
#include "tests/dump/dmp_fixture.h"
#include "tests/dump/dmp_server_fixture.h"
#include "tests/support/test_env.h"

namespace {

using dmp_test::read_file;
using dmp_test::record;
using dmp_test::table_def;

class DumpLoad : public dmp_test::server_test {
 protected:
  dump_options options() {
    dump_options o;
    o.create_database = true;
    o.database_name = db_name_;
    o.creator = "Ostrelle tests";
    return o;
  }
};

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

ole_variant text(const std::wstring& value) { return ole_variant(value); }
ole_variant bytes(const std::string& value) { return ole_variant(std::vector<BYTE>(value.begin(), value.end())); }
ole_variant typed(const char* value, VARTYPE vt) { return ole_variant::from_string(value, vt); }

TEST_F(DumpLoad, EveryValueArrivesColumnByColumn) {
  table_def values;
  t_ftd& id = values.column(L"ID", VT_I4, 4);
  id.auto_increment = true;
  values.column(L"Short Text", VT_BSTR, 255).description = L"a \\ b 'c'\nline";
  values.column(L"Memo", VT_BSTR, 0);
  values.column(L"Blob", VT_ARRAY | VT_UI1, 0);
  values.column(L"When", VT_DATE, 8).dw_reserved = ftd_marker_datetime;  // date and time, as Access marks it
  t_ftd& amount = values.column(L"Amount", VT_DECIMAL, 16);
  amount.precision = 19;
  amount.scale = 4;
  values.column(L"Price", VT_CY, 8);
  values.column(L"Ratio", VT_R8, 8);
  values.column(L"Flag", VT_BOOL, 2);
  values.index(L"PrimaryKey", true, true, {L"ID"});
  values.index(L"ShortText", false, false, {L"Short Text"});

  std::string all_bytes;
  for (int b = 0; b < 256; ++b) all_bytes += static_cast<char>(b);
  const std::wstring long_memo =
      std::wstring(1500000, L'x') + std::wstring(L"\r\n'\\\0end\U0001F600", 9) + std::wstring(10, L'y');
  std::string long_blob(1200000, '\0');
  for (std::size_t i = 0; i < long_blob.size(); ++i) long_blob[i] = static_cast<char>(i * 7);

  const std::string path = dir_ + "/values.sql";
  {
    const dump_options o = options();
    std::unique_ptr<dmp_database> dump = engine_.create_dump(tk_utf8_to_unicode(path), &o);
    std::unique_ptr<udb_recordset> rs = dump->create_table(L"Values", values.schema, values.indexes);
    // The fields of the first row stand in another order than the columns: values go by name.
    rs->append_record(*record({{L"Memo", text(std::wstring(L"NUL \0 quote ' and \\ \x1A", 21))},
                               {L"ID", typed("1", VT_I4)},
                               {L"Short Text", text(L"O'Brien \"q\" back\\slash")},
                               {L"Blob", bytes(all_bytes)},
                               {L"When", typed("2024-02-29 13:45:30", VT_DATE)},
                               {L"Amount", typed("12345.6789", VT_DECIMAL)},
                               {L"Price", typed("-922337203685477.5807", VT_CY)},
                               {L"Ratio", typed("0.1", VT_R8)},
                               {L"Flag", typed("1", VT_BOOL)}}));
    rs->append_record(*record({{L"ID", typed("2", VT_I4)},
                               {L"Short Text", text(L"line1\r\nline2\ttab\x1A")},
                               {L"Memo", text(L"\U0001F600 emoji und Umlaute äöü")},
                               {L"Blob", ole_variant()},
                               {L"When", typed("1899-12-30", VT_DATE)},
                               {L"Amount", typed("-0.0001", VT_DECIMAL)},
                               {L"Price", ole_variant()},
                               {L"Ratio", ole_variant()},
                               {L"Flag", typed("0", VT_BOOL)}}));
    // A row over 1000000 bytes: written on its own, the long values streamed in pieces.
    rs->append_record(*record({{L"ID", typed("3", VT_I4)},
                               {L"Short Text", text(L"")},
                               {L"Memo", text(long_memo)},
                               {L"Blob", bytes(long_blob)},
                               {L"When", ole_variant()},
                               {L"Amount", ole_variant()},
                               {L"Price", ole_variant()},
                               {L"Ratio", ole_variant()},
                               {L"Flag", ole_variant()}}));
    rs.reset();
    dump->close();
  }
  ASSERT_EQ(load(path), "");

  const auto got = rows(
      "SELECT `ID`, `Short Text`, `Memo`, HEX(`Blob`), `When`, `Amount`, "
      "`Price`, `Ratio`, `Flag` FROM `" +
      db_name_ + "`.`Values` ORDER BY `ID`");
  ASSERT_EQ(got.size(), 3u);
  const std::vector<std::vector<std::string>> expected = {
      {"1", "O'Brien \"q\" back\\slash", std::string("NUL \0 quote ' and \\ \x1A", 21), hex(all_bytes),
       "2024-02-29 13:45:30", "12345.6789", "-922337203685477.5807", "0.1", "1"},
      {"2", "line1\r\nline2\ttab\x1A", tk_unicode_to_utf8(L"\U0001F600 emoji und Umlaute äöü"), "<NULL>",
       "1899-12-30 00:00:00", "-0.0001", "<NULL>", "<NULL>", "0"},
      {"3", "", tk_unicode_to_utf8(long_memo), hex(long_blob), "<NULL>", "<NULL>", "<NULL>", "<NULL>", "<NULL>"},
  };
  const char* names[] = {"ID", "Short Text", "Memo", "Blob", "When", "Amount", "Price", "Ratio", "Flag"};
  for (std::size_t r = 0; r < expected.size(); ++r) {
    for (std::size_t c = 0; c < expected[r].size(); ++c) {
      const std::string& want = expected[r][c];
      const std::string& have = got[r][c];
      if (want.size() > 200) {
        EXPECT_TRUE(want == have) << "row " << r + 1 << " column " << names[c] << ": " << have.size()
                                  << " bytes, expected " << want.size();
      } else {
        EXPECT_EQ(have, want) << "row " << r + 1 << " column " << names[c];
      }
    }
  }
  const auto comment = rows(
      "SELECT COLUMN_COMMENT FROM information_schema.COLUMNS WHERE "
      "TABLE_SCHEMA = '" +
      db_name_ + "' AND COLUMN_NAME = 'Short Text'");
  ASSERT_EQ(comment.size(), 1u);
  EXPECT_EQ(comment[0][0], "a \\ b 'c'\nline");
}

TEST_F(DumpLoad, ForeignKeysViewsAndLeftOutIndexesLoad) {
  table_def customers;
  t_ftd& customer_id = customers.column(L"Customer ID", VT_I4, 4);
  customer_id.auto_increment = true;
  customers.column(L"Name", VT_BSTR, 255);
  customers.column(L"A", VT_BSTR, 255);
  customers.column(L"B", VT_BSTR, 255);
  customers.column(L"C", VT_BSTR, 255);
  customers.column(L"D", VT_BSTR, 255);
  customers.column(L"Code", VT_I4, 4);
  customers.column(L"Notes", VT_BSTR, 4000);
  customers.index(L"PrimaryKey", true, true, {L"Customer ID"});
  // 5 x 255 characters of 4 bytes each is more than InnoDB takes: left out, table kept.
  customers.index(L"Everything", false, false, {L"Name", L"A", L"B", L"C", L"D"});

  table_def orders;
  orders.column(L"Order ID", VT_I4, 4);
  orders.column(L"Customer", VT_I4, 4);
  orders.column(L"Ordered", VT_DATE, 8);
  orders.column(L"Customer Code", VT_I4, 4);
  orders.column(L"Note", VT_BSTR, 4000);
  orders.index(L"PrimaryKey", true, true, {L"Order ID"});

  udb_relationships relationships;
  relationships.push_back(
      udb_relationship(L"Orders", L"Customers", {L"Customer"}, {L"Customer ID"}, L" ON DELETE CASCADE"));
  relationships.push_back(udb_relationship(L"Orders", L"Not Dumped", {L"Customer"}, {L"ID"}, L""));
  // No index leads with Code: one is added on both sides, and the key is kept.
  relationships.push_back(udb_relationship(L"Orders", L"Customers", {L"Customer Code"}, {L"Code"}, L""));
  // A long text takes no index, so no key either: left out, and the file still loads.
  relationships.push_back(udb_relationship(L"Orders", L"Customers", {L"Note"}, {L"Notes"}, L""));

  const std::string path = dir_ + "/relations.sql";
  for (int pass = 0; pass < 2; ++pass) {
    // The second pass loads over the first copy, without dropping the database: DROP TABLE of
    // a referenced table must pass.
    dump_options o = options();
    o.create_database = pass == 0;
    std::unique_ptr<dmp_database> dump = engine_.create_dump(tk_utf8_to_unicode(path), &o);
    std::vector<std::string> reported;
    dump->report_error = [&reported](const std::string& context, const tk_exception& e) {
      reported.push_back(context + ": " + e.what());
    };
    {
      auto rs = dump->create_table(L"Customers", customers.schema, customers.indexes);
      rs->append_record(*record({{L"Customer ID", typed("7", VT_I4)},
                                 {L"Name", text(L"Ann")},
                                 {L"A", text(L"a")},
                                 {L"B", text(L"b")},
                                 {L"C", text(L"c")},
                                 {L"D", text(L"d")},
                                 {L"Code", typed("5", VT_I4)}}));
    }
    {
      auto rs = dump->create_table(L"Orders", orders.schema, orders.indexes);
      rs->append_record(*record({{L"Order ID", typed("1", VT_I4)},
                                 {L"Customer", typed("7", VT_I4)},
                                 {L"Ordered", typed("2001-01-01", VT_DATE)},
                                 {L"Customer Code", typed("5", VT_I4)}}));
    }
    dump->create_relationships(relationships);
    dump->create_views({{L"Ann's Orders",
                         L"SELECT [Order ID], Len([Name]) AS N, "
                         L"DateDiff(\"d\", [Ordered], '2001-01-11') AS Days "
                         L"FROM [Recent] WHERE IsNull([Name], '') <> ''"},
                        {L"Recent",
                         L"SELECT * FROM Orders INNER JOIN Customers ON "
                         L"Orders.Customer = Customers.[Customer ID]"},
                        {L"Sales ", L"SELECT [Order ID] FROM [Orders]"}});
    dump->close();
    ASSERT_EQ(load(path, pass == 0 ? "" : db_name_), "") << "pass " << pass;
    // The keys left out are reported, each with its reason.
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_NE(reported[0].find("Table 'Not Dumped' not exists"), std::string::npos) << reported[0];
    EXPECT_NE(reported[1].find("Table 'Orders' cannot take an index on (`Note`)"), std::string::npos) << reported[1];
  }

  const auto keys = rows(
      "SELECT CONSTRAINT_NAME, REFERENCED_TABLE_NAME, DELETE_RULE FROM "
      "information_schema.REFERENTIAL_CONSTRAINTS WHERE CONSTRAINT_SCHEMA = '" +
      db_name_ + "' ORDER BY DELETE_RULE");
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0][1], "Customers");
  EXPECT_EQ(keys[0][2], "CASCADE");
  EXPECT_EQ(keys[1][1], "Customers");
  EXPECT_EQ(keys[1][2], "RESTRICT");
  // The server takes no quote in a view name: the view got a safe name of its own.
  const auto view = rows("SELECT * FROM `" + db_name_ + "`.`ann_s orders`");
  ASSERT_EQ(view.size(), 1u);
  EXPECT_EQ(view[0], (std::vector<std::string>{"1", "3", "10"}));
  // A name with a blank at its end is the name without it, as on a live server.
  EXPECT_EQ(rows("SELECT * FROM `" + db_name_ + "`.`sales`").size(), 1u);
  const auto indexes = rows(
      "SELECT DISTINCT INDEX_NAME FROM information_schema.STATISTICS WHERE "
      "TABLE_SCHEMA = '" +
      db_name_ +
      "' AND TABLE_NAME = 'Customers' "
      "ORDER BY INDEX_NAME");
  ASSERT_EQ(indexes.size(), 2u);
  EXPECT_EQ(indexes[0][0], "Code");
  EXPECT_EQ(indexes[1][0], "PRIMARY");
}

TEST_F(DumpLoad, RowsWiderThanTheServerTakesLoad) {
  // Columns no index needs become long texts, so that each table is created on load.
  const struct {
    const char* what;
    int columns;
    std::uint32_t size;
    const char* long_texts;
  } cases[] = {
      // 70 x 962 bytes and 9 of NULL flags: over the server's 65535 bytes a row.
      {"Wide", 70, 240, "2"},
      // 89 x 201 bytes in utf8mb4 stay in InnoDB's record: over its 8125 bytes.
      {"Table2", 89, 50, "55"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    table_def wide;
    for (int i = 0; i < c.columns; ++i) wide.column(L"c" + std::to_wstring(i), VT_BSTR, c.size);
    wide.index(L"PrimaryKey", true, true, {L"c0"});
    const std::string name = c.what;
    const std::string path = dir_ + "/" + name + ".sql";
    {
      const dump_options o = options();
      std::unique_ptr<dmp_database> dump = engine_.create_dump(tk_utf8_to_unicode(path), &o);
      auto rs = dump->create_table(tk_utf8_to_unicode(name), wide.schema, wide.indexes);
      auto r = std::make_unique<udb_record>();
      for (int i = 0; i < c.columns; ++i) {
        r->append(std::make_unique<udb_field>(L"c" + std::to_wstring(i), 0, text(std::wstring(c.size, L'\u00e4')),
                                              false, false));
      }
      rs->append_record(*r);
      rs.reset();
      dump->close();
    }
    ASSERT_EQ(load(path), "");
    const std::string last = "c" + std::to_string(c.columns - 1);
    const auto got =
        rows("SELECT CHAR_LENGTH(`c0`), CHAR_LENGTH(`" + last + "`), COUNT(*) FROM `" + db_name_ + "`.`" + name + "`");
    ASSERT_EQ(got.size(), 1u);
    const std::string size = std::to_string(c.size);
    EXPECT_EQ(got[0], (std::vector<std::string>{size, size, "1"}));
    const auto long_texts = rows(
        "SELECT COUNT(*) FROM information_schema.COLUMNS WHERE "
        "TABLE_SCHEMA = '" +
        db_name_ + "' AND TABLE_NAME = '" + name + "' AND DATA_TYPE = 'longtext'");
    ASSERT_EQ(long_texts.size(), 1u);
    EXPECT_EQ(long_texts[0][0], c.long_texts);
  }
}

// What Access files made by Access and by other tools hold, with the default settings: the
// table loads in strict mode and every value arrives as it is (or as NULL where MySQL has no
// form for it).
TEST_F(DumpLoad, ExactValuesAndDefinitionsLoadWithTheDefaultSettings) {
  engine_.charset.clear();  // the default: the best character set of the servers the dump is for
  table_def t;
  t.column(L"ID", VT_I4, 4).auto_increment = true;
  t.column(L"Code", VT_I4, 4);
  t.column(L"Name", VT_BSTR, 50).default_value = ole_variant(std::wstring(L"O'Brien \\ \"q\""));
  t.column(L"name", VT_BSTR, 50);  // a twin in another case, as other tools make them
  t.column(L"Created", VT_DATE, 8).dw_reserved = ftd_marker_now;
  t.column(L"At", VT_DATE, 8).dw_reserved = ftd_marker_datetime;
  t.column(L"Ratio", VT_R8, 8);
  t.index(L"id", false, false, {L"Code"});  // the name the auto-increment column's index would take

  SYSTEMTIME noon{};
  noon.wYear = 1899;
  noon.wMonth = 12;
  noon.wDay = 30;
  noon.wHour = 12;
  noon.wMinute = 30;
  const std::string path = dir_ + "/exact.sql";
  {
    const dump_options o = options();
    std::unique_ptr<dmp_database> dump = engine_.create_dump(tk_utf8_to_unicode(path), &o);
    std::unique_ptr<udb_recordset> rs = dump->create_table(L"Exact", t.schema, t.indexes);
    rs->append_record(*record({{L"ID", typed("1", VT_I4)},
                               {L"Code", typed("7", VT_I4)},
                               {L"Name", text(L"Upper \U0001F600")},
                               {L"name", text(L"lower")},
                               {L"Created", typed("1950-06-01 08:00:00", VT_DATE)},
                               {L"At", ole_variant(ole_date(noon))},
                               {L"Ratio", ole_variant(std::nan(""))}}));
    rs->append_record(*record({{L"ID", typed("2", VT_I4)},
                               {L"Code", typed("8", VT_I4)},
                               {L"name", text(L"second")},
                               {L"Name", text(L"Second")},
                               {L"Created", typed("2024-02-29 13:45:30", VT_DATE)},
                               {L"At", typed("9999-12-31 23:59:59.9999999", VT_DATE)},
                               {L"Ratio", ole_variant(-HUGE_VAL)}}));
    rs.reset();
    dump->close();
  }
  ASSERT_EQ(load(path), "") << read_file(path);

  const std::string table = "`" + db_name_ + "`.`Exact`";
  EXPECT_EQ(rows("SELECT `ID`, `Code`, `Name`, `name00000`, `Created`, `At`, `Ratio` FROM " + table + " ORDER BY `ID`"),
            (std::vector<std::vector<std::string>>{
                {"1", "7", tk_unicode_to_utf8(L"Upper \U0001F600"), "lower", "1950-06-01 08:00:00",
                 "1899-12-30 12:30:00", "<NULL>"},
                {"2", "8", "Second", "second", "2024-02-29 13:45:30", "9999-12-31 23:59:59", "<NULL>"}}))
      << read_file(path);
  // The defaults are the values a row gets: the text Access inserts, the current moment.
  ASSERT_EQ(mysql_query(conn_, ("INSERT INTO " + table + " (`Code`) VALUES (9)").c_str()), 0) << mysql_error(conn_);
  EXPECT_EQ(rows("SELECT `Name`, `Created` IS NOT NULL FROM " + table + " WHERE `Code` = 9"),
            (std::vector<std::vector<std::string>>{{"O'Brien \\ \"q\"", "1"}}));
  EXPECT_EQ(rows("SELECT DATA_TYPE, CHARACTER_SET_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
                 db_name_ + "' AND TABLE_NAME = 'Exact' AND COLUMN_NAME IN ('Created', 'Name') ORDER BY COLUMN_NAME"),
            (std::vector<std::vector<std::string>>{{"datetime", "<NULL>"}, {"varchar", "utf8mb4"}}));
}

}  // namespace
