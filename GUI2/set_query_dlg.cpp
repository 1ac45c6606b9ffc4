// The Add Query dialog.
#include "GUI2/set_query_dlg.h"

#include "GUI2/selection_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_addresses.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"

namespace {

// MySQL's own limit on a table name is far below this; the field refuses more rather than the
// dialog cutting what was typed.
constexpr int kNameLimit = 2048;

constexpr const wchar_t* kNotSelect = L"The query must start with SELECT.";
constexpr const wchar_t* kEmptyQuery = L"Query is empty!";

std::wstring syntax_error_text() {
  return tk_utf8_to_unicode(
      std::string("You have an error in your query syntax. Make sure that it is a correct SQL SELECT-statement.\n"
                  "If you are sure the query is correct, please contact ") +
      tk_support_address + " for the solution.");
}

}  // namespace

set_query_dlg::set_query_dlg(const std::wstring& name, const std::wstring& query)
    : ui_dialog(set_query_template()), name_(name), query_(query) {
  tk_log1(tk_log_trace, "set_query_dlg::set_query_dlg");
}

set_query_dlg::~set_query_dlg() = default;

void set_query_dlg::on_init_dialog() {
  tk_log1(tk_log_trace, "set_query_dlg::on_init");
  set_text_limit(name_id, kNameLimit);
  set_text(name_id, name_);
  // No limit on the query: a long statement is kept whole.
  set_text(query_id, query_);
  focus(name_id);
}

bool set_query_dlg::check_query() {
  query_ = get_text(query_id);
  if (query_.empty()) return true;
  // A text of such characters only is left empty (npos erases everything).
  query_.erase(0, query_.find_first_not_of(trimmed_));
  // Only the Latin letters count: no other character folds into "select" here.
  return query_.size() >= 6 && tk_wstring::to_lower(query_.substr(0, 6)) == L"select";
}

void set_query_dlg::on_ok() {
  tk_log1(tk_log_trace, "set_query_dlg::on_ok");
  wizard_shell* shell = wizard_shell::get_instance();
  name_ = get_text(name_id);
  if (name_.empty()) {
    shell->message(L"Table name is empty!");
    return;
  }
  if (!check_query()) {
    shell->error(kNotSelect);
  } else if (query_.empty()) {
    shell->error(kEmptyQuery);
  } else {
    end_dialog(1);
  }
}

void set_query_dlg::on_cancel() {
  tk_log1(tk_log_trace, "set_query_dlg::on_cancel");
  end_dialog(2);
}

void set_query_dlg::on_test_query() {
  wizard_shell* shell = wizard_shell::get_instance();
  if (!check_query()) {
    shell->error(kNotSelect);
  } else if (query_.empty()) {
    // Asking the source about nothing would answer with the syntax text.
    shell->error(kEmptyQuery);
  } else if (vandry_converter::get_instance()->test_query(query_)) {
    shell->message(L"The query is correct.");
  } else {
    shell->error(syntax_error_text());
  }
}

bool set_query_dlg::on_command(int id, ui_event event) {
  if (event != ui_event::clicked) return ui_dialog::on_command(id, event);
  switch (id) {
    case 1: on_ok(); return true;
    case 2: on_cancel(); return true;
    case help_id: wizard_shell::get_instance()->display_help(help_topic); return true;
    case test_id: on_test_query(); return true;
    default: return ui_dialog::on_command(id, event);
  }
}
