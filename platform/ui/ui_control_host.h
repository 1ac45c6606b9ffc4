// A window whose controls come from a ui_dialog_def and are read and written by id: the common
// base of wizard pages and modal dialogs. Every event of a control reaches on_command through the
// guarded dispatch, so no exception of page code enters Qt's event loop.
#pragma once

#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/ui_template.h"

class QTreeWidgetItem;

// What happened to a control (the WM_COMMAND / WM_NOTIFY codes page code reacts to).
enum class ui_event {
  clicked,             // button, check box, radio, link
  double_clicked,      // list box, list view row
  text_changed,        // edit changed by the user (not by set_text)
  selection_changed,   // list box, list view, combo: the current item or the selection changed
  item_check_changed,  // list view: the user ticked or cleared a row's check box
  focus_in,            // the control received the keyboard focus
  focus_out,
};

// A list view row's change, before and after (LVN_ITEMCHANGING / LVN_ITEMCHANGED): its selection
// and its check box.
struct ui_row_change {
  int row = -1;
  bool was_selected = false;
  bool selected = false;
  bool was_checked = false;
  bool checked = false;
};

// Check states, as BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE.
enum ui_check : int { ui_unchecked = 0, ui_checked = 1, ui_indeterminate = 2 };

// The standard icons an icon control can show.
enum class ui_icon { information, question, warning, error };

class ui_control_host : public QWidget {
  Q_OBJECT

 public:
  // Builds every control of the table as a child. A repeated id other than ui_id_static is a
  // programming fault and throws std::logic_error.
  explicit ui_control_host(ui_dialog_def def, QWidget* parent = nullptr);
  ~ui_control_host() override;

  int dialog_id() const { return def_.id; }
  const ui_dialog_def& definition() const { return def_; }

  // True when the table holds a control with this id. Every accessor below throws
  // std::out_of_range for an unknown id (as GetDlgItem failing), naming the id.
  bool has_control(int id) const;
  QWidget* control(int id) const;

  // Texts: a label's, an edit's, a button's caption, a combo's displayed text, a group's title.
  // A label shows a text set here as it stands, "&" included (a table named R&D, a message).
  std::wstring get_text(int id) const;
  void set_text(int id, const std::wstring& text);
  // A label's caption written as a template writes it: "&" marks the letter that leads to its
  // field and "&&" shows one "&". Other controls take it as set_text does.
  void set_caption(int id, const std::wstring& caption);
  // Edits: moves the caret to the end, keeps it in view and inserts the text there.
  void append_text(int id, const std::wstring& text);
  // Edits: the most characters the user or code can put in (0: no limit beyond Qt's).
  void set_text_limit(int id, int characters);
  void set_read_only(int id, bool read_only);
  // Edits: selects characters [start, end); end -1 means to the end, start -1 removes the
  // selection and leaves the caret where it is.
  void select_text(int id, int start, int end);

  // Check boxes and radios (plain or automatic).
  int get_check(int id) const;
  void set_check(int id, int state);
  // Checks `id` and unchecks every other control of [first, last] (as CheckRadioButton).
  void check_radio(int first, int last, int id);

  void enable(int id, bool on);
  bool is_enabled(int id) const;
  void show(int id, bool on);
  using QWidget::show;          // the window's own show() stays reachable beside show(id, on)
  bool is_shown(int id) const;  // the control's own hidden flag, whether or not the window shows
  void focus(int id);
  // The id of the control with the keyboard focus, or ui_id_static when none of the table has it.
  int focused() const;

  // List boxes and combos: items are texts, addressed by index in display order.
  void list_clear(int id);
  int list_add(int id, const std::wstring& text);  // the index it landed at (sorted lists sort)
  void list_insert(int id, int index, const std::wstring& text);
  void list_remove(int id, int index);
  int list_count(int id) const;
  std::wstring list_text(int id, int index) const;
  // The first index whose text begins with `prefix` without regard to case, searching from
  // `start + 1` to the end and then from the beginning (as LB_FINDSTRING); -1 when none.
  int list_find_prefix(int id, const std::wstring& prefix, int start = -1) const;
  // The current item (list box: the focused one; combo: the selected one); -1 when none.
  int list_current(int id) const;
  void list_set_current(int id, int index);  // -1 clears
  // List boxes: moves the focus rectangle (caret) to the item and leaves the selection as it is
  // (LB_SETCARETINDEX); list_set_current may select or deselect by the keys held at the time.
  void list_set_caret(int id, int index);
  // Selection of list boxes and list views (a single-selection list has at most one).
  std::vector<int> list_selection(int id) const;
  void list_select(int id, int index, bool selected);

  // List views: columns, then rows of cells. Rows are addressed by index in display order.
  void view_set_columns(int id, const std::vector<std::wstring>& headers);
  int view_add_row(int id, const std::vector<std::wstring>& cells);  // index of the new row
  void view_insert_row(int id, int index, const std::vector<std::wstring>& cells);
  void view_set_cell(int id, int row, int column, const std::wstring& text);
  std::wstring view_cell(int id, int row, int column) const;
  bool view_row_checked(int id, int row) const;
  void view_set_row_checked(int id, int row, bool checked);
  // Lists and list views share list_clear, list_remove, list_count, list_current,
  // list_set_current, list_selection and list_select.

  // Progress bars; a value outside the range shows as its nearer end.
  void set_progress_range(int id, int low, int high);
  void set_progress(int id, int value);
  int get_progress(int id) const;

  // Links: the visible caption and the address a click opens (through ui_open_url).
  void set_link(int id, const std::wstring& caption, const std::wstring& target);
  void set_icon(int id, ui_icon icon);
  void set_image(int id, const QPixmap& picture);

  // Runs on_init_dialog the first time only, inside the guarded dispatch. The sheet calls it
  // before a page's first activation, ui_dialog::do_modal before showing the dialog.
  void initialize();

  // Dialog units to pixels for this window's font.
  QRect to_pixels(const ui_rect& r) const;

 protected:
  // A control event; runs inside the guarded dispatch. Return true when handled.
  virtual bool on_command(int id, ui_event event);
  // Called once, after the controls exist and before the window is first shown (WM_INITDIALOG).
  virtual void on_init_dialog() {}

  // A user's change of a list view row is first offered here: false refuses it and the row stays
  // as it was (a handler that throws refuses too). A selection moving from one row to another is
  // two changes, the old row's loss first. Code's own changes are not offered.
  virtual bool on_row_changing(int id, const ui_row_change& change);
  // Each change that was allowed, in the same order, before on_command hears of it.
  virtual void on_row_changed(int id, const ui_row_change& change);

  // The guarded dispatch of a control event; subclasses that route events themselves use it.
  void dispatch_command(int id, ui_event event);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  // Each label gets the field its "&" letter leads to (see ui_control_def::buddy).
  void set_buddies(const std::vector<QWidget*>& rows);
  void connect_control(const ui_control_def& c, QWidget* w);
  void view_selection_moved(int id);
  void view_item_changed(int id, QTreeWidgetItem* item);
  bool offer_row_change(int id, const ui_row_change& change);
  const ui_control_def& def_of(int id) const;

  ui_dialog_def def_;
  std::map<int, QWidget*> controls_;
  std::map<int, int> view_selected_;  // list view id -> its selected row as last reported
  bool initialized_ = false;
  bool updating_ = false;  // set while code changes a control, so only user changes are reported
};
