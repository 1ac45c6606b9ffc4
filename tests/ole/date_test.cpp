// ole_date: the texts it reads, the ones it refuses, and what it prints at each precision; DATE
// numbers taken in whole seconds.
#include <cstdio>

#include "OLE/ole_date.h"
#include "platform/oleaut/oleauto.h"
#include "tests/ole/ole_test_util.h"
#include "tests/oleaut/test_locale.h"

namespace {

class date_texts : public locale_test {};
INSTANTIATE_LOCALES(date_texts);

TEST_P(date_texts, parse_and_print) {
  struct {
    std::string text;
    ole_date_kind kind;
    const char* p6;     // narrow text at precision 6
    const char* p3;     // at precision 3 (null: as p6)
    const char* p0;     // at precision 0 (null: as p6)
    const wchar_t* w6;  // wide text at precision 6 (null: p6 widened)
  } cases[] = {
      {"20230501123045", ole_date_datetime, "2023-05-01 12:30:45", nullptr, nullptr, nullptr},
      {"20230501000000", ole_date_datetime, "2023-05-01", nullptr, nullptr, nullptr},
      {"20230501", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"2023-05-01 00:00:00", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"  2023-05-01  ", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"2023-5-1", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"2023/05/01 10:20:30", ole_date_datetime, "2023-05-01 10:20:30", nullptr, nullptr, nullptr},
      {"01.05.2023 14:00:00", ole_date_datetime, "2023-05-01 14:00:00", nullptr, nullptr, nullptr},
      {"05/01/2023", ole_date_date, "2023-01-05", nullptr, nullptr, nullptr},  // day/year swapped
      {"12:30:45.5", ole_date_time, "0000-00-00 12:30:45.500000", "0000-00-00 12:30:45.500", "0000-00-00 12:30:45",
       L"12:30:45.500000"},
      {"12:30", ole_date_time, "0000-00-00 12:30:00", nullptr, nullptr, L"12:30:00"},
      {"1:05:07 PM", ole_date_time, "0000-00-00 13:05:07", nullptr, nullptr, L"13:05:07"},
      {"12:00:00 PM", ole_date_time, "0000-00-00 12:00:00", nullptr, nullptr, L"12:00:00"},
      {"12:00:00 AM", ole_date_time, "0000-00-00 00:00:00", nullptr, nullptr, L"00:00:00"},
      {"12:30:00 am", ole_date_time, "0000-00-00 00:30:00", nullptr, nullptr, L"00:30:00"},
      {"2023-05-01 12:15:00 AM", ole_date_datetime, "2023-05-01 00:15:00", nullptr, nullptr, nullptr},
      {"2023-05-01 12:30:45.123456", ole_date_datetime, "2023-05-01 12:30:45.123456", "2023-05-01 12:30:45.123",
       "2023-05-01 12:30:45", nullptr},
      {"2023-05-01 12:30:45.0004", ole_date_datetime, "2023-05-01 12:30:45.000400", "2023-05-01 12:30:45.000",
       "2023-05-01 12:30:45", nullptr},
      {"2023-05-01 12:30:45.9996", ole_date_datetime, "2023-05-01 12:30:45.999600", "2023-05-01 12:30:45.999",
       "2023-05-01 12:30:45", nullptr},
      // a fraction that rounds up to the next second carries, into the next day if need be
      {"2023-05-01 12:30:59.9999996", ole_date_datetime, "2023-05-01 12:31:00", nullptr, nullptr, nullptr},
      {"2023-05-01 23:59:59.9999999", ole_date_date, "2023-05-02", nullptr, nullptr, nullptr},
      {"2023-12-31 23:59:59.9999999", ole_date_date, "2024-01-01", nullptr, nullptr, nullptr},
      {"2024-02-28 23:59:59.9999999", ole_date_date, "2024-02-29", nullptr, nullptr, nullptr},
      // a time alone has no next day: it stays at its last instant
      {"23:59:59.9999999", ole_date_time, "0000-00-00 23:59:59.999999", "0000-00-00 23:59:59.999",
       "0000-00-00 23:59:59", L"23:59:59.999999"},
      // but never past the last instant a server holds
      {"9999-12-31 23:59:59.9999999", ole_date_datetime, "9999-12-31 23:59:59.999999", "9999-12-31 23:59:59.999",
       "9999-12-31 23:59:59", nullptr},
      {"2023-05-01 12:30:45+02:00", ole_date_datetime, "2023-05-01 12:30:45", nullptr, nullptr, nullptr},
      // the ISO form: date and time joined by a "T" are read whole
      {"2023-05-01T12:30:45", ole_date_datetime, "2023-05-01 12:30:45", nullptr, nullptr, nullptr},
      {"2023-05-01T12:30:45.25Z", ole_date_datetime, "2023-05-01 12:30:45.250000", "2023-05-01 12:30:45.250",
       "2023-05-01 12:30:45", nullptr},
      {"2023-05-01T00:00:00", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"2024-02-29", ole_date_date, "2024-02-29", nullptr, nullptr, nullptr},
      // texts only the English date reader takes
      {"1 May 2023", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"01-May-2023", ole_date_date, "2023-05-01", nullptr, nullptr, nullptr},
      {"May 1, 2023 1:05:07 PM", ole_date_datetime, "2023-05-01 13:05:07", nullptr, nullptr, nullptr},
      // refused
      {"2023-02-29", ole_date_none, "", nullptr, nullptr, nullptr},
      {"12:61:00", ole_date_none, "", nullptr, nullptr, nullptr},
      {"1:2", ole_date_none, "", nullptr, nullptr, nullptr},
      {"", ole_date_none, "", nullptr, nullptr, nullptr},
      {"2023-13-01", ole_date_none, "", nullptr, nullptr, nullptr},
      {"not a date at all", ole_date_none, "", nullptr, nullptr, nullptr},
      {"12:30:" + std::string(100000, '5'), ole_date_none, "", nullptr, nullptr, nullptr},
      // an hour above 23, or seconds that are beyond 60 or no number, make no date or time
      {"25:10:00", ole_date_none, "", nullptr, nullptr, nullptr},
      {"24:00", ole_date_none, "", nullptr, nullptr, nullptr},
      {"2023-05-01 24:00:00", ole_date_none, "", nullptr, nullptr, nullptr},
      {"20230501250000", ole_date_none, "", nullptr, nullptr, nullptr},
      {"12:30:99", ole_date_none, "", nullptr, nullptr, nullptr},
      {"12:30:75.5", ole_date_none, "", nullptr, nullptr, nullptr},
      {"2023-05-01 12:30:61.25", ole_date_none, "", nullptr, nullptr, nullptr},
      {"12:30:abc", ole_date_none, "", nullptr, nullptr, nullptr},
      // the last valid hour and the layer's bound of 60 for seconds still read
      {"23:59:59", ole_date_time, "0000-00-00 23:59:59", nullptr, nullptr, L"23:59:59"},
      {"2023-05-01 12:30:60", ole_date_datetime, "2023-05-01 12:30:60", nullptr, nullptr, nullptr},
      {"12:30:07Z", ole_date_time, "0000-00-00 12:30:07", nullptr, nullptr, L"12:30:07"},
      {std::string(100000, '1'), ole_date_none, "", nullptr, nullptr, nullptr},
      {std::string(50000, ' ') + "2023-05-01" + std::string(50000, ' '), ole_date_date, "2023-05-01", nullptr, nullptr,
       nullptr},
  };
  for (const auto& c : cases) {
    const std::string label = c.text.substr(0, 40);
    const ole_date d(c.text);
    EXPECT_EQ(d.get_kind(), c.kind) << label;
    EXPECT_EQ(d.is_valid(), c.kind != ole_date_none) << label;
    EXPECT_EQ(d.to_string(6), c.p6) << label;
    EXPECT_EQ(d.to_string(3), c.p3 ? c.p3 : c.p6) << label;
    EXPECT_EQ(d.to_string(0), c.p0 ? c.p0 : c.p6) << label;
    const std::string p6 = c.p6;
    EXPECT_EQ(d.to_wstring(6), c.w6 ? std::wstring(c.w6) : std::wstring(p6.begin(), p6.end())) << label;
    const ole_date w(std::wstring(c.text.begin(), c.text.end()));
    EXPECT_EQ(w.to_string(6), c.p6) << label;
  }
}

SYSTEMTIME system_time(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
  SYSTEMTIME t{};
  t.wYear = y;
  t.wMonth = mo;
  t.wDay = d;
  t.wHour = h;
  t.wMinute = mi;
  t.wSecond = s;
  t.wMilliseconds = ms;
  return t;
}

TEST_P(date_texts, from_system_time) {
  auto st = [](WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) { return system_time(y, mo, d, h, mi, s, 0); };
  struct {
    SYSTEMTIME time;
    ole_date_kind kind;
    const char* text;
  } cases[] = {
      {st(2023, 5, 1, 12, 30, 45), ole_date_datetime, "2023-05-01 12:30:45"},
      {st(2023, 5, 1, 0, 0, 0), ole_date_date, "2023-05-01"},
      {st(0, 0, 0, 6, 0, 0), ole_date_time, "0000-00-00 06:00:00"},
      {st(1899, 12, 30, 6, 0, 0), ole_date_datetime, "1899-12-30 06:00:00"},  // Access's time-only day
  };
  for (const auto& c : cases) {
    const ole_date d(c.time);
    EXPECT_EQ(d.get_kind(), c.kind) << c.text;
    EXPECT_EQ(d.to_string(6), c.text);
  }
}

DATE variant_time(SYSTEMTIME t) {
  DATE date = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&t, &date));
  return date;
}

