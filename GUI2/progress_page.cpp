// The page that runs the conversion.
#include "GUI2/progress_page.h"

#include "GUI2/progress_percent.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_format.h"
#include "TK/tk_logger.h"
#include "converter/udb_converter.h"
#include "platform/ui/ui_thread_call.h"

namespace {

constexpr std::size_t kTableTextLimit = 255;

ui_dialog_def controls_of_dialog() {
  return {108,
          L"",
          317,
          143,
          {{ui_id_static,
            ui_kind::static_text,
            L"Database conversion is in progress. Please wait until wizard completes",
            {21, 2, 280, 8}},
           {ui_id_static,
            ui_kind::static_text,
            L"converting your MS Access database into MySQL data source.",
            {21, 11, 280, 8}},
           {wizard_log_box_id, ui_kind::multiline_edit, L"", {21, 24, 275, 80}, ui_flag_vscroll | ui_flag_read_only},
           {progress_page::table_id, ui_kind::static_text, L"", {21, 108, 275, 8}, ui_flag_wrap_off},
           {progress_page::progress_id, ui_kind::progress, L"", {21, 120, 275, 12}}}};
}

}  // namespace

progress_page::progress_page(udb_converter& run) : wizard_page(controls_of_dialog()), tk_thread(false), run_(run) {}

progress_page::~progress_page() { stop_and_wait(); }

tk_thread_functor* progress_page::create_functor() { return &run_; }

void progress_page::stop_and_wait() {
  if (!is_running()) return;
  stop();
  // The worker may be waiting for the UI thread (a log line, a dialog): serve it until it returns.
  ui_wait_until([this] { return !is_running(); });
  join();
}

bool progress_page::page_init() {
  tk_log1(tk_log_trace, "progress_page::page_init");
  // After the template's own buttons: during the run only Cancel is offered.
  sheet()->post_buttons(ui_wiz_none);
  set_progress(progress_id, 0);
  set_text(wizard_log_box_id, L"");
  set_text_limit(wizard_log_box_id, log_limit);
  set_read_only(wizard_log_box_id, true);
  start();
  started_ = true;
  return true;
}

void progress_page::on_timer(int timer_id) {
  if (timer_id != wizard_shell::progress_timer_id) return;
  tk_log1(tk_log_trace, "progress_page::on_timer");
  const progress_counts counts{run_.tables_done.load(), run_.tables_total.load(), run_.records_done.load(),
                               run_.records_total.load()};
  set_progress(progress_id, progress_bar_value(counts));
  if (run_.done.load()) {
    wizard_shell::get_instance()->stop_timer();
    join();
    sheet()->set_current_page(finish_page_id);
    return;
  }
  const std::wstring table = run_.get_current_table();
  std::wstring text = table.empty() ? std::wstring() : L"Processing table '" + table + L"'";
  if (text.size() > kTableTextLimit) text.resize(kTableTextLimit);
  set_text(table_id, text);
}

void progress_page::on_help() { wizard_shell::get_instance()->display_help(); }

bool progress_page::on_cancel() {
  if (!is_running()) return wizard_page_base::on_cancel();
  if (!wizard_page_base::on_cancel()) return false;
  cancelled_ = true;
  sheet()->post_buttons(ui_wiz_none);
  sheet()->enable_button(ui_id_cancel, false);
  sheet()->enable_button(ui_id_help, false);
  stop_and_wait();
  wizard_shell::get_instance()->stop_timer();
  return true;
}
