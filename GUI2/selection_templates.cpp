// The selection pages' and the Add Query dialog's control tables. Pages are 317 x 143 dialog
// units, as the sheet's others.
#include "GUI2/selection_templates.h"

namespace {

constexpr int kPageWidth = 317;
constexpr int kPageHeight = 143;

// Both lists keep their names sorted and take shift and control selection; a long name scrolls.
constexpr unsigned kListFlags = ui_flag_sorted | ui_flag_multi_select | ui_flag_vscroll | ui_flag_hscroll;

}  // namespace

ui_dialog_def sel_tables_template() {
  return {127,
          L"",
          kPageWidth,
          kPageHeight,
          {{1337, ui_kind::static_text, L"", {21, 2, 292, 18}},
           {1334, ui_kind::static_text, L"", {21, 22, 108, 9}},
           {1317, ui_kind::list_box, L"", {21, 32, 108, 106}, kListFlags},
           {1101, ui_kind::push_button, L"A&dd >", {132, 38, 50, 14}},
           {1102, ui_kind::push_button, L"Add a&ll >", {132, 56, 50, 14}},
           {1111, ui_kind::push_button, L"< &Remove", {132, 74, 50, 14}},
           {1110, ui_kind::push_button, L"< Re&move all", {132, 92, 50, 14}},
           {1114, ui_kind::push_button, L"&Add Query", {132, 118, 50, 14}, ui_flag_hidden},
           {1312, ui_kind::static_text, L"", {185, 22, 108, 9}},
           {1318, ui_kind::list_box, L"", {185, 32, 108, 106}, kListFlags},
           {1117, ui_kind::push_button, L"^", {297, 56, 16, 14}, ui_flag_hidden},
           {1118, ui_kind::push_button, L"v", {297, 74, 16, 14}, ui_flag_hidden}}};
}

ui_dialog_def set_query_template() {
  return {128,
          L"Add Query",
          300,
          190,
          {{ui_id_static, ui_kind::static_text, L"&Store as Table:", {7, 8, 60, 9}},
           {1019, ui_kind::edit, L"", {70, 6, 223, 12}},
           {ui_id_static, ui_kind::static_text, L"&Query:", {7, 24, 60, 9}},
           {1020, ui_kind::multiline_edit, L"", {7, 35, 286, 126}, ui_flag_vscroll},
           {129, ui_kind::push_button, L"&Test Query", {7, 169, 60, 14}},
           {1, ui_kind::default_button, L"OK", {118, 169, 55, 14}},
           {2, ui_kind::push_button, L"Cancel", {178, 169, 55, 14}},
           {9, ui_kind::push_button, L"Help", {238, 169, 55, 14}}}};
}
