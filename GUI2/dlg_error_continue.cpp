// The dialog after an error the run can go on from.
#include "GUI2/dlg_error_continue.h"

#include "GUI2/wizard_ids.h"
#include "TK/tk_logger.h"

namespace {

ui_dialog_def controls_of_dialog(const std::wstring& caption) {
  return {dlg_error_continue::dialog_id,
          caption,
          260,
          100,
          {{wizard_dialog_icon_id, ui_kind::icon, L"", {8, 10, 21, 20}},
           {wizard_dialog_text_id, ui_kind::static_text, L"", {40, 8, 212, 52}},
           {dlg_error_continue::do_not_show_id,
            ui_kind::check_box,
            L"&Do not show this dialog box again",
            {40, 62, 212, 10}},
           {dlg_error_continue::continue_id, ui_kind::default_button, L"Continue", {76, 80, 50, 14}},
           {dlg_error_continue::abort_id, ui_kind::push_button, L"Abort", {134, 80, 50, 14}}}};
}

}  // namespace

dlg_error_continue::dlg_error_continue(const std::wstring& text, const std::wstring& caption)
    : ui_dialog(controls_of_dialog(caption)), text_(text) {
  tk_log1(tk_log_trace, "dlg_error_continue::ctor");
}

void dlg_error_continue::on_init_dialog() {
  tk_log1(tk_log_trace, "dlg_error_continue::on_init");
  set_icon(wizard_dialog_icon_id, ui_icon::error);
  set_text(wizard_dialog_text_id, text_);
}

bool dlg_error_continue::on_command(int id, ui_event event) {
  if (event != ui_event::clicked) return false;
  switch (id) {
    case do_not_show_id:
      // A plain check box: the dialog toggles it and keeps the state.
      do_not_show_ = get_check(do_not_show_id) != ui_checked;
      set_check(do_not_show_id, do_not_show_ ? ui_checked : ui_unchecked);
      return true;
    case abort_id:
    case continue_id: end_dialog(id); return true;
    default: return false;
  }
}
