#include "GUI2/sel_file_page.h"

#include "GUI2/file_dialog_rules.h"
#include "GUI2/overwrite_dlg3.h"
#include "GUI2/page_error_text.h"
#include "GUI2/settings_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_addresses.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/common_check_dest.h"
#include "converter/vandry_converter.h"
#include "dao/dao_exception.h"

namespace {

constexpr std::size_t kFieldLimit = 260;
constexpr std::uint32_t kUnrecognizedFormat = 0x10BE9;  // Access 3049
constexpr std::uint32_t kNotDatabase = 0x10D0F;         // Access 3343

constexpr const wchar_t* kRuntimeText =
    L"Failed to load Data Access Objects (DAO) support library. Installing Microsoft Access Runtime may fix the "
    L"problem.";
constexpr const wchar_t* kRuntimeCaption = L"Download Microsoft Access Runtime";

std::wstring field_text(const ui_control_host& page, int id) {
  std::wstring text = page.get_text(id);
  if (text.size() > kFieldLimit) text.resize(kFieldLimit);
  return text;
}

std::wstring name_part(const std::wstring& path) { return tk_file_wname(path).name; }

}  // namespace

sel_file_page::sel_file_page() : wizard_page(sel_file_template()) {}

bool sel_file_page::page_init() {
  tk_log1(tk_log_trace, "sel_file_page::page_init");
  const vandry_converter* converter = vandry_converter::get_instance();
  const bool password = !converter->acc_pswd.empty();
  set_check(use_password_id, password ? ui_checked : ui_unchecked);
  enable(password_id, password);
  set_text(password_id, converter->acc_pswd);
  set_caption(dest_label_id,
              converter->direct ? L"My&SQL destination database name:" : L"&Destination dump file path:");
  show(browse_dest_id, !converter->direct);
  if (!converter->log_file.empty()) {
    std::unique_ptr<wchar_t[]> wide;
    if (tk_ansi_to_unicode(converter->log_file.c_str(), wide)) set_text(log_id, wide.get());
  }
  if (converter->src.empty() && converter->dest.empty()) return true;
  if (!converter->src.empty()) set_text(source_id, tk_file_wname(converter->src).make_path());
  const tk_file_wname shown(converter->dest.empty() ? converter->src : converter->dest);
  const std::wstring dest = converter->direct ? shown.name : shown.drive + shown.directory + shown.name + L".sql";
  set_text(dest_id, dest);
  // Made from the source, the name is the page's suggestion and follows a new source.
  if (converter->dest.empty()) last_suggestion_ = dest;
  return true;
}

void sel_file_page::store_file_info() {
  tk_log1(tk_log_detail, "sel_file_page::store_file_info");
  vandry_converter* converter = vandry_converter::get_instance();
  converter->src = field_text(*this, source_id);
  converter->dest = field_text(*this, dest_id);
  converter->acc_pswd = get_check(use_password_id) == ui_checked ? field_text(*this, password_id) : std::wstring();
  converter->set_logfile(tk_unicode_to_mbcs(field_text(*this, log_id), tk_ansi_code_page));
}

int sel_file_page::on_next() {
  wizard_shell* shell = wizard_shell::get_instance();
  try {
    return check_all();
  } catch (const dao_required_exception&) {
    shell->show_download_required(kRuntimeText, kRuntimeCaption, tk_utf8_to_unicode(tk_runtime_download_address));
  } catch (const dao_exception& e) {
    const std::wstring text = page_error_text(e);
    tk_log2(tk_log_trace, L"err_msg=%ls", text.c_str());
    shell->error(text);
    if (e.code() == kUnrecognizedFormat || e.code() == kNotDatabase) {
      tk_log1(tk_log_detail, "Unrecognized format error");
      shell->display_help(format_help_topic);
    }
  } catch (const tk_exception& e) {
    shell->error(page_error_text(e));
  }
  return -1;
}

