// Calls from a worker onto the UI thread: they run there, in the worker's order, while the UI
// thread waits in an event loop; an exception comes back to the worker.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/ui/ui_thread_call.h"

namespace {

TEST(thread_call, a_workers_calls_run_on_the_ui_thread_in_order) {
  std::vector<int> lines;
  std::atomic<bool> done{false};
  bool all_on_ui_thread = true;
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) {
      ui_call_blocking([&, i] {
        all_on_ui_thread = all_on_ui_thread && QThread::currentThread() == qApp->thread();
        lines.push_back(i);
      });
    }
    done = true;
  });
  ui_wait_until([&] { return done.load(); });
  worker.join();
  std::vector<int> expected(200);
  for (int i = 0; i < 200; ++i) expected[i] = i;
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(all_on_ui_thread);
}

TEST(thread_call, an_exception_returns_to_the_worker_and_results_come_back) {
  std::atomic<bool> done{false};
  std::string caught;
  int answer = 0;
  std::thread worker([&] {
    try {
      ui_call_blocking([] { throw std::runtime_error("box failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    answer = ui_call_blocking_result<int>([] { return 42; });
    done = true;
  });
  ui_wait_until([&] { return done.load(); });
  worker.join();
  EXPECT_EQ(caught, "box failed");
  EXPECT_EQ(answer, 42);
}

TEST(thread_call, on_the_ui_thread_it_runs_at_once) {
  bool ran = false;
  ui_call_blocking([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(ui_on_ui_thread());
}

}  // namespace

#include "platform/ui/ui_hooks.h"

namespace {

TEST(thread_call, a_box_asked_from_a_worker_is_shown_on_the_ui_thread) {
  bool on_ui_thread = false;
  ui_message_box_hook old = ui_set_message_box_hook([&](const ui_box_request&) {
    on_ui_thread = QThread::currentThread() == qApp->thread();
    return ui_id_yes;
  });
  std::atomic<bool> done{false};
  int answer = 0;
  std::thread worker([&] {
    ui_box_request question;
    question.text = L"Continue?";
    question.buttons = ui_box_buttons::yes_no;
    answer = ui_message_box(question);
    done = true;
  });
  ui_wait_until([&] { return done.load(); });
  worker.join();
  ui_set_message_box_hook(old);
  EXPECT_EQ(answer, ui_id_yes);
  EXPECT_TRUE(on_ui_thread);
}

}  // namespace
