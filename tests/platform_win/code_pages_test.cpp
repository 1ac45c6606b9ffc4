// The code-page conversions: our UTF-8 codec both ways, invalid input, buffer sizing, iconv pages.
#include "platform/win/code_pages.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win/last_error.h"

namespace {

std::wstring to_wide(UINT cp, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  EXPECT_EQ(n, MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n));
  return out;
}

std::string to_bytes(UINT cp, const std::wstring& text, BOOL* used_default = nullptr) {
  int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  EXPECT_EQ(
      n, WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, used_default));
  return out;
}

TEST(CodePages, Utf8RoundTrip) {
  struct Case {
    std::wstring wide;
    std::string utf8;
  } cases[] = {
      {L"plain", "plain"},
      {L"Ums\u00E4tze", "Ums\xC3\xA4tze"},
      {L"\u0416\u4E2D", "\xD0\x96\xE4\xB8\xAD"},
      {L"\U0001F600 x", "\xF0\x9F\x98\x80 x"},  // outside the BMP: one wchar_t, four bytes
      {std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
  };
  for (UINT cp : {CP_ACP, CP_UTF8}) {
    for (const auto& c : cases) {
      EXPECT_EQ(to_bytes(cp, c.wide), c.utf8);
      EXPECT_EQ(to_wide(cp, c.utf8), c.wide);
    }
  }
}

TEST(CodePages, InvalidUtf8BecomesReplacement) {
  struct Case {
    std::string bytes;
    std::wstring wide;
  } cases[] = {
      {"a\xFF"
       "b",
       L"a\uFFFDb"},
      {"\xC3", L"\uFFFD"},                      // cut short at the end
      {"\xC0\xAF", L"\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xE4\xB8"
       "x",
       L"\uFFFDx"},                                       // one replacement for the valid-looking prefix
      {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(to_wide(CP_UTF8, c.bytes), c.wide) << c.bytes;

  wchar_t out[8];
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, out, 8));
  EXPECT_EQ(ERROR_NO_UNICODE_TRANSLATION, GetLastError());
}

TEST(CodePages, InvalidWideBecomesReplacement) {
  // A lone surrogate and a value beyond Unicode; a surrogate pair is joined.
  std::wstring lone{L'a', static_cast<wchar_t>(0xD800), L'b', static_cast<wchar_t>(0x110000)};
  EXPECT_EQ(to_bytes(CP_UTF8, lone),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  std::wstring pair{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
  EXPECT_EQ(to_bytes(CP_UTF8, pair), "\xF0\x9F\x98\x80");
}

TEST(CodePages, TerminatorCountsAndBufferChecks) {
  // -1 converts the terminator too and counts it.
  EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0,
                                   "\xC3\xA4"
                                   "b",
                                   -1, nullptr, 0) +
                   1);
  EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, L"\u00E4b", -1, nullptr, 0, nullptr, nullptr));
  char small[3];
  SetLastError(0);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"\u00E4b", -1, small, 3, nullptr, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());

  struct Bad {
    UINT cp;
    DWORD flags;
    const char* text;
    int count;
    DWORD error;
  } bad[] = {
      {CP_UTF8, 0, nullptr, -1, ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0, "x", 0, ERROR_INVALID_PARAMETER},
      {CP_UTF8, 0x40, "x", 1, ERROR_INVALID_FLAGS},
      {12345, 0, "x", 1, ERROR_INVALID_PARAMETER},
  };
  for (const auto& b : bad) {
    SetLastError(0);
    EXPECT_EQ(0, MultiByteToWideChar(b.cp, b.flags, b.text, b.count, nullptr, 0));
    EXPECT_EQ(b.error, GetLastError());
  }
  // The flag the ANSI conversions of the toolkit pass is accepted.
  EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "x", -1, nullptr, 0));
}

TEST(CodePages, NamedCodePagesThroughIconv) {
  struct Case {
    UINT cp;
    std::string bytes;
    std::wstring wide;
  } cases[] = {
      {1252, "Ums\xE4tze \x80", L"Ums\u00E4tze \u20AC"},
      {1251, "\xC6", L"\u0416"},
      {1250, "\x8A", L"\u0160"},
      {932, "\x82\xA0", L"\u3042"},
      {437, "\x81", L"\u00FC"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_wide(c.cp, c.bytes), c.wide) << c.cp;
    EXPECT_EQ(to_bytes(c.cp, c.wide), c.bytes) << c.cp;
  }
  // A byte the page leaves undefined and a character it lacks.
  EXPECT_EQ(to_wide(1252, "a\x81"), L"a\uFFFD");
  BOOL used = FALSE;
  EXPECT_EQ(to_bytes(1252, L"a\u0416b", &used), "a?b");
  EXPECT_TRUE(used);
}

}  // namespace
