// UTF-8 conversion, case-insensitive comparison and Like matching for the Jet SQL layer.
#include "platform/jet/sql/jet_sql_text.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/win/code_pages.h"
#include "platform/win/string_compare.h"

std::string jet_to_utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring jet_from_utf8(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

namespace {

// The C.UTF-8 locale's character tables, kept apart from the process locale.
locale_t unicode_ctype() {
  static locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return l;
}

}  // namespace

wchar_t jet_upper(wchar_t c) {
  locale_t l = unicode_ctype();
  return static_cast<wchar_t>(l ? towupper_l(static_cast<wint_t>(c), l) : std::towupper(static_cast<wint_t>(c)));
}

wchar_t jet_lower(wchar_t c) {
  locale_t l = unicode_ctype();
  return static_cast<wchar_t>(l ? towlower_l(static_cast<wint_t>(c), l) : std::towlower(static_cast<wint_t>(c)));
}

int jet_compare_text(std::wstring_view a, std::wstring_view b) {
  // An empty view may hold no pointer at all, which the comparison refuses as a missing text.
  static constexpr wchar_t none[] = L"";
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.empty() ? none : a.data(), static_cast<int>(a.size()),
                        b.empty() ? none : b.data(), static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

namespace {

// Decodes one UTF-8 character; invalid bytes stand for themselves.
wchar_t next_char(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  if (i + extra >= s.size() + (extra ? 0 : 1)) extra = 0;
  wchar_t w = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) w = (w << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += 1 + extra;
  return w;
}

}  // namespace

int jet_compare_utf8(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    wchar_t x, y;
    if (ca < 0x80 && cb < 0x80) {  // the common ASCII case without decoding
      x = static_cast<wchar_t>(ca >= 'A' && ca <= 'Z' ? ca + 32 : ca);
      y = static_cast<wchar_t>(cb >= 'A' && cb <= 'Z' ? cb + 32 : cb);
      ++i;
      ++j;
    } else {
      x = fold_case(next_char(a, i));
      y = fold_case(next_char(b, j));
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

namespace {

// Matches one pattern element at p against character c; advances p past the element.
bool element_matches(std::wstring_view pattern, size_t& p, wchar_t c) {
  wchar_t e = pattern[p];
  if (e == L'?') {
    ++p;
    return true;
  }
  if (e == L'#') {
    ++p;
    return std::iswdigit(c) != 0;
  }
  if (e == L'[') {
    size_t close = pattern.find(L']', p + 1);
    if (close == std::wstring_view::npos) {  // an unclosed bracket matches itself
      ++p;
      return fold_case(c) == L'[';
    }
    std::wstring_view set = pattern.substr(p + 1, close - p - 1);
    p = close + 1;
    bool negate = !set.empty() && set[0] == L'!';
    if (negate) set.remove_prefix(1);
    bool found = false;
    wchar_t fc = fold_case(c);
    for (size_t k = 0; k < set.size(); ++k) {
      if (k + 2 < set.size() && set[k + 1] == L'-') {
        wchar_t lo = fold_case(set[k]), hi = fold_case(set[k + 2]);
        if ((fc >= lo && fc <= hi) || (c >= set[k] && c <= set[k + 2])) found = true;
        k += 2;
      } else if (fold_case(set[k]) == fc) {
        found = true;
      }
    }
    return found != negate;
  }
  ++p;
  return fold_case(e) == fold_case(c);
}

}  // namespace

bool jet_like(std::wstring_view text, std::wstring_view pattern) {
  // Greedy matching with one backtrack point: the last '*'.
  size_t t = 0, p = 0;
  size_t star_p = std::wstring_view::npos, star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star_p = ++p;
      star_t = t;
      continue;
    }
    size_t next = p;
    if (p < pattern.size() && element_matches(pattern, next, text[t])) {
      p = next;
      ++t;
      continue;
    }
    if (star_p == std::wstring_view::npos) return false;
    p = star_p;
    t = ++star_t;
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

std::wstring jet_number_text(double v) {
  if (std::isnan(v) || std::isinf(v)) return L"Overflow";
  if (v == 0) return L"0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  size_t e = s.find('E');
  std::string mantissa = e == std::string::npos ? s : s.substr(0, e);
  std::string exponent = e == std::string::npos ? "" : s.substr(e);
  if (mantissa.find('.') != std::string::npos) {
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
  }
  std::wstring out;
  for (char c : mantissa + exponent) out += static_cast<wchar_t>(c);
  return out;
}

std::wstring jet_currency_text(long long scaled) {
  bool negative = scaled < 0;
  unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
  std::wstring out = std::to_wstring(magnitude / 10000);
  unsigned long long fraction = magnitude % 10000;
  if (fraction) {
    wchar_t buf[8];
    std::swprintf(buf, 8, L"%04llu", fraction);
    std::wstring f = buf;
    while (f.back() == L'0') f.pop_back();
    out += L"." + f;
  }
  return negative ? L"-" + out : out;
}
