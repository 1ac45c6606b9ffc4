// Views of a live-server database: made from the source's select queries, and the definitions
// the server reports for existing views cleaned for display and reuse.
#include <memory>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_view_plan.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_validator.h"

std::wstring sql_database::refine_view_in(const std::wstring& sql) {
  tk_log2(tk_log_detail, L"sql_database::refine_view_in(%ls)", sql.c_str());
  return sql_view_body(sql, names_map, created_columns_);
}

std::wstring sql_database::refine_view_out(const std::wstring& definition) {
  tk_log2(tk_log_detail, L"sql_database::refine_view_out(%ls)", definition.c_str());
  std::wstring text = definition;
  const size_t open = text.find(L"/*");
  const size_t close = text.find(L"*/");
  // Only a comment that is closed after it opens is removed.
  if (open != std::wstring::npos && close != std::wstring::npos && close > open) text.erase(open, close - open + 2);
  const std::wstring qualifier = L"`" + name + L"`.";
  for (int pos; (pos = udb_find_no_case(text, qualifier, 0)) >= 0;) {
    tk_log1(tk_log_trace, "Remove template found at pos=%d", pos);
    text.erase(static_cast<size_t>(pos), qualifier.size());
  }
  return text;
}

void sql_database::create_views(const view_list& views_to_make) {
  tk_log1(tk_log_detail, "sql_database::create_views");
  std::unique_ptr<udb_validator> view_names = tk_singleton<sql_engine>::get_instance()->create_tn_validator({}, {});
  const sql_view_plan plan = sql_plan_views(views_to_make, names_map, created_columns_, *view_names);
  for (const sql_view_left_out& left : plan.left_out) {
    tk_log2(tk_log_event, L"Query '%ls' does not become a view: %ls", views_to_make[left.query].first.c_str(),
            left.reason.c_str());
  }
  for (const auto& [query_name, view] : plan.renamed) names_map.add_tn_mapping(query_name, view);
  for (const sql_view_step& step : plan.steps) {
    const std::wstring& view_name = views_to_make[step.query].first;
    try {
      query(step.statement);
    } catch (const tk_exception& e) {
      tk_log1(tk_log_detail, "Error while creating view:\n%s\n", e.what());
      report(tk_unicode_to_utf8(L"View '" + view_name + L"'"), e);
    }
  }
}
