// Foreign keys of a live-server database: the shared plan carried out statement by statement,
// each key checked to exist afterwards, since some storage engines take the statement and keep
// no key.
#include <memory>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_fk_plan.h"
#include "SQL/sql_table.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationship.h"
#include "UDB/udb_validator.h"

namespace {

constexpr std::uint32_t kFkVersion = 0x0003172C;  // 3.23.44
constexpr std::uint32_t kAppendMode = 8;

// The server's answer to a one-value question, as text; empty without a row.
std::wstring single_value(sql_database& db, const std::wstring& statement) {
  std::unique_ptr<udb_recordset> rows = db.query(statement);
  if (!rows || rows->is_eof() || rows->get_item() == nullptr || rows->get_item()->fields.empty()) return {};
  return rows->get_item()->fields[0]->to_wstring();
}

}  // namespace

std::map<std::wstring, udb_indexes> sql_database::read_fk_indexes(const udb_relationships& list) {
  std::map<std::wstring, udb_indexes> indexes;
  for (const udb_relationship& fk : list) {
    for (const std::wstring* source : {&fk.table, &fk.ref_table}) {
      const std::wstring table = names_map.get_tn_mapped_name(*source, false);
      if (!is_table_exist(table) || indexes.count(table) != 0) continue;
      tk_log2(tk_log_detail, L"sql_database::read_fk_indexes(%ls)", table.c_str());
      // Only the indexes are read, not the whole table's definition and row count, under the
      // name the server lists. Indexes on the server carry the target names of the columns.
      const std::wstring* listed = listed_name(table);
      indexes[table] = sql_table::read_indexes(*this, listed != nullptr ? *listed : table);
    }
  }
  return indexes;
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
  sql_fk_target target;
  target.tables = table_names;
  target.indexes = read_fk_indexes(list);
  std::unique_ptr<udb_validator> constraint_names = sql.create_in_validator(udb_indexes());
  const sql_fk_plan plan = sql_plan_foreign_keys(list, names_map, target, *constraint_names);

  // The session's setting is put back afterwards, whatever it was.
  std::wstring saved_checks = L"0";
  try {
    saved_checks = single_value(*this, L"SELECT @@SESSION.foreign_key_checks");
    if (saved_checks != L"1") saved_checks = L"0";
    query(L"SET FOREIGN_KEY_CHECKS = 0");
  } catch (const tk_exception& e) {
    tk_log1(tk_log_detail, "Cannot turn OFF foreign key check: %s", e.what());
  }
  // Steps and left-out relationships are carried out and reported in the list's order.
  std::size_t next_step = 0;
  std::size_t next_left_out = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const udb_relationship& fk = list[i];
    try {
      tk_log2(tk_log_event, L"Processing '%ls'", fk.name.c_str());
      if (next_left_out < plan.left_out.size() && plan.left_out[next_left_out].relationship == i) {
        const std::wstring& reason = plan.left_out[next_left_out++].reason;
        throw tk_exception(reason, tk_kind_continuable);
      }
      for (; next_step < plan.steps.size() && plan.steps[next_step].relationship == i; ++next_step)
        carry_out(plan.steps[next_step]);
    } catch (const tk_exception& e) {
      // The rest of a failed relationship's steps are not tried.
      while (next_step < plan.steps.size() && plan.steps[next_step].relationship == i) ++next_step;
      tk_log1(tk_log_event, "Error while creating FK:\n%s\n", e.what());
      report(tk_unicode_to_utf8(sql_fk_failure_context(fk)),
             tk_exception(sql_fk_failure_text(e.what()), tk_kind_continuable));
    }
  }
  try {
    query(L"SET FOREIGN_KEY_CHECKS = " + saved_checks);
  } catch (const tk_exception& e) {
    tk_log1(tk_log_detail, "Cannot turn ON foreign key check: %s", e.what());
  }
}

void sql_database::carry_out(const sql_fk_step& step) {
  if (step.what == sql_fk_step::kind::add_index) {
    try {
      query(step.statement);
    } catch (const sql_exception& e) {
      // The constraint that needs the index is still tried; the server then says why not.
      tk_log1(tk_log_detail, "Error while creating index for FK:\n%s\n", e.what());
    }
    return;
  }
  tk_log2(tk_log_event, L"Foreign key query: '%ls'", step.statement.c_str());
  query(step.statement);
  // MyISAM and Aria take the statement and keep nothing.
  const std::wstring made = single_value(
      *this,
      L"SELECT COUNT(*) FROM information_schema.TABLE_CONSTRAINTS WHERE "
      L"CONSTRAINT_SCHEMA=" +
          to_mysql_wstr(name, VT_BSTR) + L" AND TABLE_NAME=" + to_mysql_wstr(step.table, VT_BSTR) +
          L" AND CONSTRAINT_NAME=" + to_mysql_wstr(step.constraint, VT_BSTR) + L" AND CONSTRAINT_TYPE='FOREIGN KEY'");
  if (made == L"0")
    throw tk_exception("The foreign key was not kept: the storage engine of table '%s' has no foreign keys",
                       tk_unicode_to_utf8(step.table), tk_kind_continuable);
}
