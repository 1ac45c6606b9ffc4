// ole_date: reading date texts, validity, fractions of a second and the canonical printing.
#include "OLE/ole_date.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/oleaut/oleauto.h"
#include "platform/win/string_compare.h"

#include <cctype>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace {

// A bounded stand-in for the sscanf formats the reader uses: each item is read from the text
// with scanf's rules (blanks skipped before a number, an optional sign, at most `width`
// characters), and the count of items read before the first mismatch is what the caller tests.
class scanner {
 public:
  explicit scanner(const std::string& text) : p_(text.c_str()), end_(text.c_str() + text.size()) {}

  // %Nd (width 0: no limit), stored as a 16-bit field.
  bool number(WORD& out, std::size_t width = 0) {
    while (p_ < end_ && std::isspace(static_cast<unsigned char>(*p_))) ++p_;
    const char* start = p_;
    const char* limit = width == 0 || static_cast<std::size_t>(end_ - p_) < width ? end_ : p_ + width;
    bool negative = false;
    if (p_ < limit && (*p_ == '+' || *p_ == '-')) negative = *p_++ == '-';
    long value = 0;
    const char* digits = p_;
    for (; p_ < limit && *p_ >= '0' && *p_ <= '9'; ++p_)
      if (value < 100000) value = value * 10 + (*p_ - '0');  // beyond any date field: kept invalid
    if (p_ == digits) {
      p_ = start;
      return false;
    }
    // Fields are 16-bit, as %hd stores them; a negative number ends up invalid like on Windows.
    out = static_cast<WORD>(negative ? -value : std::min(value, 65535L));
    return true;
  }
  // A literal character of the format.
  bool literal(char c) {
    if (p_ < end_ && *p_ == c) {
      ++p_;
      return true;
    }
    return false;
  }
  // The "T" between the date and the time of the ISO form ("2023-05-01T12:30:45"), taken only
  // where a number follows it.
  void iso_time_mark() {
    if (end_ - p_ >= 2 && (*p_ == 'T' || *p_ == 't') && p_[1] >= '0' && p_[1] <= '9') ++p_;
  }
  // A blank in the format: any run of white space, also none.
  void blanks() {
    while (p_ < end_ && std::isspace(static_cast<unsigned char>(*p_))) ++p_;
  }
  // %s: the next run of non-blank characters.
  bool word(std::string& out) {
    blanks();
    const char* start = p_;
    while (p_ < end_ && !std::isspace(static_cast<unsigned char>(*p_))) ++p_;
    out.assign(start, p_);
    return p_ != start;
  }

 private:
  const char* p_;
  const char* end_;
};

constexpr unsigned month_lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// A seconds text must begin with its number ("45", "45.5", "07+02:00"): a text without one is
// no time, where it would otherwise read as 0 seconds.
bool starts_with_number(const std::string& text) {
  const auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
  return digit(0) || (!text.empty() && text[0] == '.' && digit(1));
}

// The leading floating-point number of a text, read the same way in every locale; infinity when
// the number is too large for a double.
double leading_double(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  if (*text == '+') ++text;
  double value = 0;
  const char* end = text;
  while (*end != '\0') ++end;
  // Nothing read leaves 0.
  if (std::from_chars(text, end, value).ec == std::errc::result_out_of_range) return HUGE_VAL;
  return value;
}

}  // namespace

