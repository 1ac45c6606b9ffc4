// Text forms of every kind, values read from text, and change_type rule by rule, as tables.
// Each table runs under "C" and under a decimal-comma locale: the results must not differ.
#include "OLE/ole_bool_map.h"
#include "OLE/ole_exceptions.h"
#include "tests/ole/ole_test_util.h"
#include "tests/oleaut/test_locale.h"

#include <limits>

namespace {

class text_forms : public locale_test {};
INSTANTIATE_LOCALES(text_forms);

SYSTEMTIME may_first(WORD h, WORD mi, WORD s) {
  SYSTEMTIME t{};
  t.wYear = 2023;
  t.wMonth = 5;
  t.wDay = 1;
  t.wHour = h;
  t.wMinute = mi;
  t.wSecond = s;
  return t;
}

TEST_P(text_forms, to_string_and_to_wstring_of_each_kind) {
  struct {
    ole_variant value;
    const char* text;
    const wchar_t* wide;  // null: the text widened
  } cases[] = {
      {ole_variant(), "", nullptr},
      {ole_variant(true), "1", nullptr},
      {ole_variant(false), "0", nullptr},
      {raw_bool(1), "0", nullptr},  // only the stored -1 is true
      {ole_variant(static_cast<char>(-3)), "-3", nullptr},
      {ole_variant(static_cast<unsigned char>(200)), "200", nullptr},
      {ole_variant(static_cast<short>(-5)), "-5", nullptr},
      {ole_variant(static_cast<unsigned short>(65535)), "65535", nullptr},
      {ole_variant(-2147483647 - 1), "-2147483648", nullptr},
      {ole_variant(4294967295u), "4294967295", nullptr},
      {ole_variant(static_cast<std::int64_t>(-5)), "-5", nullptr},
      {ole_variant(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615", nullptr},
      {ole_variant(1.5f), "1.500000e+00", nullptr},
      {ole_variant(3.5), "3.5000000000000000e+00", nullptr},
      {ole_variant(-1e-300), "-1.0000000000000000e-300", nullptr},
      {cy_value(125000), "12.5", nullptr},
      {cy_value(std::numeric_limits<long long>::min()), "-922337203685477.5808", nullptr},
      {decimal_value(L"-1.50"), "-1.5", nullptr},
      {decimal_value(L"1234567890123456789012345678"), "1234567890123456789012345678", nullptr},
      {ole_variant(ole_date(may_first(12, 30, 45))), "2023-05-01 12:30:45", nullptr},
      {ole_variant(std::wstring(L"h\u00e9llo")), "h\xc3\xa9llo", L"h\u00e9llo"},
      {ole_variant(std::string("\xe2\x82\xac")), "\xe2\x82\xac", L"\u20ac"},
      {bytes_value({0x0A, 0xFF}), "0x0AFF", nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value.to_string(), c.text) << "kind " << c.value.get_type();
    const std::string t = c.text;
    EXPECT_EQ(c.value.to_wstring(), c.wide ? std::wstring(c.wide) : std::wstring(t.begin(), t.end()))
        << "kind " << c.value.get_type();
  }

  ole_variant no_bytes;
  no_bytes.allocate_safe_array(0);
  EXPECT_EQ(no_bytes.get_type(), ole_vt_binary);
  EXPECT_EQ(no_bytes.to_string(), "");
  EXPECT_EQ(no_bytes.to_wstring(), L"");
}

// Currency and Decimal texts are written directly; they are the texts the conversion to text
// gives.
TEST(ole_scaled_text, is_the_text_the_conversion_to_text_gives) {
  std::vector<ole_variant> values;
  for (long long units : {0LL, 1LL, -1LL, 10LL, 5000LL, 9999LL, 10000LL, -10000LL, -100001LL, 125000LL, 123456789LL,
                          std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max()})
    values.push_back(cy_value(units));
  for (const wchar_t* text : {L"0", L"-0", L"0.0001", L"-1.50", L"123.4500", L"100", L"0.0000000000000000000000000001",
                              L"79228162514264337593543950335", L"-7.9228162514264337593543950335",
                              L"18446744073709551616", L"-18446744073709551615.5"})
    values.push_back(decimal_value(text));
  for (const ole_variant& value : values) {
    VARIANT text;
    VariantInit(&text);
    ASSERT_EQ(VariantChangeType(&text, &value.get_variant(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(value.to_string(), narrow(std::wstring(text.bstrVal, SysStringLen(text.bstrVal))));
    VariantClear(&text);
  }
  ole_variant beyond_scale = decimal_value(L"1.5");
  beyond_scale.get_variant().decVal.scale = 29;
  EXPECT_EQ(beyond_scale.to_string(), "");
}

TEST_P(text_forms, booleans_follow_the_mapping_of_the_run) {
  const ole_variant yes(true), no(false);
  {
    ole_bool_map ms(1);
    EXPECT_EQ(yes.to_string(), "-1");
    EXPECT_EQ(no.to_string(), "0");
    EXPECT_EQ(yes.to_long(), -1);
  }
  {
    ole_bool_map ansi(0);
    EXPECT_EQ(yes.to_string(), "1");
    EXPECT_EQ(yes.to_long(), 1);
  }
  EXPECT_EQ(yes.to_string(), "1");  // outside a run
  EXPECT_EQ(raw_bool(1).to_long(), 0);
}

TEST_P(text_forms, from_string) {
  struct {
    const char* text;
    VARTYPE vt;
    VARTYPE kind;
    const char* result;
  } cases[] = {
      {"Yes", VT_BOOL, VT_BOOL, "1"},
      {"TRUE", VT_BOOL, VT_BOOL, "1"},
      {"f", VT_BOOL, VT_BOOL, "0"},
      {"2", VT_BOOL, VT_BOOL, "1"},
      {"abc", VT_BOOL, VT_BOOL, "0"},
      {"3,5", VT_R8, VT_R8, "3.5000000000000000e+00"},
      {" -2.5e3 ", VT_R8, VT_R8, "-2.5000000000000000e+03"},
      {"1.5", VT_R4, VT_R4, "1.500000e+00"},
      {"-5", VT_I8, VT_I8, "-5"},
      {"-9223372036854775808", VT_I8, VT_I8, "-9223372036854775808"},
      {"18446744073709551615", VT_UI8, VT_UI8, "18446744073709551615"},
      {"4294967295", VT_UI4, VT_UI4, "4294967295"},
      {"-32768", VT_I2, VT_I2, "-32768"},
      {" 12\t", VT_I4, VT_I4, "12"},
      {"+7", VT_I4, VT_I4, "7"},
      {"255", VT_UI1, VT_UI1, "255"},
      {"-128", VT_I1, VT_I1, "-128"},
      {"12,5", VT_CY, VT_CY, "12.5"},
      {"12.34565", VT_CY, VT_CY, "12.3456"},
      {"twelve", VT_CY, VT_EMPTY, ""},
      {"", VT_I4, VT_EMPTY, ""},
      {"", VT_BSTR, VT_BSTR, ""},
      {"text", VT_BSTR, VT_BSTR, "text"},
      {"2023-05-01 12:30:45", VT_DATE, VT_DATE, "2023-05-01 12:30:45"},
      {"not a date", VT_DATE, VT_EMPTY, ""},
      {"1,5", VT_DECIMAL, VT_DECIMAL, "1.5"},
      {"1e40", VT_DECIMAL, VT_R8, "1.0000000000000000e+40"},  // beyond DECIMAL: read as a double
      {"0x0aFF", ole_vt_binary, ole_vt_binary, "0x0AFF"},
      {"0aFF", VT_BLOB, VT_BLOB, "0x0AFF"},
      {"\\x41", ole_vt_binary, ole_vt_binary, "0x41"},
      {"0aF", ole_vt_binary, VT_EMPTY, ""},
      {"0x", ole_vt_binary, VT_EMPTY, ""},
      {"42", VT_INT, VT_INT, ""},
  };
  for (const auto& c : cases) {
    const ole_variant v = ole_variant::from_string(c.text, c.vt);
    EXPECT_EQ(v.get_type(), c.kind) << c.text << " as " << c.vt;
    EXPECT_EQ(v.to_string(), c.result) << c.text << " as " << c.vt;
    if (c.kind != VT_EMPTY && c.vt != VT_BLOB) {  // the wide twin reads the same
      const std::string t = c.text;
      const ole_variant w = ole_variant::from_wstring(std::wstring(t.begin(), t.end()), c.vt);
      EXPECT_EQ(w.to_string(), c.result) << c.text << " as " << c.vt;
    }
  }
}

TEST_P(text_forms, from_string_refuses_what_the_kind_cannot_hold) {
  struct {
    const char* text;
    VARTYPE vt;
  } casts[] = {
      {"40000", VT_I2},
      {"-32769", VT_I2},
      {"65536", VT_UI2},
      {"-1", VT_UI2},
      {"-1", VT_UI4},
      {"4294967296", VT_UI4},
      {"99999999999", VT_I4},
      {"256", VT_UI1},
      {"-129", VT_I1},
      {"9223372036854775808", VT_I8},
      {"18446744073709551616", VT_UI8},
      {"-1", VT_UI8},
      {"1e999", VT_R8},
      {"1e39", VT_R4},
      // a number kind's text that is no number, or has more after its number
      {"abc", VT_I4},
      {"12abc", VT_I4},
      {"12 34", VT_I2},
      {"1.5", VT_I4},
      {"1,000", VT_I4},
      {"-", VT_I8},
      {" ", VT_UI1},
      {"x1", VT_I1},
      {"7x", VT_UI2},
      {"42u", VT_UI4},
      {"12abc", VT_UI8},
      {"abc", VT_UI8},
      {"abc", VT_R8},
      {"-2.5e3xyz", VT_R8},
      {"1.5 kg", VT_R4},
      {"twelve", VT_DECIMAL},
      {"1e40x", VT_DECIMAL},
      // the C library's other floating-point texts: no column holds them, no server takes them
      {"nan", VT_R8},
      {"NaN", VT_R4},
      {"-nan", VT_R8},
      {"inf", VT_R8},
      {"-inf", VT_R4},
      {"-infinity", VT_R8},
      {" Infinity ", VT_R4},
      {"0x1p3", VT_R8},
      {"0x10", VT_R4},
      {"-0X1.8p1", VT_R8},
      {"nan", VT_DECIMAL},
  };
  for (const auto& c : casts)
    EXPECT_THROW(ole_variant::from_string(c.text, c.vt), ole_cast_exception) << c.text << " as " << c.vt;
  EXPECT_THROW(ole_variant::from_string("abc", VT_INT), ole_type_exception);
  EXPECT_THROW(ole_variant::from_wstring(L"x", VT_ERROR), ole_type_exception);
}

struct change_case {
  ole_variant value;
  VARTYPE to;
  VARTYPE kind;  // VT_ILLEGAL-like 0xFFFF: ole_cast_exception expected
  const char* text;
};
constexpr VARTYPE refused = 0xFFFF;

void run(const change_case& c, int line) {
  ole_variant v = c.value;
  const VARTYPE from = v.get_type();
  if (c.kind == refused) {
    EXPECT_THROW(v.change_type(c.to), ole_cast_exception) << "line " << line << ": " << from << " to " << c.to;
    return;
  }
  ASSERT_NO_THROW(v.change_type(c.to)) << "line " << line << ": " << from << " to " << c.to;
  EXPECT_EQ(v.get_type(), c.kind) << "line " << line << ": " << from << " to " << c.to;
  EXPECT_EQ(v.to_string(), c.text) << "line " << line << ": " << from << " to " << c.to;
}

#define CASE(...) \
  std::pair<change_case, int> { change_case{__VA_ARGS__}, __LINE__ }

TEST_P(text_forms, change_type_rules) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ole_variant dispatch;
  dispatch.get_variant().vt = VT_DISPATCH;  // an attachment whose recordset could not be read
  ole_variant time_only(ole_date(std::string("12:30:45.5")));
  const std::pair<change_case, int> cases[] = {
      // synonyms and kinds that do not change
      CASE(bytes_value({1, 2}), VT_BLOB, VT_BLOB, "0x0102"),
      CASE(ole_variant::from_string("0102", VT_BLOB), ole_vt_binary, ole_vt_binary, "0x0102"),
      CASE(bytes_value({1, 2}), VT_DISPATCH, ole_vt_binary, "0x0102"),
      CASE(dispatch, ole_vt_binary, VT_NULL, ""),
      CASE(ole_variant(), VT_I4, VT_EMPTY, ""),
      CASE(ole_variant(5), VT_I4, VT_I4, "5"),
      // text to boolean
      CASE(ole_variant(L"yes"), VT_BOOL, VT_BOOL, "1"),
      CASE(ole_variant(L"No"), VT_BOOL, VT_BOOL, "0"),
      CASE(ole_variant(L"1"), VT_BOOL, refused, ""),
      // from 64-bit integers
      CASE(ole_variant(std::int64_t{1}), VT_BOOL, VT_BOOL, "1"),
      CASE(ole_variant(std::int64_t{65536}), VT_BOOL, VT_BOOL, "1"),
      CASE(ole_variant(std::int64_t{0}), VT_BOOL, VT_BOOL, "0"),
      CASE(ole_variant(std::int64_t{-7}), VT_I2, VT_I2, "-7"),
      CASE(ole_variant(std::int64_t{70000}), VT_I2, refused, ""),
      CASE(ole_variant(std::int64_t{-1}), VT_UI4, refused, ""),
      CASE(ole_variant(std::int64_t{4294967295}), VT_UI4, VT_UI4, "4294967295"),
      CASE(ole_variant(std::int64_t{300}), VT_UI1, refused, ""),
      CASE(ole_variant(std::int64_t{7}), VT_CY, VT_CY, "7"),
      CASE(ole_variant(std::int64_t{1} << 62), VT_CY, refused, ""),
      CASE(ole_variant(std::int64_t{-5}), VT_BSTR, VT_BSTR, "-5"),
      CASE(ole_variant(std::int64_t{-5}), VT_R8, VT_R8, "-5.0000000000000000e+00"),
      CASE(ole_variant(std::uint64_t{5}), VT_DECIMAL, VT_DECIMAL, "5"),
      CASE(ole_variant(std::int64_t{-1}), VT_UI8, refused, ""),
      CASE(ole_variant(std::numeric_limits<std::uint64_t>::max()), VT_I8, refused, ""),
      CASE(ole_variant(std::uint64_t{42}), VT_I8, VT_I8, "42"),
      CASE(ole_variant(std::int64_t{1}), VT_DATE, refused, ""),
      // from dates
      CASE(ole_variant(ole_date(may_first(12, 30, 45))), VT_BSTR, VT_BSTR, "2023-05-01 12:30:45"),
      CASE(time_only, VT_BSTR, VT_BSTR, "12:30:45.500000"),
      CASE(ole_variant(ole_date(may_first(12, 30, 45))), VT_I4, refused, ""),
      CASE(ole_variant(ole_date(may_first(12, 30, 45))), VT_R8, refused, ""),
      // to 64-bit integers
      CASE(ole_variant(true), VT_I8, VT_I8, "-1"),
      CASE(ole_variant(true), VT_UI8, refused, ""),
      CASE(ole_variant(static_cast<short>(-3)), VT_I8, VT_I8, "-3"),
      CASE(ole_variant(4294967295u), VT_UI8, VT_UI8, "4294967295"),
      CASE(ole_variant(2.5), VT_I8, VT_I8, "2"),
      CASE(ole_variant(1e19), VT_I8, refused, ""),
      CASE(ole_variant(1e19), VT_UI8, VT_UI8, "10000000000000000000"),
      CASE(cy_value(123456), VT_I8, VT_I8, "12"),
      CASE(cy_value(125000), VT_I8, VT_I8, "13"),
      CASE(cy_value(-126000), VT_I8, VT_I8, "-13"),
      CASE(cy_value(-125000), VT_I8, VT_I8, "-13"),
      CASE(cy_value(-124000), VT_I8, VT_I8, "-12"),
      CASE(cy_value(-124000), VT_UI8, refused, ""),
      CASE(decimal_value(L"-9223372036854775808"), VT_I8, VT_I8, "-9223372036854775808"),
      CASE(decimal_value(L"18446744073709551616"), VT_UI8, refused, ""),
      CASE(ole_variant(L"12"), VT_I8, refused, ""),
      // to 32- and 16-bit integers
      CASE(ole_variant(2.5), VT_I4, VT_I4, "3"),
      CASE(ole_variant(-2.5), VT_I4, VT_I4, "-3"),
      CASE(ole_variant(2.4f), VT_UI2, VT_UI2, "2"),
      CASE(ole_variant(40000.0), VT_I2, refused, ""),
      CASE(ole_variant(-1.0), VT_UI4, refused, ""),
      CASE(ole_variant(1e10), VT_I4, refused, ""),
      CASE(ole_variant(nan), VT_I4, refused, ""),
      CASE(decimal_value(L"2.5"), VT_I4, VT_I4, "2"),
      CASE(decimal_value(L"3.5"), VT_I2, VT_I2, "4"),
      CASE(decimal_value(L"3e10"), VT_I4, refused, ""),
      CASE(decimal_value(L"-1"), VT_UI2, refused, ""),
      CASE(ole_variant(L"12"), VT_I4, VT_BSTR, "12"),
      CASE(ole_variant(static_cast<short>(5)), VT_I4, VT_I2, "5"),
      CASE(cy_value(125000), VT_I4, VT_CY, "12.5"),
      CASE(decimal_value(L"-1"), VT_I1, VT_I1, "-1"),
      CASE(decimal_value(L"200"), VT_I1, refused, ""),
      CASE(ole_variant(2.5), VT_I1, VT_R8, "2.5000000000000000e+00"),
      // text to date
      CASE(ole_variant(L"2023-05-01"), VT_DATE, VT_DATE, "2023-05-01"),
      CASE(ole_variant(L"1 May 2023 1:05 PM"), VT_DATE, VT_DATE, "2023-05-01 13:05:00"),
      CASE(ole_variant(L"junk"), VT_DATE, refused, ""),
      CASE(ole_variant(5), VT_DATE, refused, ""),
      // from and to byte strings
      CASE(bytes_value({'A', 'B', 0, 'C'}), VT_BSTR, VT_BSTR, "AB"),
      CASE(bytes_value({'A', 'B'}), VT_I4, ole_vt_binary, "0x4142"),
      CASE(ole_variant(true), ole_vt_binary, ole_vt_binary, "0xFFFF"),
      CASE(ole_variant(1), VT_BLOB, ole_vt_binary, "0x01000000"),
      CASE(ole_variant(1.0), ole_vt_binary, ole_vt_binary, "0x000000000000F03F"),
      CASE(ole_variant(static_cast<unsigned char>(7)), ole_vt_binary, ole_vt_binary, "0x07"),
      CASE(ole_variant(L"AB"), ole_vt_binary, ole_vt_binary, "0x4142"),
      CASE(ole_variant(std::wstring(L"\u00e9")), ole_vt_binary, ole_vt_binary, "0xC3A9"),
      CASE(ole_variant(L""), ole_vt_binary, VT_BSTR, ""),
      CASE(decimal_value(L"1"), ole_vt_binary, ole_vt_binary, "0x0E000000000000000100000000000000"),
      // the platform's conversion for every other pair
      CASE(ole_variant(5), VT_R8, VT_R8, "5.0000000000000000e+00"),
      CASE(ole_variant(L"2.5"), VT_R8, VT_R8, "2.5000000000000000e+00"),
      CASE(ole_variant(L"abc"), VT_R8, refused, ""),
      CASE(ole_variant(12.5), VT_CY, VT_CY, "12.5"),
      CASE(ole_variant(1e20), VT_CY, refused, ""),
      CASE(ole_variant(L"0.1"), VT_DECIMAL, VT_DECIMAL, "0.1"),
      CASE(ole_variant(0.1), VT_DECIMAL, VT_DECIMAL, "0.1"),
      CASE(cy_value(125000), VT_BSTR, VT_BSTR, "12.5"),
      CASE(decimal_value(L"1.25"), VT_BSTR, VT_BSTR, "1.25"),
      CASE(ole_variant(true), VT_BSTR, VT_BSTR, "-1"),
      CASE(ole_variant(3), VT_BOOL, VT_BOOL, "1"),
  };
  for (const auto& [c, line] : cases) run(c, line);
}

}  // namespace