int sel_file_page::check_all() {
  vandry_converter* converter = vandry_converter::get_instance();
  wizard_shell* shell = wizard_shell::get_instance();
  // Whatever was settled before no longer holds once the page is checked again.
  converter->check_dest_first = false;
  store_file_info();
  if (converter->src.empty()) {
    shell->message(L"You should enter MS Access database name");
    return -1;
  }
  if (converter->dest.empty()) {
    shell->message(converter->direct ? L"You should enter MySQL database name"
                                     : L"You should enter MySQL dump file name");
    return -1;
  }
  if (!tk_is_file_exist2(converter->src, tk_file_exists)) {
    shell->error(L"Source file does not exist.\r\nPlease verify the correct path was given.");
    return -1;
  }
  if (converter->direct) {
    converter->check_mysql_db_name(converter->dest);
    tk_log2(tk_log_detail, L"mysql_converter_impl::is_mysql_base_exist( %ls )", converter->dest.c_str());
    if (converter->engine.is_db_exist(converter->dest)) {
      tk_log1(tk_log_detail, "MySQL DB exists...");
      overwrite_dlg3 dialog(
          L"The destination database already exists. Select one of the\noptions below. Click 'Help' button for more "
          L"information.",
          overwrite_help_topic);
      if (dialog.do_modal(shell->owner()) != 1) return -1;
      // Mode 0 drops the database only when the run starts: the user may still go back or
      // cancel the wizard.
      tk_log1(tk_log_trace, "udb_converter::set_mode(%d)", static_cast<int>(dialog.mode()));
      converter->conversion_mode = dialog.mode();
    } else {
      tk_log1(tk_log_detail, "Creating new MySQL DB...");
    }
  } else {
    common_check_dest(converter->dest);
    // The old file stays until the run writes the new one.
    if (tk_is_file_exist2(converter->dest, tk_file_exists) &&
        !shell->question(L"Destination file already exists. Overwrite?", true)) {
      return -1;
    }
  }
  converter->check_acc_base(converter->src, converter->acc_pswd);
  converter->check_dest_first = true;
  return 0;
}

int sel_file_page::on_back() {
  try {
    store_file_info();
  } catch (const tk_exception& e) {
    wizard_shell::get_instance()->error(std::string(e.what()));
    return -1;
  }
  return 0;
}

void sel_file_page::on_help() { wizard_shell::get_instance()->display_help(help_topic); }

bool sel_file_page::on_command(int id, ui_event event) {
  if (id == dest_id && event == ui_event::focus_in) {
    suggest_if_free();
    return true;
  }
  if (event != ui_event::clicked) return wizard_page::on_command(id, event);
  switch (id) {
    case use_password_id: on_use_pwd(); return true;
    case browse_source_id: browse_source(); return true;
    case browse_dest_id: browse_dest(); return true;
    case browse_log_id: browse_logfile(); return true;
    default: return wizard_page::on_command(id, event);
  }
}

void sel_file_page::suggest_dest(const std::wstring& source) {
  const std::wstring name = name_part(source);
  // Beside the source, where the user can write (the program's folder may be a system folder),
  // unless the user named a folder of their own.
  const std::wstring current = get_text(dest_id);
  const std::wstring beside = !current.empty() && current.back() == L'/' ? current : source;
  const std::wstring suggestion =
      vandry_converter::get_instance()->direct ? name : make_default_path(beside, name, L"sql", false);
  set_text(dest_id, suggestion);
  last_suggestion_ = suggestion;
}

void sel_file_page::suggest_if_free() {
  const std::wstring source = field_text(*this, source_id);
  if (source.empty()) return;
  const std::wstring current = get_text(dest_id);
  // A dump path that names only its folder has no name to lose.
  const bool folder_only = !current.empty() && current.back() == L'/';
  if (!current.empty() && current != last_suggestion_ && !folder_only) return;
  suggest_dest(source);
}

void sel_file_page::on_use_pwd() {
  tk_log1(tk_log_trace, "sel_file_page::on_use_pwd");
  invert_chbox(use_password_id);
  const bool on = get_check(use_password_id) == ui_checked;
  enable_ctrl(password_id, on);
}

void sel_file_page::browse_source() {
  ui_file_request request;
  request.owner = this;
  request.title = L"Select MS Access database to convert";
  request.filters = file_dialog_filters(L"MS Access Databases (.mdb;*.accdb)|*.mdb;*.accdb|All Files (*.*)|*.*|");
  request.file_name = get_text(source_id);
  const std::optional<std::wstring> chosen = ui_open_file(request);
  if (!chosen) return;
  set_text(source_id, *chosen);
  suggest_if_free();
}

void sel_file_page::browse_dest() {
  browse_save_into(dest_id, L"Select Dump File", L"MySQL Dump Files (.sql)|*.sql|All Files (*.*)|*.*|", L"sql");
}

void sel_file_page::browse_logfile() {
  browse_save_into(log_id, L"Select Log File", L"Log Files (.log)|*.log|All Files (*.*)|*.*|", L"log");
}

// A save dialog for the file a field names; the chosen name gets `extension` unless it ends with it.
void sel_file_page::browse_save_into(int field_id, const std::wstring& title, const std::wstring& filters,
                                     const std::wstring& extension) {
  ui_file_request request;
  request.owner = this;
  request.title = title;
  request.filters = file_dialog_filters(filters);
  request.file_name = get_text(field_id);
  request.default_suffix = extension;
  const std::optional<std::wstring> chosen = ui_save_file(request);
  if (chosen) set_text(field_id, with_default_extension(*chosen, extension));
}
