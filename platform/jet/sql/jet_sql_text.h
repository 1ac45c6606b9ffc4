// Text helpers of the Jet SQL layer: UTF-8 for SQLite, Jet's case-insensitive comparison and
// Like patterns, and the texts Jet gives numbers.
#pragma once

#include <string>
#include <string_view>

std::string jet_to_utf8(const std::wstring& text);
std::wstring jet_from_utf8(std::string_view text);

// UCase and LCase of one character, by Unicode's mapping whatever the process locale.
wchar_t jet_upper(wchar_t c);
wchar_t jet_lower(wchar_t c);

// Compares as Jet compares text: case ignored (simple case folding), then by code point.
int jet_compare_text(std::wstring_view a, std::wstring_view b);
int jet_compare_utf8(std::string_view a, std::string_view b);

// Jet's Like: * any run, ? one character, # one digit, [abc] [a-z] [!abc] one of / none of;
// case ignored.
bool jet_like(std::wstring_view text, std::wstring_view pattern);

// CStr of a Double: up to 15 significant digits, no trailing zeros, "1E+16" beyond.
std::wstring jet_number_text(double value);
// CStr of a Currency amount held times 10000.
std::wstring jet_currency_text(long long scaled);