std::string whole_seconds(DATE date, bool& dropped) {
  SYSTEMTIME t{};
  if (!ole_whole_seconds_of_variant_time(date, t, dropped)) return "refused";
  char text[64];  // room for any WORD in every field
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond, t.wMilliseconds);
  return text;
}

TEST(ole_whole_seconds, fraction_dropped_never_rounded_into_the_next_second_or_day) {
  struct {
    DATE date;
    const char* text;
    bool dropped;
  } cases[] = {
      {variant_time(system_time(2000, 2, 29, 23, 59, 59, 999)), "2000-02-29 23:59:59.000", true},
      {variant_time(system_time(9999, 12, 31, 23, 59, 59, 999)), "9999-12-31 23:59:59.000", true},
      {variant_time(system_time(2023, 5, 1, 12, 30, 45, 1)), "2023-05-01 12:30:45.000", true},
      {0.5 + 0.5 / 86400, "1899-12-30 12:00:00.000", true},  // a time of day alone, 12:00:00.500
      {1.0 / 3, "1899-12-30 08:00:00.000", false},           // no exact double, still a whole second
      {-1.25, "1899-12-29 06:00:00.000", false},             // before day 0 the time still runs forward
      {variant_time(system_time(1800, 1, 1, 6, 0, 0, 250)), "1800-01-01 06:00:00.000", true},
      {2958465.0 + 86399.9999 / 86400, "9999-12-31 23:59:59.000", true},  // within the noise of midnight
      {-657435.0, "refused", false},
      {2958466.0, "refused", false},
  };
  for (const auto& c : cases) {
    bool dropped = !c.dropped;
    EXPECT_EQ(whole_seconds(c.date, dropped), c.text) << c.date;
    EXPECT_EQ(dropped, c.dropped) << c.text;
  }
}

