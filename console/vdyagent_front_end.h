// What a conversion run shows on the console of VDYAGENT: progress lines on standard output,
// warnings and failures on standard error, all as UTF-8 with LF line ends; and what the program
// needs afterwards for its exit code.
#pragma once

#include <string>

#include "common/console_front_end.h"

class vdyagent_front_end : public console_front_end {
 public:
  void write_log(const std::wstring& line) override;
  void write_warning(const std::wstring& line) override;
  void engine_required(const std::string& text, const std::string& link_caption, const std::string& address) override;
  void run_failed(const std::string& text) override;

  // No progress lines, warnings or failure texts. The program sets it from the converter's
  // silent flag for the run, so the run tells this front end everything and the counts below
  // hold in silent mode too.
  bool quiet = false;

  // What went wrong outside the error handler's reports: selected tables the source lacks,
  // failures that are not the system's exceptions, and a missing Access database engine.
  unsigned warnings = 0;
  unsigned failures = 0;
  bool engine_missing = false;
};
