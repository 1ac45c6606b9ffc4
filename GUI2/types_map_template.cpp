#include "GUI2/types_map_template.h"

ui_dialog_def types_map_template() {
  return {135,
          L"Edit Table",
          330,
          236,
          {{1316, ui_kind::list_view, L"", {7, 7, 316, 112}, ui_flag_check_boxes},
           {ui_id_static, ui_kind::group_box, L" Table info ", {7, 123, 316, 28}},
           {ui_id_static, ui_kind::static_text, L"&Name:", {15, 136, 32, 9}},
           {1003, ui_kind::edit, L"", {50, 134, 266, 12}},
           {ui_id_static, ui_kind::group_box, L" Field info ", {7, 155, 316, 54}},
           {ui_id_static, ui_kind::static_text, L"N&ame:", {15, 168, 32, 9}},
           {1004, ui_kind::edit, L"", {50, 166, 110, 12}},
           {ui_id_static, ui_kind::static_text, L"&Type:", {170, 168, 26, 9}},
           {1302, ui_kind::combo_list, L"", {200, 166, 116, 12}},
           {ui_id_static, ui_kind::static_text, L"&Default:", {15, 188, 32, 9}},
           {1005, ui_kind::edit, L"", {50, 186, 110, 12}},
           {1340, ui_kind::static_text, L"&Length:", {170, 188, 28, 9}},
           {1006, ui_kind::edit, L"", {200, 186, 50, 12}},
           // Precision and scale take the length's place for the types that have them.
           {1341, ui_kind::static_text, L"&Prec.:", {170, 188, 28, 9}, ui_flag_hidden},
           {1007, ui_kind::edit, L"", {200, 186, 30, 12}, ui_flag_hidden},
           {1342, ui_kind::static_text, L"&Scale:", {240, 188, 26, 9}, ui_flag_hidden},
           {1008, ui_kind::edit, L"", {270, 186, 30, 12}, ui_flag_hidden},
           {1, ui_kind::default_button, L"OK", {142, 216, 56, 14}, ui_flag_group_start},
           {2, ui_kind::push_button, L"Cancel", {204, 216, 56, 14}},
           {9, ui_kind::push_button, L"Help", {266, 216, 56, 14}}}};
}
