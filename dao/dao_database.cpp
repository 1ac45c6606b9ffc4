// Reading an Access database: its tables, views and relationships, and recordsets over them.
#include "dao/dao_database.h"

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"
#include "dao/dao_bstr.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_query_rewrite.h"
#include "dao/dao_record.h"
#include "dao/dao_recordset.h"
#include "dao/dao_relationship_rows.h"

namespace {

// An optional argument left out, as a DAO caller omits it.
VARIANT missing() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

// The code of the engine's error for a damaged file (DAO error 3428).
constexpr std::uint32_t dao_damaged_code = 0x10000 | 3428;

constexpr const char* relationships_sql =
    "SELECT szRelationship, szColumn, szObject, szReferencedObject, szReferencedColumn, grbit FROM "
    "MSysRelationships ORDER BY szRelationship";

}  // namespace

dao_database::dao_database(const std::wstring& path, DAODatabase* database, std::uint32_t mode)
    : udb_database(path, mode, false), database_(database) {
  tk_log2(tk_log_detail, L"dao_database::dao_database( %ls, mode=%u )", path.c_str(), static_cast<unsigned>(mode));
  if (!database) throw tk_mail_assertion("dao_db", 40);
  VARIANT_BOOL updatable = VARIANT_FALSE;
  dao_check(database_->get_Updatable(&updatable));
  writable_ = updatable != VARIANT_FALSE;
  dao_check(database_->get_TableDefs(table_defs_.out()), table_defs_);
  short count = 0;
  dao_check(table_defs_->get_Count(&count));
  for (short i = 0; i < count; ++i) {
    ole_variant index(static_cast<unsigned short>(i));
    ole_com_ptr<_DAOTableDef> table_def;
    dao_check(table_defs_->get_Item(index.get_variant(), table_def.out()), table_def);
    dao_bstr table;
    dao_check(table_def->get_Name(table.out()));
    LONG attributes = 0;
    dao_check(table_def->get_Attributes(&attributes));
    if (attributes & (dbAttachedTable | dbAttachedODBC))
      tk_log2(tk_log_detail, L"Skip linked table '%ls'", table.text().c_str());
    else if (attributes & dbSystemObject)
      tk_log2(tk_log_detail, L"Skip system table '%ls'", table.text().c_str());
    else {
      tk_log2(tk_log_detail, L"Got table: '%ls'", table.text().c_str());
      table_names.push_back(table.text());
    }
  }
  tk_log1(tk_log_detail, "Right before extracting queries/vews");
  if (!(mode & dao_open_no_views)) {
    try {
      init_views();
    } catch (const dao_exception& e) {
      tk_log1(tk_log_detail, "ERROR1:\n%s", e.what());
      if (e.code() == dao_damaged_code) damaged_parts.push_back(e);
    }
  }
  tk_log1(tk_log_detail, "Right before extracting FKs");
  if (!(mode & dao_open_no_fkeys)) {
    try {
      init_fkeys();
    } catch (const dao_exception& e) {
      tk_log1(tk_log_event, "ERROR2:\n%s", e.what());
      if (e.code() == dao_damaged_code) damaged_parts.push_back(e);
    }
  }
  tk_log1(tk_log_detail, "dao_database::ctor - END");
}

void dao_database::close() {
  if (closed_) return;
  closed_ = true;
  dao_check(database_->Close());
}

dao_database::~dao_database() {
  tk_log1(tk_log_trace, "dao_database::~dao_database");
  // Finishing a new file is close()'s, which can report a failure; released without it (an
  // error unwinding past its writer, say), the file is given up rather than put in place
  // unfinished, and the log says so.
  if (!closed_ && writable_)
    tk_log2(tk_log_event, L"The Access database '%ls' was not closed: the new file is left out", name.c_str());
  else if (!closed_)
    database_->Close();
  tk_log1(tk_log_trace, "dao_database::~dao_database - END");
  table_defs_.release();
  query_defs_.release();
  database_.release();
}

void dao_database::init_views() {
  tk_log1(tk_log_detail, "dao_database::init_views");
  dao_check(database_->get_QueryDefs(query_defs_.out()), query_defs_);
  short count = 0;
  dao_check(query_defs_->get_Count(&count));
  tk_log1(tk_log_detail, "Got %d queries", static_cast<int>(count));
  for (short i = 0; i < count; ++i) {
    ole_variant index(static_cast<unsigned short>(i));
    ole_com_ptr<_DAOQueryDef> query_def;
    dao_check(query_defs_->get_Item(index.get_variant(), query_def.out()), query_def);
    dao_bstr name;
    dao_check(query_def->get_Name(name.out()));
    tk_log2(tk_log_detail, L"Got query name: '%ls'", name.text().c_str());
    dao_bstr sql;
    dao_check(query_def->get_SQL(sql.out()));
    tk_log2(tk_log_detail, L"Got query SQL: '%ls'", sql.text().c_str());
    views.emplace_back(name.text(), dao_rewrite_query_sql(sql.text()));
  }
}

