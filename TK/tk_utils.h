// Text helpers every layer shares: conversions between wide text and the ANSI (UTF-8) or a named
// code page, trimming, splitting, replacing, comparing, hexadecimal output, the clipboard copy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Code page argument of tk_unicode_to_mbcs that means the ANSI code page.
constexpr std::uint32_t tk_ansi_code_page = 0xFFFFFFFF;

// Conversions that throw tk_exception_ex (kind 0) when the conversion call fails. Each converts
// the text up to its first NUL; characters the target lacks become the default character and
// invalid UTF-8 becomes U+FFFD.
std::string tk_unicode_to_mbcs(const std::wstring& text, std::uint32_t code_page);
std::string tk_unicode_to_utf8(std::wstring_view text);
std::wstring tk_utf8_to_unicode(const std::string& text);

// Conversions that answer false on failure (ANSI code page).
// Into `out` of `out_size` bytes (terminator included); false when the text does not fit.
bool tk_unicode_to_ansi1(const wchar_t* text, char* out, std::size_t out_size);
// Into a new buffer owned by `out`, sized from the converted length.
bool tk_unicode_to_ansi2(const wchar_t* text, std::unique_ptr<char[]>& out);
// Into `out`; an empty text answers false with out empty.
bool tk_unicode_to_ansi3(const wchar_t* text, std::string& out);
bool tk_ansi_to_unicode(const char* text, std::unique_ptr<wchar_t[]>& out);

// Trimming removes blanks (U+0020) only; tabs and line breaks stay.
std::string tk_rtrim(const std::string& text);
std::wstring tk_rtrim(const std::wstring& text);
std::string tk_trim(const std::string& text);
std::wstring tk_trim(const std::wstring& text);

// n separators give n + 1 pieces; an empty text gives none; the scan stops at a NUL.
std::vector<std::string> tk_split(const std::string& text, char separator);
std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator);

// Whether `suffix` ends `text`; an empty suffix always does.
bool tk_ends_with(const std::wstring& text, const std::wstring& suffix, bool case_sensitive);

// Two upper-case hexadecimal digits per byte and a NUL into out (2 * count + 1 characters).
void tk_to_hex1(std::uint32_t count, const std::uint8_t* bytes, char* out);
void tk_to_hex2(std::uint32_t count, const std::uint8_t* bytes, wchar_t* out);

// Puts the text on the front end's clipboard; without one nothing happens.
void tk_copy_to_clipboard2(const std::wstring& text);

struct tk_string {
  // Every `from` replaced by `to`, left to right, never searching inserted text. An empty `from`
  // leaves the text as it is.
  static std::string replace_all(const std::string& text, const std::string& from, const std::string& to);
  // Equal ignoring case (Unicode simple case folding).
  static bool compare_no_case(const std::string& a, const std::string& b);
  // Whether `prefix` starts `text`; an empty prefix always does.
  static bool starts_with(const std::string& text, const std::string& prefix, bool case_sensitive);
};

struct tk_wstring {
  static std::wstring replace_all(const std::wstring& text, const std::wstring& from, const std::wstring& to);
  // A to Z lowered; every other character, accented and non-Latin letters included, kept.
  static std::wstring to_lower(const std::wstring& text);
  // Replaces out with tk_split of the text; answers true.
  static bool split(const std::wstring& text, wchar_t separator, std::vector<std::wstring>& out);
};
