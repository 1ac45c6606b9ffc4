// The list-moving base of the tables and views pages.
#include "GUI2/sel_tables_page.h"

#include <QString>

#include "GUI2/page_error_text.h"
#include "GUI2/selection_templates.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

sel_tables_page::sel_tables_page(const std::wstring& question, bool b_reorder)
    : wizard_page(sel_tables_template()), b_reorder_(b_reorder), question_(question) {
  tk_log1(tk_log_detail, "sel_tables_page::ctor(b_reorder=%d)", b_reorder ? 1 : 0);
}

bool sel_tables_page::same_name(const std::wstring& a, const std::wstring& b) {
  return QString::compare(QString::fromStdWString(a), QString::fromStdWString(b), Qt::CaseInsensitive) == 0;
}

int sel_tables_page::find_exact(int list_id, const std::wstring& name, bool ignore_case) const {
  const int count = list_count(list_id);
  for (int i = 0; i < count; ++i) {
    const std::wstring text = list_text(list_id, i);
    if (ignore_case ? same_name(text, name) : text == name) return i;
  }
  return -1;
}

bool sel_tables_page::read_source(const std::function<void()>& read) {
  source_error_.reset();
  try {
    read();
    return true;
  } catch (const tk_exception& e) {
    source_error_ = page_error_text(e);
  }
  wizard_shell::get_instance()->error(*source_error_);
  return false;
}

bool sel_tables_page::source_was_read() {
  if (!source_error_) return true;
  wizard_shell::get_instance()->error(*source_error_);
  return false;
}

void sel_tables_page::do_page_init() {
  tk_log1(tk_log_detail, "sel_tables_page::do_page_init");
  list_clear(available_id);
  list_clear(selected_id);
  // The list's own scroll bar follows the widest name; no extent to keep.
  for (const std::wstring& name : names_) list_add(available_id, name);
  if (list_count(available_id) > 0) {
    tk_log1(tk_log_detail, "Highlight 1st row");
    list_select(available_id, 0, true);
    list_set_caret(available_id, 0);
  }
  if (b_reorder_) {
    tk_log1(tk_log_detail, "Activating re-order buttons");
    show(up_id, true);
    show(down_id, true);
  }
}

bool sel_tables_page::move_item(int index) {
  const std::wstring text = list_text(available_id, index);
  list_add(selected_id, text);
  list_remove(available_id, index);
  if (is_added_query(text)) do_add_query(text);
  return true;
}

bool sel_tables_page::unmove_item(int index) {
  const std::wstring text = list_text(selected_id, index);
  list_add(available_id, text);
  list_remove(selected_id, index);
  if (is_added_query(text)) do_remove_query(text);
  return true;
}

void sel_tables_page::move_selected(int from, int to, bool (sel_tables_page::*move)(int)) {
  const std::vector<int> selection = list_selection(from);
  tk_log1(tk_log_detail, "n_sel=%d", static_cast<int>(selection.size()));
  // Nothing selected: nothing moves, and the selection the user sees stays as it is.
  if (selection.empty()) return;
  int moved = 0;
  int last = -1;
  for (const int index : selection) {
    tk_log1(tk_log_detail, from == available_id ? "Adding item #%d" : "Deleting item #%d", index);
    if ((this->*move)(index - moved)) ++moved;
    last = index;
  }
  const int left = list_count(from);
  if (left > 0) {
    // The entry that followed the last one moved, so repeated presses walk down the list.
    int next = last - moved + 1;
    if (next >= left) next = left - 1;
    clear_sel(from);
    list_select(from, next, true);
    list_set_caret(from, next);
    return;
  }
  clear_sel(to);
  focus(to);
  if (list_count(to) > 0) {
    list_select(to, 0, true);
    list_set_caret(to, 0);
  }
}

void sel_tables_page::move_all(int from, int to, bool (sel_tables_page::*move)(int)) {
  while (list_count(from) > 0) {
    if (!(this->*move)(0)) break;
  }
  focus(to);
  if (list_count(to) > 0) list_set_caret(to, 0);
}

void sel_tables_page::on_add() {
  tk_log1(tk_log_detail, "sel_tables_page::on_add");
  move_selected(available_id, selected_id, &sel_tables_page::move_item);
}

void sel_tables_page::on_delete() {
  tk_log1(tk_log_detail, "sel_tables_page::on_delete");
  move_selected(selected_id, available_id, &sel_tables_page::unmove_item);
}

void sel_tables_page::on_add_all() {
  tk_log1(tk_log_detail, "sel_tables_page::on_add_all");
  move_all(available_id, selected_id, &sel_tables_page::move_item);
}

void sel_tables_page::on_del_all() {
  tk_log1(tk_log_detail, "sel_tables_page::on_del_all");
  move_all(selected_id, available_id, &sel_tables_page::unmove_item);
}

void sel_tables_page::on_move_up() {
  tk_log1(tk_log_detail, "sel_tables_page::on_move_up");
  const int current = list_current(selected_id);
  if (current <= 0) return;
  // The neighbour goes below the entry, so the entry itself keeps its selection state.
  const std::wstring above = list_text(selected_id, current - 1);
  list_insert(selected_id, current + 1, above);
  list_remove(selected_id, current - 1);
  list_set_caret(selected_id, current - 1);
}

void sel_tables_page::on_move_down() {
  tk_log1(tk_log_detail, "sel_tables_page::on_move_down");
  const int current = list_current(selected_id);
  if (current < 0 || current >= list_count(selected_id) - 1) return;
  const std::wstring below = list_text(selected_id, current + 1);
  list_insert(selected_id, current, below);
  list_remove(selected_id, current + 2);
  list_set_caret(selected_id, current + 1);
}

void sel_tables_page::clear_sel(int list_id) {
  tk_log1(tk_log_detail, "sel_tables_page::clear_sel");
  for (const int index : list_selection(list_id)) {
    tk_log1(tk_log_detail, "Unsel item #%d", index);
    list_select(list_id, index, false);
  }
}

void sel_tables_page::process_item(const item_list& items) {
  for (const item& entry : items) {
    const int index = find_exact(available_id, entry.first, false);
    if (index >= 0) move_item(index);
  }
}

bool sel_tables_page::is_added_query(const std::wstring& /*name*/) const { return false; }

void sel_tables_page::do_add_query(const std::wstring& /*name*/) {}

void sel_tables_page::do_remove_query(const std::wstring& /*name*/) {}

bool sel_tables_page::store_selection() {
  if (list_count(available_id) > 0 && list_count(selected_id) == 0 && !question_.empty() &&
      !wizard_shell::get_instance()->question(question_, true)) {
    return false;
  }
  names_.clear();
  const int count = list_count(selected_id);
  for (int i = 0; i < count; ++i) {
    const std::wstring text = list_text(selected_id, i);
    if (!is_added_query(text)) names_.push_back(text);
  }
  return true;
}

bool sel_tables_page::on_command(int id, ui_event event) {
  if (id == available_id && event == ui_event::double_clicked) {
    on_add();
    return true;
  }
  if (event != ui_event::clicked) return wizard_page::on_command(id, event);
  switch (id) {
    case add_id: on_add(); return true;
    case add_all_id: on_add_all(); return true;
    case remove_id: on_delete(); return true;
    case remove_all_id: on_del_all(); return true;
    case up_id: on_move_up(); return true;
    case down_id: on_move_down(); return true;
    default: return wizard_page::on_command(id, event);
  }
}
