// The last error travels per thread and reads back its system text; local time is plausible.
#include "platform/win/last_error.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/win/local_time.h"

namespace {

std::string system_text(DWORD code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code,
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string out = n ? std::string(text, n) : std::string();
  LocalFree(text);
  return out;
}

TEST(LastError, TextOfACodeEndsInCrLfAndUnknownCodesHaveNone) {
  EXPECT_EQ("No such file or directory\r\n", system_text(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ("", system_text(99999));
  EXPECT_EQ(ERROR_MR_MID_NOT_FOUND, GetLastError());

  char small[4];
  EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ENOENT, 0, small, sizeof small, nullptr));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

TEST(LastError, EachThreadHasItsOwn) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seen = 1;
  std::thread([&] {
    seen = GetLastError();
    SetLastError(ERROR_FILE_NOT_FOUND);
  }).join();
  EXPECT_EQ(ERROR_SUCCESS, seen);
  EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
  errno = EEXIST;
  SetLastErrorFromErrno();
  errno = 0;  // a later libc call does not change the captured error
  EXPECT_EQ(static_cast<DWORD>(EEXIST), GetLastError());
}

TEST(LocalTime, FieldsAreInRange) {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  EXPECT_GE(t.wYear, 2024);
  EXPECT_TRUE(t.wMonth >= 1 && t.wMonth <= 12);
  EXPECT_TRUE(t.wDay >= 1 && t.wDay <= 31);
  EXPECT_LT(t.wHour, 24);
  EXPECT_LT(t.wMinute, 60);
  EXPECT_LT(t.wMilliseconds, 1000);
  EXPECT_LT(t.wDayOfWeek, 7);
}

}  // namespace
