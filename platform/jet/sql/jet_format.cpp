// The en-US renderings of Format(): month and day names, AM/PM, "," thousands and "." decimals.
#include "platform/jet/sql/jet_format.h"

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_sql_text.h"

namespace {

const wchar_t* const month_names[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                      L"July",    L"August",   L"September", L"October", L"November", L"December"};
const wchar_t* const day_names[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                    L"Thursday", L"Friday", L"Saturday"};

bool ieq(const std::wstring& a, const wchar_t* b) { return jet_compare_text(a, b) == 0; }

std::wstring two(int v) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%02d", v);
  return buf;
}

// The longest date token ("dddddd") is six letters: a longer run reads as tokens one after the
// other, so counting stops there rather than rescanning the rest of the run for each token.
constexpr size_t longest_date_token = 6;

size_t count_run(const std::wstring& f, size_t i, wchar_t c) {
  size_t n = 0;
  while (n < longest_date_token && i + n < f.size() && static_cast<wchar_t>(std::towlower(f[i + n])) == c) ++n;
  return n;
}

bool starts_with_ci(const std::wstring& f, size_t i, const wchar_t* token) {
  size_t n = std::wcslen(token);
  return f.size() >= i + n && jet_compare_text(std::wstring_view(f).substr(i, n), token) == 0;
}

}  // namespace

bool jet_is_date_format(const std::wstring& f) {
  for (const wchar_t* named : {L"General Number", L"Currency", L"Fixed", L"Standard", L"Percent", L"Scientific",
                               L"Yes/No", L"True/False", L"On/Off"})
    if (ieq(f, named)) return false;
  for (const wchar_t* named :
       {L"General Date", L"Long Date", L"Medium Date", L"Short Date", L"Long Time", L"Medium Time", L"Short Time"})
    if (ieq(f, named)) return true;
  bool date_token = false;
  for (size_t i = 0; i < f.size(); ++i) {
    wchar_t c = static_cast<wchar_t>(std::towlower(f[i]));
    if (f[i] == L'"') {
      size_t close = f.find(L'"', i + 1);
      i = close == std::wstring::npos ? f.size() : close;
      continue;
    }
    if (c == L'\\') {
      ++i;
      continue;
    }
    if (c == L'0' || c == L'#') return false;
    if (std::wstring(L"dmyhnswqc").find(c) != std::wstring::npos) date_token = true;
  }
  return date_token;
}

