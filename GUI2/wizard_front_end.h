// The wizard's front end: what the engine reports during a run, shown through the wizard's screen.
// Errors are collected for the finish page (only once the sheet is shown, and at most 20), also
// the missing engine and a failure outside the system's exceptions, so that a run with any of
// them never ends on the success text.
#pragma once

#include "GUI2/wizard_error_list.h"
#include "GUI2/wizard_screen.h"
#include "common/front_end.h"

class wizard_front_end : public conversion_front_end {
 public:
  // The run polls its progress on this period.
  static constexpr unsigned progress_period_ms = 200;
  // The exit status after an internal error.
  static constexpr int internal_error_status = 255;

  wizard_front_end(wizard_screen& screen, wizard_error_list& errors);

  void write_log(const std::wstring& line) override;
  void write_warning(const std::wstring& line) override;
  void run_started() override;
  void internal_error(const std::string& text) override;
  error_decision report_error(tk_exception_kind kind, const std::string& report, bool silent) override;
  void engine_required(const std::string& text, const std::string& link_caption, const std::string& address) override;
  void run_failed(const std::string& text) override;

 private:
  void collect(const std::string& text);

  wizard_screen& screen_;
  wizard_error_list& errors_;
};
