// The Var* conversions and VariantChangeType: exact text forms, banker's rounding, limits,
// overflow and junk text. Every table runs under "C" and under a decimal-comma locale.
#include "platform/oleaut/oleauto.h"
#include "tests/oleaut/test_locale.h"

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr HRESULT mismatch = DISP_E_TYPEMISMATCH;
constexpr HRESULT overflow = DISP_E_OVERFLOW;

std::wstring take(BSTR s) {
  std::wstring text(s, SysStringLen(s));
  SysFreeString(s);
  return text;
}

std::wstring dec_text(const DECIMAL& d) {
  BSTR s = nullptr;
  EXPECT_EQ(VarBstrFromDec(&d, LCID_EN_US, 0, &s), S_OK);
  return take(s);
}

DECIMAL dec(const wchar_t* text) {
  DECIMAL d{};
  EXPECT_EQ(VarDecFromStr(text, LCID_EN_US, 0, &d), S_OK) << text;
  return d;
}

class conversion : public locale_test {};
INSTANTIATE_LOCALES(conversion);

TEST_P(conversion, decimal_from_text_and_back) {
  struct {
    const wchar_t* in;
    HRESULT hr;
    const wchar_t* text;
  } cases[] = {
      {L"0", S_OK, L"0"},
      {L"-0.000", S_OK, L"0"},
      {L"1.50", S_OK, L"1.5"},
      {L"  -12.25  ", S_OK, L"-12.25"},
      {L"+7", S_OK, L"7"},
      {L"1,234.5", S_OK, L"1234.5"},  // "," groups digits under the en-US rules
      {L"3,5", S_OK, L"35"},
      {L"1e3", S_OK, L"1000"},
      {L"1.5E-3", S_OK, L"0.0015"},
      {L".5", S_OK, L"0.5"},
      {L"1234567890123456789012345678", S_OK, L"1234567890123456789012345678"},
      {L"-79228162514264337593543950335", S_OK, L"-79228162514264337593543950335"},
      {L"79228162514264337593543950336", overflow, nullptr},
      {L"1e29", overflow, nullptr},
      {L"0.0000000000000000000000000001", S_OK, L"0.0000000000000000000000000001"},
      {L"0.00000000000000000000000000005", S_OK, L"0"},  // half to even at 28 places
      {L"0.00000000000000000000000000015", S_OK, L"0.0000000000000000000000000002"},
      {L"1.2345678901234567890123456789", S_OK, L"1.2345678901234567890123456789"},
      {L"9.9999999999999999999999999999", S_OK, L"10"},  // 29 nines need one place less
      {L"7922816251426433759354395033.45", S_OK, L"7922816251426433759354395033.4"},
      {L"7922816251426433759354395033.55", S_OK, L"7922816251426433759354395034"},
      {L"", mismatch, nullptr},
      {L"abc", mismatch, nullptr},
      {L"12abc", mismatch, nullptr},
      {L"1.2.3", mismatch, nullptr},
      {L"--1", mismatch, nullptr},
      {L"1e", mismatch, nullptr},
      {L".", mismatch, nullptr},
      {L",5", mismatch, nullptr},
      {L"1e999999999999999999999", overflow, nullptr},
      {L"1e-999999999999999999999", S_OK, L"0"},
  };
  for (const auto& c : cases) {
    DECIMAL d{};
    EXPECT_EQ(VarDecFromStr(c.in, LCID_EN_US, 0, &d), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(dec_text(d), c.text) << c.in;
    }
  }
}

