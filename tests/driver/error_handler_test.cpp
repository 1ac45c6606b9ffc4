// The error handler: report texts (context, map text, record number) and what each kind of
// error leads to, in the wizard's way (a front end that answers) and the console's.
#include "common/error_handler.h"

#include <gtest/gtest.h>

#include "SQL/sql_exception.h"
#include "common/console_front_end.h"
#include "tests/driver/driver_test_util.h"

namespace {

// An exception with a code, as the DAO and MySQL layers raise them.
class coded_exception : public tk_exception {
 public:
  coded_exception(std::uint32_t code, const char* text, tk_exception_kind kind) : tk_exception(text, kind) {
    code_ = code;
  }
};

std::unique_ptr<error_handler> make_handler() {
  auto handler = std::make_unique<error_handler>(dao_error_texts_count, dao_error_texts);
  handler->load_err_map(mysql_error_texts_count, mysql_error_texts);
  return handler;
}

TEST(ErrorHandler, ReportTexts) {
  struct Case {
    const wchar_t* table;
    int record;  // 0: a table-level context
    std::uint32_t code;
    const char* own_text;
    const char* report;
  } cases[] = {
      {L"", 0, 0x400415, "raw",
       "Access denied. Verify the user name and password are correct, and you have the necessary privileges "
       "to connect to the target MySQL server."},
      {L"Orders", 12, 0x400000 | 1264, "Out of range value", "Orders, record #12: Out of range value"},
      {L"Orders", 0, 0x4007D5, "raw",
       "Orders: Cannot connect to the MySQL server. Check to verify that MySQL server is launched and the "
       "correct host/port values were given."},
      {L"T", 0, 0x10000 | 3029, "raw",
       "T: Not a valid account name or password has been specified in MS Access user-level security settings"},
      {L"\u00C4rger", 3, 0, "own", "\xC3\x84rger, record #3: own"},
      {L"", 0, 0x40042F, "raw",
       "Primary key in the original database is too long. Restart the program with \"Skip converting "
       "indexes\" checkbox selected in order to resolve the conflict. "},
      {L"", 0, 0x10000 | 3421, "raw",
       "Data type conversion error. Please contact support@quellbrook.com for the solution."},
  };
  for (const Case& c : cases) {
    recording_front_end front;
    auto handler = make_handler();
    if (c.record == 0) {
      handler->set_context(c.table);
    } else {
      handler->set_context(c.table, static_cast<std::uint32_t>(c.record));
    }
    handler->handle(coded_exception(c.code, c.own_text, tk_kind_continuable), false);
    ASSERT_EQ(front.reports.size(), 1u);
    EXPECT_EQ(front.reports[0].text, c.report);
    EXPECT_EQ(front.reports[0].kind, tk_kind_continuable);
  }
}

TEST(ErrorHandler, KindsAndAnswers) {
  recording_front_end front;
  auto handler = make_handler();

  // Kind 2 goes to the front end as an internal error with the exception's own text.
  handler->handle(tk_mail_assertion("vdy_conv", 148), false);
  ASSERT_EQ(front.internal.size(), 1u);
  EXPECT_EQ(front.internal[0].rfind("Internal error: \ncode=", 0), 0u);
  EXPECT_TRUE(front.reports.empty());

  // Kind 1 is shown; the answer does not matter.
  front.answer.stop = true;
  EXPECT_NO_THROW(handler->handle(tk_exception("Invalid port number", tk_kind_error), false));
  EXPECT_EQ(front.reports.back().kind, tk_kind_error);

  // Kind 0 and "stop": a run ends quietly, unless the caller does not allow stopping.
  EXPECT_THROW(handler->handle(tk_exception("x", tk_kind_continuable), false), tk_final_exception);
  EXPECT_NO_THROW(handler->handle(tk_exception("x", tk_kind_continuable), true));

  // "Do not show again": later reports are marked silent.
  front.answer = {false, true};
  handler->handle(tk_exception("x", tk_kind_continuable), false);
  EXPECT_TRUE(handler->silent);
  handler->handle(tk_exception("y", tk_kind_continuable), false);
  EXPECT_TRUE(front.reports.back().silent);
  EXPECT_EQ(handler->errors_reported(), 6u);
}

TEST(ErrorHandler, WithoutFrontEndOnlyLogs) {
  auto handler = make_handler();
  EXPECT_NO_THROW(handler->handle(tk_exception("x", tk_kind_continuable), false));
  EXPECT_NO_THROW(handler->handle(tk_exception("x", tk_kind_error), false));
}

TEST(ConsoleFrontEnd, ReportsAndExitCodes) {
  // Kind 1 outside a run ends the program with -1 after printing the report.
  EXPECT_EXIT(
      {
        console_front_end front;
        auto handler = make_handler();
        handler->handle(tk_exception("Invalid port number", tk_kind_error), false);
      },
      ::testing::ExitedWithCode(255), "");
  // An internal error ends it too, even when silent.
  EXPECT_EXIT(
      {
        console_front_end front;
        auto handler = make_handler();
        handler->silent = true;
        handler->handle(tk_mail_assertion("tk_singl", 64), false);
      },
      ::testing::ExitedWithCode(255), "");

  // Inside a run kind 1 is printed on the error stream and the run goes on; silent prints
  // nothing; standard output keeps only progress.
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  {
    console_front_end front(out, err);
    auto handler = make_handler();
    front.run_started();
    front.write_log(L"Converting table Orders\r\n");
    handler->set_context(L"Orders");
    handler->handle(coded_exception(0x400426, "dup", tk_kind_error), false);
    handler->silent = true;
    handler->handle(tk_exception("not shown", tk_kind_continuable), false);
    front.run_ended();
  }
  auto read_all = [](std::FILE* f) {
    std::rewind(f);
    char buffer[512] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, f);
    std::fclose(f);
    return std::string(buffer, n);
  };
  EXPECT_EQ(read_all(out), "Converting table Orders\r\n");
  EXPECT_EQ(read_all(err),
            "Error:\nOrders: Duplicate field values being used for an unique index were found. See "
            "'Troubleshooting' article of the product documentation for solution.\n");
}

}  // namespace
