// The view plan both targets carry out: which saved queries become views, in which order,
// under which names, and with which text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_validators.h"
#include "SQL/sql_view_plan.h"
#include "UDB/udb_names_map.h"

namespace {

struct view_case {
  const char* what;
  bool old_server;
  sql_view_list queries;
  // Each statement, then "left out <n>: <reason>" and "renamed <query> -> <view>" lines.
  std::vector<std::wstring> expected;
};

std::vector<std::wstring> plan_lines(const view_case& c) {
  udb_names_map names;
  names.add_tn_mapping(L"Order Details", L"order_details");
  sql_table_columns columns;
  std::unique_ptr<udb_validator> view_names;
  if (c.old_server)
    view_names = std::make_unique<sql_old_tn_validator>(std::vector<std::wstring>{}, std::vector<std::wstring>{});
  else
    view_names = std::make_unique<sql_new_tn_validator>(std::vector<std::wstring>{}, std::vector<std::wstring>{});
  const sql_view_plan plan = sql_plan_views(c.queries, names, columns, *view_names);
  std::vector<std::wstring> lines;
  for (const sql_view_step& step : plan.steps) lines.push_back(step.statement);
  for (const sql_view_left_out& left : plan.left_out)
    lines.push_back(L"left out " + std::to_wstring(left.query) + L": " + left.reason);
  for (const auto& [query, view] : plan.renamed) lines.push_back(L"renamed " + query + L" -> " + view);
  return lines;
}

TEST(SqlViewPlan, NamesOrderAndLeftOutQueries) {
  const view_case cases[] = {
      {"a blank at either end is dropped, never numbered into a name the server refuses",
       false,
       {{L"Sales ", L"SELECT 1 AS a"}, {L" Sales ", L"SELECT 2 AS a"}},
       {L"CREATE OR REPLACE VIEW `sales` AS SELECT 1 AS a;", L"CREATE OR REPLACE VIEW `sales00000` AS SELECT 2 AS a;",
        L"renamed Sales  -> sales", L"renamed  Sales  -> sales00000"}},
      {"a view comes after the view it reads, which it names by its new name",
       false,
       {{L"Top", L"SELECT * FROM [Sales?]"}, {L"Sales?", L"SELECT [x] FROM [Order Details]"}},
       {L"CREATE OR REPLACE VIEW `sales_` AS SELECT `x` FROM `order_details`;",
        L"CREATE OR REPLACE VIEW `Top` AS SELECT * FROM `sales_`;", L"renamed Sales? -> sales_"}},
      {"queries that cannot be views are left out with the reason, the others kept",
       false,
       {{L"Wipe", L"DELETE FROM t"}, {L"Keep", L"SELECT a FROM t"}},
       {L"CREATE OR REPLACE VIEW `Keep` AS SELECT a FROM t;", L"left out 0: it is an action query"}},
      {"an old server's names: letters, digits and underscores",
       true,
       {{L"Sales View", L"SELECT a FROM t"}},
       {L"CREATE OR REPLACE VIEW `sales_view` AS SELECT a FROM t;", L"renamed Sales View -> sales_view"}},
  };
  for (const view_case& c : cases) EXPECT_EQ(plan_lines(c), c.expected) << c.what;
}

}  // namespace
