// Creating and dropping tables in an Access database this side writes.
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_bstr.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_indexes_initializer.h"
#include "dao/dao_schema_initializer.h"

namespace {

// Bit of the mode word: create_table answers an existing table instead of creating it.
constexpr std::uint32_t dao_accept_existing = 0x08;
// get_table flags: the recordset of an existing table, and one opened for appending.
constexpr std::uint32_t dao_table_existing = 8;
constexpr std::uint32_t dao_table_append = 2;

}  // namespace

std::unique_ptr<udb_recordset> dao_database::create_table(const std::wstring& table, const udb_schema& schema,
                                                          const udb_indexes& indexes) {
  tk_log2(tk_log_detail, L"dao_database::create_table (%ls)", table.c_str());
  if (mode & dao_open_read_only) throw tk_mail_assertion("dao_db", 153);
  if (is_table_exist(table)) {
    if (mode & dao_accept_existing) return get_table(table, dao_table_existing);
    throw tk_mail_assertion("dao_db", 159);
  }
  ole_variant name(table);
  ole_variant attributes(0);
  ole_variant no_text{std::wstring()};
  ole_com_ptr<_DAOTableDef> table_def;
  dao_check(database_->CreateTableDef(name.get_variant(), attributes.get_variant(), no_text.get_variant(),
                                      no_text.get_variant(), table_def.out()),
            table_def);
  dao_schema_initializer columns(table_def.get(), schema);
  columns.initialize();
  dao_indexes_initializer keys(table_def.get(), columns, indexes, &columns.column_map(),
                               [this](const std::string& context, const tk_exception& e) { report(context, e); });
  keys.initialize();
  tk_log1(tk_log_trace, "Right before Append");
  if (!table_defs_) throw tk_mail_assertion("dao_db", 161);
  dao_check(table_defs_->Append(table_def.get()));
  table_def.release();
  table_names.push_back(table);
  tk_log2(tk_log_detail, L"udb_names_map::add_fn_map(%ls)", table.c_str());
  names_map.add_fn_map(table, columns.column_map());
  return get_table(table, dao_table_append);
}

bool dao_database::delete_tab(const std::wstring& table) {
  tk_log2(tk_log_trace, L"dao_database::delete_tab(%ls)", table.c_str());
  if (mode & dao_open_read_only) throw tk_mail_assertion("dao_db", 203);
  if (!is_table_exist(table)) throw tk_mail_assertion("dao_db", 204);
  if (!table_defs_) throw tk_mail_assertion("dao_db", 206);
  dao_check(table_defs_->Delete(dao_bstr(table)));
  return udb_database::delete_tab(table);
}
