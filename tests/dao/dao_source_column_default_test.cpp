// Column defaults and date markers as the Access reader derives them from DefaultValue, Format
// and the column type, as a table of cases.
#include <gtest/gtest.h>

#include "dao/dao_column_default.h"
#include "dao/dao_recordset.h"
#include "platform/jet/dao.h"

namespace {

struct default_case {
  const char* label;
  short dao_type;
  std::int32_t size;
  const wchar_t* format;
  const wchar_t* stored;  // DefaultValue as Access keeps it
  VARTYPE vt;             // VT_EMPTY: no default
  const wchar_t* text;    // the default's text form
  std::uint32_t marker;
};

const default_case cases[] = {
    // Current date and time: the marker says it; no constant stands for it.
    {"now on a short-date column", dbDate, 8, L"short date", L"=Now()", VT_EMPTY, L"", ftd_marker_today},
    {"now on a long-time column", dbDate, 8, L"Long Time", L"now()", VT_EMPTY, L"", ftd_marker_clock},
    {"now without format", dbDate, 8, L"", L"=Now()", VT_EMPTY, L"", ftd_marker_now},
    {"date()", dbDate, 8, L"", L"Date()", VT_EMPTY, L"", ftd_marker_today},
    {"time()", dbDate, 8, L"", L"=Time()", VT_EMPTY, L"", ftd_marker_clock},
    {"a date literal", dbDate, 8, L"", L"#1/2/2003#", VT_DATE, L"2003-01-02", ftd_marker_datetime},
    {"a date and time literal", dbDate, 8, L"", L"#12/31/1999 10:30:00#", VT_DATE, L"1999-12-31 10:30:00",
     ftd_marker_datetime},
    {"date format without default", dbDate, 8, L"Medium Date", L"", VT_EMPTY, L"", ftd_marker_date},
    // Format marks date columns only: a text column stays text.
    {"date format on a text column", dbText, 10, L"Short Date", L"\"x\"", VT_BSTR, L"x", 0},
    {"time format on a number column", dbLong, 4, L"Long Time", L"0", VT_I4, L"0", 0},
    // Texts: quotes dropped, too long for the column dropped.
    {"quoted text", dbText, 5, L"", L"\"abc\"", VT_BSTR, L"abc", 0},
    {"text longer than the column", dbText, 5, L"", L"\"abcdef\"", VT_EMPTY, L"", 0},
    {"= and single quotes", dbText, 5, L"", L"='xy'", VT_BSTR, L"xy", 0},
    {"bare text", dbText, 50, L"", L"abc", VT_BSTR, L"abc", 0},
    {"memo text", dbMemo, 0, L"", L"\"long\"", VT_BSTR, L"long", 0},
    // The text Access inserts: each doubled quote inside the quotes is one quote.
    {"doubled quotes", dbText, 50, L"", L"\"O'Brien \\ \"\"q\"\"\"", VT_BSTR, L"O'Brien \\ \"q\"", 0},
    {"doubled single quotes", dbText, 50, L"", L"'it''s'", VT_BSTR, L"it's", 0},
    {"= and doubled quotes", dbText, 50, L"", L"= \"a\"\"b\"", VT_BSTR, L"a\"b", 0},
    {"memo with doubled quotes", dbMemo, 0, L"", L"\"x \"\"y\"\"\"", VT_BSTR, L"x \"y\"", 0},
    {"quotes count once against the size", dbText, 4, L"", L"\"ab\"\"c\"", VT_BSTR, L"ab\"c", 0},
    // Numbers and booleans.
    {"long zero", dbLong, 4, L"", L"0", VT_I4, L"0", 0},
    {"negative integer", dbInteger, 2, L"", L"-3", VT_I2, L"-3", 0},
    {"double", dbDouble, 8, L"", L"1.5", VT_R8, L"1.5000000000000000e+00", 0},
    {"decimal keeps its digits", dbDecimal, 16, L"", L"12345678901234567.89", VT_DECIMAL, L"12345678901234567.89", 0},
    {"big integer", dbBigInt, 8, L"", L"9007199254740993", VT_I8, L"9007199254740993", 0},
    {"On/Off switch", dbBoolean, 1, L"On/Off", L"On", VT_I4, L"1", 0},
    {"Yes", dbBoolean, 1, L"Yes/No", L"Yes", VT_BOOL, L"1", 0},
    {"No", dbBoolean, 1, L"", L"No", VT_BOOL, L"0", 0},
    {"Null", dbLong, 4, L"", L"Null", VT_EMPTY, L"", 0},
    // Expressions have no constant value: left out.
    {"function of the date", dbLong, 4, L"", L"=Year(Date())", VT_EMPTY, L"", 0},
    {"arithmetic on a column", dbCurrency, 8, L"", L"=[Price]*2", VT_EMPTY, L"", 0},
    {"generated GUID", dbGUID, 16, L"", L"GenGUID()", VT_EMPTY, L"", 0},
    {"concatenation", dbText, 50, L"", L"=\"a\" & \"b\"", VT_EMPTY, L"", 0},
    {"now on a text column", dbText, 50, L"", L"=Now()", VT_EMPTY, L"", 0},
    {"date arithmetic", dbDate, 8, L"", L"=Date()+1", VT_EMPTY, L"", ftd_marker_datetime},
};

TEST(dao_column_default, table_columns) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    dao_column_default d;
    d.dao_type = c.dao_type;
    d.size = c.size;
    d.format = c.format;
    d.text = c.stored;
    d.marker = c.dao_type == dbDate ? ftd_marker_datetime : ftd_marker_none;
    ole_variant value = d.table_default();
    EXPECT_EQ(value.get_type(), c.vt);
    if (c.vt != VT_EMPTY) {
      EXPECT_EQ(value.to_wstring(), c.text);
    }
    EXPECT_EQ(d.marker, c.marker);
  }
}

TEST(dao_column_default, query_columns_keep_only_literals) {
  const struct {
    short dao_type;
    const wchar_t* stored;
    VARTYPE vt;
    const wchar_t* text;
    std::uint32_t marker;
  } query_cases[] = {
      {dbDate, L"#1/2/2003#", VT_DATE, L"2003-01-02", ftd_marker_datetime},
      {dbText, L"\"abc\"", VT_BSTR, L"abc", 0},
      {dbLong, L"7", VT_I4, L"7", 0},
      {dbLong, L"=Year(Date())", VT_EMPTY, L"", 0},
      {dbText, L"", VT_EMPTY, L"", 0},
  };
  for (const auto& c : query_cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.stored)));
    dao_column_default d;
    d.dao_type = c.dao_type;
    d.text = c.stored;
    ole_variant value = d.query_default();
    EXPECT_EQ(value.get_type(), c.vt);
    if (c.vt != VT_EMPTY) {
      EXPECT_EQ(value.to_wstring(), c.text);
    }
    EXPECT_EQ(d.marker, c.marker);
  }
}

}  // namespace
