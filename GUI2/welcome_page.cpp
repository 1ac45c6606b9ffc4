#include "GUI2/welcome_page.h"

#include <QFont>

#include "GUI2/file_dialog_rules.h"
#include "GUI2/settings_load.h"
#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"

namespace {

constexpr std::uint32_t kHelpTopic = 1018;
constexpr const wchar_t* kMakerName = L"Quellbrook";
constexpr const wchar_t* kMakerSite = L"https://www.quellbrook.com/";

}  // namespace

welcome_page::welcome_page(std::wstring profile_extension)
    : wizard_page(welcome_template()), extension_(std::move(profile_extension)) {}

bool welcome_page::page_init() {
  tk_log1(tk_log_trace, "welcome_page::page_init");
  QFont title_font(QStringLiteral("Segoe UI"));
  title_font.setPointSize(13);
  title_font.setWeight(QFont::Normal);
  title_font.setStyleHint(QFont::SansSerif);
  control(title_id)->setFont(title_font);
  update_from_cvt();
  if (first_) {
    first_ = false;
    set_link(link_id, kMakerName, kMakerSite);
  }
  return true;
}

void welcome_page::update_from_cvt() {
  tk_log1(tk_log_trace, "welcome_page::update_from_cvt");
  check_radio(direct_id, dump_id, vandry_converter::get_instance()->direct ? direct_id : dump_id);
}

int welcome_page::on_next() {
  tk_log1(tk_log_trace, "welcome_page::on_next");
  vandry_converter* converter = vandry_converter::get_instance();
  converter->direct = get_check(direct_id) == ui_checked;
  tk_log1(tk_log_detail, "settind direct_mode to %d", converter->direct ? 1 : 0);
  return converter->direct ? server_page_id : dump_page_id;
}

void welcome_page::on_help() { wizard_shell::get_instance()->display_help(kHelpTopic); }

bool welcome_page::on_command(int id, ui_event event) {
  if (id == load_id && event == ui_event::clicked) {
    on_load();
    return true;
  }
  return wizard_page::on_command(id, event);
}

void welcome_page::on_load() {
  const std::wstring filter = L"Profile Files (." + extension_ + L")|*." + extension_ + L"|All Files (*.*)|*.*|";
  tk_log2(tk_log_trace, L"welcome_page_t::on_load(%ls)", filter.c_str());
  ui_file_request request;
  request.owner = this;
  request.title = L"Select Profile";
  request.filters = file_dialog_filters(filter);
  const std::optional<std::wstring> chosen = ui_open_file(request);
  if (!chosen) return;
  const std::wstring failure = load_settings_file(*vandry_converter::get_instance(), *chosen);
  if (!failure.empty()) {
    wizard_shell::get_instance()->error(failure);
    return;
  }
  update_from_cvt();
}
