// The statements a dump ends with: foreign keys from the Access relationships and views from
// the Access select queries.
#include <memory>

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_fk_plan.h"
#include "SQL/sql_view_plan.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_relationship.h"
#include "UDB/udb_validator.h"

namespace {

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

std::wstring safe(const std::wstring& name) { return sql_engine::get_safe_name(name); }

}  // namespace

void dmp_database::create_relationships(const udb_relationships& relationships) {
  tk_log1(tk_log_detail, "dmp_database::create_relationships(rels.size=%d)", int(relationships.size()));
  sql_engine& sql = engine();
  if (!options_.new_version) {
    tk_log1(tk_log_event, "This version of MySQL (%08X) doesn't support Foreign Keys", unsigned(sql.version));
    return;
  }
  sql_fk_target target;
  target.tables = table_names;
  target.indexes = written_indexes_;
  target.key_room = key_room_;
  std::unique_ptr<udb_validator> constraint_names = sql.create_in_validator(udb_indexes());
  const sql_fk_plan plan = sql_plan_foreign_keys(relationships, names_map, target, *constraint_names);
  // Reported before the block is written: a stop chosen by the user leaves no half block.
  for (const sql_fk_left_out& left : plan.left_out) {
    const udb_relationship& r = relationships[left.relationship];
    tk_log2(tk_log_event, L"Foreign key '%ls' is left out: %ls", r.name.c_str(), left.reason.c_str());
    report(tk_unicode_to_utf8(sql_fk_failure_context(r)),
           tk_exception(sql_fk_failure_text(tk_unicode_to_utf8(left.reason)), tk_kind_continuable));
  }

  const std::wstring eol = options_.get_wline_end();
  if (sql.lock_tables_open) {
    unlock_tables("dmp_database::create_relationships - right before unlock tables");
  }
  write(eol + L"SET FOREIGN_KEY_CHECKS = 0;" + eol);
  for (const sql_fk_step& step : plan.steps) {
    if (options_.add_lock) {
      sql.lock_tables_open = true;
      std::wstring locked = safe(step.table) + L" WRITE";
      if (step.what == sql_fk_step::kind::add_constraint && step.ref_table != step.table)
        locked += L", " + safe(step.ref_table) + L" WRITE";
      write(L"LOCK TABLES " + locked + L";" + eol);
    }
    write(step.statement + L";" + eol);
  }
  write(L"SET FOREIGN_KEY_CHECKS = 1;" + eol);
}

void dmp_database::create_views(const view_list& views) {
  tk_log1(tk_log_detail, "dmp_database::create_views");
  const std::wstring eol = options_.get_wline_end();
  // The server refuses CREATE VIEW while a table lock is held.
  if (engine().lock_tables_open) unlock_tables("dmp_database::create_views - right before unlock tables");

  std::unique_ptr<udb_validator> view_names = engine().create_tn_validator({}, {});
  const sql_view_plan plan = sql_plan_views(views, names_map, created_columns_, *view_names);
  for (const sql_view_left_out& left : plan.left_out) {
    tk_log2(tk_log_event, L"Query '%ls' does not become a view: %ls", views[left.query].first.c_str(),
            left.reason.c_str());
  }
  for (const auto& [query, view] : plan.renamed) names_map.add_tn_mapping(query, view);
  for (const sql_view_step& step : plan.steps) write(step.statement + eol);
}

std::wstring dmp_database::refine_view_in(const std::wstring& sql) {
  tk_log2(tk_log_detail, L"dmp_database::refine_view_in(%ls)", sql.c_str());
  return sql_view_body(sql, names_map, created_columns_);
}
