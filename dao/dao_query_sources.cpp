// Walks a parsed Jet SQL statement for the names of the tables and saved queries it reads.
#include "dao/dao_query_sources.h"

#include <exception>

#include "UDB/udb_name_compare.h"
#include "platform/jet/sql/jet_sql_parser.h"

namespace {

class source_walker {
 public:
  std::vector<std::wstring> names;

  void statement(const jet_statement& s) {
    query(s.query);
    expr(s.transform_value);
    expr(s.pivot);
    for (const jet_expr_ptr& e : s.pivot_in) expr(e);
  }

  void query(const jet_query& q) {
    for (const jet_select_core& core : q.parts) {
      for (const jet_table_ref& ref : core.from) table(ref);
      for (const jet_select_item& item : core.items) expr(item.expr);
      expr(core.where);
      for (const jet_expr_ptr& e : core.group_by) expr(e);
      expr(core.having);
    }
    for (const jet_order_item& o : q.order_by) expr(o.expr);
  }

 private:
  void add(const std::wstring& name) {
    for (const std::wstring& n : names) {
      if (udb_same_name(n, name)) return;
    }
    names.push_back(name);
  }

  void table(const jet_table_ref& ref) {
    switch (ref.type) {
      case jet_table_ref::kind::table: add(ref.name); break;
      case jet_table_ref::kind::subquery:
        if (ref.query) query(*ref.query);
        if (ref.crosstab) statement(*ref.crosstab);
        break;
      case jet_table_ref::kind::join:
        if (ref.left) table(*ref.left);
        if (ref.right) table(*ref.right);
        expr(ref.condition);
        break;
    }
  }

  void expr(const jet_expr_ptr& e) {
    if (!e) return;
    for (const jet_expr_ptr& a : e->args) expr(a);
    if (e->query) query(*e->query);
  }
};

}  // namespace

std::optional<std::vector<std::wstring>> dao_query_sources(const std::wstring& sql) {
  try {
    const jet_statement parsed = jet_parse_sql(sql);
    source_walker walker;
    walker.statement(parsed);
    return walker.names;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}
