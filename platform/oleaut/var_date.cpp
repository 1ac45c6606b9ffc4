// DATE numbers: days since 1899-12-30 with the time of day as the fraction, and the English
// date texts the platform reads and writes.
#include "platform/oleaut/oleauto.h"
#include "platform/oleaut/var_number.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Proleptic Gregorian calendar, counted in days from 1970-01-01.
long long days_from_civil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civil_from_days(long long z, long long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

const long long ole_epoch = days_from_civil(1899, 12, 30);
constexpr double min_date = -657434.0;  // 0100-01-01
constexpr double end_date = 2958466.0;  // 10000-01-01, the first day beyond the range
const long long last_day = days_from_civil(9999, 12, 31);

bool is_leap(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned days_in_month(long long y, unsigned m) {
  static constexpr unsigned lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap(y) ? 29 : lengths[m - 1];
}

bool valid_day(long long y, unsigned m, unsigned d) {
  return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= days_in_month(y, m);
}

// Before day 0 the whole part counts backwards but the fraction still runs forward from
// midnight, so the time is subtracted.
DATE make_date(long long y, unsigned m, unsigned d, double seconds_of_day) {
  const double days = static_cast<double>(days_from_civil(y, m, d) - ole_epoch);
  const double fraction = seconds_of_day / 86400.0;
  return days < 0 ? days - fraction : days + fraction;
}

// ---- VarDateFromStr ----

struct token {
  enum kind_t { number, word, colon, dot } kind;
  long value = 0;  // numbers: the value; words: a word code below
  int digits = 0;  // numbers: how many digits were written
};

enum word_code : long { w_am = 100, w_pm = 101, w_weekday = 102 };

// Month names and three-letter abbreviations give the month number; "sept" is common too.
long word_value(const std::string& w) {
  static const char* const months[] = {"january", "february", "march",     "april",   "may",      "june",
                                       "july",    "august",   "september", "october", "november", "december"};
  static const char* const weekdays[] = {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
  if (w == "am") return w_am;
  if (w == "pm") return w_pm;
  if (w == "sept") return 9;
  for (long i = 0; i < 12; ++i) {
    const std::string name = months[i];
    if (w == name || w == name.substr(0, 3)) return i + 1;
  }
  for (const char* day : weekdays) {
    const std::string name = day;
    if (w == name || w == name.substr(0, 3)) return w_weekday;
  }
  return -1;
}

bool tokenize(const OLECHAR* in, std::vector<token>& out) {
  for (const OLECHAR* p = in; *p != 0;) {
    const wchar_t c = *p;
    if (c >= L'0' && c <= L'9') {
      token t{token::number};
      for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (++t.digits > 9) return false;  // no part of a date has that many digits
        t.value = t.value * 10 + (*p - L'0');
      }
      out.push_back(t);
    } else if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) {
      std::string w;
      for (; (*p >= L'a' && *p <= L'z') || (*p >= L'A' && *p <= L'Z'); ++p) {
        if (w.size() >= 9) return false;  // longer than "september": not a known word
        w.push_back(static_cast<char>(*p | 0x20));
      }
      const long code = word_value(w);
      if (code < 0) return false;
      out.push_back(token{token::word, code});
    } else if (c == L':') {
      out.push_back(token{token::colon});
      ++p;
    } else if (c == L'.') {
      out.push_back(token{token::dot});
      ++p;
    } else if (c == L'/' || c == L'-') {
      // A date separator stands between two parts of a date: never in front of a number (a
      // sign) nor after a colon or a dot, where it would turn "-1:10" into 1:10.
      const wchar_t next = p[1];
      const bool part_follows =
          (next >= L'0' && next <= L'9') || (next >= L'a' && next <= L'z') || (next >= L'A' && next <= L'Z');
      if (out.empty() || (out.back().kind != token::number && out.back().kind != token::word) || !part_follows) {
        return false;
      }
      ++p;
    } else if (c == L' ' || c == L'\t' || c == L',') {
      ++p;
    } else {
      return false;
    }
  }
  return true;
}

long full_year(const token& t) {
  if (t.digits > 2) return t.value;
  return t.value < 30 ? 2000 + t.value : 1900 + t.value;  // the two-digit window of Windows
}

bool is_year(const token& t) { return t.digits > 2 || t.value > 31; }

}  // namespace

INT SystemTimeToVariantTime(SYSTEMTIME* time, DOUBLE* date) {
  if (time == nullptr || date == nullptr) return FALSE;
  const SYSTEMTIME& t = *time;
  if (!valid_day(t.wYear, t.wMonth, t.wDay) || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 ||
      t.wMilliseconds > 999)
    return FALSE;
  const double seconds = t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
  *date = make_date(t.wYear, t.wMonth, t.wDay, seconds);
  return TRUE;
}