TEST_P(conversion, currency_from_text_and_back) {
  struct {
    const wchar_t* in;
    HRESULT hr;
    const wchar_t* text;
  } cases[] = {
      {L"12.5", S_OK, L"12.5"},
      {L"-922337203685477.5808", S_OK, L"-922337203685477.5808"},
      {L"922337203685477.5807", S_OK, L"922337203685477.5807"},
      {L"922337203685477.5808", overflow, nullptr},
      {L"-922337203685477.58085", S_OK, L"-922337203685477.5808"},
      {L"12.34565", S_OK, L"12.3456"},  // beyond 4 places: half to even
      {L"12.34575", S_OK, L"12.3458"},
      {L"12.345651", S_OK, L"12.3457"},
      {L"0.00005", S_OK, L"0"},
      {L"1e-9", S_OK, L"0"},
      {L"twelve", mismatch, nullptr},
  };
  for (const auto& c : cases) {
    CY cy{};
    EXPECT_EQ(VarCyFromStr(c.in, LCID_EN_US, 0, &cy), c.hr) << c.in;
    if (c.hr != S_OK) continue;
    BSTR s = nullptr;
    ASSERT_EQ(VarBstrFromCy(cy, LCID_EN_US, 0, &s), S_OK);
    EXPECT_EQ(take(s), c.text) << c.in;
  }
}

TEST_P(conversion, integers_round_half_to_even_and_check_range) {
  // Each source value (as a DECIMAL, a CY where it fits, and a double) to LONG.
  struct {
    const wchar_t* in;
    HRESULT hr;
    LONG out;
  } to_long[] = {
      {L"2.5", S_OK, 2},
      {L"3.5", S_OK, 4},
      {L"-2.5", S_OK, -2},
      {L"-3.5", S_OK, -4},
      {L"0.5", S_OK, 0},
      {L"2.5001", S_OK, 3},
      {L"-0.4", S_OK, 0},
      {L"2147483647.4", S_OK, 2147483647},
      {L"2147483647.5", overflow, 0},
      {L"-2147483648.5", S_OK, -2147483648},
      {L"-2147483649", overflow, 0},
  };
  for (const auto& c : to_long) {
    LONG out = 0;
    DECIMAL d = dec(c.in);
    EXPECT_EQ(VarI4FromDec(&d, &out), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.in;
    }
    double r8 = 0;
    ASSERT_EQ(VarR8FromStr(c.in, LCID_EN_US, 0, &r8), S_OK);
    EXPECT_EQ(VarI4FromR8(r8, &out), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.in;
    }
    CY cy{};
    ASSERT_EQ(VarCyFromStr(c.in, LCID_EN_US, 0, &cy), S_OK);
    EXPECT_EQ(VarI4FromCy(cy, &out), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.in;
    }
  }

  // The narrower and wider integer kinds at their limits.
  struct {
    const wchar_t* in;
    const char* kind;
    HRESULT hr;
    long long out;
  } limits[] = {
      {L"32767.4", "I2", S_OK, 32767},
      {L"-32768.5", "I2", S_OK, -32768},
      {L"-32769", "I2", overflow, 0},
      {L"65535", "UI2", S_OK, 65535},
      {L"65536", "UI2", overflow, 0},
      {L"-0.5", "UI2", S_OK, 0},
      {L"-1", "UI2", overflow, 0},
      {L"-128", "I1", S_OK, -128},
      {L"127.5", "I1", overflow, 0},
      {L"255", "UI1", S_OK, 255},
      {L"4294967295", "UI4", S_OK, 4294967295LL},
      {L"4294967296", "UI4", overflow, 0},
      {L"9223372036854775807", "I8", S_OK, std::numeric_limits<long long>::max()},
      {L"9223372036854775808", "I8", overflow, 0},
      {L"-9223372036854775808", "I8", S_OK, std::numeric_limits<long long>::min()},
      {L"-9223372036854775808.5", "I8", S_OK, std::numeric_limits<long long>::min()},
      {L"-9223372036854775809", "I8", overflow, 0},
  };
  for (const auto& c : limits) {
    DECIMAL d = dec(c.in);
    std::string kind = c.kind;
    HRESULT hr = E_FAIL;
    long long out = 0;
    if (kind == "I2") {
      SHORT v = 0;
      hr = VarI2FromDec(&d, &v);
      out = v;
    }
    if (kind == "UI2") {
      USHORT v = 0;
      hr = VarUI2FromDec(&d, &v);
      out = v;
    }
    if (kind == "I1") {
      CHAR v = 0;
      hr = VarI1FromDec(&d, &v);
      out = v;
    }
    if (kind == "UI1") {
      BYTE v = 0;
      hr = VarUI1FromDec(&d, &v);
      out = v;
    }
    if (kind == "UI4") {
      ULONG v = 0;
      hr = VarUI4FromDec(&d, &v);
      out = v;
    }
    if (kind == "I8") {
      LONGLONG v = 0;
      hr = VarI8FromDec(&d, &v);
      out = v;
    }
    EXPECT_EQ(hr, c.hr) << c.in << " as " << c.kind;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.in << " as " << c.kind;
    }
  }

  ULONGLONG u = 0;
  DECIMAL d = dec(L"18446744073709551615");
  EXPECT_EQ(VarUI8FromDec(&d, &u), S_OK);
  EXPECT_EQ(u, std::numeric_limits<ULONGLONG>::max());
  d = dec(L"18446744073709551616");
  EXPECT_EQ(VarUI8FromDec(&d, &u), overflow);
  d = dec(L"-1");
  EXPECT_EQ(VarUI8FromDec(&d, &u), overflow);
}