// Every second of a day, at both ends of the range and in between, comes back as written, with
// nothing dropped; one millisecond more is dropped and stays in that second.
TEST(ole_whole_seconds, every_second_of_a_day_exact_one_millisecond_more_dropped) {
  for (const SYSTEMTIME day : {system_time(100, 1, 1, 0, 0, 0, 0), system_time(1899, 12, 29, 0, 0, 0, 0),
                               system_time(2000, 2, 29, 0, 0, 0, 0), system_time(9999, 12, 31, 0, 0, 0, 0)}) {
    for (int second = 0; second < 86400; ++second) {
      SYSTEMTIME t = day;
      t.wHour = static_cast<WORD>(second / 3600);
      t.wMinute = static_cast<WORD>(second / 60 % 60);
      t.wSecond = static_cast<WORD>(second % 60);
      bool dropped = true;
      const std::string exact = whole_seconds(variant_time(t), dropped);
      t.wMilliseconds = 0;
      char expected[32];
      std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d:%02d:%02d.000", t.wYear, t.wMonth, t.wDay, t.wHour,
                    t.wMinute, t.wSecond);
      ASSERT_EQ(exact, expected);
      ASSERT_FALSE(dropped) << expected;
      t.wMilliseconds = 1;
      ASSERT_EQ(whole_seconds(variant_time(t), dropped), expected);
      ASSERT_TRUE(dropped) << expected << " and a millisecond";
    }
  }
}

TEST(ole_leap_year, gregorian_rule) {
  // Years below 1 count from 1 BC as year 0 of the rule: -1 is leap, 0 is not.
  for (int y : {2024, 2000, 1600, -1}) EXPECT_TRUE(ole_is_leap_year(y)) << y;
  for (int y : {2023, 1900, 2100, 0}) EXPECT_FALSE(ole_is_leap_year(y)) << y;
}

}  // namespace
