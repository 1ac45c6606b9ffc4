// The console program's front end: progress on standard output, warnings and errors on standard
// error, and the console's answers to errors (an internal error, or an error outside a run, ends
// the program with exit code -1; inside a run the run goes on and the program tells afterwards).
#pragma once

#include <cstdio>

#include "common/front_end.h"

class console_front_end : public conversion_front_end {
 public:
  // out and err: where reports and warnings go (standard output and error by default).
  explicit console_front_end(std::FILE* out = stdout, std::FILE* err = stderr);

  void write_log(const std::wstring& line) override;
  void write_warning(const std::wstring& line) override;
  void run_started() override { in_run_ = true; }
  void run_ended() override { in_run_ = false; }
  [[noreturn]] void internal_error(const std::string& text) override;
  error_decision report_error(tk_exception_kind kind, const std::string& report, bool silent) override;
  void engine_required(const std::string& text, const std::string& link_caption, const std::string& address) override;
  void run_failed(const std::string& text) override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  bool in_run_ = false;
};
