// The base of the tables and views pages: two sorted lists, the available names on the left and
// the selected ones on the right, with buttons that move the selected names (or all of them)
// across, and on the views page buttons that change the order of the selection. A derived page
// fills the names list before do_page_init and reads it back after store_selection; names that
// stand for the user's own added queries are told apart by is_added_query.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "GUI2/wizard_page.h"

class sel_tables_page : public wizard_page<127, ui_wiz_back | ui_wiz_next> {
 public:
  using item = std::pair<std::wstring, std::wstring>;  // (name, SQL text; empty for a table)
  using item_list = std::vector<item>;

  static constexpr int caption_id = 1337;
  static constexpr int available_label_id = 1334;
  static constexpr int selected_label_id = 1312;
  static constexpr int available_id = 1317;
  static constexpr int selected_id = 1318;
  static constexpr int add_id = 1101;
  static constexpr int add_all_id = 1102;
  static constexpr int remove_id = 1111;
  static constexpr int remove_all_id = 1110;
  static constexpr int add_query_id = 1114;
  static constexpr int up_id = 1117;
  static constexpr int down_id = 1118;

  sel_tables_page(const std::wstring& question, bool b_reorder);

  // The buttons' work, public so that a test can press them without the mouse.
  void on_add();
  void on_add_all();
  void on_delete();
  void on_del_all();
  void on_move_up();
  void on_move_down();

 protected:
  bool on_command(int id, ui_event event) override;

  // Puts the pairs of a stored selection into the right list (by name; the text is the derived
  // page's business).
  virtual void process_item(const item_list& items);
  virtual bool is_added_query(const std::wstring& name) const;
  // An added query moved from the available to the selected ones, and back.
  virtual void do_add_query(const std::wstring& name);
  virtual void do_remove_query(const std::wstring& name);

  // Both lists rebuilt: the names list on the left, nothing on the right.
  void do_page_init();
  // false: the user chose to stay (an empty selection they did not confirm). true: the names list
  // holds the selected plain names (no added query) in right-list order.
  bool store_selection();
  void clear_sel(int list_id);
  // The index of the entry whose whole text equals `name`: exactly, or ignoring case; -1 if none.
  int find_exact(int list_id, const std::wstring& name, bool ignore_case) const;
  // Names as the sorted lists compare them: without regard to case.
  static bool same_name(const std::wstring& a, const std::wstring& b);

  // Runs a look at the source. A failure is shown with the error map's text and kept: the page
  // stays on screen (the user may go Back and mend the source) but Next refuses while it holds.
  bool read_source(const std::function<void()>& read);
  // false, after telling the user again, when the last look at the source failed.
  bool source_was_read();

  // One entry across, by its index in the list it leaves; an added query follows its name.
  bool move_item(int index);
  bool unmove_item(int index);

  std::vector<std::wstring> names_;

 private:
  // Moves the selected entries of `from` into the other list and chooses what is selected next.
  void move_selected(int from, int to, bool (sel_tables_page::*move)(int));
  void move_all(int from, int to, bool (sel_tables_page::*move)(int));

  std::optional<std::wstring> source_error_;
  bool b_reorder_;
  std::wstring question_;
};
