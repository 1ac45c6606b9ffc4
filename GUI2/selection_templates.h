// The control tables of the tables and views pages (one template for both: two lists and the
// buttons that move names between them) and of the Add Query dialog. Page code addresses the
// controls by these ids.
#pragma once

#include "platform/ui/ui_template.h"

ui_dialog_def sel_tables_template();  // 127
ui_dialog_def set_query_template();   // 128
