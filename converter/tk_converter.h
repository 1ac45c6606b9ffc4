// The converter's innermost base: a thread body (the wizard runs a conversion on a worker
// thread) with the run's done flag, the console's silent flag, source, destination and log file.
#pragma once

#include <atomic>
#include <string>

#include "TK/tk_thread.h"

class tk_converter : public tk_thread_functor {
 public:
  tk_converter();
  ~tk_converter() override = default;

  // Checks the path and makes it the log file (the logger is switched on). An empty path keeps
  // the logger as it is. A path that names a folder, a read-only file, a missing folder or one
  // the process may not write is a tk_exception (kind 1); the field keeps the path anyway.
  void set_logfile(const std::string& path);
  // Console only: no output of the run on standard output and error.
  virtual void set_silent(bool on) { silent = on; }

  // Set when a run has ended; polled by the wizard from another thread.
  std::atomic<bool> done{false};
  bool silent = false;
  std::wstring src;      // the Access database
  std::wstring dest;     // server database name, or dump file path
  std::string log_file;  // path of the log file (ANSI code page)
};