bool ole_is_leap_year(int year) {
  if (year < 1) ++year;
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned ole_days_in_month(int year, unsigned month) {
  return month == 2 && ole_is_leap_year(year) ? 29 : month_lengths[month - 1];
}

bool ole_whole_seconds_of_variant_time(double date, SYSTEMTIME& time, bool& fraction_dropped) {
  fraction_dropped = false;
  const double whole = std::trunc(date);
  // The day alone; the time of day runs forward from its midnight also before day 0.
  if (!std::isfinite(date) || !VariantTimeToSystemTime(whole, &time)) return false;
  const double seconds = std::fabs(date - whole) * 86400.0;
  // A time written in whole seconds comes back a few last bits off (1/3 of a day is no exact
  // double): such a difference is noise, anything beyond it a fraction the value held.
  const double noise = 4 * 86400.0 * (std::nextafter(std::fabs(date), HUGE_VAL) - std::fabs(date));
  double kept = std::floor(seconds + noise);
  if (seconds - kept > noise) fraction_dropped = true;
  // The last fraction of a day stays on its day: 23:59:59.9999 is 23:59:59.
  if (kept >= 86400) {
    kept = 86399;
    fraction_dropped = true;
  }
  const auto s = static_cast<unsigned>(kept);
  time.wHour = static_cast<WORD>(s / 3600);
  time.wMinute = static_cast<WORD>(s / 60 % 60);
  time.wSecond = static_cast<WORD>(s % 60);
  time.wMilliseconds = 0;
  return true;
}

ole_date::ole_date() { tk_log1(tk_log_trace, "ole_date::ole_date()"); }

ole_date::ole_date(const SYSTEMTIME& time) : kind_(ole_date_datetime), time_(time) {
  tk_log1(tk_log_trace, "ole_date::ole_date(SYSTEMTIME)");
  refine_type();
}

ole_date::ole_date(const std::string& text) { parse(text); }

ole_date::ole_date(const std::wstring& text) {
  std::string narrow;
  tk_unicode_to_ansi3(text.c_str(), narrow);  // an empty or unconvertible text reads as no date
  parse(narrow);
}

void ole_date::parse(const std::string& given) {
  tk_log1(tk_log_trace, "ole_date::ole_date('%s')", given.c_str());
  clear_time();
  std::string text = tk_trim(given);
  tk_log1(tk_log_trace, "After tk_trim: %s", text.c_str());
  for (const char* marker : {"AM", "PM", "am", "pm"}) {
    const std::size_t at = text.find(marker);
    if (at != std::string::npos) {
      text = tk_trim(text.substr(0, at));
      break;
    }
  }
  tk_log1(tk_log_trace, "Again buf1=%s", text.c_str());
  if (text.size() < 5) {
    tk_log1(tk_log_detail, "Invalid date/time format: '%s'", text.c_str());
    kind_ = ole_date_none;
    return;
  }
  if (!import_from_string(text)) return;
  const bool pm = given.find("PM") != std::string::npos || given.find("pm") != std::string::npos;
  const bool am = given.find("AM") != std::string::npos || given.find("am") != std::string::npos;
  if (pm && time_.wHour < 12) time_.wHour = static_cast<WORD>(time_.wHour + 12);
  // 12 AM is the first hour of the day: "12:30:00 AM" is half past midnight.
  if (am && !pm && time_.wHour == 12) time_.wHour = 0;
}

bool ole_date::import_from_string(const std::string& text) {
  tk_log1(tk_log_trace, "ole_date::import_from_string(%s)", text.c_str());
  if (text.size() == 14) {
    tk_log1(tk_log_trace, "Trying timestamp format (1)...");
    scanner s(text);
    int items = 0;
    WORD* fields[] = {&time_.wYear, &time_.wMonth, &time_.wDay, &time_.wHour, &time_.wMinute, &time_.wSecond};
    for (int i = 0; i < 6 && s.number(*fields[i], i == 0 ? 4 : 2); ++i) ++items;
    swap_day_and_year();
    if (items == 6) {
      kind_ = ole_date_datetime;
      if (check(true)) return true;
    }
    clear_time();
  } else if (text.size() == 8) {
    tk_log1(tk_log_trace, "Trying timestamp format (2)...");
    scanner s(text);
    int items = 0;
    WORD* fields[] = {&time_.wYear, &time_.wMonth, &time_.wDay};
    for (int i = 0; i < 3 && s.number(*fields[i], i == 0 ? 4 : 2); ++i) ++items;
    if (items == 3) {
      kind_ = ole_date_date;
      if (check(true)) return true;
    }
    clear_time();
  }

  tk_log1(tk_log_trace, "Trying pure time format...");
  {
    scanner s(text);
    std::string seconds;
    int items = 0;
    if (s.number(time_.wHour)) {
      ++items;
      if (s.literal(':') && s.number(time_.wMinute)) {
        ++items;
        if (s.literal(':') && s.word(seconds)) ++items;
      }
    }
    if (items == 3 || items == 2) {
      kind_ = ole_date_time;
      if (check(true) && (items == 2 || with_seconds(seconds))) return true;
    }
  }

  const char separators[] = {'-', '/', '.'};
  for (int f = 0; f < 3; ++f) {
    clear_time();
    microseconds_ = 0;
    tk_log1(tk_log_trace, "Trying datetime format #%d", f);
    scanner s(text);
    std::string seconds;
    int items = 0;
    if (s.number(time_.wYear) && ++items && s.literal(separators[f]) && s.number(time_.wMonth) && ++items &&
        s.literal(separators[f]) && s.number(time_.wDay) && ++items) {
      if (separators[f] == '-') s.iso_time_mark();
      s.blanks();
      if (s.number(time_.wHour) && ++items && s.literal(':') && s.number(time_.wMinute) && ++items && s.literal(':') &&
          s.word(seconds))
        ++items;
    }
    if (items != 3 && items != 6) continue;
    swap_day_and_year();
    if (items == 3) {
      tk_log1(tk_log_trace, "Format #%d succeeded (3 items)", f);
      kind_ = ole_date_date;
      if (check(true)) return true;
    } else {
      tk_log1(tk_log_trace, "Format #%d succeeded (6 items)", f);
      kind_ = ole_date_datetime;
      if (check(true) && with_seconds(seconds)) {
        refine_type();
        return true;
      }
    }
  }

  clear_time();
  microseconds_ = 0;
  std::wstring wide;
  for (unsigned char c : text) wide.push_back(static_cast<wchar_t>(c));  // the English words are ASCII
  DATE date = 0;
  SYSTEMTIME converted{};
  if (SUCCEEDED(VarDateFromStr(wide.c_str(), LOCALE_SYSTEM_DEFAULT, 0, &date)) &&
      VariantTimeToSystemTime(date, &converted)) {
    tk_log1(tk_log_trace, "Got datetime using Microsoft API");
    time_ = converted;
    kind_ = ole_date_datetime;
    refine_type();
    return true;
  }
  kind_ = ole_date_none;
  tk_log1(tk_log_detail, "Invalid date/time format: '%s'", text.c_str());
  return false;
}

bool ole_date::is_valid() const {
  tk_log1(tk_log_trace, "ole_date::is_valid");
  return check(true);
}

bool ole_date::check(bool log) const {
  if (kind_ == ole_date_none) return false;
  const SYSTEMTIME& t = time_;
  if (t.wYear == 0 && t.wMonth == 0 && t.wDay == 0) {
    if (log) tk_log1(tk_log_trace, "DATETIME is a pute time");
  } else {
    const char* fault = nullptr;
    if (t.wMonth < 1 || t.wMonth > 12)
      fault = "Invalid month";
    else if (t.wDay > 31)
      fault = "Invalid day (1)";
    else if (t.wDay > ole_days_in_month(t.wYear, t.wMonth))
      fault = "Invalid day (2)";
    else if (t.wYear == 0 || t.wDay == 0)
      fault = "Got zero day/month/year";
    if (fault != nullptr) {
      if (log) tk_log1(tk_log_trace, "%s", fault);
      return false;
    }
  }
  if (t.wHour > 23 || t.wMinute > 60 || t.wSecond > 60) {
    if (log) tk_log1(tk_log_detail, "Invalid time");
    return false;
  }
  return true;
}

bool ole_date::with_seconds(const std::string& seconds_text) {
  // A number of 61 or more would otherwise be read as 0 seconds by process_milliseconds.
  if (!starts_with_number(seconds_text) || !(leading_double(seconds_text.c_str()) < 61)) {
    tk_log1(tk_log_detail, "Invalid time");
    return false;
  }
  process_milliseconds(seconds_text.c_str());
  // The seconds arrive as text after the other fields were checked: "12:30:99" is no time.
  return check(true);
}

void ole_date::swap_day_and_year() {
  if (time_.wDay > 31 && time_.wYear < 32) {
    tk_log1(tk_log_detail, "Swap day and year: day=%d, year=%d", time_.wDay, time_.wYear);
    std::swap(time_.wDay, time_.wYear);
  }
}

void ole_date::process_milliseconds(const char* seconds_text) {
  tk_log1(tk_log_trace, "ole_date::process_milliseconds");
  if (seconds_text == nullptr) throw tk_mail_assertion("ole_date", 581);
  tk_log1(tk_log_trace, "Got row sec: '%s'", seconds_text);
  double x = leading_double(seconds_text);
  if (!(x >= 0 && x < 65535)) x = 0;  // a field of 16 bits; anything else is no number of seconds
  const double whole = std::trunc(x);
  time_.wSecond = static_cast<WORD>(whole);
  tk_log1(tk_log_trace, "Got sec: %d", time_.wSecond);
  // Both fractions come from one rounding, so the milliseconds never reach 1000 on their own.
  long micro = std::lround((x - whole) * 1000000.0);
  if (micro >= 1000000) {
    micro = 0;
    ++time_.wSecond;
    if (time_.wSecond >= 60) {
      time_.wSecond = static_cast<WORD>(time_.wSecond - 60);
      if (++time_.wMinute >= 60) {
        time_.wMinute = static_cast<WORD>(time_.wMinute - 60);
        if (++time_.wHour == 24) {
          if (kind_ == ole_date_time || is_last_day()) {
            // A time alone has no next day to move to, and no server holds a day after
            // 9999-12-31: the value stays at the last instant of its day.
            time_.wHour = 23;
            time_.wMinute = 59;
            time_.wSecond = 59;
            micro = 999999;
          } else {
            time_.wHour = 0;
            next_day();
          }
        }
      }
    }
  }
  microseconds_ = static_cast<std::uint32_t>(micro);
  time_.wMilliseconds = static_cast<WORD>(std::min(999L, (micro + 500) / 1000));
  tk_log1(tk_log_trace, "Got msec: %d", time_.wMilliseconds);
  tk_log1(tk_log_trace, "Got microseconds: %d", static_cast<int>(microseconds_));
}

bool ole_date::is_last_day() const { return time_.wYear >= 9999 && time_.wMonth == 12 && time_.wDay == 31; }

void ole_date::next_day() {
  if (time_.wMonth < 1 || time_.wMonth > 12) return;
  if (++time_.wDay > ole_days_in_month(time_.wYear, time_.wMonth)) {
    time_.wDay = 1;
    if (++time_.wMonth > 12) {
      time_.wMonth = 1;
      ++time_.wYear;
    }
  }
}

void ole_date::refine_type() {
  const SYSTEMTIME& t = time_;
  tk_log1(tk_log_trace, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
          t.wSecond);
  if (t.wYear == 0 && t.wMonth == 0 && t.wDay == 0) {
    tk_log1(tk_log_trace, "Switch to 'pure' time");
    kind_ = ole_date_time;
  } else if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0 && t.wMilliseconds == 0 && microseconds_ == 0 &&
             t.wYear != 0 && t.wMonth != 0 && t.wDay != 0) {
    tk_log1(tk_log_trace, "Switch to 'pure' date");
    kind_ = ole_date_date;
  }
}

