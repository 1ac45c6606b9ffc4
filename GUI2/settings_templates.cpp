// The settings pages' control tables. Pages are 317 x 143 dialog units, as the sheet's others.
#include "GUI2/settings_templates.h"

namespace {

constexpr int kPageWidth = 317;
constexpr int kPageHeight = 143;

}  // namespace

ui_dialog_def welcome_template() {
  return {103,
          L"",
          kPageWidth,
          kPageHeight,
          {{1337, ui_kind::static_text, L"Welcome to Ostrelle\nConversion Wizard\n", {115, 8, 195, 40}},
           {ui_id_static, ui_kind::static_text, L"Select conversion scenario:", {115, 56, 195, 9}},
           {1329, ui_kind::auto_radio, L"&Move to MySQL server directly", {125, 68, 185, 10}, ui_flag_group_start},
           {1330, ui_kind::auto_radio, L"&Export into script file", {125, 80, 185, 10}},
           {1115, ui_kind::push_button, L"&Load Settings...", {115, 100, 80, 14}, ui_flag_group_start},
           {1320, ui_kind::link, L"", {115, 126, 195, 9}}}};
}

ui_dialog_def dump_template() {
  return {102,
          L"",
          kPageWidth,
          kPageHeight,
          {{ui_id_static, ui_kind::group_box, L" MySQL server version: ", {21, 2, 135, 40}},
           {1329, ui_kind::radio, L"n&ew (4.1 or higher)", {29, 14, 120, 10}},
           {1330, ui_kind::radio, L"&old (before 4.1)", {29, 27, 120, 10}},
           {ui_id_static, ui_kind::group_box, L" Line breaks: ", {162, 2, 134, 40}},
           {1331, ui_kind::radio, L"MS &Windows style (\\r\\n)", {170, 14, 120, 10}},
           {1332, ui_kind::radio, L"Uni&x style (\\n)", {170, 27, 120, 10}},
           {1202, ui_kind::check_box, L"&Add lock for write around 'INSERT' statements", {21, 52, 275, 10}},
           {1203, ui_kind::check_box, L"Insert 'CREATE &DATABASE' statement", {21, 66, 275, 10}},
           {1204, ui_kind::check_box, L"Insert 'CREATE &TABLE' statements", {21, 80, 275, 10}},
           {1205, ui_kind::check_box, L"Insert &comments", {21, 94, 275, 10}}}};
}

ui_dialog_def mysql_settings_template() {
  return {123,
          L"",
          kPageWidth,
          kPageHeight,
          {{ui_id_static, ui_kind::group_box, L" Access mode ", {21, 2, 275, 26}},
           {1329, ui_kind::auto_radio, L"&Local", {29, 13, 80, 10}, ui_flag_group_start},
           {1330, ui_kind::auto_radio, L"&Remote", {120, 13, 80, 10}},
           {ui_id_static, ui_kind::static_text, L"&User name:", {21, 36, 70, 9}},
           {1012, ui_kind::edit, L"", {95, 34, 120, 12}, ui_flag_group_start},
           {ui_id_static, ui_kind::static_text, L"&Password:", {21, 52, 70, 9}},
           {1013, ui_kind::edit, L"", {95, 50, 120, 12}, ui_flag_password},
           {ui_id_static, ui_kind::group_box, L" Remote settings ", {21, 68, 275, 66}},
           {ui_id_static, ui_kind::static_text, L"&Host:", {29, 82, 60, 9}},
           {1014, ui_kind::edit, L"", {95, 80, 120, 12}},
           {ui_id_static, ui_kind::static_text, L"(it could be network name or IP address)", {95, 94, 195, 9}},
           {ui_id_static, ui_kind::static_text, L"P&ort:", {29, 108, 60, 9}},
           {1015, ui_kind::edit, L"", {95, 106, 60, 12}},
           {ui_id_static, ui_kind::static_text, L"(default MySQL port is 3306)", {95, 120, 195, 9}}}};
}

