#include "GUI2/ugl_page.h"

#include "GUI2/file_dialog_rules.h"
#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"
#include "dao/dao_engine.h"

namespace {

constexpr std::size_t kFieldLimit = 260;

std::wstring field_text(const ui_control_host& page, int id) {
  std::wstring text = page.get_text(id);
  if (text.size() > kFieldLimit) text.resize(kFieldLimit);
  return text;
}

}  // namespace

ugl_page::ugl_page() : wizard_page(ugl_template()) {}

void ugl_page::enable_fields(bool on) {
  for (int id : {sysdb_id, user_id, password_id, browse_id}) enable(id, on);
}

bool ugl_page::page_init() {
  tk_log1(tk_log_detail, "ugl_page::page_init");
  const vandry_converter* converter = vandry_converter::get_instance();
  set_text(sysdb_id, converter->sysdb);
  set_text(user_id, converter->ugl_user);
  set_text(password_id, converter->ugl_password);
  // The source is opened with the workgroup whenever a file and a user are stored, so the box
  // shows that too, not only the flag.
  const bool used = converter->use_ugl || converter->uses_workgroup();
  set_check(use_ugl_id, used ? ui_checked : ui_unchecked);
  enable_fields(used);
  return true;
}

void ugl_page::store_settings() {
  vandry_converter* converter = vandry_converter::get_instance();
  const bool used = get_check(use_ugl_id) == ui_checked;
  // A cleared box must not leave a file and user behind: they alone make the source open with a
  // workgroup.
  if (used) {
    converter->store_ugl_settings(field_text(*this, sysdb_id), field_text(*this, user_id),
                                  field_text(*this, password_id));
  } else {
    converter->store_ugl_settings(L"", L"", L"");
  }
  converter->use_ugl = used;
}

int ugl_page::on_next() {
  tk_log1(tk_log_trace, "ugl_page::on_next");
  store_settings();
  const vandry_converter* converter = vandry_converter::get_instance();
  if (!converter->use_ugl) return 0;
  tk_log2(tk_log_trace, L"sys_db_path=%ls, ugl_name=%ls", converter->sysdb.c_str(), converter->ugl_user.c_str());
  wizard_shell* shell = wizard_shell::get_instance();
  if (!converter->sysdb.empty()) {
    if (!tk_is_file_exist2(converter->sysdb, tk_file_exists)) {
      shell->error(L"Workgroup information file does not exist.\r\nPlease verify the correct path was given.");
      return -1;
    }
    if (!dao_check_sysdb(converter->sysdb)) {
      shell->error(
          L"The file does not comply with MS Access workgroup information\r\nfile format. Leave all the fields "
          L"empty on this wizard page if your\r\ndatabase is not protected with MS Access user-level security.");
      return -1;
    }
    if (converter->ugl_user.empty()) {
      shell->message(L"You should enter user name");
      return -1;
    }
  } else if (!converter->ugl_user.empty()) {
    shell->message(L"You should enter path to MS Access workgroup information file");
    return -1;
  }
  return 0;
}

int ugl_page::on_back() {
  store_settings();
  return vandry_converter::get_instance()->direct ? server_page_id : dump_page_id;
}

void ugl_page::on_help() { wizard_shell::get_instance()->display_help(help_topic); }

bool ugl_page::on_command(int id, ui_event event) {
  if (event == ui_event::clicked && id == use_ugl_id) {
    on_use_ugl();
    return true;
  }
  if (event == ui_event::clicked && id == browse_id) {
    browse_sysdb();
    return true;
  }
  return wizard_page::on_command(id, event);
}

void ugl_page::on_use_ugl() {
  tk_log1(tk_log_trace, "ugl_page::on_use_ugl");
  invert_chbox(use_ugl_id);
  const bool on = get_check(use_ugl_id) == ui_checked;
  enable_fields(on);
  if (on) focus(sysdb_id);
}

void ugl_page::browse_sysdb() {
  ui_file_request request;
  request.owner = this;
  request.title = L"Select Workgroup Information File";
  request.filters = file_dialog_filters(L"Workgroup Information Files (*.mdw)|*.mdw|All Files (*.*)|*.*|");
  request.file_name = get_text(sysdb_id);
  const std::optional<std::wstring> chosen = ui_open_file(request);
  if (chosen) set_text(sysdb_id, *chosen);
}
