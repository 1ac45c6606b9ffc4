// Text helpers: conversions, trimming, splitting, replacing, comparing, hexadecimal output.
#include "TK/tk_utils.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "platform/win/clipboard.h"

namespace {

using strings = std::vector<std::string>;

TEST(Utils, ConversionsRoundTripAndKeepNul) {
  struct Case {
    std::wstring wide;
    std::string utf8;
  } cases[] = {
      {L"", ""},
      {L"Ums\u00E4tze", "Ums\xC3\xA4tze"},
      {L"\U0001F600", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.utf8, tk_unicode_to_utf8(c.wide));
    EXPECT_EQ(c.utf8, tk_unicode_to_mbcs(c.wide, tk_ansi_code_page));
    EXPECT_EQ(c.wide, tk_utf8_to_unicode(c.utf8));
  }
  EXPECT_EQ(L"a\uFFFDb", tk_utf8_to_unicode("a\xFF"
                                            "b"));
  EXPECT_EQ(std::string("a\0b", 3), tk_unicode_to_utf8(std::wstring(L"a\0b", 3)));
  EXPECT_EQ(std::wstring(L"a\0b", 3), tk_utf8_to_unicode(std::string("a\0b", 3)));
  EXPECT_EQ("\xE4", tk_unicode_to_mbcs(L"\u00E4", 1252));
  EXPECT_THROW(tk_unicode_to_mbcs(L"x", 12345), tk_exception_ex);
}

TEST(Utils, BooleanConversionsSizeTheirBuffers) {
  const wchar_t* text = L"\u4E2D\u4E2D";  // 6 bytes: more than the 2 a character of old
  std::unique_ptr<char[]> owned;
  ASSERT_TRUE(tk_unicode_to_ansi2(text, owned));
  EXPECT_STREQ("\xE4\xB8\xAD\xE4\xB8\xAD", owned.get());
  char small[5], room[7];
  EXPECT_FALSE(tk_unicode_to_ansi1(text, small, sizeof small));
  EXPECT_TRUE(tk_unicode_to_ansi1(text, room, sizeof room));
  std::string out = "x";
  EXPECT_FALSE(tk_unicode_to_ansi3(L"", out));
  EXPECT_EQ("", out);
  EXPECT_TRUE(tk_unicode_to_ansi3(text, out));
  EXPECT_EQ(6u, out.size());
  std::unique_ptr<wchar_t[]> wide;
  ASSERT_TRUE(tk_ansi_to_unicode("\xC3\xA4", wide));
  EXPECT_STREQ(L"\u00E4", wide.get());
  EXPECT_FALSE(tk_ansi_to_unicode(nullptr, wide));
  EXPECT_FALSE(tk_unicode_to_ansi2(nullptr, owned));
}

TEST(Utils, TrimRemovesBlanksOnly) {
  struct Case {
    std::string in, trimmed, rtrimmed;
  } cases[] = {
      {"   ", "", ""}, {"\t ", "\t", "\t"}, {"  a b  ", "a b", "  a b"}, {"\na\n", "\na\n", "\na\n"}, {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.trimmed, tk_trim(c.in));
    EXPECT_EQ(c.rtrimmed, tk_rtrim(c.in));
    EXPECT_EQ(std::wstring(c.trimmed.begin(), c.trimmed.end()), tk_trim(std::wstring(c.in.begin(), c.in.end())));
  }
}

TEST(Utils, Split) {
  struct Case {
    std::string in;
    strings pieces;
  } cases[] = {
      {"a,,b", {"a", "", "b"}}, {",", {"", ""}},   {"", {}},
      {"abc", {"abc"}},         {"a,", {"a", ""}}, {std::string("a,b\0,c", 6), {"a", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.pieces, tk_split(c.in, ','));
  std::vector<std::wstring> out{L"old"};
  EXPECT_TRUE(tk_wstring::split(L"x;y", L';', out));
  EXPECT_EQ((std::vector<std::wstring>{L"x", L"y"}), out);
}

TEST(Utils, ReplaceAll) {
  struct Case {
    std::string text, from, to, out;
  } cases[] = {
      {"aaa", "a", "aa", "aaaaaa"},
      {"a.b.c", ".", "", "abc"},
      {"abc", "", "x", "abc"},  // nothing to find: unchanged, and no endless loop
      {"abc", "abcd", "x", "abc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.out, tk_string::replace_all(c.text, c.from, c.to));
    auto w = [](const std::string& s) { return std::wstring(s.begin(), s.end()); };
    EXPECT_EQ(w(c.out), tk_wstring::replace_all(w(c.text), w(c.from), w(c.to)));
  }
}

TEST(Utils, CaseAndAffixes) {
  EXPECT_EQ(L"abc \u00C4\u0416", tk_wstring::to_lower(L"AbC \u00C4\u0416"));
  EXPECT_TRUE(tk_string::compare_no_case("Ums\xC3\xA4tze", "UMS\xC3\x84TZE"));
  EXPECT_FALSE(tk_string::compare_no_case("Orders", "Order"));

  struct Case {
    std::string text, affix;
    bool sensitive, starts;
  } cases[] = {
      {"abc", "ABC", false, true}, {"abc", "ABC", true, false}, {"abc", "", true, true},
      {"ab", "abc", false, false}, {"abcd", "ab", true, true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.starts, tk_string::starts_with(c.text, c.affix, c.sensitive));
  EXPECT_TRUE(tk_ends_with(L"dump.SQL", L".sql", false));
  EXPECT_FALSE(tk_ends_with(L"dump.SQL", L".sql", true));
  EXPECT_TRUE(tk_ends_with(L"x", L"", true));
  EXPECT_FALSE(tk_ends_with(L"x", L"xx", false));
}

TEST(Utils, HexAndClipboard) {
  const std::uint8_t bytes[] = {0x0F, 0xA0};
  char out[5];
  tk_to_hex1(2, bytes, out);
  EXPECT_STREQ("0FA0", out);
  wchar_t wout[5];
  tk_to_hex2(2, bytes, wout);
  EXPECT_STREQ(L"0FA0", wout);
  EXPECT_THROW(tk_to_hex1(2, bytes, nullptr), tk_mail_assertion);

  tk_copy_to_clipboard2(L"no front end: nothing happens");
  std::wstring copied;
  set_clipboard_hook([&](const std::wstring& t) {
    copied = t;
    return true;
  });
  tk_copy_to_clipboard2(L"Ums\u00E4tze");
  set_clipboard_hook({});
  EXPECT_EQ(L"Ums\u00E4tze", copied);
}

}  // namespace
