// The batch on its own thread.
#include "SQL/sql_batch_sender.h"

#include <system_error>
#include <utility>

sql_batch_sender::~sql_batch_sender() {
  (void)wait();
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  handed_.notify_one();
  thread_.join();
}

void sql_batch_sender::start(sql_connection& connection, bool begin, std::string& statement, sql_bulk_rows& rows) {
  (void)wait();
  connection_ = &connection;
  begin_ = begin;
  statement_.swap(statement);
  std::swap(rows_, rows);
  outcome_ = outcome{};
  busy_ = true;
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { serve(); });
    } catch (const std::system_error&) {
      // Without a thread the batch is stored before start returns, as a writer without overlap.
      run();
      return;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_ = true;
  }
  handed_.notify_one();
}

sql_batch_sender::outcome sql_batch_sender::wait() {
  if (!busy_) return outcome{};
  {
    std::unique_lock<std::mutex> lock(mutex_);
    stored_.wait(lock, [this] { return !work_; });
  }
  busy_ = false;
  return outcome_;
}

void sql_batch_sender::serve() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    handed_.wait(lock, [this] { return work_ || stop_; });
    if (!work_) return;
    lock.unlock();
    run();
    lock.lock();
    work_ = false;
    stored_.notify_one();
  }
}

void sql_batch_sender::run() noexcept {
  outcome result;
  try {
    if (begin_ && !connection_->query("START TRANSACTION")) {
      result.failed = step::begin;
    } else if (!connection_->query("SAVEPOINT batch")) {
      result.failed = step::savepoint;
    } else if (rows_.columns == 0
                   ? !connection_->load_rows(statement_, std::string_view(rows_.text.data(), rows_.text.size()))
                   : !connection_->insert_rows(statement_, rows_)) {
      result.failed = step::load;
    } else {
      result.warnings = connection_->warning_count();
      result.affected = connection_->affected_rows();
    }
  } catch (...) {
    // A connection that threw has no error of the server's to show: the batch counts as
    // refused by its load, so its rows go again as INSERT and each refusal is reported.
    result = outcome{};
    result.failed = step::load;
  }
  outcome_ = result;
}