void dao_database::init_fkeys() {
  tk_log1(tk_log_detail, "dao_database::init_fkeys");
  ole_com_ptr<_DAOQueryDef> query_def;
  ole_com_ptr<DAORecordset> rows;
  open_sql(tk_utf8_to_unicode(relationships_sql), dbReadOnly, query_def, rows);

  dao_relationship_rows groups;
  VARIANT_BOOL eof = VARIANT_FALSE;
  dao_check(rows->get_EOF(&eof));
  if (!eof) dao_check(rows->MoveFirst());
  while (!eof) {
    tk_log1(tk_log_trace, "Reading next record from MSysRelationships");
    ole_com_ptr<DAOFields> fields;
    dao_check(rows->get_Fields(fields.out()), fields);
    dao_record row(fields.get());
    if (row.fields.size() != 6) throw tk_mail_assertion("dao_db", 139);
    dao_relationship_row r;
    r.name = row.fields[0]->to_wstring();
    r.column = row.fields[1]->to_wstring();
    r.table = row.fields[2]->to_wstring();
    r.ref_table = row.fields[3]->to_wstring();
    r.ref_column = row.fields[4]->to_wstring();
    // A row without flags is a relationship without rules.
    const udb_field& grbit = *row.fields[5];
    r.grbit = grbit.get_type() == VT_NULL ? 0u : static_cast<std::uint32_t>(grbit.to_long());
    groups.add(r, relationships);
    dao_check(rows->MoveNext());
    dao_check(rows->get_EOF(&eof));
  }
  groups.finish(relationships);
}

bool dao_database::is_system_table(const std::wstring& table) {
  static const wchar_t* const navigation_pane[] = {L"MSysNavPaneGroups", L"MSysNavPaneGroupCategories",
                                                   L"MSysNavPaneGroupToObjects"};
  for (const wchar_t* n : navigation_pane)
    if (udb_same_name(table, n)) {
      tk_log2(tk_log_detail, L"%ls is a system/internal tables", table.c_str());
      return true;
    }
  return false;
}

void dao_database::open_sql(const std::wstring& sql, short options, ole_com_ptr<_DAOQueryDef>& query_def,
                            ole_com_ptr<DAORecordset>& recordset) {
  ole_variant unsaved{std::wstring()};
  ole_variant text(sql);
  dao_check(database_->CreateQueryDef(unsaved.get_variant(), text.get_variant(), query_def.out()), query_def);
  ole_variant type(static_cast<short>(dbOpenDynaset));
  ole_variant opts(static_cast<int>(options));
  dao_check(query_def->OpenRecordset(type.get_variant(), opts.get_variant(), missing(), recordset.out()), recordset);
}

std::unique_ptr<udb_recordset> dao_database::get_table(const std::wstring& table, std::uint32_t flags) {
  tk_log2(tk_log_detail, L"dao_database::get_table(%ls, %u)", table.c_str(), static_cast<unsigned>(flags));
  if (!is_table_exist(table)) {
    tk_log2(tk_log_detail, L"Table '%ls' does not exists", table.c_str());
    throw tk_mail_assertion("dao_db", 182);
  }
  short options = (flags & 1) ? dbReadOnly : dbAppendOnly;
  if (!table_defs_) throw tk_mail_assertion("dao_db", 186);
  ole_variant key(table);
  ole_com_ptr<_DAOTableDef> table_def;
  dao_check(table_defs_->get_Item(key.get_variant(), table_def.out()), table_def);
  tk_log1(tk_log_trace, "Right after tdfs->getItem");
  LONG attributes = 0;
  dao_check(table_def->get_Attributes(&attributes));
  if (attributes & dao_foreign_or_system_table) return nullptr;
  // The rows are read through the table definition, by the name the catalog holds: a query
  // text around the name would fail on names Access itself refuses (a "]", a trailing blank,
  // "!" or ".") that files made by other tools may hold.
  ole_variant type(static_cast<short>(dbOpenTable));
  ole_variant opts(static_cast<int>(options));
  ole_com_ptr<DAORecordset> recordset;
  dao_check(table_def->OpenRecordset(type.get_variant(), opts.get_variant(), recordset.out()), recordset);
  tk_log1(tk_log_trace, "Right after tdf->OpenRecordset");
  return std::make_unique<dao_recordset>(this, table, recordset.get(), table_def.get());
}

std::unique_ptr<udb_recordset> dao_database::get_query(const std::wstring& name, const std::wstring& sql,
                                                       std::uint32_t flags) {
  tk_log2(tk_log_detail, L"dao_database::get_query(%ls, %ls, %u)", name.c_str(), sql.c_str(),
          static_cast<unsigned>(flags));
  short options = (flags & 1) ? dbReadOnly : dbAppendOnly;
  std::uint32_t count = get_query_count(sql);
  ole_com_ptr<_DAOQueryDef> query_def;
  ole_com_ptr<DAORecordset> recordset;
  open_sql(sql, options, query_def, recordset);
  return std::make_unique<dao_recordset>(this, name, sql, recordset.get(), query_def.get(), count);
}

std::uint32_t dao_database::get_query_count(const std::wstring& sql) {
  ole_com_ptr<_DAOQueryDef> query_def;
  ole_com_ptr<DAORecordset> rows;
  open_sql(L"select count(*) from (" + sql + L")", dbReadOnly, query_def, rows);
  dao_check(rows->MoveFirst());
  ole_com_ptr<DAOFields> fields;
  dao_check(rows->get_Fields(fields.out()), fields);
  ole_variant first(0);
  ole_com_ptr<_DAOField> field;
  dao_check(fields->get_Item(first.get_variant(), field.out()), field);
  VARIANT value;
  VariantInit(&value);
  dao_check(field->get_Value(&value));
  HRESULT hr = VariantChangeType(&value, &value, 0, VT_UI4);
  std::uint32_t count = SUCCEEDED(hr) ? value.ulVal : 0;
  VariantClear(&value);
  rows->Close();
  return count;
}

bool dao_database::test_query(const std::wstring& sql) {
  tk_log2(tk_log_detail, L"dao_database::test_query(%ls)", sql.c_str());
  try {
    ole_com_ptr<_DAOQueryDef> query_def;
    ole_com_ptr<DAORecordset> rows;
    open_sql(sql, dbDenyWrite, query_def, rows);
    rows->Close();
    return true;
  } catch (const tk_exception&) {
    return false;
  }
}
