// What every database shares: table-name bookkeeping and the operations that need no target.
#include "UDB/udb_database.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_recordset.h"

udb_database::udb_database(const std::wstring& name_, std::uint32_t mode_, bool case_sensitive_)
    : mode(mode_), name(name_), case_sensitive(case_sensitive_) {
  tk_log2(tk_log_detail, L"udb_database::ctor(%ls,%d)", name.c_str(), static_cast<int>(mode));
}

udb_database::~udb_database() { tk_log1(tk_log_detail, "udb_database::dtor"); }

std::unique_ptr<udb_recordset> udb_database::create_table(const std::wstring&, const udb_schema&, const udb_indexes&,
                                                          std::uint32_t) {
  tk_log1(tk_log_detail, "udb_database::create_table(partition)");
  throw tk_mail_assertion("udb_db", 50);
}

void udb_database::create_index(const std::wstring&, std::uint32_t, const udb_index&) {}

void udb_database::create_indexes(const std::wstring& table, std::uint32_t word, const udb_indexes& indexes) {
  tk_log2(tk_log_detail, L"udb_database::create_indexes(%ls)", table.c_str());
  tk_log1(tk_log_trace, "idxs.size=%d", static_cast<int>(indexes.size()));
  for (const auto& index : indexes) create_index(table, word, index);
  tk_log1(tk_log_detail, "udb_database::create_indexes - at the END");
}

void udb_database::create_views(const view_list&) {}
void udb_database::delete_fk(const udb_relationship&) {}
void udb_database::delete_idx(const std::wstring&, const udb_index&) {}
void udb_database::create_relationships(const udb_relationships&) {}
void udb_database::close() {}
void udb_database::clear_names(std::vector<std::wstring>& names) { names.clear(); }

void udb_database::report(const std::string& context, const tk_exception& error) {
  if (report_error) {
    report_error(context, error);
  } else {
    tk_log1(tk_log_event, "%s: %s", context.c_str(), error.what());
  }
}

bool udb_database::same_table(const std::wstring& a, const std::wstring& b) const {
  return case_sensitive ? a == b : udb_same_name(a, b);
}

bool udb_database::delete_tab(const std::wstring& table) {
  tk_log2(tk_log_detail, L"udb_database::delete_tab(%ls)", table.c_str());
  for (auto it = table_names.begin(); it != table_names.end(); ++it) {
    if (same_table(*it, table)) {
      table_names.erase(it);
      return true;
    }
  }
  tk_log1(tk_log_detail, "Table not found!");
  return false;
}

void udb_database::empty_table(const std::wstring& table) {
  tk_log2(tk_log_detail, L"udb_database::empty_table(%ls)", table.c_str());
  query(L"delete from " + table);
}

std::unique_ptr<udb_recordset> udb_database::query(const std::wstring&) { throw tk_mail_assertion("udb_db", 111); }

bool udb_database::is_table_exist(const std::wstring& table) {
  tk_log2(tk_log_detail, L"udb_database::is_table_exist(%ls,case_sensitive=%d)", table.c_str(), case_sensitive ? 1 : 0);
  if (table_names.empty()) tk_log1(tk_log_detail, "Tables list is EMPTY!");
  for (const auto& existing : table_names) {
    tk_log2(tk_log_detail, L"Compare with %ls", existing.c_str());
    if (same_table(existing, table)) {
      tk_log1(tk_log_trace, "table exists");
      return true;
    }
  }
  tk_log1(tk_log_trace, "table not found");
  return false;
}

void udb_database::add_tn_mapping(const std::wstring& source_table, const std::wstring& target_table) {
  tk_log2(tk_log_trace, L"udb_database::add_tn_mapping(%ls->%ls)", source_table.c_str(), target_table.c_str());
  names_map.add_tn_mapping(source_table, target_table);
}
