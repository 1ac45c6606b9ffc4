// The statements a dump ends with: foreign keys from the Access relationships and views from
// the Access select queries.
#include <memory>

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_validators.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_relationship.h"
#include "platform/win/string_compare.h"

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
  const std::wstring eol = options_.get_wline_end();
  if (sql.lock_tables_open) {
    unlock_tables("dmp_database::create_relationships - right before unlock tables");
  }
  write(eol + L"SET FOREIGN_KEY_CHECKS = 0;" + eol);

  std::unique_ptr<udb_validator> validator = sql.create_in_validator(udb_indexes());
  for (const udb_relationship& r : relationships) {
    const std::wstring table = names_map.get_tn_mapped_name(r.table, false);
    const std::wstring ref_table = names_map.get_tn_mapped_name(r.ref_table, false);
    tk_log2(tk_log_detail, L"Processing FK '%ls', properties=%ls", r.name.c_str(), r.properties.c_str());

    // A key to a table the dump does not create would stop the whole load.
    if (!is_table_exist(table) || !is_table_exist(ref_table)) {
      tk_log2(tk_log_event, L"Foreign key '%ls' refers to a table that is not in the dump, skip it",
              r.name.c_str());
      continue;
    }
    std::vector<std::wstring> fields;
    for (const std::wstring& f : r.fields) {
      fields.push_back(names_map.get_fn_mapped_name(table, f, true));
    }
    std::vector<std::wstring> ref_fields;
    for (const std::wstring& f : r.ref_fields) {
      ref_fields.push_back(names_map.get_fn_mapped_name(ref_table, f, true));
    }
    // The server demands an index that leads with the referenced columns; a table whose key
    // was left out of its CREATE TABLE cannot take the foreign key.
    if (!written_indexes_[ref_table].has_index_on_fields(ref_fields, false)) {
      tk_log2(tk_log_event, L"Foreign key '%ls': the referenced columns of '%ls' have no index, skip it",
              r.name.c_str(), ref_table.c_str());
      continue;
    }

    auto joined = [](const std::vector<std::wstring>& names) {
      std::wstring out;
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += L", ";
        out += safe(names[i]);
      }
      return out;
    };

    if (written_indexes_[table].has_index_on_fields(fields, false)) {
      tk_log2(tk_log_detail, L"Child index for table '%ls' exists", table.c_str());
    } else {
      if (options_.add_lock) {
        sql.lock_tables_open = true;
        write(L"LOCK TABLES " + safe(table) + L" WRITE;" + eol);
      }
      write(L"ALTER TABLE " + safe(table) + L" ADD INDEX (" + joined(fields) + L");" + eol);
    }
    if (options_.add_lock) {
      sql.lock_tables_open = true;
      if (table == ref_table) {
        write(L"LOCK TABLES " + safe(table) + L" WRITE;" + eol);
      } else {
        write(L"LOCK TABLES " + safe(table) + L" WRITE, " + safe(ref_table) + L" WRITE;" + eol);
      }
    }

    // Constraint names are unique within a database on the server.
    std::wstring name = r.name;
    if (!validator->is_acceptable(name) || validator->is_duplicated(name)) {
      name = validator->get_safe_name(name);
      tk_log2(tk_log_detail, L"Store generated index name '%ls'", name.c_str());
    }
    validator->add_existing_name(name);

    std::wstring statement = L"ALTER TABLE " + safe(table) + L" ADD CONSTRAINT " + safe(name) +
                             L" FOREIGN KEY(" + joined(fields) + L") REFERENCES " +
                             safe(ref_table) + L"(" + joined(ref_fields) + L")";
    if (!r.properties.empty()) statement += L" " + r.properties;
    write(statement + L";" + eol);
  }
  write(L"SET FOREIGN_KEY_CHECKS = 1;" + eol);
}

void dmp_database::create_views(const view_list& views) {
  tk_log1(tk_log_detail, "dmp_database::create_views");
  const std::wstring eol = options_.get_wline_end();
  // The server refuses CREATE VIEW while a table lock is held.
  if (engine().lock_tables_open) unlock_tables("dmp_database::create_views - right before unlock tables");

  std::vector<std::wstring> names;
  for (const auto& view : views) names.push_back(view.first);
  sql_new_tn_validator validator({}, names);

  for (const std::size_t i : sql_view_converter::dependency_order(views)) {
    const std::wstring& name = views[i].first;
    const std::wstring& sql = views[i].second;
    tk_log2(tk_log_detail, L"Processing '%ls'", name.c_str());
    tk_log2(tk_log_detail, L"\t'%ls'", sql.c_str());
    const std::wstring refusal = sql_view_converter::view_refusal(sql);
    if (!refusal.empty()) {
      tk_log1(tk_log_detail, "Skip non-select query");
      tk_log2(tk_log_event, L"Query '%ls' does not become a view: %ls", name.c_str(), refusal.c_str());
      continue;
    }
    std::wstring view_name = name;
    if (!validator.is_acceptable(name)) {
      view_name = validator.udb_validator::get_safe_name(name);
      tk_log2(tk_log_detail, L"udb_names_map::add_tn_mapping(%ls,%ls)", name.c_str(), view_name.c_str());
      names_map.add_tn_mapping(name, view_name);
      tk_log2(tk_log_detail, L"Store generated column name '%ls'", view_name.c_str());
      validator.add_existing_name(view_name);
    }
    write(L"CREATE OR REPLACE VIEW " + safe(view_name) + L" AS " + refine_view_in(sql) + eol);
  }
}

std::wstring dmp_database::refine_view_in(const std::wstring& sql) {
  tk_log2(tk_log_detail, L"dmp_database::refine_view_in(%ls)", sql.c_str());
  std::wstring text = sql_view_converter::collapse_blanks(sql);
  text = names_map.do_global_replace1(text, L"`", L"`");
  tk_log2(tk_log_detail, L"After do_global_replace: result=%ls", text.c_str());
  text = sql_view_converter::brackets_to_backticks(text);
  tk_log2(tk_log_detail, L"After replacing []: result=%ls", text.c_str());
  text = sql_view_converter::mysql_view_body(text, [this](const std::wstring& table) {
    return sql_created_columns(created_columns_, table);
  });
  const std::size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.erase(nul);
  return text + L";";
}
