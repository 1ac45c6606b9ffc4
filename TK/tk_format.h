// printf-style formatting into strings, the same in every locale: numbers use '.', and text
// arguments convert between narrow (UTF-8) and wide whatever LC_CTYPE and LC_NUMERIC say.
#pragma once

#include <cstdarg>
#include <string>

// Switches the calling thread to the C.UTF-8 locale while alive; the thread's previous locale
// comes back at the end. Wrap every printf-family call whose text the system defines.
class tk_c_locale_scope {
 public:
  tk_c_locale_scope();
  ~tk_c_locale_scope();
  tk_c_locale_scope(const tk_c_locale_scope&) = delete;
  tk_c_locale_scope& operator=(const tk_c_locale_scope&) = delete;

 private:
  void* previous_;
};

// The formatted text, however long; empty when the format or an argument cannot be formatted.
std::string tk_format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string tk_vformat(const char* format, va_list args);
// The same, telling an empty result apart from a failure: false when the format or an argument
// cannot be formatted.
bool tk_vformat(const char* format, va_list args, std::string& out);

// The wide twin. Its result is cut to `limit` characters (no cut when 0); *cut tells whether it
// was. Answers false when the format cannot be formatted at all.
bool tk_vformat_wide(const wchar_t* format, va_list args, std::size_t limit, std::wstring& out, bool* cut = nullptr);
