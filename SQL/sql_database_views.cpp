// Views of a live-server database: made from the source's select queries, and the definitions
// the server reports for existing views cleaned for display and reuse.
#include <memory>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_validator.h"

std::wstring sql_database::refine_view_in(const std::wstring& sql) {
  tk_log2(tk_log_detail, L"sql_database::refine_view_in(%ls)", sql.c_str());
  std::wstring text = sql_view_converter::collapse_blanks(sql);
  text = names_map.do_global_replace1(text, L"`", L"`");
  tk_log2(tk_log_detail, L"After do_global_replace: result=%ls", text.c_str());
  text = sql_view_converter::brackets_to_backticks(text);
  tk_log2(tk_log_detail, L"After replacing []: result=%ls", text.c_str());
  text = sql_view_converter::mysql_view_body(text, [this](const std::wstring& table) {
    return sql_created_columns(created_columns_, table);
  });
  return text + L";";
}

std::wstring sql_database::refine_view_out(const std::wstring& definition) {
  tk_log2(tk_log_detail, L"sql_database::refine_view_out(%ls)", definition.c_str());
  std::wstring text = definition;
  const size_t open = text.find(L"/*");
  const size_t close = text.find(L"*/");
  // Only a comment that is closed after it opens is removed.
  if (open != std::wstring::npos && close != std::wstring::npos && close > open)
    text.erase(open, close - open + 2);
  const std::wstring qualifier = L"`" + name + L"`.";
  for (int pos; (pos = udb_find_no_case(text, qualifier, 0)) >= 0;) {
    tk_log1(tk_log_trace, "Remove template found at pos=%d", pos);
    text.erase(static_cast<size_t>(pos), qualifier.size());
  }
  return text;
}

void sql_database::create_views(const view_list& views_to_make) {
  tk_log1(tk_log_detail, "sql_database::create_views");
  std::vector<std::wstring> names;
  for (const auto& view : views_to_make) names.push_back(view.first);
  std::unique_ptr<udb_validator> validator =
      tk_singleton<sql_engine>::get_instance()->create_tn_validator({}, names);
  // A view that selects from another view of the list is made after it.
  for (const size_t i : sql_view_converter::dependency_order(views_to_make)) {
    const auto& [view_name, sql] = views_to_make[i];
    try {
      tk_log2(tk_log_detail, L"Processing '%ls'", view_name.c_str());
      tk_log2(tk_log_detail, L"\t'%ls'", sql.c_str());
      const std::wstring refusal = sql_view_converter::view_refusal(sql);
      if (!refusal.empty()) {
        tk_log1(tk_log_detail, "Skip non-select query");
        tk_log2(tk_log_event, L"Query '%ls' does not become a view: %ls", view_name.c_str(), refusal.c_str());
        continue;
      }
      std::wstring target = view_name;
      if (!validator->is_acceptable(view_name)) {
        target = validator->get_safe_name(view_name);
        tk_log2(tk_log_detail, L"udb_names_map::add_tn_mapping(%ls,%ls)", view_name.c_str(), target.c_str());
        names_map.add_tn_mapping(view_name, target);
        tk_log2(tk_log_detail, L"Store generated view name '%ls'", target.c_str());
        validator->add_existing_name(target);
      }
      query(L"CREATE OR REPLACE VIEW " + sql_engine::get_safe_name(target) + L" AS " +
            refine_view_in(sql));
    } catch (const tk_exception& e) {
      tk_log1(tk_log_detail, "Error while creating view:\n%s\n", e.what());
      report(tk_unicode_to_utf8(L"View '" + view_name + L"'"), e);
    }
  }
}