TEST_P(conversion, doubles_to_64_bit_integers) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct {
    double in;
    HRESULT hr;
    long long out;
  } signed_cases[] = {
      {2.5, S_OK, 2},
      {-2.5, S_OK, -2},
      {3.5, S_OK, 4},
      {-9223372036854775808.0, S_OK, std::numeric_limits<long long>::min()},
      {9223372036854775807.0, overflow, 0},  // the double is 2^63
      {9223372036854774784.0, S_OK, 9223372036854774784LL},
      {nan, overflow, 0},
      {-inf, overflow, 0},
  };
  for (const auto& c : signed_cases) {
    LONGLONG out = 0;
    EXPECT_EQ(VarI8FromR8(c.in, &out), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.in;
    }
  }
  struct {
    double in;
    HRESULT hr;
    unsigned long long out;
  } unsigned_cases[] = {
      {-0.4, S_OK, 0},
      {-0.6, overflow, 0},
      {18446744073709551615.0, overflow, 0},  // the double is 2^64
      {18446744073709549568.0, S_OK, 18446744073709549568ULL},
      {1.5, S_OK, 2},
  };
  for (const auto& c : unsigned_cases) {
    ULONGLONG out = 0;
    EXPECT_EQ(VarUI8FromR8(c.in, &out), c.hr) << c.in;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.in;
    }
  }
  LONGLONG out = 0;
  EXPECT_EQ(VarI8FromR4(2.5f, &out), S_OK);
  EXPECT_EQ(out, 2);
  ULONGLONG uout = 0;
  EXPECT_EQ(VarUI8FromR4(1e20f, &uout), overflow);
}

TEST_P(conversion, texts_of_numbers) {
  struct {
    double in;
    bool single;
    const wchar_t* text;
  } cases[] = {
      {3.5, false, L"3.5"},
      {0.1, false, L"0.1"},
      {1.0 / 3, false, L"0.333333333333333"},
      {-1e20, false, L"-1E+20"},
      {123456789012345678.0, false, L"1.23456789012346E+17"},
      {-0.0, false, L"0"},
      {1.1, true, L"1.1"},
      {16777217.0, true, L"1.677722E+07"},
  };
  for (const auto& c : cases) {
    BSTR s = nullptr;
    if (c.single)
      ASSERT_EQ(VarBstrFromR4(static_cast<float>(c.in), LCID_EN_US, 0, &s), S_OK);
    else
      ASSERT_EQ(VarBstrFromR8(c.in, LCID_EN_US, 0, &s), S_OK);
    EXPECT_EQ(take(s), c.text);
  }

  DECIMAL d{};
  ASSERT_EQ(VarDecFromI8(std::numeric_limits<long long>::min(), &d), S_OK);
  EXPECT_EQ(dec_text(d), L"-9223372036854775808");
  ASSERT_EQ(VarDecFromUI8(std::numeric_limits<unsigned long long>::max(), &d), S_OK);
  EXPECT_EQ(dec_text(d), L"18446744073709551615");
  EXPECT_EQ(d.wReserved, VT_DECIMAL);
  d.scale = 29;
  BSTR s = nullptr;
  EXPECT_EQ(VarBstrFromDec(&d, LCID_EN_US, 0, &s), E_INVALIDARG);
}

