// ole_date: the texts it reads, the ones it refuses, and what it prints at each precision.
#include "OLE/ole_date.h"
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

TEST_P(date_texts, from_system_time) {
  auto st = [](WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME t{};
    t.wYear = y;
    t.wMonth = mo;
    t.wDay = d;
    t.wHour = h;
    t.wMinute = mi;
    t.wSecond = s;
    return t;
  };
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

TEST(ole_leap_year, gregorian_rule) {
  // Years below 1 count from 1 BC as year 0 of the rule: -1 is leap, 0 is not.
  for (int y : {2024, 2000, 1600, -1}) EXPECT_TRUE(ole_is_leap_year(y)) << y;
  for (int y : {2023, 1900, 2100, 0}) EXPECT_FALSE(ole_is_leap_year(y)) << y;
}

}  // namespace
