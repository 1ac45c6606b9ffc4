// The internal-error dialog.
#include "GUI2/dlg_error_ex.h"

#include "GUI2/wizard_ids.h"
#include "TK/tk_logger.h"
#include "TK/tk_send_bug.h"
#include "TK/tk_utils.h"
#include "platform/ui/ui_hooks.h"

namespace {

ui_dialog_def controls_of_dialog(const std::wstring& caption) {
  return {dlg_error_ex::dialog_id,
          caption,
          260,
          96,
          {{wizard_dialog_icon_id, ui_kind::icon, L"", {8, 10, 21, 20}},
           {wizard_dialog_text_id, ui_kind::static_text, L"", {40, 8, 212, 56}},
           {dlg_error_ex::send_bug_id, ui_kind::default_button, L"Send bug", {40, 74, 64, 14}},
           {dlg_error_ex::ok_id, ui_kind::push_button, L"OK", {112, 74, 50, 14}},
           {dlg_error_ex::copy_id, ui_kind::push_button, L"Copy to clipboard", {170, 74, 82, 14}}}};
}

}  // namespace

dlg_error_ex::dlg_error_ex(const std::wstring& text, const std::wstring& caption, const std::wstring& title)
    : ui_dialog(controls_of_dialog(caption)), text_(text), title_(title) {
  tk_log1(tk_log_trace, "dlg_error_ex::ctor");
  // The only way out is one of the buttons: the program ends after this dialog in any case.
  set_closable(false);
}

void dlg_error_ex::on_init_dialog() {
  tk_log1(tk_log_trace, "dlg_error_ex::on_init");
  set_icon(wizard_dialog_icon_id, ui_icon::error);
  set_text(wizard_dialog_text_id, text_);
}

bool dlg_error_ex::on_command(int id, ui_event event) {
  if (event != ui_event::clicked) return false;
  switch (id) {
    case copy_id:
      ui_set_clipboard_text(text_);
      end_dialog(copy_id);
      return true;
    case send_bug_id:
      tk_send_bug(tk_unicode_to_utf8(title_), tk_unicode_to_utf8(text_));
      end_dialog(send_bug_id);
      return true;
    case ok_id: end_dialog(ok_id); return true;
    default: return false;
  }
}
