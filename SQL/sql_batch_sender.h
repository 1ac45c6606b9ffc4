// One batch of rows stored by LOAD DATA or a bulk INSERT on a thread of its own, so that the
// writer builds the next batch while the server stores this one. From start until wait returns
// the connection belongs to the sender's thread: nobody else may call it in between. The thread
// is made at the first batch and serves every later one: a thread made and ended per batch kept
// the server idle for milliseconds at each.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "SQL/sql_connection.h"

class sql_batch_sender {
 public:
  // The statement that failed, if any; its error stays on the connection for the caller.
  enum class step { none, begin, savepoint, load };
  struct outcome {
    step failed = step::none;
    // Of the load, when it ran: LOAD DATA reports refused rows only as warnings.
    unsigned warnings = 0;
    std::uint64_t affected = 0;
  };

  sql_batch_sender() = default;
  // Waits for a batch still in flight and ends the thread.
  ~sql_batch_sender();
  sql_batch_sender(const sql_batch_sender&) = delete;
  sql_batch_sender& operator=(const sql_batch_sender&) = delete;

  // Runs "START TRANSACTION" when begin is set, then "SAVEPOINT batch", then the statement with
  // the rows, stopping at the first failure: unsplit rows (columns 0) feed a LOAD DATA
  // statement with their text, split rows a prepared INSERT run once with the rows bound as
  // arrays (sql_connection::insert_rows). Returns at once; a batch still in flight is waited
  // for first. The statement and rows are swapped in, so the caller's come back holding the
  // previous batch's room.
  void start(sql_connection& connection, bool begin, std::string& statement, sql_bulk_rows& rows);
  bool busy() const { return busy_; }
  // Waits for the batch and tells how it went; without a batch in flight, an empty outcome.
  outcome wait();

 private:
  void serve() noexcept;
  void run() noexcept;

  std::thread thread_;
  bool busy_ = false;  // a batch started and not yet waited for; the caller's own
  std::mutex mutex_;
  std::condition_variable handed_;  // a batch for the thread, or its end
  std::condition_variable stored_;  // the thread is done with its batch
  bool work_ = false;               // under mutex_: a batch the thread has not finished
  bool stop_ = false;               // under mutex_: the thread ends
  // Owned by the thread while busy_.
  sql_connection* connection_ = nullptr;
  bool begin_ = false;
  std::string statement_;
  sql_bulk_rows rows_;
  outcome outcome_;
};
