// Every kind of value through the real server: the column type the engine chooses, the literal
// it writes, INSERT, then SELECT gives the same value back.
#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_types.h"
#include "SQL/sql_values.h"
#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mysql.h"

namespace {

struct round_trip_case {
  const char* what;
  VARTYPE column_vt;
  std::uint32_t size;
  std::uint32_t dw_reserved;
  bool not_null;
  ole_variant value;
  std::string expected;  // the column's bytes as SELECT returns them; "<NULL>" for NULL
};

ole_variant parsed(const char* text, VARTYPE vt) { return ole_variant::from_string(text, vt); }
ole_variant wide(const std::wstring& text) { return ole_variant(text); }

// A binary value of no bytes, as the Access reader hands it over.
ole_variant no_bytes() {
  ole_variant v;
  v.get_variant().vt = VT_ARRAY | VT_UI1;
  v.get_variant().parray = SafeArrayCreateVector(VT_UI1, 0, 0);
  return v;
}

// A time of day as the Access reader hands it over: a date on 1899-12-30.
ole_variant day_zero(WORD hour, WORD minute, WORD second) {
  SYSTEMTIME t{};
  t.wYear = 1899;
  t.wMonth = 12;
  t.wDay = 30;
  t.wHour = hour;
  t.wMinute = minute;
  t.wSecond = second;
  return ole_variant(ole_date(t));
}

class SqlValuesServer : public ::testing::Test {
 protected:
  void SetUp() override {
    const test_env::server_address server = test_env::test_server();
    ASSERT_FALSE(server.host.empty());
    engine_.connect(server.host, server.user, server.password, server.port);
    db_ = "ostrelle_values_" + std::to_string(::getpid());
    engine_.execute("DROP DATABASE IF EXISTS " + db_);
    engine_.execute("CREATE DATABASE " + db_ + " CHARACTER SET utf8mb4");
    engine_.execute("USE " + db_);
  }
  void TearDown() override {
    if (engine_.is_connected) engine_.execute("DROP DATABASE IF EXISTS " + db_);
  }

  std::string select_one(const std::string& statement) {
    engine_.execute(statement);
    MYSQL_RES* result = engine_.connection().store_result();
    if (result == nullptr) return "<no result>";
    const auto rows = test_env::null_marked(test_env::result_rows(result));
    return rows.empty() || rows[0].empty() ? "<no row>" : rows[0][0];
  }

