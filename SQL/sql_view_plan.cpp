// The view rules both targets share: which queries become views, in which order, under which
// names, and the text of each.
#include "SQL/sql_view_plan.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_logger.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_validator.h"

std::wstring sql_view_body(const std::wstring& sql, const udb_names_map& names, const sql_table_columns& columns) {
  std::wstring text = sql_view_converter::collapse_blanks(sql);
  text = names.do_global_replace1(text, L"`", L"`");
  tk_log2(tk_log_detail, L"After do_global_replace: result=%ls", text.c_str());
  text = sql_view_converter::brackets_to_backticks(text);
  tk_log2(tk_log_detail, L"After replacing []: result=%ls", text.c_str());
  text = sql_view_converter::mysql_view_body(
      text, [&columns](const std::wstring& table) { return sql_created_columns(columns, table); });
  // A statement ends at a NUL on its way to the server or into a file.
  const std::size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.erase(nul);
  return text + L";";
}

sql_view_plan sql_plan_views(const sql_view_list& queries, const udb_names_map& names, const sql_table_columns& columns,
                             udb_validator& view_names) {
  sql_view_plan plan;
  for (const auto& query : queries) view_names.add_existing_name(query.first);
  // Later views are rewritten with the generated names of earlier ones.
  udb_names_map renamed_names = names;
  for (const std::size_t i : sql_view_converter::dependency_order(queries)) {
    const auto& [name, sql] = queries[i];
    tk_log2(tk_log_detail, L"Processing '%ls'", name.c_str());
    tk_log2(tk_log_detail, L"\t'%ls'", sql.c_str());
    const std::wstring refusal = sql_view_converter::view_refusal(sql);
    if (!refusal.empty()) {
      tk_log1(tk_log_detail, "Skip non-select query");
      plan.left_out.push_back({i, refusal});
      continue;
    }
    std::wstring view = name;
    if (!view_names.is_acceptable(name)) {
      // The server family's own rule: the new one drops blanks at either end, which no
      // numbering could make acceptable.
      view = view_names.get_safe_name(name);
      tk_log2(tk_log_detail, L"udb_names_map::add_tn_mapping(%ls,%ls)", name.c_str(), view.c_str());
      renamed_names.add_tn_mapping(name, view);
      plan.renamed.emplace_back(name, view);
      tk_log2(tk_log_detail, L"Store generated view name '%ls'", view.c_str());
      view_names.add_existing_name(view);
    }
    plan.steps.push_back({i, view,
                          L"CREATE OR REPLACE VIEW " + sql_engine::get_safe_name(view) + L" AS " +
                              sql_view_body(sql, renamed_names, columns)});
  }
  return plan;
}
