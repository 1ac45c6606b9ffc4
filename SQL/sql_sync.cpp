// Key texts as WHERE conditions for a live-server table.
#include "SQL/sql_sync.h"

#include <memory>

#include "TK/tk_logger.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"

sql_sync::sql_sync(udb_database* database) : database_(database) { tk_log1(tk_log_detail, "sql_sync::ctor"); }

std::wstring sql_sync::get_filter_subquery(const std::wstring& table, const std::wstring& key_text) {
  tk_log2(tk_log_trace, L"sql_sync::get_filter_subquery(%ls,%ls)", table.c_str(), key_text.c_str());
  if (key_text.empty()) return {};
  // The table's own column types decide which values are numbers; the recordset's condition
  // builder writes MySQL's quoting.
  std::unique_ptr<udb_recordset> opened = database_->get_table(table, 1);
  return opened->get_filter_subquery(key_text);
}