  sql_engine engine_;
  std::string db_;
};

TEST_F(SqlValuesServer, LiteralsRoundTrip) {
  const std::string guid = "6B29FC40-CA47-1067-B31D-00DD010662DA";
  const round_trip_case cases[] = {
      {"smallint", VT_I2, 2, 0, false, ole_variant(static_cast<short>(-32768)), "-32768"},
      {"int", VT_I4, 4, 0, false, ole_variant(2147483647), "2147483647"},
      {"int from text", VT_I4, 4, 0, false, wide(L"12"), "12"},
      {"double", VT_R8, 8, 0, false, ole_variant(1.5), "1.5"},
      {"currency", VT_CY, 8, 0, false, parsed("-12.3456", VT_CY), "-12.3456"},
      {"decimal", VT_DECIMAL, 16, 0, false, parsed("12345.67", VT_DECIMAL), "12345.67"},
      {"boolean", VT_BOOL, 2, 0, false, ole_variant(true), "1"},
      {"bigint", VT_I8, 8, 0, false, parsed("-9223372036854775808", VT_I8), "-9223372036854775808"},
      {"bigint unsigned", VT_UI8, 8, 0, false, parsed("18446744073709551615", VT_UI8), "18446744073709551615"},
      {"date and time", VT_DATE, 8, 1, false, parsed("1998-07-15 10:20:30", VT_DATE), "1998-07-15 10:20:30"},
      {"date", VT_DATE, 8, 2, false, parsed("1998-07-15", VT_DATE), "1998-07-15"},
      {"time", VT_DATE, 8, 3, false, parsed("10:20:30", VT_DATE), "10:20:30"},
      {"quotes and backslash", VT_BSTR, 50, 0, false, wide(L"O'Neil \\ \"x\""), "O'Neil \\ \"x\""},
      {"CR LF", VT_BSTR, 50, 0, false, wide(L"line 1\r\nline 2"), "line 1\r\nline 2"},
      {"Ctrl-Z", VT_BSTR, 50, 0, false, wide(L"a\x1A b"), "a\x1A b"},
      {"non-ASCII and emoji", VT_BSTR, 50, 0, false, wide(L"Zoë Ünal 😀"), "Zo\xC3\xAB \xC3\x9Cnal \xF0\x9F\x98\x80"},
      {"text that looks like a GUID", VT_BSTR, 50, 0, false, wide(L"{" + std::wstring(guid.begin(), guid.end()) + L"}"),
       "{" + guid + "}"},
      {"GUID column", VT_BSTR, 38, 1, false, wide(L"{" + std::wstring(guid.begin(), guid.end()) + L"}"), guid},
      {"long memo", VT_BSTR, 0, 0, false, wide(std::wstring(100000, L'm')), std::string(100000, 'm')},
      {"binary", VT_ARRAY | VT_UI1, 16, 0, false, ole_variant(std::vector<BYTE>{0x00, 0xFF, 0x0D, 0x0A, 0x27, 0x5C}),
       std::string("\x00\xFF\r\n'\\", 6)},
      {"currency at its top", VT_CY, 8, 0, false, parsed("922337203685477.5807", VT_CY), "922337203685477.5807"},
      {"currency at its bottom", VT_CY, 8, 0, false, parsed("-922337203685477.5808", VT_CY), "-922337203685477.5808"},
      {"double of 17 digits", VT_R8, 8, 0, false, ole_variant(0.1 + 0.2), "0.30000000000000004"},
      {"double near its limit", VT_R8, 8, 0, false, ole_variant(-1.7976931348623157e308), "-1.7976931348623157e308"},
      {"date before 1900", VT_DATE, 8, 1, false, parsed("1492-01-10 00:00:00", VT_DATE), "1492-01-10 00:00:00"},
      {"last second of 9999", VT_DATE, 8, 1, false, parsed("9999-12-31 23:59:59", VT_DATE), "9999-12-31 23:59:59"},
      {"NUL inside a memo", VT_BSTR, 0, 0, false, wide(std::wstring(L"a\0b", 3)), std::string("a\0b", 3)},
      {"empty text", VT_BSTR, 10, 0, false, wide(L""), ""},
      {"empty binary", VT_ARRAY | VT_UI1, 16, 0, false, no_bytes(), ""},
      {"NULL", VT_I4, 4, 0, false, ole_variant(), "<NULL>"},
      {"NULL text", VT_BSTR, 10, 0, false, ole_variant(), "<NULL>"},
      {"NULL into NOT NULL number", VT_I4, 4, 0, true, ole_variant(), "0"},
      // Access's time of day stands on 1899-12-30: strict mode refuses the day 0000-00-00.
      {"time of day into DATETIME", VT_DATE, 8, 1, false, day_zero(12, 30, 45), "1899-12-30 12:30:45"},
      {"time of day into DATE", VT_DATE, 8, 2, false, day_zero(12, 30, 45), "1899-12-30"},
      {"time of day into TIME", VT_DATE, 8, 3, false, day_zero(12, 30, 45), "12:30:45"},
      {"midnight of day zero into TIME", VT_DATE, 8, 3, false, day_zero(0, 0, 0), "00:00:00"},
      {"time alone into DATETIME", VT_DATE, 8, 1, false, parsed("07:05:00", VT_DATE), "1899-12-30 07:05:00"},
      {"last instant of 9999", VT_DATE, 8, 1, false, parsed("9999-12-31 23:59:59.9999999", VT_DATE),
       "9999-12-31 23:59:59"},
      // MySQL has no NaN or infinity: the value is lost, never another word in the statement.
      {"NaN", VT_R8, 8, 0, false, ole_variant(std::nan("")), "<NULL>"},
      {"infinite Single", VT_R4, 4, 0, false, ole_variant(-HUGE_VALF), "<NULL>"},
      {"infinity into NOT NULL number", VT_R8, 8, 0, true, ole_variant(HUGE_VAL), "0"},
  };
  int n = 0;
  for (const round_trip_case& c : cases) {
    const std::string table = "v" + std::to_string(n++);
    t_ftd d(c.size, L"c", c.column_vt, c.not_null, false, ole_variant(), c.dw_reserved, L"");
    if (c.column_vt == VT_DECIMAL) {
      d.precision = 10;
      d.scale = 2;
    }
    std::string type = tk_unicode_to_utf8(get_sql_native_type2(d, false));
    if (c.column_vt == VT_BSTR) type += " CHARACTER SET utf8mb4";
    if (c.not_null) type += " NOT NULL";
    ASSERT_NO_THROW(engine_.execute("CREATE TABLE " + table + " (c " + type + ")")) << c.what;
    const udb_field f(L"c", 0, c.value, false, false);
    const std::string literal = get_fld_append_str(&f, &d, false);
    EXPECT_NO_THROW(engine_.execute("INSERT INTO " + table + " (c) VALUES (" + literal + ")"))
        << c.what << ": " << literal;
    EXPECT_EQ(select_one("SELECT c FROM " + table), c.expected) << c.what << ": " << literal;
  }
}

// A text default is the text a row gets: quotes and backslashes arrive as they are.
TEST_F(SqlValuesServer, TextDefaultsAreTheValueARowGets) {
  int n = 0;
  for (const std::wstring value : {L"O'Brien \\ \"q\"", L"it's", L"a\\'b", L"''"}) {
    const std::string table = "d" + std::to_string(n++);
    t_ftd d(50, L"c", VT_BSTR, false, false, ole_variant(value), 0, L"");
    const std::string type = tk_unicode_to_utf8(get_sql_native_type2(d, false));
    const std::string def = tk_unicode_to_utf8(make_mysql_def_val(&d));
    engine_.execute("CREATE TABLE " + table + " (k INT, c " + type + " CHARACTER SET utf8mb4 DEFAULT " + def + ")");
    engine_.execute("INSERT INTO " + table + " (k) VALUES (1)");
    EXPECT_EQ(select_one("SELECT c FROM " + table), tk_unicode_to_utf8(value)) << def;
  }
}

TEST_F(SqlValuesServer, EscapedControlCharactersRoundTrip) {
  engine_.execute("CREATE TABLE e (c VARCHAR(20) CHARACTER SET utf8mb4)");
  const std::string text("a\0b\r\n\x1A'\\\"", 9);
  engine_.execute("INSERT INTO e (c) VALUES (" + to_mysql_str(text, VT_BSTR) + ")");
  EXPECT_EQ(select_one("SELECT c FROM e"), text);
}

// The server shows a FLOAT with 6 digits; its DOUBLE shows every bit of what it stored.
TEST_F(SqlValuesServer, SinglesKeepEveryBit) {
  engine_.execute("CREATE TABLE f (c FLOAT)");
  t_ftd d(4, L"c", VT_R4, false, false, ole_variant(), 0, L"");
  for (const float single : {1000.0001f, 0.15f, 16777215.0f, -3.4028235e38f, 1.17549435e-38f}) {
    engine_.execute("DELETE FROM f");
    const udb_field field(L"c", 0, ole_variant(single), false, false);
    engine_.execute("INSERT INTO f (c) VALUES (" + get_fld_append_str(&field, &d, false) + ")");
    char expected[40];
    std::snprintf(expected, sizeof expected, "%.17g", static_cast<double>(single));
    EXPECT_EQ(std::strtod(select_one("SELECT CAST(c AS DOUBLE) FROM f").c_str(), nullptr), static_cast<double>(single))
        << expected;
  }
}

TEST_F(SqlValuesServer, ATextThatIsNoNumberIsRefusedNotRun) {
  engine_.execute("CREATE TABLE n (c INT)");
  t_ftd d(4, L"c", VT_I4, false, false, ole_variant(), 0, L"");
  for (const wchar_t* hostile : {L"1);DROP TABLE n;--", L"abc", L"0x41"}) {
    const udb_field f(L"c", 0, wide(hostile), false, false);
    EXPECT_THROW(engine_.execute("INSERT INTO n (c) VALUES (" + get_fld_append_str(&f, &d, false) + ")"),
                 sql_exception);
  }
  EXPECT_EQ(select_one("SELECT COUNT(*) FROM n"), "0");
}

}  // namespace
