// The tables page's entry into the column editor.
#include "GUI2/sel_tables_page_tm.h"

#include "GUI2/types_map_entry.h"
#include "TK/tk_logger.h"

void sel_tables_page_tm::on_edit_table(const std::wstring& name) {
  tk_log1(tk_log_detail, "Ready for types mapping");
  edit_table_types(name);
}
