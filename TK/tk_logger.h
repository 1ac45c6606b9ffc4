// The log file every function traces itself into: the process-wide tk_logger and the two
// printf-style writers tk_log1 (narrow format) and tk_log2 (wide format, stored as UTF-8).
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <string>

#include "TK/tk_singleton.h"

// Levels of a log line.
enum tk_log_level : int {
  tk_log_trace = 1,   // entry of a function with its arguments
  tk_log_detail = 2,  // intermediate values, internal steps
  tk_log_event = 3,   // milestones and the errors a user should see
};

class tk_logger : public tk_singleton<tk_logger> {
 public:
  // Longest line the writers keep, in characters (wide) or bytes (UTF-8); longer lines are cut.
  static constexpr std::size_t max_line = 10239;

  // file: the log file, or null for the program's path with ".log". enabled: write at all (the
  // file is emptied at once when true). threshold: the lowest level written. timestamp: put the
  // local time "hh:mm:ss " in front of each line.
  tk_logger(const char* file, bool enabled, std::uint32_t threshold, bool timestamp);
  ~tk_logger() override;

  // Replaces the file; null is an internal error.
  void set_file_name(const char* name);
  void enable();
  // Empties the file the first time it is called while enabled.
  void truncate_once();

  // The program file's drive, directory and base name followed by ".log".
  static std::string get_default_file_name();

  // The steps of a writer before it formats: false when the line is not to be written (the
  // logger is disabled or the level is below the threshold). Empties the file on first use.
  bool accepts(int level);
  // Writes one formatted line (time stamp and CR LF added as set).
  void write_line(const char* text, std::size_t length);

 private:
  std::string file_name_;
  std::uint32_t threshold_;
  bool crlf_ = true;
  std::atomic<bool> enabled_;
  std::atomic<bool> truncated_{false};
  // Publishes this logger's settings to tk_log_floor when it is the registered logger.
  void publish_floor();
  bool timestamp_;
  std::mutex write_mutex_;  // lines of two threads never interleave
};

// The lowest level the registered logger writes now; above every level while no logger is
// registered or it is disabled. Most log calls sit on paths run once a value or a row with
// logging off, so a call must cost one test of this and evaluate none of its arguments.
inline std::atomic<int> tk_log_floor{INT_MAX};
inline bool tk_log_wanted(int level) { return level >= tk_log_floor.load(std::memory_order_relaxed); }

void tk_log1_line(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void tk_log2_line(int level, const wchar_t* format, ...);

// How a password stands in a log line: never its text, only whether one was given.
inline const char* tk_log_secret(const std::wstring& password) { return password.empty() ? "" : "********"; }
inline const char* tk_log_secret(const std::string& password) { return password.empty() ? "" : "********"; }

// The writers as callers use them: the arguments are evaluated only when the line is wanted.
#define tk_log1(level, ...) (tk_log_wanted(level) ? tk_log1_line((level), __VA_ARGS__) : void())
#define tk_log2(level, ...) (tk_log_wanted(level) ? tk_log2_line((level), __VA_ARGS__) : void())
