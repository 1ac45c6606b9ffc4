// Where the messages libmdb prints go. libmdb writes its warnings straight onto the standard
// error stream; a console user must never see them, so the reader catches them and hands each
// line to the sink set here (the program's log), or drops them while no sink is set.
#pragma once

#include <functional>
#include <string>

namespace jet {

// Receives one line of libmdb's text, without its line end. Called on the thread that made the
// libmdb call, under the reader's lock: the sink must not call back into the reader.
using jet_diagnostic_sink = std::function<void(const std::string& line)>;

// Replaces the sink; an empty function drops the lines. Safe from any thread.
void jet_set_diagnostic_sink(jet_diagnostic_sink sink);

// While an object of this class lives on a thread, what anything in the process writes through
// the stdio stream stderr is caught and handed to the sink when the outermost one ends. The
// window is one libmdb call, so another thread's own error text seldom lands in it, and when it
// does it reaches the log rather than being lost. Nested guards on one thread are allowed.
class jet_stderr_guard {
 public:
  jet_stderr_guard();
  ~jet_stderr_guard();
  jet_stderr_guard(const jet_stderr_guard&) = delete;
  jet_stderr_guard& operator=(const jet_stderr_guard&) = delete;

 private:
  bool outermost_ = false;
};

}  // namespace jet
