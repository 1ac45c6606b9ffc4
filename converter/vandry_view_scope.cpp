// Leaves out the views whose tables were not converted, as the run does with foreign keys: the
// user chose those tables, so the server's refusal of such a view would be no error of the run.
#include "converter/vandry_view_scope.h"

#include <optional>
#include <vector>

#include "SQL/sql_view_converter.h"
#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"
#include "dao/dao_query_sources.h"

udb_database::view_list vandry_views_in_scope(const udb_database::view_list& views,
                                              const std::function<bool(const std::wstring&)>& converted) {
  const std::size_t n = views.size();
  std::vector<std::optional<std::vector<std::wstring>>> sources(n);
  // A view stays a candidate until one of its sources is known to be missing.
  std::vector<bool> kept(n, true);
  std::vector<bool> checked(n, false);
  for (std::size_t v = 0; v < n; ++v) {
    if (!sql_view_converter::view_refusal(views[v].second).empty()) continue;
    sources[v] = dao_query_sources(views[v].second);
    checked[v] = sources[v].has_value();
  }
  auto made_view = [&](const std::wstring& name, std::size_t self) {
    for (std::size_t w = 0; w < n; ++w) {
      if (w != self && kept[w] && checked[w] && udb_same_name(views[w].first, name)) return true;
    }
    return false;
  };
  // Leaving a view out can strand the views over it, so repeat until nothing changes.
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t v = 0; v < n; ++v) {
      if (!kept[v] || !checked[v]) continue;
      for (const std::wstring& name : *sources[v]) {
        if (converted(name) || made_view(name, v)) continue;
        tk_log2(tk_log_event, L"View '%ls' reads a table or query that was not converted (%ls), skip it",
                views[v].first.c_str(), name.c_str());
        kept[v] = false;
        changed = true;
        break;
      }
    }
  }
  udb_database::view_list in_scope;
  for (std::size_t v = 0; v < n; ++v) {
    if (kept[v]) in_scope.push_back(views[v]);
  }
  return in_scope;
}
