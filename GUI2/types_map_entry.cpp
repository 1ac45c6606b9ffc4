#include "GUI2/types_map_entry.h"

#include <QApplication>

#include "GUI2/types_map_dlg.h"
#include "converter/vandry_converter.h"

void edit_table_types(const std::wstring& table) {
  std::unique_ptr<udb_schema> schema = vandry_converter::get_instance()->get_schema(table);
  types_map_dlg dialog(table, std::move(schema));
  dialog.do_modal(QApplication::activeWindow());
}