std::wstring jet_format_date(double d, const std::wstring& format) {
  if (ieq(format, L"General Date") || format.empty()) return jet_date_text(d);
  std::wstring f = format;
  if (ieq(f, L"Long Date"))
    f = L"dddd, mmmm d, yyyy";
  else if (ieq(f, L"Medium Date"))
    f = L"d-mmm-yy";
  else if (ieq(f, L"Short Date"))
    f = L"m/d/yyyy";
  else if (ieq(f, L"Long Time"))
    f = L"h:nn:ss AM/PM";
  else if (ieq(f, L"Medium Time"))
    f = L"hh:nn AM/PM";
  else if (ieq(f, L"Short Time"))
    f = L"hh:nn";

  jet_date_parts p = jet_date_split(d);
  bool twelve_hour = false;
  for (const wchar_t* t : {L"AM/PM", L"A/P", L"AMPM"})
    if (f.size() >= std::wcslen(t))
      for (size_t i = 0; i + std::wcslen(t) <= f.size(); ++i)
        if (starts_with_ci(f, i, t)) twelve_hour = true;
  int hour = twelve_hour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;

  std::wstring out;
  bool after_hour = false;  // "m" right after an hour token means minutes
  for (size_t i = 0; i < f.size();) {
    wchar_t c = static_cast<wchar_t>(std::towlower(f[i]));
    if (f[i] == L'"') {
      size_t close = f.find(L'"', i + 1);
      if (close == std::wstring::npos) close = f.size();
      out += f.substr(i + 1, close - i - 1);
      i = close + 1;
      continue;
    }
    if (c == L'\\' && i + 1 < f.size()) {
      out += f[i + 1];
      i += 2;
      continue;
    }
    if (starts_with_ci(f, i, L"AM/PM")) {
      bool upper = f[i] == L'A';
      out += p.hour < 12 ? (upper ? L"AM" : L"am") : (upper ? L"PM" : L"pm");
      i += 5;
      continue;
    }
    if (starts_with_ci(f, i, L"A/P")) {
      bool upper = f[i] == L'A';
      out += p.hour < 12 ? (upper ? L"A" : L"a") : (upper ? L"P" : L"p");
      i += 3;
      continue;
    }
    if (starts_with_ci(f, i, L"AMPM")) {
      out += p.hour < 12 ? L"AM" : L"PM";
      i += 4;
      continue;
    }
    size_t n = count_run(f, i, c);
    switch (c) {
      case L'y':
        if (n >= 4) {
          out += std::to_wstring(p.year);
          n = 4;
        } else if (n >= 2) {
          out += two(p.year % 100);
          n = 2;
        } else
          out += std::to_wstring(jet_date_days(d) - jet_days_from_civil(p.year, 1, 1) + 1);
        break;
      case L'q':
        out += std::to_wstring((p.month - 1) / 3 + 1);
        n = 1;
        break;
      case L'm':
        if (after_hour && n <= 2) {
          out += n == 2 ? two(p.minute) : std::to_wstring(p.minute);
        } else if (n >= 4) {
          out += month_names[p.month - 1];
          n = 4;
        } else if (n == 3) {
          out += std::wstring(month_names[p.month - 1]).substr(0, 3);
        } else {
          out += n == 2 ? two(p.month) : std::to_wstring(p.month);
        }
        break;
      case L'd':
        if (n >= 6) {
          out += jet_format_date(d, L"Long Date");
          n = 6;
        } else if (n == 5)
          out += jet_format_date(d, L"Short Date");
        else if (n == 4)
          out += day_names[p.weekday - 1];
        else if (n == 3)
          out += std::wstring(day_names[p.weekday - 1]).substr(0, 3);
        else
          out += n == 2 ? two(p.day) : std::to_wstring(p.day);
        break;
      case L'w':
        if (n >= 2) {
          long long jan1 = jet_days_from_civil(p.year, 1, 1);
          int jan1_weekday = jet_date_split(static_cast<double>(jan1)).weekday;
          out += std::to_wstring((jet_date_days(d) - jan1 + jan1_weekday - 1) / 7 + 1);
          n = 2;
        } else {
          out += std::to_wstring(p.weekday);
        }
        break;
      case L'h':
        out += n >= 2 ? two(hour) : std::to_wstring(hour);
        n = n >= 2 ? 2 : 1;
        break;
      case L'n':
        out += n >= 2 ? two(p.minute) : std::to_wstring(p.minute);
        n = n >= 2 ? 2 : 1;
        break;
      case L's':
        out += n >= 2 ? two(p.second) : std::to_wstring(p.second);
        n = n >= 2 ? 2 : 1;
        break;
      case L'c':
        out += jet_date_text(d);
        n = 1;
        break;
      case L't':
        if (n >= 5) {
          out += jet_format_date(d, L"Long Time");
          n = 5;
        } else {
          out += f[i];
          n = 1;
        }
        break;
      default:
        out += f[i];
        n = 1;
        break;
    }
    if (c == L'h')
      after_hour = true;
    else if (c != L':' && c != L' ')
      after_hour = false;
    i += n;
  }
  return out;
}

