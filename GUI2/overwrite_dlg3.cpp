#include "GUI2/overwrite_dlg3.h"

#include <QApplication>

#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"

namespace {

// Radio -> mode, in the modes' order.
constexpr int kModeRadios[] = {1329, 1330, 1331, 1332, 1339};

}  // namespace

overwrite_dlg3::overwrite_dlg3(const std::wstring& text, std::uint32_t help_topic)
    : ui_dialog(overwrite_template()), text_(text), help_topic_(help_topic) {
  tk_log1(tk_log_trace, "overwrite_dlg3::ctor");
}

void overwrite_dlg3::on_init_dialog() {
  tk_log1(tk_log_trace, "overwrite_dlg2::on_init");
  if (QWidget* window = window_widget()) {
    window->setWindowTitle(QString::fromStdWString(wizard_shell::get_instance()->title() + L" Warning"));
  }
  set_icon(icon_id, ui_icon::warning);
  set_text(text_id, text_);
  check_radio(kModeRadios[0], kModeRadios[4], kModeRadios[0]);
  QApplication::beep();
}

bool overwrite_dlg3::on_command(int id, ui_event event) {
  if (event != ui_event::clicked) return ui_dialog::on_command(id, event);
  if (id == 1) {
    for (std::uint32_t mode = 0; mode < 5; ++mode) {
      if (get_check(kModeRadios[mode]) == ui_checked) mode_ = mode;
    }
    end_dialog(1);
    return true;
  }
  if (id == help_id) {
    wizard_shell::get_instance()->display_help(help_topic_);
    return true;
  }
  return ui_dialog::on_command(id, event);
}
