// The tables page's added queries.
#include "GUI2/sel_tables_page_ex.h"

#include <algorithm>

#include "GUI2/set_query_dlg.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"

namespace {

sel_tables_page::item_list::iterator find_pair(sel_tables_page::item_list& list, const std::wstring& name) {
  return std::find_if(list.begin(), list.end(), [&](const sel_tables_page::item& p) { return p.first == name; });
}

}  // namespace

sel_tables_page_ex::sel_tables_page_ex(const std::wstring& question, bool b_reorder)
    : sel_tables_page(question, b_reorder) {}

void sel_tables_page_ex::process_item(const item_list& items) {
  for (const item& entry : items) {
    if (!entry.second.empty() && find_exact(available_id, entry.first, true) < 0 &&
        find_exact(selected_id, entry.first, true) < 0) {
      list_add(selected_id, entry.first);
      selected_queries_.push_back(entry);
      continue;
    }
    tk_log2(tk_log_detail, L"Processing '%ls'", entry.first.c_str());
    const int index = find_exact(available_id, entry.first, false);
    if (index >= 0) move_item(index);
  }
}

bool sel_tables_page_ex::is_added_query(const std::wstring& name) const {
  auto named = [&](const item& p) { return p.first == name; };
  return std::any_of(selected_queries_.begin(), selected_queries_.end(), named) ||
         std::any_of(available_queries_.begin(), available_queries_.end(), named);
}

void sel_tables_page_ex::do_add_query(const std::wstring& name) {
  tk_log2(tk_log_detail, L"sel_tables_page_ex::do_add_query(%ls)", name.c_str());
  if (find_pair(selected_queries_, name) != selected_queries_.end()) return;
  auto it = find_pair(available_queries_, name);
  if (it == available_queries_.end()) return;
  tk_log2(tk_log_detail, L"Adding pair: '%ls','%ls'", it->first.c_str(), it->second.c_str());
  selected_queries_.push_back(*it);
  available_queries_.erase(it);
}

void sel_tables_page_ex::do_remove_query(const std::wstring& name) {
  if (find_pair(available_queries_, name) != available_queries_.end()) return;
  auto it = find_pair(selected_queries_, name);
  if (it == selected_queries_.end()) return;
  available_queries_.push_back(*it);
  selected_queries_.erase(it);
}

bool sel_tables_page_ex::name_taken(const std::wstring& name, int except) const {
  if (find_exact(available_id, name, true) >= 0) return true;
  const int count = list_count(selected_id);
  for (int i = 0; i < count; ++i) {
    if (i != except && same_name(list_text(selected_id, i), name)) return true;
  }
  return false;
}

bool sel_tables_page_ex::ask_query(std::wstring& name, std::wstring& query, int except) {
  wizard_shell* shell = wizard_shell::get_instance();
  for (;;) {
    set_query_dlg dialog(name, query);
    if (dialog.do_modal(shell->owner()) != 1) return false;
    name = dialog.name();
    query = dialog.query();
    // Two tables of one name, whatever their case, would meet in one MySQL table.
    if (!name_taken(name, except)) return true;
    shell->message(L"Duplicate table name. Try again.");
  }
}

void sel_tables_page_ex::on_add_query() {
  tk_log1(tk_log_detail, "sel_tables_page::on_add_query");
  std::wstring name;
  std::wstring query;
  if (!ask_query(name, query, -1)) return;
  list_add(selected_id, name);
  selected_queries_.emplace_back(name, query);
}

void sel_tables_page_ex::on_edit_query() {
  tk_log1(tk_log_detail, "sel_tables_page_ex::on_edit_query");
  const int current = list_current(selected_id);
  if (current < 0) {
    tk_log1(tk_log_detail, "Nothing is selected!");
    return;
  }
  const std::wstring old_name = list_text(selected_id, current);
  auto it = find_pair(selected_queries_, old_name);
  if (it == selected_queries_.end()) {
    tk_log1(tk_log_detail, "It's not a query, show type mapping");
    on_edit_table(old_name);
    return;
  }
  std::wstring name = it->first;
  std::wstring query = it->second;
  if (!ask_query(name, query, current)) return;
  // The dialog ran modally: look the pair up again rather than trust the old iterator.
  it = find_pair(selected_queries_, old_name);
  if (it == selected_queries_.end()) return;
  *it = {name, query};
  list_remove(selected_id, current);
  list_set_caret(selected_id, list_add(selected_id, name));
}

bool sel_tables_page_ex::on_command(int id, ui_event event) {
  if (id == add_query_id && event == ui_event::clicked) {
    on_add_query();
    return true;
  }
  if (id == selected_id && event == ui_event::double_clicked) {
    on_edit_query();
    return true;
  }
  return sel_tables_page::on_command(id, event);
}
