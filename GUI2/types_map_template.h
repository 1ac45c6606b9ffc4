// The control table of the column editor, dialog 135 "Edit Table": the list of the table's
// columns, the table's new name and the selected column's name, type, default and sizes.
#pragma once

#include "platform/ui/ui_template.h"

ui_dialog_def types_map_template();  // 135
