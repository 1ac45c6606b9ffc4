// Foreign keys of a live-server database, made from the source's relationships, each on indexes
// that lead with its columns, and checked to exist afterwards: some storage engines accept the
// statement and keep no key.
#include <memory>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_validator.h"

namespace {

constexpr std::uint32_t kFkVersion = 0x0003172C;  // 3.23.44
constexpr std::uint32_t kAppendMode = 8;

const char kSupport[] = "support@quellbrook.com";


// The server's answer to a one-value question, as text; empty without a row.
std::wstring single_value(sql_database& db, const std::wstring& statement) {
  std::unique_ptr<udb_recordset> rows = db.query(statement);
  if (!rows || rows->is_eof() || rows->get_item() == nullptr || rows->get_item()->fields.empty())
    return {};
  return rows->get_item()->fields[0]->to_wstring();
}

}  // namespace

void sql_database::create_fk_index_if(const std::wstring& table,
                                      const std::vector<std::wstring>& columns) {
  tk_log2(tk_log_detail, L"sql_database::create_fk_index_if(%ls)", table.c_str());
  std::unique_ptr<udb_recordset> opened = get_table(table, 0x61);
  if (!opened) throw tk_mail_assertion("sql_db", 366);
  std::vector<std::wstring> mapped;
  for (const std::wstring& column : columns)
    mapped.push_back(names_map.get_fn_mapped_name(table, column, true));
  tk_log1(tk_log_trace, "udb_indexes::has_index_on_fields");
  for (const udb_index& index : opened->indexes) {
    // Indexes on the server carry the target names of the columns.
    if (index.starts_with_fields(mapped)) {
      tk_log2(tk_log_detail, L"Index for table '%ls' exists", table.c_str());
      return;
    }
  }
  tk_log2(tk_log_detail, L"Index for table '%ls' does NOT exist", table.c_str());
  std::wstring statement = L"ALTER TABLE " + sql_engine::get_safe_name(table) + L" ADD INDEX (";
  for (size_t i = 0; i < mapped.size(); ++i)
    statement += (i ? L", " : L"") + sql_engine::get_safe_name(mapped[i]);
  statement += L")";
  opened.reset();
  try {
    query(statement);
  } catch (const sql_exception& e) {
    tk_log1(tk_log_detail, "Error while creating index for FK:\n%s\n", e.what());
  }
}

void sql_database::create_relationships(const udb_relationships& list) {
  tk_log1(tk_log_detail, "sql_database::create_relationships");
  tk_log1(tk_log_event, "Converting foreign keys");
  sql_engine& sql = *tk_singleton<sql_engine>::get_instance();
  if (sql.version < kFkVersion) {
    tk_log1(tk_log_event, "This version of MySQL doesn't support Foreign Keys");
    return;
  }
  if (mode == kAppendMode) {
    tk_log1(tk_log_event, "Foreign keys are not converted in append mode");
    return;
  }
  // The session's setting is put back afterwards, whatever it was.
  std::wstring saved_checks = L"0";
  try {
    saved_checks = single_value(*this, L"SELECT @@SESSION.foreign_key_checks");
    if (saved_checks != L"1") saved_checks = L"0";
    query(L"SET FOREIGN_KEY_CHECKS = 0");
  } catch (const tk_exception& e) {
    tk_log1(tk_log_detail, "Cannot turn OFF foreign key check: %s", e.what());
  }
  std::unique_ptr<udb_validator> validator = sql.create_in_validator(udb_indexes());
  for (const udb_relationship& fk : list) {
    try {
      tk_log2(tk_log_event, L"Processing '%ls'", fk.name.c_str());
      const std::wstring fk_table = names_map.get_tn_mapped_name(fk.table, false);
      tk_log2(tk_log_trace, L"fk_table_name=%ls", fk_table.c_str());
      if (!is_table_exist(fk_table))
        throw tk_exception("Table '%s' not exists", tk_unicode_to_utf8(fk_table), tk_kind_continuable);
      const std::wstring pk_table = names_map.get_tn_mapped_name(fk.ref_table, false);
      tk_log2(tk_log_trace, L"pk_table_name=%ls", pk_table.c_str());
      if (!is_table_exist(pk_table))
        throw tk_exception("Table '%s' not exists", tk_unicode_to_utf8(pk_table), tk_kind_continuable);
      create_fk_index_if(fk_table, fk.fields);
      create_fk_index_if(pk_table, fk.ref_fields);
      std::wstring constraint = fk.name;
      if (!validator->is_acceptable(constraint)) {
        constraint = validator->get_safe_name(fk.name);
        tk_log2(tk_log_detail, L"Store generated index name '%ls'", constraint.c_str());
        validator->add_existing_name(constraint);
      }
      validator->restricted_names.push_back(constraint);
      auto column_list = [&](const std::wstring& table, const std::vector<std::wstring>& columns) {
        std::wstring text;
        for (size_t i = 0; i < columns.size(); ++i)
          text += (i ? L", " : L"") +
                  sql_engine::get_safe_name(names_map.get_fn_mapped_name(table, columns[i], true));
        return text;
      };
      std::wstring statement = L"ALTER TABLE " + sql_engine::get_safe_name(fk_table) +
                               L" ADD CONSTRAINT " + sql_engine::get_safe_name(constraint) +
                               L" FOREIGN KEY(" + column_list(fk_table, fk.fields) +
                               L") REFERENCES " + sql_engine::get_safe_name(pk_table) + L"(" +
                               column_list(pk_table, fk.ref_fields) + L")";
      if (!fk.properties.empty()) statement += L" " + fk.properties;
      tk_log2(tk_log_event, L"Foreign key query: '%ls'", statement.c_str());
      query(statement);
      // MyISAM and Aria take the statement and keep nothing.
      const std::wstring made = single_value(
          *this, L"SELECT COUNT(*) FROM information_schema.TABLE_CONSTRAINTS WHERE "
                 L"CONSTRAINT_SCHEMA=" + to_mysql_wstr(name, VT_BSTR) +
                 L" AND TABLE_NAME=" + to_mysql_wstr(fk_table, VT_BSTR) +
                 L" AND CONSTRAINT_NAME=" + to_mysql_wstr(constraint, VT_BSTR) +
                 L" AND CONSTRAINT_TYPE='FOREIGN KEY'");
      if (made == L"0")
        throw tk_exception(
            "The foreign key was not kept: the storage engine of table '%s' has no foreign keys",
            tk_unicode_to_utf8(fk_table), tk_kind_continuable);
    } catch (const tk_exception& e) {
      tk_log1(tk_log_event, "Error while creating FK:\n%s\n", e.what());
      const std::wstring context =
          fk.name.empty() ? fk.table : L"Foreign key '" + fk.name + L"'";
      report(tk_unicode_to_utf8(context),
             tk_exception(std::string("Cannot create foreign key. Contact to ") + kSupport +
                              " for the solution.\n" + e.what(),
                          tk_kind_continuable));
    }
  }
  try {
    query(L"SET FOREIGN_KEY_CHECKS = " + saved_checks);
  } catch (const tk_exception& e) {
    tk_log1(tk_log_detail, "Cannot turn ON foreign key check: %s", e.what());
  }
}
