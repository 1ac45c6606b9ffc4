// Dates as Jet keeps them: a double counting days from 30 December 1899, the time of day as the
// fraction (for days before that date the fraction still counts forward from midnight).
#pragma once

#include <optional>
#include <string>

struct jet_date_parts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
  int weekday = 7;  // 1 = Sunday ... 7 = Saturday
};

// The dates Jet can hold: 1 January 100 to 31 December 9999, as OLE dates.
constexpr double jet_min_date = -657434.0;
constexpr double jet_max_date = 2958465.99999;
inline bool jet_date_in_range(double d) { return d >= jet_min_date - 0.99999 && d <= jet_max_date; }

// Days from 30 December 1899 of a day of the proleptic Gregorian calendar; months and days
// outside their range carry over as DateSerial does (month 13 is January of the next year).
long long jet_days_from_civil(long long year, long long month, long long day);

double jet_ole_date(const jet_date_parts& parts);
double jet_ole_date(long long days, double day_fraction);
jet_date_parts jet_date_split(double ole_date);
// The day number and the time of day (0 <= fraction < 1) of an OLE date.
long long jet_date_days(double ole_date);
double jet_date_time(double ole_date);

// Reads a date, a time or both as Jet reads #...# literals and CDate texts: "m/d/yyyy",
// "m/d/yy" (00-29 is 20xx), "yyyy-mm-dd", "d-mmm-yyyy", month names, "h:mm[:ss] [AM|PM]".
std::optional<double> jet_parse_date(const std::wstring& text);

// The text CStr gives a date: "m/d/yyyy", "h:mm:ss AM/PM", or both ("General Date").
std::wstring jet_date_text(double ole_date);
