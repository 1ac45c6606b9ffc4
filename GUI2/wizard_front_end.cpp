// The wizard's front end.
#include "GUI2/wizard_front_end.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

wizard_front_end::wizard_front_end(wizard_screen& screen, wizard_error_list& errors)
    : screen_(screen), errors_(errors) {}

void wizard_front_end::write_log(const std::wstring& line) { screen_.append_log(line); }

// A warning (a selected table the source lacks) belongs with the run's other lines: the user reads
// them in order in the log box.
void wizard_front_end::write_warning(const std::wstring& line) { screen_.append_log(line); }

void wizard_front_end::run_started() { screen_.start_progress_timer(progress_period_ms); }

void wizard_front_end::internal_error(const std::string& text) {
  screen_.show_internal_error(tk_utf8_to_unicode(text));
  screen_.end_program(internal_error_status);
}

void wizard_front_end::collect(const std::string& text) {
  if (!screen_.initialized()) return;
  if (!errors_.add(tk_string::replace_all(text, "\n", " "))) tk_log1(tk_log_detail, "Error list is full");
}

error_decision wizard_front_end::report_error(tk_exception_kind kind, const std::string& report, bool silent) {
  collect(report);
  if (kind == tk_kind_error) {
    if (!silent) screen_.show_error(tk_utf8_to_unicode(report));
    return {};
  }
  if (silent) return {};
  const continue_answer answer = screen_.ask_continue(tk_utf8_to_unicode(report));
  error_decision decision;
  decision.stop = answer.abort;
  decision.silence = answer.do_not_show;
  return decision;
}

void wizard_front_end::engine_required(const std::string& text, const std::string& link_caption,
                                       const std::string& address) {
  collect(text);
  screen_.show_download_required(tk_utf8_to_unicode(text), tk_utf8_to_unicode(link_caption),
                                 tk_utf8_to_unicode(address));
}

void wizard_front_end::run_failed(const std::string& text) {
  collect(text);
  screen_.show_error(tk_utf8_to_unicode(text));
}
