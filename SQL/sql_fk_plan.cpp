// The foreign-key rules both targets share: target names, the indexes a key leans on, the
// constraint names, and which relationships cannot become keys.
#include "SQL/sql_fk_plan.h"

#include <utility>

#include "SQL/sql_engine.h"
#include "TK/tk_addresses.h"
#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_relationship.h"
#include "UDB/udb_validator.h"

namespace {

using column_list = std::vector<std::wstring>;

std::wstring quoted_list(const column_list& columns) {
  std::wstring out;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) out += L", ";
    out += sql_engine::get_safe_name(columns[i]);
  }
  return out;
}

// The target's tables and indexes as they grow with the plan: an index added for one key
// serves every later key on the same columns.
class target_tables {
 public:
  explicit target_tables(const sql_fk_target& target) : target_(target) {}

  bool exists(const std::wstring& table) const {
    for (const std::wstring& t : target_.tables) {
      if (udb_same_name(t, table)) return true;
    }
    return false;
  }

  bool has_index(const std::wstring& table, const column_list& columns) const {
    for (const auto& [name, indexes] : target_.indexes) {
      if (udb_same_name(name, table) && indexes.has_index_on_fields(columns, false)) return true;
    }
    for (const auto& [name, added] : added_) {
      if (udb_same_name(name, table) && added.starts_with_fields(columns)) return true;
    }
    return false;
  }

  // Empty when the table takes a key on the columns, or when only the server can tell.
  std::wstring key_refusal(const std::wstring& table, const column_list& columns) const {
    for (const auto& [name, room] : target_.key_room) {
      if (udb_same_name(name, table)) return sql_key_refusal(room, columns);
    }
    return {};
  }

  void add_index(const std::wstring& table, const column_list& columns) {
    udb_index index(L"", false, false);
    index.fields = columns;
    added_.emplace_back(table, std::move(index));
  }

 private:
  const sql_fk_target& target_;
  std::vector<std::pair<std::wstring, udb_index>> added_;
};

column_list target_columns(const udb_names_map& names, const std::wstring& table, const column_list& columns) {
  column_list out;
  for (const std::wstring& column : columns) out.push_back(names.get_fn_mapped_name(table, column, true));
  return out;
}

}  // namespace

sql_fk_plan sql_plan_foreign_keys(const udb_relationships& relationships, const udb_names_map& names,
                                  const sql_fk_target& target, udb_validator& constraint_names) {
  sql_fk_plan plan;
  target_tables tables(target);
  for (std::size_t i = 0; i < relationships.size(); ++i) {
    const udb_relationship& r = relationships[i];
    tk_log2(tk_log_detail, L"Processing FK '%ls', properties=%ls", r.name.c_str(), r.properties.c_str());
    const std::wstring table = names.get_tn_mapped_name(r.table, false);
    const std::wstring ref_table = names.get_tn_mapped_name(r.ref_table, false);
    // A key to a table the target does not hold is refused, and in a dump it would stop the
    // whole load.
    if (!tables.exists(table)) {
      plan.left_out.push_back({i, L"Table '" + table + L"' not exists"});
      continue;
    }
    if (!tables.exists(ref_table)) {
      plan.left_out.push_back({i, L"Table '" + ref_table + L"' not exists"});
      continue;
    }
    const column_list columns = target_columns(names, table, r.fields);
    const column_list ref_columns = target_columns(names, ref_table, r.ref_fields);

    // The server demands an index that leads with the columns on both sides; a missing one is
    // added, unless the table cannot take it (then neither can it take the key).
    std::vector<std::pair<const std::wstring*, const column_list*>> missing;
    std::wstring refusal;
    for (const auto& [t, c] : {std::pair{&table, &columns}, std::pair{&ref_table, &ref_columns}}) {
      if (tables.has_index(*t, *c)) {
        tk_log2(tk_log_detail, L"Index for table '%ls' exists", t->c_str());
        continue;
      }
      tk_log2(tk_log_detail, L"Index for table '%ls' does NOT exist", t->c_str());
      const std::wstring why = tables.key_refusal(*t, *c);
      if (!why.empty()) {
        refusal = L"Table '" + *t + L"' cannot take an index on (" + quoted_list(*c) + L"): " + why;
        break;
      }
      bool listed = false;
      for (const auto& [mt, mc] : missing) listed = listed || (udb_same_name(*mt, *t) && *mc == *c);
      if (!listed) missing.emplace_back(t, c);
    }
    if (!refusal.empty()) {
      plan.left_out.push_back({i, refusal});
      continue;
    }
    for (const auto& [t, c] : missing) {
      tables.add_index(*t, *c);
      plan.steps.push_back(
          {sql_fk_step::kind::add_index, i, *t, L"", L"",
           L"ALTER TABLE " + sql_engine::get_safe_name(*t) + L" ADD INDEX (" + quoted_list(*c) + L")"});
    }

    std::wstring constraint = r.name;
    if (!constraint_names.is_acceptable(constraint) || constraint_names.is_duplicated(constraint)) {
      constraint = constraint_names.get_safe_name(r.name);
      tk_log2(tk_log_detail, L"Store generated index name '%ls'", constraint.c_str());
    }
    constraint_names.add_existing_name(constraint);

    std::wstring statement = L"ALTER TABLE " + sql_engine::get_safe_name(table) + L" ADD CONSTRAINT " +
                             sql_engine::get_safe_name(constraint) + L" FOREIGN KEY(" + quoted_list(columns) +
                             L") REFERENCES " + sql_engine::get_safe_name(ref_table) + L"(" + quoted_list(ref_columns) +
                             L")";
    if (!r.properties.empty()) statement += L" " + r.properties;
    plan.steps.push_back({sql_fk_step::kind::add_constraint, i, table, ref_table, constraint, statement});
  }
  return plan;
}

std::string sql_fk_failure_text(const std::string& reason) {
  return std::string("Cannot create foreign key. Contact to ") + tk_support_address + " for the solution.\n" + reason;
}

std::wstring sql_fk_failure_context(const udb_relationship& relationship) {
  return relationship.name.empty() ? relationship.table : L"Foreign key '" + relationship.name + L"'";
}
