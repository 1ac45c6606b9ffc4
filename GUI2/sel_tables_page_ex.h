// The tables page's list moving with the user's added queries: each is a name in the lists
// with a SELECT statement kept beside it, made with the Add Query dialog and edited by a double
// click. A double click on a plain table opens the column editor instead (on_edit_table).
#pragma once

#include <string>

#include "GUI2/sel_tables_page.h"

class sel_tables_page_ex : public sel_tables_page {
 public:
  sel_tables_page_ex(const std::wstring& question, bool b_reorder);

  // Add Query, and a double click on a selected entry; public for the tests.
  void on_add_query();
  void on_edit_query();

  const item_list& selected_queries() const { return selected_queries_; }
  const item_list& available_queries() const { return available_queries_; }

 protected:
  bool on_command(int id, ui_event event) override;
  // Pairs with a SELECT text that names nothing in the lists come in as added queries; the rest
  // are tables moved right by name.
  void process_item(const item_list& items) override;
  bool is_added_query(const std::wstring& name) const override;
  void do_add_query(const std::wstring& name) override;
  void do_remove_query(const std::wstring& name) override;
  virtual void on_edit_table(const std::wstring& name) = 0;

  item_list selected_queries_;
  item_list available_queries_;

 private:
  // Whether a name is taken, ignoring case, by an entry of either list other than the right
  // list's entry `except` (-1: none).
  bool name_taken(const std::wstring& name, int except) const;
  // Runs the dialog until it is cancelled or gives a name no other entry has; false: cancelled.
  bool ask_query(std::wstring& name, std::wstring& query, int except);
};
