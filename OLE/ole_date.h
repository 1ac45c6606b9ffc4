// ole_date: the system's date-time value (date and time, date only, or time only) with a
// microsecond fraction, read from the many date texts of Access and MySQL and printed canonically.
#pragma once

#include "platform/win/windows_types.h"

#include <cstdint>
#include <string>

enum ole_date_kind : std::uint32_t {
  ole_date_none = 0,      // not a date: the text could not be read
  ole_date_datetime = 1,  // date and time
  ole_date_date = 2,      // date only
  ole_date_time = 3,      // time only (year, month and day are 0)
};

// The Gregorian rule; a year below 1 is first increased by 1.
bool ole_is_leap_year(int year);
// The days of a month (1 to 12) of that year.
unsigned ole_days_in_month(int year, unsigned month);

// The SYSTEMTIME of a DATE number (days since 1899-12-30, the time of day as the fraction) in
// whole seconds: a fraction of a second is dropped, never rounded into the next second, minute
// or day, and fraction_dropped tells whether the number held one beyond the noise of its last
// bits. False for a number outside 100-01-01 to 9999-12-31.
bool ole_whole_seconds_of_variant_time(double date, SYSTEMTIME& time, bool& fraction_dropped);

class ole_date {
 public:
  // Kind none, every field 0.
  ole_date();
  // Kind date and time, then narrowed: a zero time gives a date only, a zero date a time only.
  explicit ole_date(const SYSTEMTIME& time);
  // The text read by parse (UTF-8); kind none when it is no date.
  explicit ole_date(const std::string& text);
  explicit ole_date(const std::wstring& text);

  // Reads `text` into this value: 14-digit and 8-digit time stamps, "h:m[:s[.f]]" times,
  // year-month-day dates with "-", "/" or "." (optionally followed by such a time), then the
  // platform's English date reader. "AM"/"PM" anywhere apply to the hour. Hours above 23,
  // minutes or seconds above 60 and seconds that are no number make no date. Never throws.
  void parse(const std::string& text);
  // The steps of parse after AM/PM handling; true when one of them gave a valid value.
  bool import_from_string(const std::string& text);
  bool is_valid() const;
  // Sets second, milliseconds and microseconds from a seconds text such as "45.123456";
  // a fraction that rounds up to a whole second carries into the minute, hour and day, but
  // never past 9999-12-31 23:59:59.999999 nor past the end of a time alone.
  void process_milliseconds(const char* seconds_text);
  // Narrows kind 1 to 3 (no date) or 2 (no time).
  void refine_type();

  // "%04d-%02d-%02d %02d:%02d:%02d" and the forms of the kind; precision 0 prints no fraction,
  // 6 microseconds, any other value milliseconds. A time alone is "0000-00-00 hh:mm:ss" in the
  // narrow text and "hh:mm:ss" in the wide one. Kind none gives an empty text.
  std::string to_string(int precision) const;
  std::wstring to_wstring(int precision) const;

  ole_date_kind get_kind() const { return static_cast<ole_date_kind>(kind_); }
  const SYSTEMTIME& get_time() const { return time_; }
  std::uint32_t get_microseconds() const { return microseconds_; }

 private:
  // The fields in the order the system stores them.
  std::uint32_t kind_ = ole_date_none;
  std::int32_t zone_ = 0;              // time-zone offset in hours; nothing sets it
  std::int32_t midnight_as_date_ = 1;  // a date and time at exactly 00:00:00 prints as a date
  std::uint32_t microseconds_ = 0;     // the fraction of the second, 0..999999
  SYSTEMTIME time_{};                  // wMilliseconds holds the same fraction in milliseconds

  void clear_time() { time_ = SYSTEMTIME{}; }
  bool check(bool log) const;
  // Reads the seconds text of a time that passed `check` and checks the value again with them.
  bool with_seconds(const std::string& seconds_text);
  void swap_day_and_year();
  void next_day();
  // 9999-12-31, the last day MySQL and Access hold.
  bool is_last_day() const;
  std::string format(int precision, bool wide_form) const;
};
