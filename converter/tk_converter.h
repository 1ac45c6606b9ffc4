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

  // Checks the path and makes it the log file (the logger is switched on through open_logfile,
  // at once unless hold_log is set). An empty path keeps the logger as it is. A path that names
  // a folder, a read-only file, a missing folder or one the process may not write is a
  // tk_exception (kind 1); the field keeps the path anyway.
  void set_logfile(const std::string& path);
  // Switches the logger on to the log file, after a last check: a log file that is the source
  // or the dump destination (the same file, or the same path when it does not exist yet) would
  // overwrite it, and is a tk_exception (kind 1) with the logger left off.
  void open_logfile();
  // Console only: no output of the run on standard output and error.
  virtual void set_silent(bool on) { silent = on; }

  // Set when a run has ended; polled by the wizard from another thread.
  std::atomic<bool> done{false};
  bool silent = false;
  std::wstring src;      // the Access database
  std::wstring dest;     // server database name, or dump file path
  std::string log_file;  // path of the log file (ANSI code page)
  // True while the options are still being read: the source and destination a log file must not
  // name may come after it, and the first line written empties the log file.
  bool hold_log = false;

 protected:
  // Whether `dest` names a file (a dump) rather than a server database.
  virtual bool dest_is_file() const { return false; }
};