ui_dialog_def ugl_template() {
  return {105,
          L"",
          kPageWidth,
          kPageHeight,
          {{1202, ui_kind::check_box, L"&Database is protected with user-level security", {21, 4, 275, 10}},
           {ui_id_static, ui_kind::static_text, L"Path to &workgroup information file:", {21, 22, 275, 9}},
           {1003, ui_kind::edit, L"", {21, 33, 215, 12}},
           {1107, ui_kind::push_button, L"Browse...", {241, 32, 55, 14}},
           {ui_id_static, ui_kind::static_text, L"&User name:", {21, 54, 100, 9}},
           {1004, ui_kind::edit, L"", {21, 65, 130, 12}},
           {ui_id_static, ui_kind::static_text, L"User &password:", {21, 84, 100, 9}},
           {1005, ui_kind::edit, L"", {21, 95, 130, 12}, ui_flag_password}}};
}

ui_dialog_def sel_file_template() {
  return {106,
          L"",
          kPageWidth,
          kPageHeight,
          {{ui_id_static, ui_kind::static_text, L"MS &Access database name:", {21, 2, 275, 9}},
           {1003, ui_kind::edit, L"", {21, 13, 215, 12}},
           {1107, ui_kind::push_button, L"Browse...", {241, 12, 55, 14}},
           {1001, ui_kind::check_box, L"&Use password:", {21, 31, 80, 10}},
           {1005, ui_kind::edit, L"", {105, 30, 131, 12}, ui_flag_password},
           {1311, ui_kind::static_text, L"", {21, 52, 275, 9}},
           {1004, ui_kind::edit, L"", {21, 63, 215, 12}},
           {1104, ui_kind::push_button, L"Browse...", {241, 62, 55, 14}, ui_flag_hidden},
           {ui_id_static, ui_kind::static_text, L"&Logfile (leave blank to disable logging):", {21, 86, 275, 9}},
           {1006, ui_kind::edit, L"", {21, 97, 215, 12}},
           {1105, ui_kind::push_button, L"Browse...", {241, 96, 55, 14}}}};
}

ui_dialog_def conversion_settings_template() {
  return {110,
          L"",
          kPageWidth,
          kPageHeight,
          {{ui_id_static, ui_kind::static_text, L"Specify conversion settings.", {21, 2, 275, 9}},
           {ui_id_static, ui_kind::static_text, L"&MySQL character set:", {21, 18, 110, 9}},
           {1303, ui_kind::combo_list, L"", {135, 16, 161, 80}},
           {ui_id_static, ui_kind::static_text, L"MySQL &engine type:", {21, 36, 110, 9}},
           {1304, ui_kind::combo_list, L"", {135, 34, 161, 80}},
           {ui_id_static, ui_kind::static_text, L"C&onvert boolean values as:", {21, 54, 110, 9}},
           {1302, ui_kind::combo_list, L"", {135, 52, 161, 40}},
           {1226, ui_kind::check_box, L"S&kip converting indexes", {21, 76, 275, 10}},
           {1228, ui_kind::check_box, L"&Do not migrate the data", {21, 90, 275, 10}},
           {1204, ui_kind::check_box, L"Convert &queries/views", {21, 104, 275, 10}}}};
}

ui_dialog_def overwrite_template() {
  return {133,
          L"",
          250,
          132,
          {{1301, ui_kind::icon, L"", {8, 8, 21, 20}},
           {1320, ui_kind::static_text, L"", {38, 8, 205, 30}},
           {1329, ui_kind::auto_radio, L"&Overwrite the entire database", {38, 42, 205, 10}, ui_flag_group_start},
           {1330, ui_kind::auto_radio, L"Overwrite existing &tables only", {38, 54, 205, 10}},
           {1331, ui_kind::auto_radio, L"&Skip existing tables", {38, 66, 205, 10}},
           {1332, ui_kind::auto_radio, L"&Merge", {38, 78, 205, 10}},
           {1339, ui_kind::auto_radio, L"S&ynchronize", {38, 90, 205, 10}},
           {1, ui_kind::default_button, L"OK", {38, 110, 60, 14}, ui_flag_group_start},
           {2, ui_kind::push_button, L"Cancel", {104, 110, 60, 14}},
           {9, ui_kind::push_button, L"Help", {170, 110, 60, 14}}}};
}
