// The exception family's messages, codes and kinds, and the singleton registration.
#include "TK/tk_exception.h"

#include <gtest/gtest.h>

#include "TK/tk_singleton.h"
#include "platform/win/last_error.h"

namespace {

TEST(Exception, Messages) {
  struct Case {
    tk_exception e;
    std::string message;
    tk_exception_kind kind;
  } cases[] = {
      {tk_exception(std::string("Table %s is missing"), std::string("Orders"), 1), "Table Orders is missing", 1},
      {tk_exception(std::string(), 0), "Unknown exception", 0},
      {tk_exception("plain", 1), "plain", 1},
      {tk_exception(std::wstring(L"Ums\u00E4tze"), 0), "Ums\xC3\xA4tze", 0},
      {tk_exception(std::wstring(), 1), "", 1},
      {tk_exception(2), "Unknown exception", 2},
      {tk_mail_assertion("ab", 7), "Internal error: \ncode=61625c37", 2},
  };
  for (const auto& c : cases) {
    tk_exception copy = c.e;
    EXPECT_STREQ(c.message.c_str(), copy.what());
    EXPECT_EQ(c.kind, copy.kind());
    EXPECT_EQ(0u, copy.code());
  }
}

TEST(Exception, LastErrorTextAndCode) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  tk_exception_ex e("Cannot open: ", 0);
  EXPECT_STREQ("Cannot open: No such file or directory\r\n", e.what());
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.code());
  EXPECT_EQ(0u, e.kind());

  SetLastError(99999);  // no text for this code
  tk_exception_ex unknown;
  EXPECT_STREQ("Unknown exception", unknown.what());
  EXPECT_EQ(99999u, unknown.code());
  EXPECT_EQ(1u, unknown.kind());
}

TEST(Exception, FinalExceptionCarriesNoMessage) {
  tk_final_exception e;
  EXPECT_STREQ(std::exception().what(), e.what());
}

struct engine : tk_singleton<engine> {
  int id = 0;
  explicit engine(int i) : id(i) {}
};

TEST(Singleton, RegistersTheFirstAndOnlyItClears) {
  EXPECT_FALSE(engine::exists());
  EXPECT_THROW(engine::get_instance(), tk_mail_assertion);
  try {
    engine::instance();
  } catch (const tk_mail_assertion& e) {
    EXPECT_STREQ(make_err_meggase("tk_singl", 71).c_str(), e.what());
  }
  {
    engine first(1);
    {
      engine nested(2);  // not registered, and its end must not unregister the first
      EXPECT_EQ(1, engine::get_instance()->id);
    }
    EXPECT_EQ(1, engine::instance()->id);
  }
  EXPECT_FALSE(engine::exists());
  engine again(3);
  EXPECT_EQ(3, engine::get_instance()->id);
}

}  // namespace
