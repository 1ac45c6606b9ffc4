// DATE numbers: SYSTEMTIME conversions both ways, dates before 1899-12-30, rounding to the
// second, the year range, and the English date texts VarDateFromStr accepts or refuses.
#include "platform/oleaut/oleauto.h"
#include "tests/oleaut/test_locale.h"

#include <cmath>
#include <limits>

namespace {

SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(mo);
  t.wDay = static_cast<WORD>(d);
  t.wHour = static_cast<WORD>(h);
  t.wMinute = static_cast<WORD>(mi);
  t.wSecond = static_cast<WORD>(s);
  t.wMilliseconds = static_cast<WORD>(ms);
  return t;
}

std::string text(const SYSTEMTIME& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond, t.wMilliseconds);
  return buf;
}

constexpr double second = 1.0 / 86400;

class dates : public locale_test {};
INSTANTIATE_LOCALES(dates);

TEST_P(dates, system_time_to_date) {
  struct {
    SYSTEMTIME in;
    bool ok;
    double date;
  } cases[] = {
      {st(1899, 12, 30), true, 0},
      {st(1899, 12, 29, 6), true, -1.25},
      {st(1899, 12, 30, 6), true, 0.25},
      {st(1900, 1, 1), true, 2},
      {st(2023, 5, 1, 12), true, 45047.5},
      {st(2024, 2, 29), true, 45351},
      {st(100, 1, 1), true, -657434},
      {st(9999, 12, 31, 23, 59, 59), true, 2958466 - second},
      {st(2023, 5, 1, 0, 0, 0, 500), true, 45047 + second / 2},
      {st(99, 12, 31), false, 0},
      {st(10000, 1, 1), false, 0},
      {st(2023, 2, 29), false, 0},
      {st(2023, 13, 1), false, 0},
      {st(2023, 4, 31), false, 0},
      {st(2023, 1, 0), false, 0},
      {st(2023, 1, 1, 24), false, 0},
      {st(2023, 1, 1, 0, 60), false, 0},
  };
  for (auto& c : cases) {
    double date = -99;
    EXPECT_EQ(SystemTimeToVariantTime(&c.in, &date), c.ok ? TRUE : FALSE) << text(c.in);
    if (c.ok) {
      EXPECT_NEAR(date, c.date, 1e-9) << text(c.in);
    }
  }
}

TEST_P(dates, date_to_system_time) {
  struct {
    double in;
    bool ok;
    SYSTEMTIME out;
    int weekday;
  } cases[] = {
      {0, true, st(1899, 12, 30), 6},
      {-1.25, true, st(1899, 12, 29, 6), 5},
      {-0.5, true, st(1899, 12, 30, 12), 6},
      {45047.5, true, st(2023, 5, 1, 12), 1},
      {45047 + 1.5 * second, true, st(2023, 5, 1, 0, 0, 2), 1},  // to the nearest second
      {45047 + 1.49 * second, true, st(2023, 5, 1, 0, 0, 1), 1},
      {45047.9999999, true, st(2023, 5, 2), 2},  // carries to the next day
      {-1.9999999, true, st(1899, 12, 30), 6},   // and so before day 0
      {-657434, true, st(100, 1, 1), 5},
      {2958465.99999, true, st(9999, 12, 31, 23, 59, 59), 5},
      // the last second of 9999-12-31 never rounds into a year 10000 no value can hold
      {2958465.999999999, true, st(9999, 12, 31, 23, 59, 59), 5},
      {2958465 + 86399.999 * second, true, st(9999, 12, 31, 23, 59, 59), 5},
      {-657435, false, {}, 0},
      {2958466, false, {}, 0},
      {std::numeric_limits<double>::quiet_NaN(), false, {}, 0},
  };
  for (const auto& c : cases) {
    SYSTEMTIME t{};
    EXPECT_EQ(VariantTimeToSystemTime(c.in, &t), c.ok ? TRUE : FALSE) << c.in;
    if (!c.ok) continue;
    EXPECT_EQ(text(t), text(c.out)) << c.in;
    EXPECT_EQ(t.wDayOfWeek, c.weekday) << c.in;
  }
}

