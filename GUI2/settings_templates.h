// The control tables of the settings pages (welcome, dump file, server, workgroup, select
// databases, conversion settings) and of the overwrite dialog: ids, kinds, texts and places in
// dialog units. Page code addresses the controls by these ids.
#pragma once

#include "platform/ui/ui_template.h"

ui_dialog_def welcome_template();              // 103
ui_dialog_def dump_template();                 // 102
ui_dialog_def mysql_settings_template();       // 123
ui_dialog_def ugl_template();                  // 105
ui_dialog_def sel_file_template();             // 106
ui_dialog_def conversion_settings_template();  // 110
ui_dialog_def overwrite_template();            // 133