// A VARIANT built for a case; owns its text.
struct value {
  VARIANT v;
  value() { VariantInit(&v); }
  ~value() { VariantClear(&v); }
  value(const value&) = delete;
  value& operator=(const value&) = delete;
};

void set(VARIANT& v, const std::wstring& spec) {
  // "KIND:content", e.g. "R8:2.5", "BSTR:abc": the content is read by the conversions themselves.
  const auto colon = spec.find(L':');
  const std::wstring kind = spec.substr(0, colon);
  const std::wstring content = colon == std::wstring::npos ? L"" : spec.substr(colon + 1);
  VARIANT text;
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocStringLen(content.data(), static_cast<UINT>(content.size()));
  static const struct {
    const wchar_t* name;
    VARTYPE vt;
  } kinds[] = {{L"EMPTY", VT_EMPTY}, {L"NULL", VT_NULL}, {L"I1", VT_I1},   {L"UI1", VT_UI1},     {L"I2", VT_I2},
               {L"UI2", VT_UI2},     {L"I4", VT_I4},     {L"UI4", VT_UI4}, {L"I8", VT_I8},       {L"UI8", VT_UI8},
               {L"R4", VT_R4},       {L"R8", VT_R8},     {L"CY", VT_CY},   {L"DEC", VT_DECIMAL}, {L"BOOL", VT_BOOL},
               {L"DATE", VT_DATE},   {L"BSTR", VT_BSTR}};
  for (const auto& k : kinds) {
    if (kind != k.name) continue;
    if (k.vt == VT_NULL) {
      VariantClear(&text);
      v.vt = VT_NULL;
    } else {
      ASSERT_EQ(VariantChangeType(&v, &text, 0, k.vt), S_OK) << spec;
      VariantClear(&text);
    }
    return;
  }
  VariantClear(&text);
  FAIL() << "unknown kind in " << std::string(spec.begin(), spec.end());
}

