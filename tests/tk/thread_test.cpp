// The worker thread: start, stop by flag, join, restart, an exception in the body, counters that
// another thread polls.
#include "TK/tk_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "tests/support/test_env.h"
#include "tests/tk/tk_test_util.h"

namespace {

using namespace std::chrono_literals;

// A body that counts records until it is stopped or reaches its limit, as a conversion does.
class counting_body : public tk_thread_functor {
 public:
  explicit counting_body(long limit, bool throw_at_ten = false) : throws(throw_at_ten), limit_(limit) {}
  void run() override {
    for (long i = 0; i < limit_ && !stop_requested(); ++i) {
      records.store(i + 1, std::memory_order_relaxed);
      if (throws && i == 10) throw std::runtime_error("lost the server");
      std::this_thread::sleep_for(100us);
    }
    released.store(true);  // what a body holds is released on the way out
    done.store(true, std::memory_order_release);
  }
  bool is_done() override { return done.load(std::memory_order_acquire); }

  std::atomic<long> records{0};
  std::atomic<bool> done{false};
  std::atomic<bool> released{false};
  bool throws;

 private:
  long limit_;
};

// A thread whose body is kept by its owner (the progress page's converter).
class worker : public tk_thread {
 public:
  explicit worker(counting_body& body) : tk_thread(false), body_(body) {}
  tk_thread_functor* create_functor() override {
    ++created;
    return &body_;
  }
  int created = 0;

 private:
  counting_body& body_;
};

void wait_until(const std::function<bool()>& ready) {
  for (int i = 0; i < 10000 && !ready(); ++i) std::this_thread::sleep_for(1ms);
}

TEST(Thread, FreshThreadIsNotRunning) {
  tk_thread t(false);
  EXPECT_FALSE(t.is_running());
  EXPECT_EQ(nullptr, t.error());
  t.cleanup();
}

TEST(Thread, RunsToTheEndAndRestarts) {
  counting_body body(50);
  worker w(body);
  w.start();
  wait_until([&] { return body.is_done(); });
  w.join();
  EXPECT_FALSE(w.is_running());
  EXPECT_EQ(50, body.records.load());
  body.done = false;
  w.start();  // cleans up the finished run and asks for a new functor
  EXPECT_EQ(2, w.created);
  w.join();
  EXPECT_TRUE(body.is_done());
}

TEST(Thread, StopFlagEndsTheBodyAndCountersAreReadWhileItRuns) {
  counting_body body(100000000);
  {
    worker w(body);
    w.start();
    EXPECT_THROW(w.start(), tk_mail_assertion);  // still running
    EXPECT_THROW(w.cleanup(), tk_mail_assertion);
    long seen = 0;
    wait_until([&] { return (seen = body.records.load(std::memory_order_relaxed)) > 20; });
    EXPECT_GT(seen, 20);
    EXPECT_TRUE(w.is_running());
    w.stop();
    w.join();
    EXPECT_FALSE(w.is_running());
    EXPECT_TRUE(body.released.load());
    EXPECT_LT(body.records.load(), 100000000);
    EXPECT_EQ(nullptr, w.error());
  }
  // Destroying a running thread stops and joins it; the body still releases what it holds.
  counting_body second(100000000);
  {
    worker w(second);
    w.start();
    wait_until([&] { return second.records.load() > 0; });
  }
  EXPECT_TRUE(second.released.load());
}

TEST(Thread, AnExceptionInTheBodyReachesTheOwner) {
  counting_body body(1000, true);
  worker w(body);
  w.start();
  w.join();
  EXPECT_FALSE(w.is_running());
  ASSERT_NE(nullptr, w.error());
  EXPECT_THROW(w.rethrow_error(), std::runtime_error);
  EXPECT_FALSE(body.released.load());
  body.throws = false;
  w.start();  // a new run starts clean
  w.join();
  EXPECT_EQ(nullptr, w.error());
}

TEST(Thread, DefaultBodyIdlesUntilStopped) {
  tk_thread t(false);
  t.start();  // the default body, owned by the thread
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(t.is_running());
  auto begin = std::chrono::steady_clock::now();
  t.stop();
  t.join();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  EXPECT_FALSE(t.is_running());
}

TEST(Thread, LogLinesOfTwoThreadsStayWhole) {
  std::string file = test_env::make_temp_dir() + "/run.log";
  tk_logger logger(file.c_str(), false, 3, false);
  logger.enable();  // the first lines of both threads race to empty the file
  constexpr int kLines = 200;
  auto write = [](wchar_t who) {
    for (int i = 0; i < kLines; ++i)
      tk_log2(tk_log_event, L"%lc%ls", static_cast<wint_t>(who), std::wstring(300, who).c_str());
  };
  std::thread a(write, L'a');
  write(L'b');
  a.join();
  std::string text = read_file(file);
  std::size_t lines = 0;
  for (std::size_t at = 0; at < text.size(); ++lines) {
    std::size_t end = text.find("\r\n", at);
    ASSERT_NE(std::string::npos, end);
    EXPECT_EQ(std::string(301, text[at]), text.substr(at, end - at));
    at = end + 2;
  }
  EXPECT_EQ(2u * kLines, lines);
}

}  // namespace