namespace {

// One section of a custom number format applied to a non-negative value.
std::wstring format_section(double v, const std::wstring& f) {
  // Split into the text before the first placeholder, the placeholders, and the rest.
  size_t first = std::wstring::npos, last = 0;
  bool percent = false;
  for (size_t i = 0; i < f.size(); ++i) {
    wchar_t c = f[i];
    if (c == L'"') {
      size_t close = f.find(L'"', i + 1);
      i = close == std::wstring::npos ? f.size() : close;
      continue;
    }
    if (c == L'\\') {
      ++i;
      continue;
    }
    if (c == L'%') percent = true;
    if (c == L'0' || c == L'#' || ((c == L'.' || c == L',') && first != std::wstring::npos) ||
        ((c == L'E' || c == L'e') && first != std::wstring::npos && i + 1 < f.size() &&
         (f[i + 1] == L'+' || f[i + 1] == L'-'))) {
      if (first == std::wstring::npos) first = i;
      last = i;
      if (c == L'E' || c == L'e') {
        last = i + 1;
        while (last + 1 < f.size() && (f[last + 1] == L'0' || f[last + 1] == L'#')) ++last;
        i = last;
      }
    } else if (c == L'.' && first == std::wstring::npos && i + 1 < f.size() && (f[i + 1] == L'0' || f[i + 1] == L'#')) {
      first = last = i;
    }
  }
  auto literal = [](const std::wstring& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == L'"') {
        size_t close = s.find(L'"', i + 1);
        if (close == std::wstring::npos) close = s.size();
        out += s.substr(i + 1, close - i - 1);
        i = close;
      } else if (s[i] == L'\\' && i + 1 < s.size()) {
        out += s[++i];
      } else {
        out += s[i];
      }
    }
    return out;
  };
  if (percent) v *= 100;
  if (first == std::wstring::npos) return literal(f);
  std::wstring placeholders = f.substr(first, last - first + 1);
  std::wstring prefix = literal(f.substr(0, first)), suffix = literal(f.substr(last + 1));

  size_t e = placeholders.find_first_of(L"Ee");
  std::wstring mantissa_format = e == std::wstring::npos ? placeholders : placeholders.substr(0, e);
  int exponent = 0;
  if (e != std::wstring::npos && v != 0) {
    int int_digits = 0;
    for (wchar_t c : mantissa_format.substr(0, mantissa_format.find(L'.')))
      if (c == L'0' || c == L'#') ++int_digits;
    if (int_digits < 1) int_digits = 1;
    exponent = static_cast<int>(std::floor(std::log10(v))) - (int_digits - 1);
    v /= std::pow(10.0, exponent);
  }
  size_t point = mantissa_format.find(L'.');
  std::wstring int_format = point == std::wstring::npos ? mantissa_format : mantissa_format.substr(0, point);
  std::wstring frac_format = point == std::wstring::npos ? L"" : mantissa_format.substr(point + 1);
  bool thousands = int_format.find(L',') != std::wstring::npos;
  int min_int = 0, frac_zero = 0, frac_all = 0;
  for (wchar_t c : int_format)
    if (c == L'0') ++min_int;
  for (wchar_t c : frac_format) {
    if (c == L'0') ++frac_zero;
    if (c == L'0' || c == L'#') ++frac_all;
  }
  // Format rounds half away from zero.
  double scale = std::pow(10.0, frac_all);
  double rounded = std::floor(v * scale + 0.5 + 1e-9) / scale;
  if (e != std::wstring::npos && rounded >= std::pow(10.0, static_cast<int>(int_format.size()))) {
    rounded /= 10;
    ++exponent;
  }
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", frac_all, rounded);
  std::string digits = buf;
  std::string int_part = digits.substr(0, digits.find('.'));
  std::string frac_part = frac_all ? digits.substr(digits.find('.') + 1) : "";
  if (int_part == "0" && min_int == 0) int_part.clear();
  if (static_cast<int>(int_part.size()) < min_int) int_part.insert(0, min_int - int_part.size(), '0');
  while (static_cast<int>(frac_part.size()) > frac_zero && !frac_part.empty() && frac_part.back() == '0')
    frac_part.pop_back();
  std::wstring out;
  for (size_t i = 0; i < int_part.size(); ++i) {
    if (thousands && i > 0 && (int_part.size() - i) % 3 == 0) out += L',';
    out += static_cast<wchar_t>(int_part[i]);
  }
  if (point != std::wstring::npos && (!frac_part.empty() || frac_format.empty() || true)) {
    if (!frac_part.empty() || point != std::wstring::npos) out += L'.';
    for (char c : frac_part) out += static_cast<wchar_t>(c);
  }
  if (e != std::wstring::npos) {
    wchar_t sign_mode = placeholders[e + 1];
    out += placeholders[e];
    if (exponent < 0)
      out += L'-';
    else if (sign_mode == L'+')
      out += L'+';
    std::wstring exp_digits = std::to_wstring(exponent < 0 ? -exponent : exponent);
    size_t min_exp = 0;
    for (size_t k = e + 2; k < placeholders.size(); ++k)
      if (placeholders[k] == L'0') ++min_exp;
    if (exp_digits.size() < min_exp) exp_digits.insert(0, min_exp - exp_digits.size(), L'0');
    out += exp_digits;
  }
  return prefix + out + suffix;
}

std::vector<std::wstring> sections(const std::wstring& f) {
  std::vector<std::wstring> out(1);
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == L'"') {
      size_t close = f.find(L'"', i + 1);
      if (close == std::wstring::npos) close = f.size() - 1;
      out.back() += f.substr(i, close - i + 1);
      i = close;
    } else if (f[i] == L'\\' && i + 1 < f.size()) {
      out.back() += f.substr(i, 2);
      ++i;
    } else if (f[i] == L';') {
      out.emplace_back();
    } else {
      out.back() += f[i];
    }
  }
  return out;
}

}  // namespace

std::wstring jet_format_number(double v, const std::wstring& format) {
  if (!std::isfinite(v)) return jet_number_text(v);
  std::wstring f = format;
  if (f.empty() || ieq(f, L"General Number")) return jet_number_text(v);
  if (ieq(f, L"Currency"))
    f = L"$#,##0.00;($#,##0.00)";
  else if (ieq(f, L"Fixed"))
    f = L"0.00";
  else if (ieq(f, L"Standard"))
    f = L"#,##0.00";
  else if (ieq(f, L"Percent"))
    f = L"0.00%";
  else if (ieq(f, L"Scientific"))
    f = L"0.00E+00";
  else if (ieq(f, L"Yes/No"))
    return v != 0 ? L"Yes" : L"No";
  else if (ieq(f, L"True/False"))
    return v != 0 ? L"True" : L"False";
  else if (ieq(f, L"On/Off"))
    return v != 0 ? L"On" : L"Off";
  if (jet_is_date_format(f)) return jet_format_date(v, f);

  std::vector<std::wstring> parts = sections(f);
  if (v < 0) {
    if (parts.size() >= 2 && !parts[1].empty()) return format_section(-v, parts[1]);
    return L"-" + format_section(-v, parts[0]);
  }
  if (v == 0 && parts.size() >= 3 && !parts[2].empty()) return format_section(v, parts[2]);
  return format_section(v, parts[0]);
}
