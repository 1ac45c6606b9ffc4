// Calendar arithmetic over OLE dates, and the en-US date texts Jet reads and writes.
#include "platform/jet/sql/jet_date.h"

#include <cmath>
#include <cwctype>
#include <vector>

namespace {

const wchar_t* const month_names[] = {L"january", L"february", L"march",     L"april",   L"may",      L"june",
                                      L"july",    L"august",   L"september", L"october", L"november", L"december"};

long long floor_div(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
long long days_from_epoch(long long y, long long m, long long d) {
  y -= m <= 2;
  long long era = floor_div(y, 400);
  long long yoe = y - era * 400;
  long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civil_from_days(long long z, long long& y, int& m, int& d) {
  z += 719468;
  long long era = floor_div(z, 146097);
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = yoe + era * 400;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y += m <= 2;
}

const long long ole_epoch = days_from_epoch(1899, 12, 30);

struct token {
  bool number;
  long long value;
  std::wstring word;
  wchar_t separator;  // the character that followed
};

}  // namespace

long long jet_days_from_civil(long long year, long long month, long long day) {
  year += floor_div(month - 1, 12);
  month = (month - 1) - floor_div(month - 1, 12) * 12 + 1;
  return days_from_epoch(year, month, 1) + (day - 1) - ole_epoch;
}

double jet_ole_date(long long days, double fraction) {
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

double jet_ole_date(const jet_date_parts& p) {
  double fraction = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
  long long days = jet_days_from_civil(p.year, p.month, p.day);
  // A time that carries past midnight moves the day, as TimeSerial does.
  long long whole = static_cast<long long>(std::floor(fraction));
  return jet_ole_date(days + whole, fraction - static_cast<double>(whole));
}

namespace {

// Keeps calendar arithmetic defined for any double: outside Jet's range dates stick to its ends.
double clamp_date(double d) {
  if (!(d >= jet_min_date - 0.99999)) return jet_min_date;
  if (d > jet_max_date) return jet_max_date;
  return d;
}

}  // namespace

long long jet_date_days(double d) { return static_cast<long long>(std::trunc(clamp_date(d))); }

double jet_date_time(double d) { return std::fabs(d - std::trunc(d)); }

jet_date_parts jet_date_split(double d) {
  d = clamp_date(d);
  long long days = jet_date_days(d);
  long long seconds = std::llround(jet_date_time(d) * 86400.0);
  if (seconds >= 86400) {  // rounding reached the next midnight
    seconds -= 86400;
    days += d >= 0 ? 1 : -1;
  }
  jet_date_parts p;
  long long y;
  civil_from_days(days + ole_epoch, y, p.month, p.day);
  p.year = static_cast<int>(y);
  p.hour = static_cast<int>(seconds / 3600);
  p.minute = static_cast<int>(seconds / 60 % 60);
  p.second = static_cast<int>(seconds % 60);
  long long w = (days + ole_epoch + 4) % 7;  // 1970-01-01 was a Thursday
  if (w < 0) w += 7;
  p.weekday = static_cast<int>(w) + 1;
  return p;
}

std::optional<double> jet_parse_date(const std::wstring& raw) {
  std::vector<token> tokens;
  bool pm = false, am = false;
  size_t i = 0;
  while (i < raw.size()) {
    wchar_t c = raw[i];
    if (std::iswdigit(c)) {
      long long v = 0;
      size_t digits = 0;
      while (i < raw.size() && std::iswdigit(raw[i])) {
        v = v * 10 + (raw[i] - L'0');
        if (++digits > 9) return std::nullopt;
        ++i;
      }
      tokens.push_back({true, v, {}, i < raw.size() ? raw[i] : L'\0'});
    } else if (std::iswalpha(c)) {
      std::wstring w;
      while (i < raw.size() && std::iswalpha(raw[i])) w += static_cast<wchar_t>(std::towlower(raw[i++]));
      if (w == L"am" || w == L"a") {
        am = true;
      } else if (w == L"pm" || w == L"p") {
        pm = true;
      } else {
        int month = 0;
        for (int m = 0; m < 12; ++m)
          if (w.size() >= 3 && std::wstring(month_names[m]).compare(0, w.size(), w) == 0) month = m + 1;
        if (!month) return std::nullopt;
        tokens.push_back({false, month, w, i < raw.size() ? raw[i] : L'\0'});
      }
    } else if (c == L'/' || c == L'-' || c == L':' || c == L' ' || c == L',' || c == L'.' || c == L'\t') {
      ++i;
    } else {
      return std::nullopt;
    }
  }
  // Time: the numbers joined by ':'.
  std::vector<long long> date_numbers, time_numbers;
  int month_word = 0;
  for (size_t k = 0; k < tokens.size(); ++k) {
    const token& t = tokens[k];
    bool in_time =
        t.number && (t.separator == L':' || (k > 0 && tokens[k - 1].number && tokens[k - 1].separator == L':'));
    if (!t.number)
      month_word = static_cast<int>(t.value);
    else if (in_time)
      time_numbers.push_back(t.value);
    else
      date_numbers.push_back(t.value);
  }
  if (date_numbers.empty() && time_numbers.empty() && !month_word) return std::nullopt;
  if (time_numbers.empty() && (am || pm) && date_numbers.size() == 1 && !month_word) {
    time_numbers.push_back(date_numbers.back());  // "3 PM"
    date_numbers.clear();
  }
  jet_date_parts p;
  if (month_word) {
    if (date_numbers.size() != 2) return std::nullopt;
    p.month = month_word;
    // "1 Jan 1995" or "Jan 1, 1995": the day is the smaller-looking number.
    p.day = static_cast<int>(date_numbers[0] <= 31 ? date_numbers[0] : date_numbers[1]);
    p.year = static_cast<int>(date_numbers[0] <= 31 ? date_numbers[1] : date_numbers[0]);
  } else if (date_numbers.size() == 3) {
    if (date_numbers[0] > 31) {  // yyyy-mm-dd
      p.year = static_cast<int>(date_numbers[0]);
      p.month = static_cast<int>(date_numbers[1]);
      p.day = static_cast<int>(date_numbers[2]);
    } else {
      p.month = static_cast<int>(date_numbers[0]);
      p.day = static_cast<int>(date_numbers[1]);
      p.year = static_cast<int>(date_numbers[2]);
    }
  } else if (date_numbers.size() == 2) {  // m/d of the current year is not supported: no clock here
    return std::nullopt;
  } else if (!date_numbers.empty()) {
    return std::nullopt;
  }
  if (!date_numbers.empty() || month_word) {
    if (p.year < 100) p.year += p.year < 30 ? 2000 : 1900;
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.year > 9999) return std::nullopt;
    // The day must exist in that month.
    jet_date_parts check = jet_date_split(static_cast<double>(jet_days_from_civil(p.year, p.month, p.day)));
    if (check.day != p.day) return std::nullopt;
  }
  if (!time_numbers.empty()) {
    if (time_numbers.size() > 3) return std::nullopt;
    p.hour = static_cast<int>(time_numbers[0]);
    p.minute = time_numbers.size() > 1 ? static_cast<int>(time_numbers[1]) : 0;
    p.second = time_numbers.size() > 2 ? static_cast<int>(time_numbers[2]) : 0;
    if ((am || pm) && (p.hour < 1 || p.hour > 12)) return std::nullopt;
    if (pm && p.hour < 12) p.hour += 12;
    if (am && p.hour == 12) p.hour = 0;
    if (p.hour > 23 || p.minute > 59 || p.second > 59) return std::nullopt;
  }
  return jet_ole_date(p);
}

std::wstring jet_date_text(double d) {
  jet_date_parts p = jet_date_split(d);
  bool has_time = p.hour || p.minute || p.second;
  bool has_date = jet_date_days(d) != 0;
  std::wstring out;
  if (has_date || !has_time)
    out = std::to_wstring(p.month) + L"/" + std::to_wstring(p.day) + L"/" + std::to_wstring(p.year);
  if (has_time) {
    if (!out.empty()) out += L" ";
    int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%d:%02d:%02d %ls", h12, p.minute, p.second, p.hour < 12 ? L"AM" : L"PM");
    out += buf;
  }
  return out;
}
