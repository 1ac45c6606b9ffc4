#include "GUI2/mysql_settings_page.h"

#include "GUI2/page_error_text.h"
#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "SQL/sql_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"

namespace {

constexpr std::size_t kFieldLimit = 260;

std::string field_text(const ui_control_host& page, int id) {
  std::wstring text = page.get_text(id);
  if (text.size() > kFieldLimit) text.resize(kFieldLimit);
  return tk_unicode_to_utf8(text);
}

// The server errors whose cure is in the help: an authentication protocol the client lacks.
bool is_protocol_error(std::uint32_t code) {
  if ((code & 0xFFFF0000) != 0x400000) return false;
  const std::uint32_t number = code & 0xFFFF;
  return number == 1249 || number == 1250 || number == 1251;
}

}  // namespace

mysql_settings_page::mysql_settings_page() : wizard_page(mysql_settings_template()) {}

bool mysql_settings_page::page_init() {
  tk_log1(tk_log_trace, "sql_settings_page2::page_init");
  const vandry_converter* converter = vandry_converter::get_instance();
  set_text(user_id, tk_utf8_to_unicode(converter->user));
  set_text(password_id, tk_utf8_to_unicode(converter->password));
  const bool remote = !converter->host.empty();
  check_radio(local_id, remote_id, remote ? remote_id : local_id);
  enable(host_id, remote);
  enable(port_id, remote);
  if (remote) {
    set_text(host_id, tk_utf8_to_unicode(converter->host));
    set_text(port_id, tk_utf8_to_unicode(converter->port));
  }
  return true;
}

void mysql_settings_page::store_settings() {
  tk_log1(tk_log_trace, "sql_settings_page2::store_settings");
  std::string host;
  std::string port = "3306";
  // "Local" is the server's own socket: what the disabled fields still show is not used.
  if (get_check(remote_id) == ui_checked) {
    host = field_text(*this, host_id);
    port = field_text(*this, port_id);
  }
  vandry_converter::get_instance()->store_mysql_settings(host, field_text(*this, user_id),
                                                         field_text(*this, password_id), port);
}

int mysql_settings_page::on_next() {
  tk_log1(tk_log_trace, "sql_settings_page2::on_next");
  store_settings();
  wizard_shell* shell = wizard_shell::get_instance();
  try {
    vandry_converter::get_instance()->connect_mysql_server();
    return 0;
  } catch (const sql_auth_not_supported_exception& e) {
    shell->error(std::string(e.what()));
    shell->display_help(protocol_help_topic);
  } catch (const tk_exception& e) {
    shell->error(page_error_text(e));
    if (is_protocol_error(e.code())) shell->display_help(protocol_help_topic);
  }
  return -1;
}

int mysql_settings_page::on_back() {
  store_settings();
  return welcome_page_id;
}

void mysql_settings_page::on_help() { wizard_shell::get_instance()->display_help(help_topic); }

bool mysql_settings_page::on_command(int id, ui_event event) {
  if (event == ui_event::clicked && id == local_id) {
    enable(host_id, false);
    enable(port_id, false);
    return true;
  }
  if (event == ui_event::clicked && id == remote_id) {
    enable_ctrl(host_id, true);
    enable_ctrl(port_id, true);
    return true;
  }
  return wizard_page::on_command(id, event);
}
