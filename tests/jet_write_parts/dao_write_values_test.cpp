// The columns new DAO fields describe and the stored values of what Collect is given, as tables
// of cases: DAO's conversions, ranges, text and byte lengths, Decimal precision and scale.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/jet/jet_dao_write_values.h"
#include "platform/oleaut/oleauto.h"

using namespace dao_impl;

namespace {

// VARIANTs for the cases; each owns what it holds.
struct var {
  VARIANT v;
  var() { VariantInit(&v); }
  var(const var& o) {
    VariantInit(&v);
    VariantCopy(&v, &o.v);
  }
  ~var() { VariantClear(&v); }
  var& operator=(const var&) = delete;
};
var null_value() {
  var x;
  x.v.vt = VT_NULL;
  return x;
}
var i4(LONG n) {
  var x;
  x.v.vt = VT_I4;
  x.v.lVal = n;
  return x;
}
var r8(double d) {
  var x;
  x.v.vt = VT_R8;
  x.v.dblVal = d;
  return x;
}
var date(double d) {
  var x;
  x.v.vt = VT_DATE;
  x.v.date = d;
  return x;
}
var text(const std::wstring& s) {
  var x;
  x.v.vt = VT_BSTR;
  x.v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  return x;
}
var decimal(const wchar_t* s) {
  var x;
  if (SUCCEEDED(VarDecFromStr(s, LCID_EN_US, 0, &x.v.decVal))) x.v.vt = VT_DECIMAL;
  return x;
}
var bytes(std::size_t n) {
  var x;
  x.v.vt = VT_ARRAY | VT_UI1;
  x.v.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(n));
  void* data = nullptr;
  SafeArrayAccessData(x.v.parray, &data);
  for (std::size_t i = 0; i < n; ++i) static_cast<std::uint8_t*>(data)[i] = static_cast<std::uint8_t>(i + 1);
  SafeArrayUnaccessData(x.v.parray);
  return x;
}

jet::jet_new_column column(short dao_type, long size = 0, int precision = 0, int scale = 0) {
  jet::jet_new_column c;
  EXPECT_EQ(dao_new_column(L"c", dao_type, size == 0 && dao_type == dbText ? 255 : size, c), 0);
  if (precision > 0) c.precision = precision;
  c.scale = scale;
  return c;
}

jet::jet_decimal dec(bool negative, std::uint64_t mantissa, int scale, int precision) {
  jet::jet_decimal d;
  d.negative = negative;
  d.lo = mantissa;
  d.scale = static_cast<std::uint8_t>(scale);
  d.precision = static_cast<std::uint8_t>(precision);
  return d;
}

bool same(const jet::jet_value& a, const jet::jet_value& b) {
  if (a.index() != b.index()) return false;
  if (auto* x = std::get_if<jet::jet_currency>(&a)) return x->scaled == std::get<jet::jet_currency>(b).scaled;
  if (auto* x = std::get_if<jet::jet_date>(&a)) return x->days == std::get<jet::jet_date>(b).days;
  if (auto* x = std::get_if<jet::jet_decimal>(&a)) {
    const auto& y = std::get<jet::jet_decimal>(b);
    return x->negative == y.negative && x->scale == y.scale && x->precision == y.precision && x->hi == y.hi &&
           x->lo == y.lo;
  }
  if (std::holds_alternative<jet::jet_null>(a)) return true;
  if (auto* x = std::get_if<bool>(&a)) return *x == std::get<bool>(b);
  if (auto* x = std::get_if<std::uint8_t>(&a)) return *x == std::get<std::uint8_t>(b);
  if (auto* x = std::get_if<std::int16_t>(&a)) return *x == std::get<std::int16_t>(b);
  if (auto* x = std::get_if<std::int32_t>(&a)) return *x == std::get<std::int32_t>(b);
  if (auto* x = std::get_if<float>(&a)) return *x == std::get<float>(b);
  if (auto* x = std::get_if<double>(&a)) return *x == std::get<double>(b);
  if (auto* x = std::get_if<std::wstring>(&a)) return *x == std::get<std::wstring>(b);
  if (auto* x = std::get_if<jet::jet_bytes>(&a)) return *x == std::get<jet::jet_bytes>(b);
  return false;
}

}  // namespace

