// What the engine asks of the program it runs in: progress lines, error reports and the answers
// to them, the start and end of a run. Each program registers one front end; the engine links no
// user-interface code and reaches the program only through this interface.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"

// The user's answer to an error report that lets the conversion go on.
struct error_decision {
  bool stop = false;     // end the conversion (honoured only where the caller allows it)
  bool silence = false;  // show no further reports for the rest of the process
};

// The front end of a program, registered as the process-wide instance by its constructor. While
// none is registered the engine only logs.
class conversion_front_end : public tk_singleton<conversion_front_end> {
 public:
  ~conversion_front_end() override = default;

  // One progress line of a run ("Converting table ..."), ending in CR LF.
  virtual void write_log(const std::wstring& line) = 0;
  // A warning line of a run that is not an error report (a table the source lacks).
  virtual void write_warning(const std::wstring& line) = 0;

  // A run begins and ends (the wizard polls the run's progress in between).
  virtual void run_started() {}
  virtual void run_ended() {}

  // An internal error: the front end shows `text` and ends the program. A front end that returns
  // (a test's) lets the caller go on.
  virtual void internal_error(const std::string& text) = 0;
  // An error of kind 0 or 1 with its report text (context and map text, one line). `silent`:
  // the user asked for no dialogs or output. The answer matters for kind 0 only.
  virtual error_decision report_error(tk_exception_kind kind, const std::string& report, bool silent) = 0;
  // No Access database engine can open an Access 2007 or later file: `text` and where to get one.
  virtual void engine_required(const std::string& text, const std::string& link_caption,
                               const std::string& address) = 0;
  // A failure of a run that is not one of the system's exceptions.
  virtual void run_failed(const std::string& text) = 0;

 protected:
  conversion_front_end() = default;
};