TEST_P(conversion, change_type_pairs) {
  struct {
    const wchar_t* source;
    VARTYPE vt;
    HRESULT hr;
    const wchar_t* text;  // the result's text (changed to VT_BSTR again)
  } cases[] = {
      {L"I4:5", VT_R8, S_OK, L"5"},
      {L"R8:2.5", VT_I4, S_OK, L"2"},
      {L"R8:3.5", VT_I2, S_OK, L"4"},
      {L"R8:-2.5", VT_I4, S_OK, L"-2"},
      {L"R8:40000", VT_I2, overflow, nullptr},
      {L"R8:1e300", VT_R4, overflow, nullptr},
      {L"R8:1e20", VT_CY, overflow, nullptr},
      {L"R8:0.1", VT_DECIMAL, S_OK, L"0.1"},
      {L"R8:0.333333333333333314829616256247", VT_DECIMAL, S_OK, L"0.333333333333333"},
      {L"BSTR:12", VT_I4, S_OK, L"12"},
      {L"BSTR: 7 ", VT_UI1, S_OK, L"7"},
      {L"BSTR:256", VT_UI1, overflow, nullptr},
      {L"BSTR:abc", VT_I4, mismatch, nullptr},
      {L"BSTR:", VT_R8, mismatch, nullptr},
      {L"BSTR:2.5", VT_I8, S_OK, L"2"},
      {L"BSTR:True", VT_BOOL, S_OK, L"-1"},
      {L"BSTR:false", VT_BOOL, S_OK, L"0"},
      {L"BSTR:2", VT_BOOL, S_OK, L"-1"},
      {L"BSTR:no", VT_BOOL, mismatch, nullptr},
      {L"BSTR:5/1/2023", VT_DATE, S_OK, L"5/1/2023"},
      {L"BSTR:2023-02-29", VT_DATE, mismatch, nullptr},
      {L"BOOL:-1", VT_BSTR, S_OK, L"-1"},
      {L"BOOL:0", VT_BSTR, S_OK, L"0"},
      {L"I4:5", VT_BOOL, S_OK, L"-1"},
      {L"I8:65536", VT_BOOL, S_OK, L"-1"},
      {L"UI8:18446744073709551615", VT_I8, overflow, nullptr},
      {L"I8:-1", VT_UI4, overflow, nullptr},
      {L"CY:12.5", VT_BSTR, S_OK, L"12.5"},
      {L"CY:12.5", VT_I4, S_OK, L"12"},
      {L"DEC:79228162514264337593543950335", VT_R8, S_OK, L"7.92281625142643E+28"},
      {L"DEC:123.456", VT_CY, S_OK, L"123.456"},
      {L"DEC:1.23456789", VT_CY, S_OK, L"1.2346"},
      {L"I2:-7", VT_DECIMAL, S_OK, L"-7"},
      {L"DATE:5/1/2023 12:00 PM", VT_R8, S_OK, L"45047.5"},
      {L"R8:-1.25", VT_DATE, S_OK, L"12/29/1899 6:00:00 AM"},
      {L"R8:1e7", VT_DATE, overflow, nullptr},
      {L"EMPTY", VT_I4, S_OK, L"0"},
      {L"EMPTY", VT_BSTR, S_OK, L""},
      {L"NULL", VT_I4, mismatch, nullptr},
      {L"I4:3", VT_NULL, mismatch, nullptr},
      {L"I4:3", VT_DISPATCH, mismatch, nullptr},
  };
  for (const auto& c : cases) {
    const std::string label(c.source, c.source + std::wcslen(c.source));
    value source, result, text;
    set(source.v, c.source);
    EXPECT_EQ(VariantChangeType(&result.v, &source.v, 0, c.vt), c.hr) << label << " to " << c.vt;
    if (c.hr != S_OK) {
      EXPECT_EQ(result.v.vt, VT_EMPTY) << label;  // a failure leaves the destination alone
      continue;
    }
    EXPECT_EQ(result.v.vt, c.vt) << label;
    ASSERT_EQ(VariantChangeType(&text.v, &result.v, 0, VT_BSTR), S_OK) << label;
    EXPECT_EQ(std::wstring(text.v.bstrVal, SysStringLen(text.v.bstrVal)), c.text) << label << " to " << c.vt;

    // In place: the source becomes the result and its old content is freed (ASan watches).
    EXPECT_EQ(VariantChangeType(&source.v, &source.v, 0, c.vt), S_OK) << label;
    EXPECT_EQ(source.v.vt, c.vt);
  }
}

TEST_P(conversion, bool_text_forms) {
  BSTR s = nullptr;
  ASSERT_EQ(VarBstrFromBool(VARIANT_TRUE, LCID_EN_US, 0, &s), S_OK);
  EXPECT_EQ(take(s), L"-1");
  ASSERT_EQ(VarBstrFromBool(VARIANT_FALSE, LCID_EN_US, VARIANT_ALPHABOOL, &s), S_OK);
  EXPECT_EQ(take(s), L"False");
}

}  // namespace