TEST(dao_stored_value, converts_checks_ranges_and_lengths) {
  struct value_case {
    const char* what;
    jet::jet_new_column col;
    var in;
    long error;
    jet::jet_value want;
  };
  const value_case cases[] = {
      {"Null into any column", column(dbLong), null_value(), 0, jet::jet_null{}},
      {"a Long", column(dbLong), i4(-5), 0, std::int32_t{-5}},
      {"digits into a Long", column(dbLong), text(L"42"), 0, std::int32_t{42}},
      {"a half rounds to even", column(dbLong), r8(2.5), 0, std::int32_t{2}},
      {"past a Long", column(dbLong), r8(3e10), dao_err_numeric_overflow, {}},
      {"words into a Long", column(dbLong), text(L"abc"), dao_err_conversion, {}},
      {"past a Byte", column(dbByte), i4(256), dao_err_numeric_overflow, {}},
      {"below a Byte", column(dbByte), i4(-1), dao_err_numeric_overflow, {}},
      {"a Byte", column(dbByte), i4(255), 0, std::uint8_t{255}},
      {"past an Integer", column(dbInteger), i4(40000), dao_err_numeric_overflow, {}},
      {"-1 is Yes", column(dbBoolean), r8(-1), 0, true},
      {"0 is No", column(dbBoolean), i4(0), 0, false},
      {"Currency keeps four decimals", column(dbCurrency), r8(1.23456), 0, jet::jet_currency{12346}},
      {"past Currency", column(dbCurrency), decimal(L"922337203685477.5808"), dao_err_numeric_overflow, {}},
      {"a Double from text", column(dbDouble), text(L"1.5"), 0, 1.5},
      {"past a Single", column(dbSingle), r8(1e300), dao_err_numeric_overflow, {}},
      {"a date", column(dbDate), date(45000.5), 0, jet::jet_date{45000.5}},
      {"a date from text", column(dbDate), text(L"2023-05-01"), 0, jet::jet_date{45047}},
      {"text at its size", column(dbText, 5), text(L"abcde"), 0, std::wstring(L"abcde")},
      {"text past its size", column(dbText, 5), text(L"abcdef"), dao_err_field_too_small, {}},
      {"a character beyond the BMP takes two", column(dbText, 5), text(L"ab\U0001F600cd"), dao_err_field_too_small, {}},
      {"beyond the BMP within the size", column(dbText, 5), text(L"ab\U0001F600c"), 0, std::wstring(L"ab\U0001F600c")},
      {"a number into text", column(dbText, 5), i4(12), 0, std::wstring(L"12")},
      {"a long memo", column(dbMemo), text(std::wstring(70000, L'm')), 0, std::wstring(70000, L'm')},
      {"Decimal at its scale", column(dbDecimal, 0, 10, 2), decimal(L"123.45"), 0, dec(false, 12345, 2, 10)},
      {"Decimal padded to its scale", column(dbDecimal, 0, 10, 2), decimal(L"-123.4"), 0, dec(true, 12340, 2, 10)},
      {"Decimal digits past its scale", column(dbDecimal, 0, 10, 2), decimal(L"123.456"), dao_err_numeric_overflow, {}},
      {"trailing zeros past the scale", column(dbDecimal, 0, 10, 2), decimal(L"1.2300"), 0, dec(false, 123, 2, 10)},
      {"Decimal at its precision", column(dbDecimal, 0, 10, 2), decimal(L"99999999.99"), 0,
       dec(false, 9999999999, 2, 10)},
      {"Decimal past its precision", column(dbDecimal, 0, 10, 2), decimal(L"100000000"), dao_err_numeric_overflow, {}},
      {"a 64-bit integer in Decimal(20,0)", column(dbDecimal, 0, 20, 0), decimal(L"18446744073709551615"), 0,
       dec(false, 18446744073709551615ull, 0, 20)},
      {"bytes at a Binary's size", column(dbBinary, 4), bytes(4), 0, jet::jet_bytes{1, 2, 3, 4}},
      {"bytes past a Binary's size", column(dbBinary, 4), bytes(5), dao_err_field_too_small, {}},
      {"bytes into OLE", column(dbLongBinary), bytes(3), 0, jet::jet_bytes{1, 2, 3}},
      {"text into OLE", column(dbLongBinary), text(L"x"), dao_err_conversion, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    jet::jet_value out;
    EXPECT_EQ(dao_stored_value(c.col, c.in.v, out), c.error);
    if (c.error == 0) {
      EXPECT_TRUE(same(out, c.want));
    }
  }
}

TEST(dao_new_column, types_and_sizes) {
  struct column_case {
    short dao_type;
    long size;
    long error;
    int jet_type, stored_size;
  };
  const column_case cases[] = {
      {dbText, 10, 0, jet::jet_text, 20},
      {dbText, 255, 0, jet::jet_text, 510},
      {dbText, 0, dao_err_invalid_argument, 0, 0},
      {dbText, 256, dao_err_invalid_argument, 0, 0},
      {dbMemo, 0, 0, jet::jet_memo, 0},
      {dbLongBinary, 0, 0, jet::jet_ole, 0},
      {dbDecimal, 0, 0, jet::jet_numeric, 17},
      {dbCurrency, 0, 0, jet::jet_money, 8},
      {dbGUID, 0, dao_err_invalid_field_type, 0, 0},
      {dbBigInt, 0, dao_err_invalid_field_type, 0, 0},
  };
  for (const auto& c : cases) {
    jet::jet_new_column col;
    EXPECT_EQ(dao_new_column(L"x", c.dao_type, c.size, col), c.error) << c.dao_type << " " << c.size;
    if (c.error != 0) continue;
    EXPECT_EQ(col.type, c.jet_type) << c.dao_type;
    EXPECT_EQ(col.size, c.stored_size) << c.dao_type;
    EXPECT_EQ(col.name, L"x");
  }
}
