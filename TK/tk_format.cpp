// Locale-fixed printf formatting.
#include "TK/tk_format.h"

#include <locale.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {
locale_t c_utf8() {
  static const locale_t loc = [] {
    locale_t l = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return l != static_cast<locale_t>(nullptr) ? l : newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return loc;
}
}  // namespace

tk_c_locale_scope::tk_c_locale_scope() : previous_(uselocale(c_utf8())) {}

tk_c_locale_scope::~tk_c_locale_scope() { uselocale(static_cast<locale_t>(previous_)); }

bool tk_vformat(const char* format, va_list args, std::string& out) {
  out.clear();
  if (format == nullptr) return false;
  tk_c_locale_scope c_locale;
  va_list measure;
  va_copy(measure, args);
  int n = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (n < 0) return false;
  if (n == 0) return true;
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  va_list fill;
  va_copy(fill, args);
  int m = std::vsnprintf(buf.data(), buf.size(), format, fill);
  va_end(fill);
  if (m != n) return false;
  out.assign(buf.data(), static_cast<std::size_t>(n));
  return true;
}

std::string tk_vformat(const char* format, va_list args) {
  std::string out;
  tk_vformat(format, args, out);
  return out;
}

std::string tk_format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = tk_vformat(format, args);
  va_end(args);
  return out;
}

bool tk_vformat_wide(const wchar_t* format, va_list args, std::size_t limit, std::wstring& out, bool* cut) {
  if (cut != nullptr) *cut = false;
  out.clear();
  if (format == nullptr) return false;
  tk_c_locale_scope c_locale;
  // vswprintf cannot measure: it answers -1 both for a buffer too small and for a bad argument,
  // so grow the buffer up to 16 Mi characters before calling the format bad.
  for (std::size_t size = 1024; size <= (std::size_t{1} << 24); size *= 4) {
    std::vector<wchar_t> buf(size);
    va_list copy;
    va_copy(copy, args);
    int n = std::vswprintf(buf.data(), buf.size(), format, copy);
    va_end(copy);
    if (n >= 0) {
      out.assign(buf.data(), static_cast<std::size_t>(n));
      if (limit != 0 && out.size() > limit) {
        out.resize(limit);
        if (cut != nullptr) *cut = true;
      }
      return true;
    }
  }
  return false;
}
