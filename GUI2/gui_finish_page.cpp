// The last page.
#include "GUI2/gui_finish_page.h"

#include <sys/stat.h>
#include <QAbstractButton>
#include <QFont>
#include <QTimer>

#include "GUI2/file_dialog_rules.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_format.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"
#include "platform/ui/ui_hooks.h"

namespace {

ui_dialog_def controls_of_dialog() {
  return {116,
          L"",
          317,
          193,
          {{gui_finish_page_t::title_id, ui_kind::static_text, L"Conversion is Completed", {115, 8, 195, 24}},
           {gui_finish_page_t::result_id, ui_kind::static_text, L"", {115, 40, 195, 40}},
           {wizard_log_box_id, ui_kind::multiline_edit, L"", {115, 84, 195, 80}, ui_flag_vscroll | ui_flag_hidden},
           {gui_finish_page_t::save_id, ui_kind::push_button, L"&Save Settings...", {115, 170, 80, 14}}}};
}

// The errors past the list's room went only to the log, which keeps them only when it is on.
std::wstring more_errors_line(std::size_t more) {
  const std::wstring count = std::to_wstring(more) + (more == 1 ? L" more error is" : L" more errors are");
  if (tk_log_wanted(tk_log_event)) return count + L" not listed here; the log file holds them.";
  return count + L" not listed here and were not kept: no log file was set.";
}

bool file_exists(const std::wstring& path) {
  struct stat state;
  return ::stat(tk_unicode_to_utf8(path).c_str(), &state) == 0;
}

}  // namespace

gui_finish_page_t::gui_finish_page_t(vandry_converter& converter, const std::wstring& success_text,
                                     const std::wstring& error_text, const std::wstring& profile_extension)
    : wizard_page(controls_of_dialog()),
      converter_(converter),
      success_text_(success_text),
      error_text_(error_text),
      extension_(profile_extension) {}

bool gui_finish_page_t::page_init() {
  tk_log1(tk_log_detail, "gui_finish_page::page_init");
  QFont title_font(QStringLiteral("Segoe UI"));
  title_font.setPointSize(13);
  control(title_id)->setFont(title_font);
  sheet()->enable_button(ui_id_cancel, false);
  sheet()->enable_button(ui_id_help, false);
  const wizard_error_list& list = wizard_shell::get_instance()->errors();
  const std::vector<std::string> errors = list.entries();
  if (errors.empty()) {
    tk_log1(tk_log_detail, "Display success-message");
    set_text(result_id, success_text_);
    return true;
  }
  tk_log1(tk_log_detail, "Display errors");
  set_text(result_id, error_text_);
  show(wizard_log_box_id, true);
  set_text(wizard_log_box_id, L"");
  for (const std::string& error : errors) {
    append_text(wizard_log_box_id, tk_utf8_to_unicode(tk_string::replace_all(error, "\n", " ")));
    append_text(wizard_log_box_id, L"\r\n\r\n");
  }
  if (const std::size_t more = list.dropped(); more != 0) append_text(wizard_log_box_id, more_errors_line(more));
  set_read_only(wizard_log_box_id, true);
  return true;
}

bool gui_finish_page_t::on_command(int id, ui_event event) {
  if (id == wizard_log_box_id && event == ui_event::focus_in) {
    on_eb_focus();
    return true;
  }
  if (id == save_id && event == ui_event::clicked) {
    on_store();
    return true;
  }
  return wizard_page::on_command(id, event);
}

void gui_finish_page_t::on_eb_focus() {
  tk_log1(tk_log_trace, "gui_finish_page::on_eb_focus");
  if (!first_focus_) return;
  first_focus_ = false;
  // The first focus comes with the page, not from the user: Finish keeps it, with no selection.
  // The move waits until the sheet has finished showing the page: the page stack hands the focus
  // in first, then the sheet sets it on the first tab stop again, which would take it back.
  select_text(wizard_log_box_id, -1, 0);
  QTimer::singleShot(0, this, [this] {
    if (QAbstractButton* finish = sheet()->button(ui_id_finish)) finish->setFocus(Qt::OtherFocusReason);
  });
}

void gui_finish_page_t::on_store() {
  const std::wstring filter = L"Profile Files (." + extension_ + L")|*." + extension_ + L"|All Files (*.*)|*.*|";
  tk_log2(tk_log_trace, L"gui_finish_page_t::on_store(%ls)", filter.c_str());
  if (extension_.size() < 3 || extension_.size() > 4) throw tk_mail_assertion("g_fin_pg", 101);
  ui_file_request request;
  request.owner = this;
  request.title = L"Select Profile";
  request.filters = file_dialog_filters(filter);
  request.default_suffix = extension_;
  const std::optional<std::wstring> chosen = ui_save_file(request);
  if (!chosen) return;
  const std::wstring path = with_default_extension(*chosen, extension_);
  wizard_shell* shell = wizard_shell::get_instance();
  // The dialog asked about the name it returned; a name that gained the extension here is a
  // different file, which must not be replaced unasked either.
  if (path != *chosen && file_exists(path) &&
      !shell->question(path + L" already exists.\nDo you want to replace it?", true)) {
    return;
  }
  if (!converter_.store_profile(path)) shell->error(L"Cannot save the settings to '" + path + L"'.");
}
