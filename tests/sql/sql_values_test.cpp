// Values as MySQL literal text, DEFAULT clauses by server version, and result data back into
// values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_field.h"
#include "SQL/sql_rows_text.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"

namespace {

constexpr std::uint32_t mariadb_10_11 = 0x000A0B13;

udb_field field_of(const ole_variant& value, std::uint32_t size = 0) {
  return udb_field(L"f", size, value, false, false);
}

ole_variant text(const std::wstring& t) { return ole_variant(t); }

TEST(SqlValues, LiteralOfText) {
  sql_engine engine;
  struct literal_case {
    std::string text;
    VARTYPE vt;
    std::string expected;
  };
  const std::string guid = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
  const literal_case cases[] = {
      {"O'Neil\\", VT_BSTR, "'O\\'Neil\\\\'"},
      // Numbers stand bare only when they are numbers.
      {"O'Neil\\", VT_I4, "'O\\'Neil\\\\'"},
      {"1);DROP TABLE t;--", VT_I4, "'1);DROP TABLE t;--'"},
      {"abc", VT_R8, "'abc'"},
      {"42", VT_I4, "42"},
      {"-1.5e+03", VT_R8, "-1.5e+03"},
      {".5", VT_DECIMAL, ".5"},
      {"-1", VT_BOOL, "-1"},
      {"", VT_I4, "''"},
      {"", VT_BSTR, "''"},
      {"anything", VT_NULL, "NULL"},
      {"anything", VT_EMPTY, "NULL"},
      // Every character the server or the mysql client would take apart is escaped.
      {std::string("a\0b\r\nc\x1A\"d", 9), VT_BSTR, "'a\\0b\\r\\nc\\Z\"d'"},
      // A text column keeps a text that looks like a GUID as it is.
      {guid, VT_BSTR, "'" + guid + "'"},
      // Binary: hexadecimal or decimal digits bare, anything else quoted and escaped.
      {"0x1A2b", VT_BLOB, "0x1A2b"},
      {"0x", VT_ARRAY | VT_UI1, "0x"},
      {"0x1G", VT_BLOB, "'0x1G'"},
      {"12345", VT_BLOB, "12345"},
      {"ab'c", VT_BLOB, "'ab\\'c'"},
      {"1998-07-15 10:20:30", VT_DATE, "'1998-07-15 10:20:30'"},
  };
  for (const literal_case& c : cases) {
    EXPECT_EQ(to_mysql_str(c.text, c.vt), c.expected) << c.text << " as " << c.vt;
  }
  EXPECT_EQ(to_mysql_str(guid, VT_BSTR, true), "'6B29FC40-CA47-1067-B31D-00DD010662DA'");
  EXPECT_EQ(to_mysql_wstr(L"Zoë 😀 it's", VT_BSTR), L"'Zoë 😀 it\\'s'");
  EXPECT_EQ(to_mysql_wstr(L"7", VT_I4), L"7");
}

TEST(SqlValues, LiteralOfField) {
  sql_engine engine;
  EXPECT_EQ(to_mysql_str(&static_cast<const udb_field&>(field_of(ole_variant(std::vector<BYTE>{0x00, 0xFF})))),
            "0x00FF");
  const udb_field empty = field_of(ole_variant());
  EXPECT_EQ(to_mysql_str(&empty), "NULL");
  const udb_field number = field_of(ole_variant(42));
  EXPECT_EQ(to_mysql_str(&number), "42");
  EXPECT_THROW(to_mysql_str(static_cast<const udb_field*>(nullptr)), tk_mail_assertion);
}

struct append_case {
  ole_variant value;
  VARTYPE column_vt;
  bool not_null;
  std::wstring default_value;
  std::uint32_t dw_reserved;
  std::string expected;
};

TEST(SqlValues, ValueForAColumn) {
  sql_engine engine;
  const append_case cases[] = {
      {ole_variant(), VT_I4, false, L"", 0, "NULL"},
      {ole_variant(), VT_I4, true, L"5", 0, "5"},
      // The column's kind decides: a NOT NULL number without default takes 0.
      {ole_variant(), VT_I4, true, L"", 0, "0"},
      {ole_variant(), VT_R8, true, L"", 0, "0"},
      {ole_variant(), VT_BSTR, true, L"", 0, "NULL"},
      {ole_variant(), VT_BSTR, false, L"", 0, "NULL"},
      {ole_variant(), VT_ARRAY | VT_UI1, false, L"", 0, "NULL"},
      {ole_variant(7), VT_I4, false, L"", 0, "7"},
      {text(L"12"), VT_I4, false, L"", 0, "12"},
      {text(L"abc"), VT_I4, false, L"", 0, "'abc'"},
      {text(L"Zoë's 😀"), VT_BSTR, false, L"", 0, "'Zoë\\'s 😀'"},
      {text(L"line 1\r\nline 2"), VT_BSTR, false, L"", 0, "'line 1\\r\\nline 2'"},
      {text(L"{6B29FC40-CA47-1067-B31D-00DD010662DA}"), VT_BSTR, false, L"", 0,
       "'{6B29FC40-CA47-1067-B31D-00DD010662DA}'"},
      {text(L"{6B29FC40-CA47-1067-B31D-00DD010662DA}"), VT_BSTR, false, L"", 1,
       "'6B29FC40-CA47-1067-B31D-00DD010662DA'"},
      {text(L"POINT(1 2)"), VT_BSTR, false, L"", 2, "ST_GeomFromText('POINT(1 2)')"},
      {text(L"POINT('),(1"), VT_BSTR, false, L"", 8, "ST_GeomFromText('POINT(\\'),(1')"},
  };
  for (const append_case& c : cases) {
    const udb_field f = field_of(c.value);
    t_ftd d(10, L"c", c.column_vt, c.not_null, false,
            c.default_value.empty() ? ole_variant() : ole_variant(c.default_value), c.dw_reserved, L"");
    EXPECT_EQ(get_fld_append_str(&f, &d, false), c.expected) << c.expected;
  }
}

// A date field whose text is the form people see: the Access reader prints a time of day on
// Access's day zero as "0000-00-00 hh:mm:ss", a day no server takes in strict mode.
class displayed_date : public udb_field {
 public:
  explicit displayed_date(const ole_date& date) : udb_field(L"f", 8, ole_variant(date), false, false) {}
  std::string to_string() const override { return "0000-00-00 12:30:45"; }
  std::wstring to_wstring() const override { return L"0000-00-00 12:30:45"; }
};

ole_date day_zero_time() {
  SYSTEMTIME t{};
  t.wYear = 1899;
  t.wMonth = 12;
  t.wDay = 30;
  t.wHour = 12;
  t.wMinute = 30;
  t.wSecond = 45;
  return ole_date(t);
}

TEST(SqlValues, DatesAndUnstorableNumbersForAColumn) {
  sql_engine engine;
  struct date_case {
    ole_variant value;
    VARTYPE column_vt;
    bool not_null;
    std::uint32_t dw_reserved;
    std::wstring native_type;  // a type the user's rules chose
    std::string expected;
  };
  const ole_variant time_alone = ole_variant::from_string("07:05", VT_DATE);
  const ole_variant fraction = ole_variant::from_string("2023-05-01 12:30:45.5", VT_DATE);
  const date_case cases[] = {
      {ole_variant(day_zero_time()), VT_DATE, false, 1, L"", "'1899-12-30 12:30:45'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 2, L"", "'1899-12-30'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 3, L"", "'12:30:45'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 11, L"", "'12:30:45'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 1, L"TIME", "'12:30:45'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 1, L"time(3)", "'12:30:45'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 3, L"TIMESTAMP", "'1899-12-30 12:30:45'"},
      {ole_variant(day_zero_time()), VT_DATE, false, 1, L"DATE", "'1899-12-30'"},
      {time_alone, VT_DATE, false, 1, L"", "'1899-12-30 07:05:00'"},
      {time_alone, VT_DATE, false, 2, L"", "'1899-12-30'"},
      {time_alone, VT_DATE, false, 3, L"", "'07:05:00'"},
      {fraction, VT_DATE, false, 1, L"", "'2023-05-01 12:30:45.500000'"},
      {fraction, VT_DATE, false, 2, L"", "'2023-05-01'"},
      {fraction, VT_DATE, false, 3, L"", "'12:30:45.500000'"},
      {ole_variant::from_string("2023-05-01", VT_DATE), VT_DATE, false, 3, L"", "'00:00:00'"},
      // No NaN or infinity reaches a statement: the column gets NULL or what a NOT NULL column
      // takes for a missing value.
      {ole_variant(std::nan("")), VT_R8, false, 0, L"", "NULL"},
      {ole_variant(-std::nan("")), VT_R8, false, 0, L"", "NULL"},
      {ole_variant(HUGE_VALF), VT_R4, false, 0, L"", "NULL"},
      {ole_variant(-HUGE_VAL), VT_R8, true, 0, L"", "0"},
      {ole_variant(std::nanf("")), VT_I4, false, 0, L"", "NULL"},
      {ole_variant(std::nan("")), VT_BSTR, false, 0, L"", "NULL"},
      {ole_variant(std::nan("")), VT_ARRAY | VT_UI1, false, 0, L"", "NULL"},
  };
  for (const date_case& c : cases) {
    const udb_field f = field_of(c.value);
    t_ftd d(8, L"c", c.column_vt, c.not_null, false, ole_variant(), c.dw_reserved, c.native_type);
    EXPECT_EQ(get_fld_append_str(&f, &d, false), c.expected) << c.expected;
  }
  // The writer takes the date itself, never the text the source shows people.
  const displayed_date shown(day_zero_time());
  t_ftd datetime(8, L"c", VT_DATE, false, false, ole_variant(), 1, L"");
  EXPECT_EQ(get_fld_append_str(&shown, &datetime, false), "'1899-12-30 12:30:45'");
  EXPECT_EQ(to_mysql_str(&shown), "'1899-12-30 12:30:45'");
  for (const ole_variant& v : {ole_variant(std::nan("")), ole_variant(HUGE_VALF)}) {
    const udb_field f = field_of(v);
    EXPECT_TRUE(sql_is_unstorable_number(f));
    EXPECT_EQ(to_mysql_str(&f), "NULL");  // also in the SET and WHERE terms of a synchronisation
  }
  for (const ole_variant& v : {ole_variant(1.5), ole_variant(0.0f), ole_variant(std::wstring(L"nan"))})
    EXPECT_FALSE(sql_is_unstorable_number(v));
}

TEST(SqlValues, PlaceholderForLargeValuesOfPreparedStatements) {
  sql_engine engine;
  t_ftd d(0, L"c", VT_BSTR, false, false, ole_variant(), 0, L"");
  const udb_field big = field_of(text(std::wstring(1048577, L'x')));
  const udb_field fits = field_of(text(std::wstring(1048576, L'x')));
  EXPECT_EQ(get_fld_append_str(&big, &d, true), "?");
  EXPECT_EQ(get_fld_append_str(&big, &d, false).size(), 1048579u);
  EXPECT_EQ(get_fld_append_str(&fits, &d, true).size(), 1048578u);
  EXPECT_THROW(get_fld_append_str(nullptr, &d, false), tk_mail_assertion);
  EXPECT_THROW(get_fld_append_str(&fits, nullptr, false), tk_mail_assertion);
}

struct default_case {
  VARTYPE vt;
  std::wstring default_value;
  std::uint32_t dw_reserved;
  std::uint32_t version;
  std::wstring expected;
};

TEST(SqlValues, DefaultClauseText) {
  sql_engine engine;
  const default_case cases[] = {
      {VT_I4, L"42", 0, mariadb_10_11, L"42"},
      {VT_I4, L"007", 0, mariadb_10_11, L""},
      {VT_I2, L"99999999999", 0, mariadb_10_11, L""},
      {VT_I8, L"-9223372036854775808", 0, mariadb_10_11, L"-9223372036854775808"},
      {VT_UI8, L"-1", 0, mariadb_10_11, L""},
      {VT_UI8, L"18446744073709551615", 0, mariadb_10_11, L""},
      {VT_R8, L"-0.0", 0, mariadb_10_11, L"-0.0"},
      {VT_R8, L"2.5e3", 0, mariadb_10_11, L"2.5e3"},
      {VT_R8, L"abc", 0, mariadb_10_11, L""},
      {VT_R8, L"1);DROP TABLE t", 0, mariadb_10_11, L""},
      {VT_CY, L"0,0", 0, mariadb_10_11, L""},
      {VT_I4, L"NEWID()", 0, mariadb_10_11, L""},
      {VT_BSTR, L"it's\r\n", 0, mariadb_10_11, L"'it\\'s\\r\\n'"},
      {VT_BSTR, L"to_char(sysdate,'yyyy-mm-dd hh24:mi:ss')", 0, mariadb_10_11, L""},
      {VT_BSTR, L"", 0, mariadb_10_11, L""},
      {VT_DATE, L"1998-07-15", 2, mariadb_10_11, L"\"1998-07-15\""},
      {VT_DATE, L"1998-07-15 10:20:30", 1, mariadb_10_11, L"\"1998-07-15 10:20:30\""},
      {VT_DATE, L"GetDate()", 1, mariadb_10_11, L"CURRENT_TIMESTAMP"},
      {VT_DATE, L"", 9, mariadb_10_11, L"CURRENT_TIMESTAMP"},
      // Current date and time as a default: an expression from MariaDB 10.2.1 and MySQL 8.0.13,
      // nothing before.
      {VT_DATE, L"", 10, mariadb_10_11, L"(CURRENT_DATE())"},
      {VT_DATE, L"", 11, mariadb_10_11, L"(CURRENT_TIME())"},
      {VT_DATE, L"", 10, 0x0008000D, L"(CURRENT_DATE())"},
      {VT_DATE, L"", 10, 0x0008000C, L""},
      {VT_DATE, L"", 11, 0x00050700, L""},
      {VT_DATE, L"", 10, 0x000A0200, L""},
      {VT_DATE, L"date()", 2, mariadb_10_11, L"(CURRENT_DATE())"},
      {VT_DATE, L"", 1, mariadb_10_11, L""},
  };
  for (const default_case& c : cases) {
    engine.version = c.version;
    t_ftd d(8, L"c", c.vt, false, false, c.default_value.empty() ? ole_variant() : ole_variant(c.default_value),
            c.dw_reserved, L"");
    EXPECT_EQ(make_mysql_def_val(&d), c.expected) << c.vt << " " << c.dw_reserved;
  }
  EXPECT_THROW(make_mysql_def_val(nullptr), tk_mail_assertion);
}

struct variant_case {
  VARTYPE vt;
  const char* text;
  VARTYPE expected_vt;
  std::string expected_literal;
};

TEST(SqlValues, ValueFromText) {
  sql_engine engine;
  const variant_case cases[] = {
      {VT_BOOL, "", VT_BOOL, "0"},    {VT_BOOL, "0", VT_BOOL, "0"},
      {VT_BOOL, "0.0", VT_BOOL, "0"}, {VT_BOOL, "1", VT_BOOL, "1"},
      {VT_BOOL, "-1", VT_BOOL, "1"},  {VT_BOOL, "\x01", VT_BOOL, "1"},
      {VT_BOOL, "yes", VT_BOOL, "1"}, {VT_BOOL, nullptr, VT_EMPTY, "NULL"},
      {VT_I4, "42", VT_I4, "42"},     {VT_BSTR, "it's", VT_BSTR, "'it\\'s'"},
  };
  for (const variant_case& c : cases) {
    const udb_field f = field_of(get_variant(c.vt, c.text));
    EXPECT_EQ(f.get_type(), c.expected_vt) << (c.text ? c.text : "(null)");
    EXPECT_EQ(to_mysql_str(&f), c.expected_literal) << (c.text ? c.text : "(null)");
  }
  EXPECT_EQ(field_of(get_variant(VT_BOOL, L"0")).get_type(), VT_BOOL);
}

TEST(SqlValues, ValueFromResultColumn) {
  sql_engine engine;
  const char bytes[] = {'a', '\0', 'b'};
  const char letters[] = {'a', '\'', 'b'};
  struct column_case {
    int type;
    unsigned flags;
    bool blob_to_text;
    const char* data;
    VARTYPE vt;
    std::string literal;
  };
  const column_case cases[] = {
      {252, 128, false, bytes, VT_ARRAY | VT_UI1, "0x610062"},
      {252, 128, true, letters, VT_BSTR, "'a\\'b'"},
      {252, 0, false, letters, VT_BSTR, "'a\\'b'"},
      {253, 128, false, bytes, VT_ARRAY | VT_UI1, "0x610062"},
      {253, 0, false, letters, VT_BSTR, "'a\\'b'"},
  };
  for (const column_case& c : cases) {
    engine.set_blob_to_text(c.blob_to_text);
    const udb_field f = field_of(get_variant(c.type, 3, c.flags, c.data));
    EXPECT_EQ(f.get_type(), c.vt) << c.type;
    EXPECT_EQ(to_mysql_str(&f), c.literal) << c.type;
  }
  engine.set_blob_to_text(false);
  EXPECT_EQ(field_of(get_variant(252, 0, 128, static_cast<const char*>(nullptr))).get_type(), VT_EMPTY);
  EXPECT_EQ(field_of(get_variant(3, 2, 0, "-7")).get_type(), VT_I4);
  // BIT(1) columns: the server sends the raw byte.
  EXPECT_TRUE(field_of(get_variant(16, 1, 0, "\x01")).to_bool());
  EXPECT_FALSE(field_of(get_variant(16, 1, 0, std::string(1, '\0').c_str())).to_bool());
  EXPECT_TRUE(field_of(get_variant(16, 2, 0, std::string("\0\x02", 2).c_str())).to_bool());
  const wchar_t wide[] = {0x00FF, 0x0001};
  EXPECT_EQ(to_mysql_str(&static_cast<const udb_field&>(field_of(get_variant(253, 2, 128, wide)))), "0xFF01");
}

TEST(SqlField, FieldsOfAColumn) {
  sql_engine engine;
  const sql_field null_field(L"n", 3, 4, 0, static_cast<const char*>(nullptr));
  EXPECT_EQ(null_field.get_type(), VT_EMPTY);
  EXPECT_EQ(null_field.size, 4u);
  EXPECT_FALSE(null_field.not_null);

  t_ftd blob(3, L"b", VT_ARRAY | VT_UI1, false, false, ole_variant(), 0, L"");
  const sql_field bytes(blob, 3, "\x01\x00\x02");
  EXPECT_EQ(bytes.name, L"b");
  EXPECT_EQ(to_mysql_str(&bytes), "0x010002");
  // A Single reads back as the same float, whatever its digits.
  for (const float single : {1000.0001f, 0.15f, -3.4028235e38f, 1.17549435e-38f, 16777217.0f, 0.0f}) {
    const udb_field f = field_of(ole_variant(single));
    const std::string text = to_mysql_str(&f);
    // The server reads the text as a double: it must be the float's own value, so that it
    // narrows back to the float and stays within a FLOAT column's range.
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), static_cast<double>(single)) << text;
  }
  // A binary value of no bytes, as the Access reader hands it over, is not NULL.
  ole_variant empty_array;
  empty_array.get_variant().vt = VT_ARRAY | VT_UI1;
  empty_array.get_variant().parray = SafeArrayCreateVector(VT_UI1, 0, 0);
  const udb_field no_bytes = field_of(empty_array);
  ASSERT_EQ(no_bytes.get_type(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(to_mysql_str(&no_bytes), "''");
  EXPECT_EQ(get_fld_append_str(&no_bytes, &blob, false), "''");
  engine.set_blob_to_text(true);
  EXPECT_EQ(sql_field(blob, 3, "abc").get_type(), VT_BSTR);
  engine.set_blob_to_text(false);

  t_ftd number(4, L"i", VT_I4, false, false, ole_variant(), 0, L"");
  const sql_field i(number, 2, "42");
  EXPECT_EQ(i.get_type(), VT_I4);
  EXPECT_EQ(i.to_wstring(), L"42");
}

TEST(SqlRowsText, LiteralsBecomeTheFieldsLoadDataReadsAsTheSameValue) {
  struct Case {
    std::string literal;
    bool taken;
    std::string field;
    bool numeric_column = false;
  } cases[] = {
      {"NULL", true, "\\N"},
      {"''", true, ""},
      {"'O\\'Hara \\\\ \\r\\n\\0\\Z'", true, "O\\'Hara \\\\ \\r\\n\\0\\Z"},
      {"'a\tb'", true, "a\\tb"},
      {"'\\\\N'", true, "\\\\N"},
      {"'2024-03-01 08:15:00'", true, "2024-03-01 08:15:00"},
      {"0x00095C0A41", true, "\\0\\t\\\\\\nA"},
      {"0x", true, ""},
      {"42", true, "42"},
      {"-1.50", true, "-1.50"},
      {"0", true, "0"},
      // Texts that read differently as a number and as text, or escapes LOAD DATA reads otherwise.
      {"1e5", false, ""},
      {"4.5355325796605030e+02", true, "4.5355325796605030e+02", true},
      {"-0", true, "-0", true},
      {"-0", false, ""},
      {"-0.0", false, ""},
      {"007", false, ""},
      {"+5", false, ""},
      {".5", false, ""},
      {"'a''b'", false, ""},
      {"'50\\%'", false, ""},
      {"0x0", false, ""},
      {"0xZZ", false, ""},
      {"ST_GeomFromText('POINT(1 1)')", false, ""},
      {"CURRENT_TIMESTAMP", false, ""},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    EXPECT_EQ(c.taken, sql_rows_text_field(c.literal, c.numeric_column, out)) << c.literal;
    EXPECT_EQ("x" + c.field, out) << c.literal;
  }
}

}  // namespace
