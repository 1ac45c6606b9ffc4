// The tables that pages and dialogs are built from: one row per control (id, kind, text, place in
// dialog units), so that page code names controls by id and never holds a widget.
#pragma once

#include <string>
#include <vector>

// What a control is. The plain check box and radio change only when code sets them (a click is
// reported, nothing more); the automatic ones toggle themselves, the automatic radio unchecking
// the automatic radios of its group.
enum class ui_kind {
  static_text,     // a label; its text may hold "&" before the mnemonic letter
  edit,            // one-line edit
  multiline_edit,  // multi-line edit (the log boxes)
  push_button,
  default_button,  // the push button that Enter presses
  check_box,       // plain: code toggles it
  auto_check_box,  // toggles itself on a click
  radio,           // plain: code checks it
  auto_radio,      // checks itself and unchecks its group
  group_box,       // a titled frame; controls inside it are still rows of the same table
  list_box,
  list_view,   // report view: columns, rows, optional check box per row
  combo_list,  // drop-down list, no typing
  combo_edit,  // drop-down with an editable field
  progress,    // range 0 to 100 unless set otherwise; values outside are clamped
  link,        // a clickable text that opens its target through the open-URL hook
  icon,        // a standard icon (see ui_icon)
  image,       // a picture set by code
};

// Bits of ui_control_def::flags. Only the bits that make sense for a kind are read.
enum ui_flag : unsigned {
  ui_flag_none = 0,
  ui_flag_hidden = 1u << 0,        // created hidden
  ui_flag_disabled = 1u << 1,      // created disabled
  ui_flag_read_only = 1u << 2,     // edits
  ui_flag_password = 1u << 3,      // one-line edit shows bullets
  ui_flag_number = 1u << 4,        // one-line edit takes digits only
  ui_flag_vscroll = 1u << 5,       // multi-line edit, list box: vertical scroll bar when needed
  ui_flag_hscroll = 1u << 6,       // list box: horizontal scroll bar when needed
  ui_flag_sorted = 1u << 7,        // list box, combo: items kept in order of their text
  ui_flag_multi_select = 1u << 8,  // list box: extended selection (shift and control)
  ui_flag_group_start = 1u << 9,   // automatic radio: starts a new group (as WS_GROUP)
  ui_flag_check_boxes = 1u << 10,  // list view: a check box in front of each row
  ui_flag_center = 1u << 11,       // static text: centred
  ui_flag_wrap_off = 1u << 12,     // static text: one line, no word wrap
};

// Position and size in dialog units: a horizontal unit is a quarter of the average character
// width of the dialog font, a vertical unit an eighth of its height.
struct ui_rect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

// The id of labels and frames that code never addresses; any number of rows may carry it.
inline constexpr int ui_id_static = -1;

struct ui_control_def {
  int id = ui_id_static;
  ui_kind kind = ui_kind::static_text;
  std::wstring text;
  ui_rect rect;
  unsigned flags = ui_flag_none;
  // Static text: the id of the field its "&" letter moves the focus to. 0: the next row of the
  // table when that is a field (an edit, list or combo), as a dialog's tab order would have it.
  int buddy = 0;
};

// A whole page or dialog: its id (the dialog template id), caption (dialogs only), client size in
// dialog units and its controls in tab order.
struct ui_dialog_def {
  int id = 0;
  std::wstring caption;
  int cx = 0;
  int cy = 0;
  std::vector<ui_control_def> controls;
};