INT VariantTimeToSystemTime(DOUBLE date, SYSTEMTIME* time) {
  if (time == nullptr || !(date >= min_date && date < end_date)) return FALSE;  // also refuses NaN
  const double whole = std::trunc(date);
  long long seconds = std::llround(std::fabs(date - whole) * 86400.0);
  long long day = static_cast<long long>(whole) + ole_epoch;
  if (seconds >= 86400) {  // rounded up to the next midnight
    // The last instant of 9999-12-31 stays on its day: a year 10000 would turn a stored value
    // into no value at all.
    if (day == last_day) {
      seconds = 86399;
    } else {
      seconds -= 86400;
      ++day;
    }
  }
  long long y = 0;
  unsigned m = 0, d = 0;
  civil_from_days(day, y, m, d);
  if (y > 9999) return FALSE;
  time->wYear = static_cast<WORD>(y);
  time->wMonth = static_cast<WORD>(m);
  time->wDay = static_cast<WORD>(d);
  time->wDayOfWeek = static_cast<WORD>(((day % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
  time->wHour = static_cast<WORD>(seconds / 3600);
  time->wMinute = static_cast<WORD>(seconds / 60 % 60);
  time->wSecond = static_cast<WORD>(seconds % 60);
  time->wMilliseconds = 0;
  return TRUE;
}

HRESULT VarDateFromStr(const OLECHAR* in, LCID, ULONG, DATE* out) {
  if (in == nullptr || out == nullptr) return E_INVALIDARG;
  std::vector<token> tokens;
  if (!tokenize(in, tokens)) return DISP_E_TYPEMISMATCH;

  std::vector<token> numbers;  // the date's numbers in written order
  long month_name = 0;
  bool month_first = false;  // "May 1, 2023": the name came before any number
  bool has_time = false;
  double seconds_of_day = 0;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const token& t = tokens[i];
    if (t.kind == token::number && i + 2 < tokens.size() && tokens[i + 1].kind == token::colon &&
        tokens[i + 2].kind == token::number) {
      if (has_time) return DISP_E_TYPEMISMATCH;
      has_time = true;
      long hour = t.value, minute = tokens[i + 2].value, second = 0;
      double fraction = 0;
      i += 2;
      if (i + 2 < tokens.size() && tokens[i + 1].kind == token::colon && tokens[i + 2].kind == token::number) {
        second = tokens[i + 2].value;
        i += 2;
        if (i + 2 < tokens.size() && tokens[i + 1].kind == token::dot && tokens[i + 2].kind == token::number) {
          fraction = tokens[i + 2].value / std::pow(10.0, tokens[i + 2].digits);
          i += 2;
        }
      }
      if (i + 1 < tokens.size() && tokens[i + 1].kind == token::word &&
          (tokens[i + 1].value == w_am || tokens[i + 1].value == w_pm)) {
        if (hour < 1 || hour > 12) return DISP_E_TYPEMISMATCH;
        if (hour == 12) hour = 0;  // 12 AM is midnight, 12 PM noon
        if (tokens[i + 1].value == w_pm) hour += 12;
        ++i;
      }
      if (hour > 23 || minute > 59 || second > 59) return DISP_E_TYPEMISMATCH;
      seconds_of_day = hour * 3600.0 + minute * 60.0 + static_cast<double>(second) + fraction;
    } else if (t.kind == token::number) {
      numbers.push_back(t);
    } else if (t.kind == token::word && t.value >= 1 && t.value <= 12) {
      if (month_name != 0) return DISP_E_TYPEMISMATCH;
      month_name = t.value;
      month_first = numbers.empty();
    } else if (t.kind == token::word && t.value == w_weekday) {
      continue;  // "Monday, May 1, 2023": the weekday adds nothing
    } else if (t.kind == token::dot && !numbers.empty()) {
      continue;  // "01.05.2023"
    } else {
      return DISP_E_TYPEMISMATCH;
    }
  }

  long long year = 1899;
  unsigned month = 12, day = 30;  // a time alone lies on day 0
  if (month_name != 0) {
    if (numbers.size() != 2) return DISP_E_TYPEMISMATCH;
    const bool year_first = is_year(numbers[0]) && !month_first;
    const token& d = year_first ? numbers[1] : numbers[0];
    const token& y = year_first ? numbers[0] : numbers[1];
    if (d.digits > 2) return DISP_E_TYPEMISMATCH;
    year = full_year(y);
    month = static_cast<unsigned>(month_name);
    day = static_cast<unsigned>(d.value);
  } else if (numbers.size() == 3) {
    if (is_year(numbers[0])) {  // 2023-05-01
      year = full_year(numbers[0]);
      month = static_cast<unsigned>(numbers[1].value);
      day = static_cast<unsigned>(numbers[2].value);
    } else {  // 5/1/2023, month first as in the United States
      month = static_cast<unsigned>(numbers[0].value);
      day = static_cast<unsigned>(numbers[1].value);
      year = full_year(numbers[2]);
    }
  } else if (!numbers.empty() || !has_time) {
    return DISP_E_TYPEMISMATCH;
  }
  if (!valid_day(year, month, day)) return DISP_E_TYPEMISMATCH;
  *out = make_date(year, month, day, seconds_of_day);
  return S_OK;
}

HRESULT VarBstrFromDate(DATE in, LCID, ULONG, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  SYSTEMTIME t{};
  if (!VariantTimeToSystemTime(in, &t)) return E_INVALIDARG;
  char text[64];
  int n = 0;
  const bool day_zero = t.wYear == 1899 && t.wMonth == 12 && t.wDay == 30;
  const bool midnight = t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0;
  if (!day_zero || midnight) n = std::snprintf(text, sizeof text, "%u/%u/%u", t.wMonth, t.wDay, t.wYear);
  if (n < 0) return E_FAIL;
  if (!midnight || day_zero) {
    if (day_zero && midnight) n = 0;  // DATE 0 reads as the time of day alone
    const unsigned hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
    const int m = std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%s%u:%02u:%02u %s",
                                n > 0 ? " " : "", hour12, t.wMinute, t.wSecond, t.wHour < 12 ? "AM" : "PM");
    if (m < 0) return E_FAIL;
    n += m;
  }
  const std::wstring wide = oleaut_detail::widen(std::string(text, static_cast<std::size_t>(n)));
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}
