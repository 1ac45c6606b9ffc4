#include "GUI2/dump_page.h"

#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/vandry_converter.h"

namespace {

constexpr std::uint32_t kHelpTopic = 1014;

}  // namespace

dump_page::dump_page() : wizard_page(dump_template()) {}

bool dump_page::page_init() {
  tk_log1(tk_log_trace, "sql_dump_page<t_converter>::page_init");
  const dump_options& dump = vandry_converter::get_instance()->dump;
  check_radio(new_version_id, old_version_id, dump.new_version ? new_version_id : old_version_id);
  check_radio(windows_breaks_id, unix_breaks_id, dump.line_break != 0 ? unix_breaks_id : windows_breaks_id);
  set_check(add_lock_id, dump.add_lock ? ui_checked : ui_unchecked);
  set_check(create_database_id, dump.create_database ? ui_checked : ui_unchecked);
  set_check(create_table_id, dump.create_table ? ui_checked : ui_unchecked);
  enable_ctrl(create_database_id, dump.create_table);
  set_check(comments_id, dump.insert_comments ? ui_checked : ui_unchecked);
  return true;
}

void dump_page::store_settings() {
  vandry_converter* converter = vandry_converter::get_instance();
  dump_options& dump = converter->dump;
  dump.add_lock = get_check(add_lock_id) == ui_checked;
  dump.create_database = get_check(create_database_id) == ui_checked;
  dump.create_table = get_check(create_table_id) == ui_checked;
  dump.insert_comments = get_check(comments_id) == ui_checked;
  dump.new_version = get_check(new_version_id) == ui_checked;
  converter->engine.version = dump.new_version ? new_version : old_version;
  dump.line_break = get_check(windows_breaks_id) == ui_checked ? 0 : 1;
}

int dump_page::on_next() {
  store_settings();
  return ugl_page_id;
}

int dump_page::on_back() {
  store_settings();
  return 0;
}

void dump_page::on_help() { wizard_shell::get_instance()->display_help(kHelpTopic); }

bool dump_page::on_command(int id, ui_event event) {
  if (event != ui_event::clicked) return wizard_page::on_command(id, event);
  if (id >= add_lock_id && id <= comments_id) {
    invert_chbox(id);
    // CREATE DATABASE is written only together with the tables; its own choice is kept.
    if (id == create_table_id) enable(create_database_id, get_check(create_table_id) == ui_checked);
    return true;
  }
  if (id >= new_version_id && id <= unix_breaks_id) {
    on_radio(id);
    return true;
  }
  return wizard_page::on_command(id, event);
}

void dump_page::on_radio(int id) {
  // Plain radios: each click sets its own pair and leaves the other pair as it was.
  if (id == new_version_id || id == old_version_id) {
    check_radio(new_version_id, old_version_id, id);
  } else {
    check_radio(windows_breaks_id, unix_breaks_id, id);
  }
}
