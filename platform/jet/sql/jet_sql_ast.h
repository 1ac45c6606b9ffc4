// The parsed form of a Jet SQL statement: what the parser builds and the translator reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct jet_query;
struct jet_statement;

struct jet_expr {
  enum class kind {
    null_literal,
    integer_literal,  // integer
    real_literal,     // real
    text_literal,     // text
    date_literal,     // real: the OLE date
    bool_literal,     // integer: -1 or 0
    column,           // parts: qualifier(s) and name ("a.b", "a!b", "[a].[b]")
    unary,            // op ("-", "+", "not"), args[0]
    binary,           // op ("+", "-", "*", "/", "\\", "mod", "^", "&", "=", "<>", "<", "<=", ">", ">=",
                      //     "and", "or", "xor", "eqv", "imp"), args[0], args[1]
    call,             // name, args; star for Count(*)
    is_null,          // args[0]; negated
    between,          // args[0..2]; negated
    in_list,          // args[0] and the list; negated
    in_query,         // args[0], query; negated
    like,             // args[0], args[1]; negated
    exists,           // query
    subquery,         // query: a scalar subquery
    quantified,       // op (comparison), name ("any", "all"), args[0], query
  };
  kind type = kind::null_literal;
  std::wstring op;
  std::wstring name;
  std::vector<std::wstring> parts;
  std::int64_t integer = 0;
  double real = 0;
  std::wstring text;
  bool negated = false;
  bool star = false;
  std::vector<std::shared_ptr<jet_expr>> args;
  std::shared_ptr<jet_query> query;
  std::wstring source;  // the statement text this expression was read from, for error messages
};
using jet_expr_ptr = std::shared_ptr<jet_expr>;

struct jet_table_ref {
  enum class kind { table, subquery, join };
  kind type = kind::table;
  std::wstring name;   // table or saved query
  std::wstring alias;  // empty: none
  std::shared_ptr<jet_query> query;
  std::shared_ptr<jet_statement> crosstab;  // a subquery that is a TRANSFORM statement
  // A join: left JOIN right ON condition.
  enum class join_kind { inner, left, right };
  join_kind join = join_kind::inner;
  std::shared_ptr<jet_table_ref> left, right;
  jet_expr_ptr condition;
};

struct jet_select_item {
  jet_expr_ptr expr;  // null for a star
  std::wstring alias;
  bool star = false;
  std::wstring qualifier;  // "t" of "t.*"; empty for "*"
};

struct jet_order_item {
  jet_expr_ptr expr;
  bool descending = false;
};

struct jet_select_core {
  enum class distinct_kind { all, distinct, distinct_row };
  distinct_kind distinct = distinct_kind::all;
  bool top = false;
  double top_count = 0;
  bool top_percent = false;
  std::vector<jet_select_item> items;
  std::wstring into;  // a make-table query's target
  std::vector<jet_table_ref> from;
  jet_expr_ptr where;
  std::vector<jet_expr_ptr> group_by;
  jet_expr_ptr having;
};

// One SELECT, or several joined by UNION; the ORDER BY applies to the whole.
struct jet_query {
  std::vector<jet_select_core> parts;
  std::vector<bool> union_all;  // between part i and i + 1
  std::vector<jet_order_item> order_by;
};

struct jet_statement {
  enum class kind { select, transform, action };
  kind type = kind::select;
  std::vector<std::wstring> parameters;  // PARAMETERS names
  jet_query query;
  jet_expr_ptr transform_value;
  std::wstring transform_alias;
  jet_expr_ptr pivot;
  std::vector<jet_expr_ptr> pivot_in;
};
