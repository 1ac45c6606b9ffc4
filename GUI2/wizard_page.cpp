// The base of every wizard page.
#include "GUI2/wizard_page.h"

#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"

wizard_page_base::wizard_page_base(ui_dialog_def def, unsigned buttons) : ui_page(std::move(def)), buttons_(buttons) {}

wizard_page_base::~wizard_page_base() { tk_log1(tk_log_detail, "wizard_page::dtor"); }

void wizard_page_base::on_set_active() {
  tk_log1(tk_log_trace, "wizard_page::OnSetActive");
  sheet()->post_buttons(buttons_);
  wizard_shell* shell = wizard_shell::get_instance();
  shell->initialize_if();
  shell->set_current_page(this);
}

int wizard_page_base::on_notify(ui_notify code) {
  switch (code) {
    case ui_notify::set_active: on_set_active(); return page_init() ? 0 : -1;
    case ui_notify::kill_active: return on_kill_active() ? 0 : 1;
    case ui_notify::wizard_back: return on_back();
    case ui_notify::wizard_next: return on_next();
    case ui_notify::wizard_finish: return on_finish() ? 0 : 1;
    case ui_notify::query_cancel: return on_cancel() ? 0 : 1;
    case ui_notify::help: on_help(); return 0;
    case ui_notify::reset: return 0;
  }
  return 0;
}

bool wizard_page_base::on_cancel() {
  tk_log1(tk_log_detail, "wizard_page::on_cancel");
  return wizard_shell::get_instance()->question(L"Are you sure you want to exit the wizard?", true);
}

void wizard_page_base::invert_chbox(int id) {
  tk_log1(tk_log_trace, "wizard_page::invert_chbox(%d)", id);
  set_check(id, get_check(id) == ui_checked ? ui_unchecked : ui_checked);
}

void wizard_page_base::enable_ctrl(int id, bool on) {
  tk_log1(tk_log_trace, "wizard_page::enable_ctrl(%d=%d)", id, on ? 1 : 0);
  enable(id, on);
  if (on) focus(id);
}
