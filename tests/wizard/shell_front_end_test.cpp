// The wizard's front end without widgets: what reaches the finish page's list, which dialog each
// kind of report gets and what the user's answer does, and the worker thread reporting while the
// UI thread reads (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "GUI2/wizard_front_end.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "common/error_handler.h"

namespace {

// Records what would have been shown; answers the continue dialog with `answer`. Calls may come
// from the worker, so the records are locked.
class recording_screen : public wizard_screen {
 public:
  bool initialized() const override { return shown.load(); }
  void append_log(const std::wstring& text) override { record("log:" + narrow(text)); }
  void show_error(const std::wstring& text) override { record("error:" + narrow(text)); }
  continue_answer ask_continue(const std::wstring& text) override {
    record("continue:" + narrow(text));
    return answer;
  }
  void show_internal_error(const std::wstring& text) override { record("internal:" + narrow(text)); }
  void show_download_required(const std::wstring& text, const std::wstring& caption,
                              const std::wstring& address) override {
    record("download:" + narrow(text) + "|" + narrow(caption) + "|" + narrow(address));
  }
  void start_progress_timer(unsigned ms) override { record("timer:" + std::to_string(ms)); }
  void end_program(int status) override { record("end:" + std::to_string(status)); }

  std::vector<std::string> calls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return calls_;
  }

  std::atomic<bool> shown{true};
  continue_answer answer;

 private:
  static std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }
  void record(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex);
    calls_.push_back(call);
  }
  mutable std::mutex mutex;
  std::vector<std::string> calls_;
};

struct front_end_fixture : ::testing::Test {
  tk_logger logger{nullptr, false, tk_log_event, false};
  recording_screen screen;
  wizard_error_list errors;
  wizard_front_end front{screen, errors};
  error_handler handler{dao_error_texts_count, dao_error_texts};
};

using FrontEnd = front_end_fixture;

TEST_F(FrontEnd, EachKindGetsItsDialogAndOnlyAnInitialisedShellCollects) {
  struct report_case {
    const char* name;
    tk_exception_kind kind;
    bool shown;
    const char* expected_call;
    bool listed;
  };
  const report_case cases[] = {
      {"error before the sheet", tk_kind_error, false, "error:bad table", false},
      {"error on the sheet", tk_kind_error, true, "error:bad table", true},
      {"continuable before the sheet", tk_kind_continuable, false, "continue:bad table", false},
      {"continuable on the sheet", tk_kind_continuable, true, "continue:bad table", true},
  };
  for (const report_case& c : cases) {
    SCOPED_TRACE(c.name);
    recording_screen screen;
    wizard_error_list errors;
    wizard_front_end local(screen, errors);
    screen.shown = c.shown;
    local.report_error(c.kind, "bad table", false);
    EXPECT_EQ(screen.calls(), std::vector<std::string>{c.expected_call});
    EXPECT_EQ(errors.entries(), c.listed ? std::vector<std::string>{"bad table"} : std::vector<std::string>{});
  }
}

TEST_F(FrontEnd, AbortStopsTheRunUnlessTheCallerForbidsItAndDoNotShowSilencesLaterReports) {
  screen.answer = {true, false};
  const tk_exception failure("row refused", tk_kind_continuable);
  EXPECT_THROW(handler.handle(failure, false), tk_final_exception);
  EXPECT_NO_THROW(handler.handle(failure, true));
  EXPECT_FALSE(handler.silent);

  screen.answer = {false, true};
  handler.handle(failure, false);
  EXPECT_TRUE(handler.silent);
  handler.handle(failure, false);  // no further dialog, still listed
  EXPECT_EQ(screen.calls().size(), 3u);
  EXPECT_EQ(errors.entries().size(), 4u);
}

TEST_F(FrontEnd, FailuresOutsideTheReportsStillReachTheList) {
  front.engine_required("Engine missing", "Download it", "https://example.com/engine");
  front.run_failed("std::bad_alloc");
  EXPECT_EQ(screen.calls(), (std::vector<std::string>{"download:Engine missing|Download it|https://example.com/engine",
                                                      "error:std::bad_alloc"}));
  EXPECT_EQ(errors.entries(), (std::vector<std::string>{"Engine missing", "std::bad_alloc"}));
}

TEST_F(FrontEnd, InternalErrorShowsItsDialogThenEndsWith255) {
  handler.handle(tk_mail_assertion("g_test", 1), false);
  const std::vector<std::string> calls = screen.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].rfind("internal:", 0), 0u);
  EXPECT_EQ(calls[1], "end:255");
  EXPECT_TRUE(errors.empty()) << "the program ends; there is no finish page to show it";
}

TEST_F(FrontEnd, WorkerReportsWhileTheUiThreadReadsKeepOrderAndTheLimit) {
  handler.silent = true;  // no dialogs: the reports only reach the list and the log
  std::atomic<bool> done{false};
  std::thread worker([&] {
    front.run_started();
    for (int i = 1; i <= 30; ++i) {
      front.write_log(L"line " + std::to_wstring(i) + L"\r\n");
      handler.handle(tk_exception("failure " + std::to_string(i), tk_kind_continuable), false);
    }
    done = true;
  });
  std::size_t seen = 0;
  while (!done) {
    const std::size_t now = errors.entries().size();
    EXPECT_GE(now, seen) << "the list only grows during a run";
    seen = now;
  }
  worker.join();

  const std::vector<std::string> listed = errors.entries();
  ASSERT_EQ(listed.size(), wizard_error_list::max_entries);
  for (std::size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i], "failure " + std::to_string(i + 1));
  const std::vector<std::string> calls = screen.calls();
  ASSERT_EQ(calls.size(), 31u);
  EXPECT_EQ(calls.front(), "timer:200");
  for (int i = 1; i <= 30; ++i) EXPECT_EQ(calls[static_cast<std::size_t>(i)], "log:line " + std::to_string(i) + "\r\n");
}

}  // namespace
