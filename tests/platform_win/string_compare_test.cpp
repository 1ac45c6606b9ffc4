// Case-insensitive comparison by simple case folding, whatever the process locale, and the
// letter-or-digit class of every script.
#include "platform/win/string_compare.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(StringCompare, IgnoreCaseFoldsEveryScript) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int ignoring_case;
    int exact;
  } cases[] = {
      {L"Ums\u00E4tze", L"UMS\u00C4TZE", CSTR_EQUAL, CSTR_GREATER_THAN},
      {L"\u0437\u0430\u043A\u0430\u0437", L"\u0417\u0410\u041A\u0410\u0417", CSTR_EQUAL, CSTR_GREATER_THAN},
      {L"\u03C3\u03BF\u03C6\u03CC\u03C2", L"\u03A3\u039F\u03A6\u038C\u03A3", CSTR_EQUAL, CSTR_GREATER_THAN},
      {L"\U00010428", L"\U00010400", CSTR_EQUAL, CSTR_GREATER_THAN},  // Deseret, outside the BMP
      {L"Orders", L"orders", CSTR_EQUAL, CSTR_LESS_THAN},
      {L"order", L"orders", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {L"b", L"A", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
      {L"i", L"\u0130", CSTR_LESS_THAN, CSTR_LESS_THAN},  // Turkic dotted I is not folded
      {L"", L"", CSTR_EQUAL, CSTR_EQUAL},
  };
  // The answer must not depend on the process locale.
  for (const char* loc : {"C", "de_DE.UTF-8"}) {
    std::setlocale(LC_ALL, loc);
    for (const auto& c : cases) {
      EXPECT_EQ(c.ignoring_case, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, c.a, -1, c.b, -1)) << loc;
      EXPECT_EQ(c.exact, CompareStringW(LOCALE_USER_DEFAULT, 0, c.a, -1, c.b, -1)) << loc;
    }
  }
  std::setlocale(LC_ALL, "C");
}

TEST(StringCompare, AnsiTextsAreUtf8AndCountsLimitTheText) {
  EXPECT_EQ(CSTR_EQUAL,
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "Ums\xC3\xA4tze", -1, "UMS\xC3\x84TZE", -1));
  EXPECT_EQ(CSTR_EQUAL, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, L"ABCdef", 3, L"abc", -1));
  EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, 0x40000, L"a", -1, L"a", -1));
  EXPECT_EQ(0, CompareStringA(LOCALE_USER_DEFAULT, 0, nullptr, -1, "a", -1));
}

TEST(StringCompare, AlphaNumericOfEveryScript) {
  struct Case {
    wchar_t ch;
    BOOL alnum;
  } cases[] = {
      {L'a', TRUE},      {L'Z', TRUE},  {L'7', TRUE},  {L'\u00E4', TRUE}, {L'\u0416', TRUE},  {L'\u4E2D', TRUE},
      {L'\u0661', TRUE}, {L'_', FALSE}, {L' ', FALSE}, {L'$', FALSE},     {L'\u00A0', FALSE}, {L'-', FALSE},
  };
  for (const auto& c : cases) EXPECT_EQ(c.alnum, IsCharAlphaNumericW(c.ch)) << static_cast<unsigned>(c.ch);
}

}  // namespace