namespace {

// Writes value zero-padded to at least width digits, the text "%0<width>d" gives a value that
// is never negative. Dates are printed once per value of every row: printf cost more than the
// rest of writing the value.
char* put_number(char* out, std::uint32_t value, int width) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = n; i < width; ++i) *out++ = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

// "yyyy-mm-dd"
char* put_day(char* out, const SYSTEMTIME& t) {
  out = put_number(out, t.wYear, 4);
  *out++ = '-';
  out = put_number(out, t.wMonth, 2);
  *out++ = '-';
  return put_number(out, t.wDay, 2);
}

// "hh:mm:ss", then ".ffffff" (micro), ".fff" (milli) or nothing.
char* put_clock(char* out, std::uint32_t hour, const SYSTEMTIME& t, bool no_fraction, bool micro,
                std::uint32_t microseconds) {
  out = put_number(out, hour, 2);
  *out++ = ':';
  out = put_number(out, t.wMinute, 2);
  *out++ = ':';
  out = put_number(out, t.wSecond, 2);
  if (no_fraction) return out;
  *out++ = '.';
  return micro ? put_number(out, microseconds, 6) : put_number(out, t.wMilliseconds, 3);
}

}  // namespace

std::string ole_date::format(int precision, bool wide_form) const {
  const SYSTEMTIME& t = time_;
  const std::uint32_t hour = t.wHour % 24u;
  const bool no_fraction = precision == 0 || (t.wMilliseconds == 0 && microseconds_ == 0);
  const bool micro = precision == 6 && microseconds_ != 0;
  char buf[64];
  char* end = buf;
  switch (kind_) {
    case ole_date_datetime:
      tk_log1(tk_log_trace, "printing datetime...");
      end = put_day(end, t);
      if (hour == 0 && t.wMinute == 0 && t.wSecond == 0 && t.wMilliseconds == 0 && microseconds_ == 0 &&
          midnight_as_date_)
        break;
      *end++ = ' ';
      end = put_clock(end, hour, t, no_fraction, micro, microseconds_);
      break;
    case ole_date_date:
      tk_log1(tk_log_trace, "printing date...");
      end = put_day(end, t);
      break;
    case ole_date_time: {
      tk_log1(tk_log_trace, "printing time...");
      if (!wide_form) {
        static constexpr char no_day[] = "0000-00-00 ";
        for (const char* c = no_day; *c != '\0'; ++c) *end++ = *c;
      }
      end = put_clock(end, hour, t, no_fraction, micro, microseconds_);
      break;
    }
    default: break;
  }
  std::string text(buf, static_cast<std::size_t>(end - buf));
  tk_log1(tk_log_trace, "buf=%s", text.c_str());
  return text;
}

std::string ole_date::to_string(int precision) const {
  tk_log1(tk_log_trace, "ole_date::to_string(%d)", precision);
  return format(precision, false);
}

std::wstring ole_date::to_wstring(int precision) const {
  tk_log1(tk_log_trace, "ole_date::to_wstring(%d)", precision);
  const std::string text = format(precision, true);
  return std::wstring(text.begin(), text.end());  // digits, '-', ':', '.' and blanks only
}
