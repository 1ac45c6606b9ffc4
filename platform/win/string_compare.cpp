// Locale-independent comparison and classification over the C.UTF-8 character tables.
#include "platform/win/string_compare.h"

#include <locale.h>
#include <wctype.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"

namespace {

// The character tables of C.UTF-8, whatever locale the process runs in. Created once and kept
// for the process's life.
locale_t unicode_ctype() {
  static const locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return loc;
}

std::wstring widen(LPCSTR text, int count) {
  if (count == 0) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text, count, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text, count, out.data(), n);
  if (count == -1 && !out.empty()) out.pop_back();  // the NUL
  return out;
}

}  // namespace

wchar_t fold_case(wchar_t ch) {
  auto c = static_cast<std::uint32_t>(ch);
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<wchar_t>(c + 32) : ch;
  // The dotted capital I and the dotless small i fold only under Turkic rules.
  if (c == 0x130 || c == 0x131) return ch;
  locale_t loc = unicode_ctype();
  if (loc == static_cast<locale_t>(nullptr)) return ch;
  // Lower of upper also folds the variant small letters (final sigma, long s) onto one form.
  return static_cast<wchar_t>(towlower_l(towupper_l(static_cast<wint_t>(ch), loc), loc));
}

int CompareStringW(LCID /*locale*/, DWORD flags, LPCWSTR text1, int count1, LPCWSTR text2, int count2) {
  if (text1 == nullptr || text2 == nullptr || count1 < -1 || count2 < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & ~(NORM_IGNORECASE | SORT_STRINGSORT)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  std::size_t n1 = count1 == -1 ? std::wcslen(text1) : static_cast<std::size_t>(count1);
  std::size_t n2 = count2 == -1 ? std::wcslen(text2) : static_cast<std::size_t>(count2);
  const bool ignore_case = (flags & NORM_IGNORECASE) != 0;
  for (std::size_t i = 0; i < n1 && i < n2; ++i) {
    wchar_t a = ignore_case ? fold_case(text1[i]) : text1[i];
    wchar_t b = ignore_case ? fold_case(text2[i]) : text2[i];
    if (a != b)
      return static_cast<std::uint32_t>(a) < static_cast<std::uint32_t>(b) ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  if (n1 == n2) return CSTR_EQUAL;
  return n1 < n2 ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

int CompareStringA(LCID locale, DWORD flags, LPCSTR text1, int count1, LPCSTR text2, int count2) {
  if (text1 == nullptr || text2 == nullptr || count1 < -1 || count2 < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring a = widen(text1, count1);
  std::wstring b = widen(text2, count2);
  return CompareStringW(locale, flags, a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()));
}

BOOL IsCharAlphaNumericW(WCHAR ch) {
  locale_t loc = unicode_ctype();
  if (loc == static_cast<locale_t>(nullptr)) return iswalnum(static_cast<wint_t>(ch)) ? TRUE : FALSE;
  return iswalnum_l(static_cast<wint_t>(ch), loc) ? TRUE : FALSE;
}
