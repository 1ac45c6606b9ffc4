#include "GUI2/conversion_settings.h"

#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/vandry_converter.h"

namespace {

constexpr std::size_t kFieldLimit = 260;

}  // namespace

conversion_settings::conversion_settings() : wizard_page(conversion_settings_template()) {}

void conversion_settings::select_prefix(int id, const std::wstring& name) {
  // An empty name would match the first entry it meets and store a choice nobody made.
  list_set_current(id, name.empty() ? -1 : list_find_prefix(id, name, 0));
}

bool conversion_settings::page_init() {
  tk_log1(tk_log_trace, "conversion_settings::page_init");
  vandry_converter* converter = vandry_converter::get_instance();
  set_check(tab_def_id, converter->tab_def ? ui_checked : ui_unchecked);
  set_check(skip_idx_id, converter->skip_idx ? ui_checked : ui_unchecked);
  set_check(views_id, converter->convert_views ? ui_checked : ui_unchecked);
  enable_ctrl(views_id, converter->can_create_views());
  sql_engine& engine = converter->engine;
  if (!filled_) {
    tk_log1(tk_log_detail, "Initializing combobox");
    list_clear(bool_list_id);
    list_add(bool_list_id, L"ANSI (true=1,false=0)");
    list_add(bool_list_id, L"Microsoft (true=-1,false=0)");
    tk_log1(tk_log_detail, "Initializing charset combobox");
    list_clear(charset_list_id);
    list_add(charset_list_id, automatic_charset);
    for (const std::wstring& charset : engine.get_charsets()) list_add(charset_list_id, charset);
    tk_log1(tk_log_detail, "Initializing engines combobox");
    list_clear(engine_list_id);
    for (const std::wstring& name : engine.get_storage_engines()) list_add(engine_list_id, name);
    filled_ = true;
  }
  list_set_current(bool_list_id, converter->bool_map < 2 ? static_cast<int>(converter->bool_map) : -1);
  if (engine.charset.empty()) {
    list_set_current(charset_list_id, 0);
  } else {
    // The names start after the automatic entry; the search starts after the first name.
    const int found = list_find_prefix(charset_list_id, engine.charset, 1);
    list_set_current(charset_list_id, found > 0 ? found : -1);
  }
  select_prefix(engine_list_id, engine.engine);
  return true;
}

void conversion_settings::store_file_info() {
  tk_log1(tk_log_trace, "conversion_settings::store_file_info");
  vandry_converter* converter = vandry_converter::get_instance();
  converter->tab_def = get_check(tab_def_id) == ui_checked;
  converter->skip_idx = get_check(skip_idx_id) == ui_checked;
  // Kept also while disabled: the run decides again whether it can make views.
  converter->convert_views = get_check(views_id) == ui_checked;
  const int mapping = list_current(bool_list_id);
  if (mapping >= 0) converter->bool_map = static_cast<std::uint32_t>(mapping);

  sql_engine& engine = converter->engine;
  std::wstring charset = get_text(charset_list_id);
  if (charset.size() > kFieldLimit) charset.resize(kFieldLimit);
  if (list_current(charset_list_id) == 0) {
    tk_log1(tk_log_trace, "got charset2=(automatic)");
    engine.charset.clear();
  } else if (charset.empty()) {
    tk_log1(tk_log_detail, "Failed to exract text from charset COMBO");
  } else {
    tk_log2(tk_log_trace, L"got charset1=%ls", charset.c_str());
    engine.charset = charset.substr(0, charset.find(L' '));
    tk_log2(tk_log_trace, L"got charset2=%ls", engine.charset.c_str());
  }
  std::wstring storage = get_text(engine_list_id);
  if (storage.size() > kFieldLimit) storage.resize(kFieldLimit);
  if (storage.empty()) {
    tk_log1(tk_log_detail, "Failed to exract text from engines COMBO");
  } else {
    tk_log2(tk_log_trace, L"got tab_type=%ls", storage.c_str());
    engine.engine = storage;
  }
}

int conversion_settings::on_next() {
  store_file_info();
  return 0;
}

int conversion_settings::on_back() {
  store_file_info();
  return 0;
}

void conversion_settings::on_help() { wizard_shell::get_instance()->display_help(help_topic); }

bool conversion_settings::on_command(int id, ui_event event) {
  if (event == ui_event::clicked && (id == tab_def_id || id == skip_idx_id || id == views_id)) {
    invert_chbox(id);
    return true;
  }
  return wizard_page::on_command(id, event);
}