TEST_P(dates, round_trips) {
  for (SYSTEMTIME t :
       {st(100, 1, 1), st(1582, 10, 15, 1, 2, 3), st(1899, 12, 29, 23, 59, 59), st(1899, 12, 30, 0, 0, 1),
        st(1900, 2, 28, 12), st(2000, 2, 29, 18, 30, 15), st(2038, 1, 19, 3, 14, 8), st(9999, 12, 31, 23, 59, 59)}) {
    double date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date)) << text(t);
    SYSTEMTIME back{};
    ASSERT_TRUE(VariantTimeToSystemTime(date, &back)) << text(t);
    EXPECT_EQ(text(back), text(t));
  }
  for (double date : {-657434.0, -1.75, 0.0, 1.5, 45047.25, 2958465.5}) {
    SYSTEMTIME t{};
    ASSERT_TRUE(VariantTimeToSystemTime(date, &t)) << date;
    double back = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &back)) << date;
    EXPECT_DOUBLE_EQ(back, date);
  }
}

TEST_P(dates, english_date_texts) {
  const double may_1 = 45047;
  struct {
    const wchar_t* in;
    HRESULT hr;
    double date;
  } cases[] = {
      {L"1 May 2023", S_OK, may_1},
      {L"May 1, 2023", S_OK, may_1},
      {L"01-May-2023", S_OK, may_1},
      {L"1-may-23", S_OK, may_1},
      {L"Monday, May 1, 2023", S_OK, may_1},
      {L"1 September 2023", S_OK, 45170},
      {L"1 Sept 2023", S_OK, 45170},
      {L"5/1/2023", S_OK, may_1},  // month first
      {L"2023-05-01", S_OK, may_1},
      {L"2023/5/1 13:05", S_OK, may_1 + (13 * 3600 + 5 * 60) * second},
      {L"May 1, 2023 1:05:07 PM", S_OK, may_1 + (13 * 3600 + 5 * 60 + 7) * second},
      {L"12:30:00 AM", S_OK, 30 * 60 * second},  // half past midnight
      {L"12:30 PM", S_OK, 0.5 + 30 * 60 * second},
      {L"13:05:07", S_OK, (13 * 3600 + 5 * 60 + 7) * second},
      {L"1/1/29", S_OK, 47119},
      {L"1/1/30", S_OK, 10959},
      {L"1 May 1899 6:00", S_OK, -243 - 0.25},
      {L"2023-02-29", DISP_E_TYPEMISMATCH, 0},
      {L"29 Feb 2023", DISP_E_TYPEMISMATCH, 0},
      {L"2024-02-29", S_OK, 45351},
      {L"13/13/2023", DISP_E_TYPEMISMATCH, 0},
      {L"5/1", DISP_E_TYPEMISMATCH, 0},
      {L"1 May", DISP_E_TYPEMISMATCH, 0},
      {L"May 1 2023 12", DISP_E_TYPEMISMATCH, 0},
      {L"25:00", DISP_E_TYPEMISMATCH, 0},
      {L"12:60", DISP_E_TYPEMISMATCH, 0},
      {L"13:00 PM", DISP_E_TYPEMISMATCH, 0},
      {L"1:00 PM PM", DISP_E_TYPEMISMATCH, 0},
      {L"1:00 2:00", DISP_E_TYPEMISMATCH, 0},
      {L"Foo 1, 2023", DISP_E_TYPEMISMATCH, 0},
      {L"1 May 2023 +0200", DISP_E_TYPEMISMATCH, 0},
      {L"1 May 99999", DISP_E_TYPEMISMATCH, 0},
      {L"12345678901234567890", DISP_E_TYPEMISMATCH, 0},
      {L"", DISP_E_TYPEMISMATCH, 0},
      {L"May", DISP_E_TYPEMISMATCH, 0},
      {L"-1:10:00", DISP_E_TYPEMISMATCH, 0},  // a sign, not a separator
      {L"2023-05-01 12:30:-5", DISP_E_TYPEMISMATCH, 0},
      {L"2023--05-01", DISP_E_TYPEMISMATCH, 0},
      {L"5/1/2023/", DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& c : cases) {
    DATE date = -1;
    EXPECT_EQ(VarDateFromStr(c.in, LCID_EN_US, 0, &date), c.hr) << std::wstring(c.in).size();
    if (c.hr == S_OK) {
      EXPECT_NEAR(date, c.date, 1e-9) << std::string(c.in, c.in + std::wcslen(c.in));
    }
  }
  // Input of any length is scanned once and refused.
  std::wstring long_text(100000, L'1');
  DATE date = 0;
  EXPECT_EQ(VarDateFromStr(long_text.c_str(), LCID_EN_US, 0, &date), DISP_E_TYPEMISMATCH);
}

}  // namespace
