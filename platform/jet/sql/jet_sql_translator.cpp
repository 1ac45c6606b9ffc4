// Jet to SQLite. Every value keeps Jet's meaning: booleans are -1/0, text compares through the
// JETTEXT collation, & and + follow Jet's Null rules, dates are OLE date numbers.
#include "platform/jet/sql/jet_sql_translator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_sql_error.h"
#include "platform/jet/sql/jet_sql_functions.h"
#include "platform/jet/sql/jet_sql_parser.h"
#include "platform/jet/sql/jet_sql_text.h"

namespace {

constexpr int unknown_type = 0;  // Null or a value whose type only shows at run time

bool is_text(int t) { return t == jet_type_text || t == jet_type_memo || t == jet_type_guid; }
bool is_numeric(int t) {
  return t == jet_type_boolean || t == jet_type_byte || t == jet_type_integer || t == jet_type_long ||
         t == jet_type_big_int || t == jet_type_currency || t == jet_type_single || t == jet_type_double ||
         t == jet_type_decimal;
}

int numeric_rank(int t) {
  switch (t) {
    case jet_type_boolean:
    case jet_type_byte: return 1;
    case jet_type_integer: return 2;
    case jet_type_long: return 3;
    case jet_type_big_int: return 4;
    case jet_type_currency: return 5;
    case jet_type_single: return 6;
    case jet_type_decimal: return 7;
    default: return 8;  // double
  }
}

// The type of a value that may come from either of two expressions (IIf, Nz, UNION).
int unify(int a, int b) {
  if (a == unknown_type) return b;
  if (b == unknown_type || a == b) return a;
  if (is_text(a) || is_text(b)) return (a == jet_type_memo || b == jet_type_memo) ? jet_type_memo : jet_type_text;
  if (a == jet_type_date || b == jet_type_date) return jet_type_date;
  if (is_numeric(a) && is_numeric(b)) {
    if ((a == jet_type_currency && numeric_rank(b) > 5) || (b == jet_type_currency && numeric_rank(a) > 5))
      return jet_type_double;
    return numeric_rank(a) >= numeric_rank(b) ? a : b;
  }
  return jet_type_text;
}

// The type of a + - * result.
int arithmetic(int a, int b, const std::wstring& op) {
  if (op == L"+" && is_text(a) && is_text(b)) return jet_type_text;
  if (a == jet_type_date || b == jet_type_date) {
    if (op == L"-" && a == jet_type_date && b == jet_type_date) return jet_type_double;
    if (op == L"+" || op == L"-") return jet_type_date;
    return jet_type_double;
  }
  if (a == unknown_type || b == unknown_type) return a == unknown_type ? (b == unknown_type ? jet_type_double : b) : a;
  if (!is_numeric(a) || !is_numeric(b)) return jet_type_double;
  int r = numeric_rank(a) >= numeric_rank(b) ? a : b;
  if (r == jet_type_currency) return jet_type_currency;
  if (numeric_rank(r) > 5) return (a == jet_type_single && b == jet_type_single) ? jet_type_single : jet_type_double;
  return r == jet_type_big_int ? jet_type_big_int : jet_type_long;
}

std::string quote_name(const std::wstring& name) {
  std::string u = jet_to_utf8(name), out = "\"";
  for (char c : u) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string quote_text(const std::wstring& text) {
  std::string u = jet_to_utf8(text), out = "'";
  for (char c : u) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string real_literal(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  std::string s = buf;
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

bool same(const std::wstring& a, const std::wstring& b) { return jet_compare_text(a, b) == 0; }

// A translated expression. A predicate's SQL is SQLite's 0/1 truth value, which stays as it is
// where a condition is wanted (so the planner sees plain comparisons) and becomes Jet's -1/0
// where a value is.
struct typed {
  std::string sql;
  int type = unknown_type;
  bool predicate = false;
};

typed predicate(std::string sql) { return {std::move(sql), jet_type_boolean, true}; }

struct source {
  std::wstring alias;
  std::vector<jet_sql_column> columns;
  std::string row_id;  // the SQL of the row's identity within its table; empty for a query
};

struct scope {
  std::vector<source> sources;
  scope* outer = nullptr;
  // Select-list aliases, which other expressions of the same SELECT may name.
  std::vector<std::pair<std::wstring, jet_expr_ptr>> aliases;
  std::vector<std::wstring> expanding;  // aliases being inlined, against cycles
  std::set<size_t> used_sources;        // sources the select list reads (DISTINCTROW)
  bool aggregate = false;
};

class translator {
 public:
  explicit translator(const jet_translator_services& services) : services_(services) {}

  jet_translation statement(const jet_statement& st) {
    for (const auto& p : st.parameters) add_parameter(p);
    if (st.type == jet_statement::kind::action) jet_sql_raise(jet_err_invalid_operation, L"Invalid operation.");
    jet_translation out = st.type == jet_statement::kind::transform ? transform(st) : query(st.query, nullptr);
    if (!parameters_.empty())
      jet_sql_raise(jet_err_too_few_parameters,
                    L"Too few parameters. Expected " + std::to_wstring(parameters_.size()) + L".");
    out.sql = with_ctes(out.sql);
    return out;
  }

  std::vector<std::string> ctes_;                    // "name AS MATERIALIZED (...)"
  std::map<std::string, std::string> materialized_;  // virtual table -> its temporary copy

  std::string materialized(const std::string& table) {
    auto found = materialized_.find(table);
    if (found != materialized_.end()) return found->second;
    std::string name = "jet_m" + std::to_string(ctes_.size());
    ctes_.push_back(name + " AS MATERIALIZED (SELECT rowid AS \"jet__rowid\", * FROM " + table + ")");
    materialized_[table] = name;
    return name;
  }

  std::string with_ctes(const std::string& sql) const {
    if (ctes_.empty()) return sql;
    std::string out = "WITH ";
    for (size_t i = 0; i < ctes_.size(); ++i) out += (i ? ", " : "") + ctes_[i];
    return out + " " + sql;
  }

 private:
  const jet_translator_services& services_;
  std::vector<std::wstring> parameters_;
  std::vector<std::wstring> query_stack_;  // saved queries being expanded, against cycles
  int derived_counter_ = 0;
  std::string pivot_condition_;  // set while translating a crosstab's value per pivot column

  void add_parameter(const std::wstring& name) {
    for (const auto& p : parameters_)
      if (same(p, name)) return;
    parameters_.push_back(name);
  }

  // ---- queries -----------------------------------------------------------------------------

  jet_translation query(const jet_query& q, scope* outer) {
    if (q.parts.size() == 1) return select(q.parts.front(), outer, &q.order_by);
    jet_translation out;
    for (size_t i = 0; i < q.parts.size(); ++i) {
      jet_translation part = select(q.parts[i], outer, nullptr);
      if (i == 0) {
        out.columns = part.columns;
      } else {
        if (part.columns.size() != out.columns.size())
          jet_sql_raise(jet_err_union_columns,
                        L"The number of columns in the two selected tables or queries of a union query do not match.");
        for (size_t c = 0; c < out.columns.size(); ++c)
          out.columns[c].type = unify(out.columns[c].type, part.columns[c].type);
        out.sql += q.union_all[i - 1] ? " UNION ALL " : " UNION ";
      }
      // A part with its own LIMIT or ORDER BY must stand in a subquery of its own.
      out.sql += "SELECT * FROM (" + part.sql + ")";
    }
    if (!q.order_by.empty()) {
      out.sql += " ORDER BY ";
      for (size_t i = 0; i < q.order_by.size(); ++i) {
        if (i) out.sql += ", ";
        size_t position = union_order_position(*q.order_by[i].expr, out.columns);
        out.sql += std::to_string(position + 1);
        if (is_text(out.columns[position].type)) out.sql += " COLLATE JETTEXT";
        if (q.order_by[i].descending) out.sql += " DESC";
      }
    }
    return out;
  }

  // A union sorts by the names of its first SELECT's columns.
  size_t union_order_position(const jet_expr& e, const std::vector<jet_sql_column>& columns) {
    if (e.type == jet_expr::kind::column) {
      for (size_t i = 0; i < columns.size(); ++i)
        if (same(columns[i].name, e.parts.back())) return i;
      std::wstring full;
      for (const auto& p : e.parts) full += (full.empty() ? L"" : L".") + p;
      for (size_t i = 0; i < columns.size(); ++i)
        if (same(columns[i].name, full)) return i;
    }
    if (e.type == jet_expr::kind::integer_literal && e.integer >= 1 &&
        e.integer <= static_cast<long long>(columns.size()))
      return static_cast<size_t>(e.integer - 1);
    jet_sql_raise(jet_err_syntax_order_by, L"Syntax error in ORDER BY clause.");
  }

  struct select_item {
    typed value;
    std::wstring name;
    std::wstring qualifier;  // for a column reference: its source, to tell duplicates apart
  };

  std::string from_clause(const jet_select_core& core, scope& sc) {
    std::string out;
    for (size_t i = 0; i < core.from.size(); ++i) {
      if (i) out += ", ";
      out += table_ref(core.from[i], sc, core.from.size() > 1);
    }
    return out;
  }

  // The select list with stars expanded and Jet's column names.
  std::vector<select_item> items(const jet_select_core& core, scope& sc) {
    std::vector<select_item> out;
    int expr_counter = 1000;
    for (const auto& item : core.items) {
      if (item.star) {
        bool found = false;
        for (size_t s = 0; s < sc.sources.size(); ++s) {
          const source& src = sc.sources[s];
          if (!item.qualifier.empty() && !same(src.alias, item.qualifier)) continue;
          found = true;
          sc.used_sources.insert(s);
          for (const auto& c : src.columns)
            out.push_back({{quote_name(src.alias) + "." + quote_name(c.name), c.type}, c.name, src.alias});
        }
        if (!found && !item.qualifier.empty()) add_parameter(item.qualifier + L".*");
        continue;
      }
      select_item si;
      tracking_ = &sc;
      si.value = expr(*item.expr, sc);
      tracking_ = nullptr;
      if (!item.alias.empty()) {
        si.name = item.alias;
      } else if (item.expr->type == jet_expr::kind::column && last_column_.size()) {
        si.name = last_column_;
        si.qualifier = last_qualifier_;
      } else {
        si.name = L"Expr" + std::to_wstring(expr_counter++);
      }
      out.push_back(std::move(si));
    }
    // Two columns of one name: Jet names both by their table ("Customers.CompanyName").
    std::vector<bool> duplicate(out.size(), false);
    for (size_t i = 0; i < out.size(); ++i)
      for (size_t j = 0; j < out.size(); ++j)
        if (j != i && !out[i].qualifier.empty() && same(out[i].name, out[j].name)) duplicate[i] = true;
    for (size_t i = 0; i < out.size(); ++i)
      if (duplicate[i]) out[i].name = out[i].qualifier + L"." + out[i].name;
    return out;
  }

  jet_translation select(const jet_select_core& core, scope* outer, const std::vector<jet_order_item>* order_by) {
    scope sc;
    sc.outer = outer;
    std::string from = from_clause(core, sc);
    for (const auto& item : core.items)
      if (!item.star && !item.alias.empty()) sc.aliases.emplace_back(item.alias, item.expr);

    std::vector<select_item> list = items(core, sc);
    std::string where = where_clause(core, sc);
    std::vector<std::string> group;
    for (const auto& g : core.group_by) {
      typed t = expr(*g, sc);
      group.push_back(is_text(t.type) ? t.sql + " COLLATE JETTEXT" : t.sql);
    }
    std::string having = core.having ? condition(*core.having, sc) : "";
    std::vector<std::string> order;
    if (order_by)
      for (const auto& o : *order_by) {
        typed t = expr(*o.expr, sc);
        order.push_back((is_text(t.type) ? t.sql + " COLLATE JETTEXT" : t.sql) + (o.descending ? " DESC" : ""));
      }
    bool aggregate = sc.aggregate || !group.empty();

    // DISTINCTROW keeps one row per combination of the records whose fields are shown: it only
    // differs from ALL when the shown fields come from some of the joined tables only.
    std::vector<std::string> row_keys;
    if (core.distinct == jet_select_core::distinct_kind::distinct_row && !aggregate && sc.sources.size() > 1 &&
        sc.used_sources.size() < sc.sources.size()) {
      for (size_t s : sc.used_sources) {
        if (sc.sources[s].row_id.empty()) {
          row_keys.clear();
          break;
        }
        row_keys.push_back(quote_name(sc.sources[s].alias) + "." + sc.sources[s].row_id);
      }
    }

    jet_translation out;
    std::string columns;
    for (size_t i = 0; i < list.size(); ++i) {
      if (i) columns += ", ";
      std::string value = list[i].value.sql;
      if (core.distinct == jet_select_core::distinct_kind::distinct && is_text(list[i].value.type))
        value += " COLLATE JETTEXT";
      columns += value + " AS " + quote_name(list[i].name);
      out.columns.push_back({list[i].name, result_type(list[i].value.type)});
    }
    if (list.empty()) columns = "NULL";
    std::string body =
        std::string(core.distinct == jet_select_core::distinct_kind::distinct ? "SELECT DISTINCT " : "SELECT ") +
        columns;
    std::string tail;
    if (!from.empty()) tail += " FROM " + from;
    if (!where.empty()) tail += " WHERE " + where;
    if (!group.empty()) {
      tail += " GROUP BY ";
      for (size_t i = 0; i < group.size(); ++i) tail += (i ? ", " : "") + group[i];
    } else if (!row_keys.empty()) {
      tail += " GROUP BY ";
      for (size_t i = 0; i < row_keys.size(); ++i) tail += (i ? ", " : "") + row_keys[i];
    }
    if (!having.empty()) tail += " HAVING " + having;
    std::string order_sql;
    for (size_t i = 0; i < order.size(); ++i) order_sql += (i ? ", " : "") + order[i];

    if (!core.top) {
      out.sql = body + tail + (order_sql.empty() ? "" : " ORDER BY " + order_sql);
      return out;
    }
    if (order_sql.empty() || core.distinct == jet_select_core::distinct_kind::distinct) {
      if (!core.top_percent) {
        out.sql = body + tail + (order_sql.empty() ? "" : " ORDER BY " + order_sql) + " LIMIT " +
                  std::to_string(static_cast<long long>(core.top_count));
        return out;
      }
    }
    // TOP n returns the rows ranked n or better, ties at the boundary included, as Jet does.
    std::string rank = order_sql.empty() ? "ROW_NUMBER() OVER ()" : "RANK() OVER (ORDER BY " + order_sql + ")";
    // The share of TOP n PERCENT rounds up (without SQLite's optional math functions).
    std::string share = "(" + real_literal(core.top_count) + " * \"jet__count\" / 100.0)";
    std::string limit = core.top_percent
                            ? "(CAST(" + share + " AS INTEGER) + (" + share + " > CAST(" + share + " AS INTEGER)))"
                            : std::to_string(static_cast<long long>(core.top_count));
    std::string names;
    for (size_t i = 0; i < list.size(); ++i) names += (i ? ", " : "") + quote_name(list[i].name);
    out.sql = "SELECT " + names + " FROM (" + body + ", " + rank +
              " AS \"jet__rank\", COUNT(*) OVER () AS \"jet__count\"" + tail + ") WHERE \"jet__rank\" <= " + limit +
              " ORDER BY \"jet__rank\"";
    return out;
  }

  // WHERE filters rows before they are grouped: an aggregate there is an error, as in Jet.
  std::string where_clause(const jet_select_core& core, scope& sc) {
    if (!core.where) return "";
    bool aggregate = sc.aggregate;
    sc.aggregate = false;
    std::string sql = condition(*core.where, sc);
    if (sc.aggregate)
      jet_sql_raise(jet_err_aggregate_in_where,
                    L"Cannot have aggregate function in WHERE clause (" + core.where->source + L").");
    sc.aggregate = aggregate;
    return sql;
  }

  static int result_type(int t) { return t == unknown_type ? jet_type_text : t; }

  std::string table_ref(const jet_table_ref& ref, scope& sc, bool joined) {
    switch (ref.type) {
      case jet_table_ref::kind::join: {
        std::string left = table_ref(*ref.left, sc, true);
        std::string right = table_ref(*ref.right, sc, true);
        const char* kind = ref.join == jet_table_ref::join_kind::left    ? " LEFT JOIN "
                           : ref.join == jet_table_ref::join_kind::right ? " RIGHT JOIN "
                                                                         : " INNER JOIN ";
        return "(" + left + kind + right + " ON " + condition(*ref.condition, sc) + ")";
      }
      case jet_table_ref::kind::subquery: {
        jet_translation t = ref.crosstab ? transform(*ref.crosstab) : query(*ref.query, nullptr);
        std::wstring alias = ref.alias.empty() ? L"Query" + std::to_wstring(++derived_counter_) : ref.alias;
        sc.sources.push_back({alias, t.columns, ""});
        return "(" + t.sql + ") AS " + quote_name(alias);
      }
      case jet_table_ref::kind::table: break;
    }
    if (jet_sql_table* table = services_.catalog->find_table(ref.name)) {
      std::wstring alias = ref.alias.empty() ? services_.catalog->stored_name(ref.name) : ref.alias;
      std::string name = services_.table_name(table);
      // A table that cannot look rows up by key is read once into a temporary table where it
      // is joined or searched per outer row, so SQLite can index it instead of rescanning it.
      if (!table->supports_seek() && (joined || sc.outer)) {
        sc.sources.push_back({alias, table->columns(), "\"jet__rowid\""});
        return materialized(name) + " AS " + quote_name(alias);
      }
      sc.sources.push_back({alias, table->columns(), "rowid"});
      return name + " AS " + quote_name(alias);
    }
    if (auto text = services_.catalog->find_query(ref.name)) {
      for (const auto& q : query_stack_)
        if (same(q, ref.name))
          jet_sql_raise(jet_err_circular_reference, L"Circular reference caused by '" + ref.name + L"'.");
      query_stack_.push_back(ref.name);
      jet_statement nested = jet_parse_sql(*text);
      for (const auto& p : nested.parameters) add_parameter(p);
      if (nested.type == jet_statement::kind::action) jet_sql_raise(jet_err_invalid_operation, L"Invalid operation.");
      jet_translation t =
          nested.type == jet_statement::kind::transform ? transform(nested) : query(nested.query, nullptr);
      query_stack_.pop_back();
      std::wstring alias = ref.alias.empty() ? services_.catalog->stored_name(ref.name) : ref.alias;
      sc.sources.push_back({alias, t.columns, ""});
      return "(" + t.sql + ") AS " + quote_name(alias);
    }
    jet_sql_raise(jet_err_no_input_table, L"The database engine cannot find the input table or query '" + ref.name +
                                              L"'. Make sure it exists and that its name is spelled correctly.");
  }

  // ---- crosstab ----------------------------------------------------------------------------

  jet_translation transform(const jet_statement& st) {
    if (st.query.parts.size() != 1) jet_sql_raise(jet_err_syntax_statement, L"Syntax error in TRANSFORM statement.");
    const jet_select_core& core = st.query.parts.front();
    scope sc;
    std::string from = from_clause(core, sc);
    std::vector<select_item> row_heads = items(core, sc);
    std::string where = where_clause(core, sc);
    typed pivot = expr(*st.pivot, sc);
    std::string pivot_sql = is_text(pivot.type) ? pivot.sql + " COLLATE JETTEXT" : pivot.sql;
    std::string tail = from.empty() ? "" : " FROM " + from;
    if (!where.empty()) tail += " WHERE " + where;

    // The pivot columns: the IN list, or every value the rows hold, in order.
    std::vector<jet_sql_value> values;
    if (!st.pivot_in.empty()) {
      for (const auto& e : st.pivot_in) {
        typed t = expr(*e, sc);
        auto one = services_.first_column(with_ctes("SELECT " + t.sql), t.type);
        values.push_back(one.empty() ? jet_sql_value::null() : one.front());
      }
    } else {
      values = services_.first_column(with_ctes("SELECT DISTINCT " + pivot_sql + tail + " ORDER BY 1"), pivot.type);
    }

    jet_translation out;
    std::string columns;
    for (const auto& h : row_heads) {
      columns += (columns.empty() ? "" : ", ") + h.value.sql + " AS " + quote_name(h.name);
      out.columns.push_back({h.name, result_type(h.value.type)});
    }
    for (const auto& v : values) {
      std::wstring name;
      std::string literal;
      switch (v.type) {
        case jet_sql_value::kind::null: name = L"<>"; break;
        case jet_sql_value::kind::text:
          name = v.text;
          literal = quote_text(v.text);
          break;
        case jet_sql_value::kind::date:
          name = jet_date_text(v.real);
          literal = real_literal(v.real);
          break;
        case jet_sql_value::kind::real:
          name = jet_number_text(v.real);
          literal = real_literal(v.real);
          break;
        case jet_sql_value::kind::currency:
          name = jet_currency_text(v.integer);
          literal = real_literal(static_cast<double>(v.integer) / 10000.0);
          break;
        case jet_sql_value::kind::boolean:
          name = v.integer ? L"True" : L"False";
          literal = std::to_string(v.integer);
          break;
        default:
          name = std::to_wstring(v.integer);
          literal = std::to_string(v.integer);
          break;
      }
      pivot_condition_ = v.is_null() ? "(" + pivot.sql + ") IS NULL" : "(" + pivot_sql + ") = " + literal;
      typed value = expr(*st.transform_value, sc);
      pivot_condition_.clear();
      columns += (columns.empty() ? "" : ", ") + value.sql + " AS " + quote_name(name);
      out.columns.push_back({name, result_type(value.type)});
    }
    std::vector<std::string> group;
    for (const auto& g : core.group_by) {
      typed t = expr(*g, sc);
      group.push_back(is_text(t.type) ? t.sql + " COLLATE JETTEXT" : t.sql);
    }
    std::string sql = "SELECT " + (columns.empty() ? std::string("NULL") : columns) + tail;
    std::string group_sql;
    for (size_t i = 0; i < group.size(); ++i) group_sql += (i ? ", " : "") + group[i];
    if (!group_sql.empty()) sql += " GROUP BY " + group_sql;
    if (core.having) sql += " HAVING " + condition(*core.having, sc);
    std::string order;
    for (const auto& o : st.query.order_by) {
      typed t = expr(*o.expr, sc);
      order += (order.empty() ? "" : ", ") + (is_text(t.type) ? t.sql + " COLLATE JETTEXT" : t.sql) +
               (o.descending ? " DESC" : "");
    }
    if (order.empty()) order = group_sql;  // a crosstab lists its rows in the order of their headings
    if (!order.empty()) sql += " ORDER BY " + order;
    out.sql = sql;
    return out;
  }

  // ---- expressions ---------------------------------------------------------------------------

  scope* tracking_ = nullptr;  // the scope whose select list is being read
  std::wstring last_column_, last_qualifier_;

  typed column(const jet_expr& e, scope& sc) {
    last_column_.clear();
    last_qualifier_.clear();
    const std::wstring& name = e.parts.back();
    if (e.parts.size() >= 2) {
      const std::wstring& qualifier = e.parts[e.parts.size() - 2];
      for (scope* s = &sc; s; s = s->outer)
        for (size_t i = 0; i < s->sources.size(); ++i) {
          const source& src = s->sources[i];
          if (!same(src.alias, qualifier)) continue;
          for (const auto& c : src.columns)
            if (same(c.name, name)) {
              if (s == tracking_) tracking_->used_sources.insert(i);
              last_column_ = c.name;
              last_qualifier_ = src.alias;
              return {quote_name(src.alias) + "." + quote_name(c.name), c.type};
            }
        }
      std::wstring full;
      for (const auto& p : e.parts) full += (full.empty() ? L"" : L"!") + p;
      add_parameter(full);
      return {"NULL", unknown_type};
    }
    for (scope* s = &sc; s; s = s->outer) {
      const source* found = nullptr;
      const jet_sql_column* found_column = nullptr;
      size_t found_index = 0;
      for (size_t i = 0; i < s->sources.size(); ++i)
        for (const auto& c : s->sources[i].columns)
          if (same(c.name, name)) {
            if (found)
              jet_sql_raise(jet_err_ambiguous_field,
                            L"The specified field '" + name +
                                L"' could refer to more than one table listed in the FROM clause "
                                L"of your SQL statement.");
            found = &s->sources[i];
            found_column = &c;
            found_index = i;
          }
      if (found) {
        if (s == tracking_) tracking_->used_sources.insert(found_index);
        last_column_ = found_column->name;
        last_qualifier_ = found->alias;
        return {quote_name(found->alias) + "." + quote_name(found_column->name), found_column->type};
      }
      // A name of the select list stands for its expression.
      for (const auto& [alias, aliased] : s->aliases) {
        if (!same(alias, name)) continue;
        if (std::any_of(s->expanding.begin(), s->expanding.end(), [&](const std::wstring& a) { return same(a, name); }))
          jet_sql_raise(jet_err_circular_reference,
                        L"Circular reference caused by alias '" + name + L"' in query definition's SELECT list.");
        s->expanding.push_back(name);
        typed t = expr(*aliased, *s);
        s->expanding.pop_back();
        last_column_.clear();
        return {"(" + t.sql + ")", t.type};
      }
    }
    add_parameter(name);
    return {"NULL", unknown_type};
  }

  // The text of a value for & and CStr: dates and booleans need their type to print right.
  static std::string as_text(const typed& t) {
    if (t.type == jet_type_date || t.type == jet_type_boolean)
      return "jet_cstr(" + t.sql + ", " + std::to_string(t.type) + ")";
    return t.sql;
  }

  static std::string collate(const typed& t) { return is_text(t.type) ? " COLLATE JETTEXT" : ""; }

  // A text compared with a date is read as a date.
  static void align_dates(typed& a, typed& b) {
    if (a.type == jet_type_date && is_text(b.type)) b = {"jet_cdate(" + b.sql + ")", jet_type_date};
    if (b.type == jet_type_date && is_text(a.type)) a = {"jet_cdate(" + a.sql + ")", jet_type_date};
  }

  typed binary(const jet_expr& e, scope& sc) {
    const std::wstring& op = e.op;
    if (op == L"and" || op == L"or") {
      std::string a = condition(*e.args[0], sc), b = condition(*e.args[1], sc);
      return predicate("(" + a + (op == L"and" ? " AND " : " OR ") + b + ")");
    }
    typed a = expr(*e.args[0], sc), b = expr(*e.args[1], sc);
    auto call2 = [&](const char* fn, int type) {
      return typed{std::string(fn) + "(" + a.sql + ", " + b.sql + ")", type};
    };
    if (op == L"&")
      return {"jet_concat(" + as_text(a) + ", " + as_text(b) + ")",
              (a.type == jet_type_memo || b.type == jet_type_memo) ? jet_type_memo : jet_type_text};
    if (op == L"+") {
      if ((is_numeric(a.type) || a.type == jet_type_date) && (is_numeric(b.type) || b.type == jet_type_date))
        return {"(" + a.sql + " + " + b.sql + ")", arithmetic(a.type, b.type, op)};
      return call2("jet_plus", arithmetic(a.type, b.type, op));
    }
    if (op == L"-" || op == L"*")
      return {"(" + a.sql + " " + jet_to_utf8(op) + " " + b.sql + ")", arithmetic(a.type, b.type, op)};
    if (op == L"/") {
      int t = a.type == jet_type_currency && numeric_rank(b.type) <= 5 ? jet_type_currency : jet_type_double;
      return call2("jet_divide", t);
    }
    if (op == L"\\") return call2("jet_intdiv", jet_type_long);
    if (op == L"mod") return call2("jet_mod", jet_type_long);
    if (op == L"^") return call2("jet_power", jet_type_double);
    if (op == L"xor") return predicate("((" + a.sql + " <> 0) <> (" + b.sql + " <> 0))");
    if (op == L"eqv") return predicate("((" + a.sql + " <> 0) = (" + b.sql + " <> 0))");
    if (op == L"imp") return predicate("((NOT " + a.sql + ") OR " + b.sql + ")");
    // Comparisons.
    align_dates(a, b);
    std::string sql_op = op == L"<>" ? "<>" : jet_to_utf8(op);
    std::string coll = is_text(a.type) || is_text(b.type) ? " COLLATE JETTEXT" : "";
    return predicate("(" + a.sql + " " + sql_op + " " + b.sql + coll + ")");
  }

  typed call(const jet_expr& e, scope& sc) {
    const jet_function_info* f = jet_find_function(e.name);
    if (!f) jet_sql_raise(jet_err_undefined_function, L"Undefined function '" + e.name + L"' in expression.");
    int argc = static_cast<int>(e.args.size());
    bool star_count = e.star && same(e.name, L"Count");
    if (!star_count && (argc < f->min_args || argc > f->max_args || e.star))
      jet_sql_raise(jet_err_syntax_expression,
                    L"Wrong number of arguments used with function in query expression '" + e.source + L"'.");
    if (f->aggregate) {
      sc.aggregate = true;
      if (star_count) {
        if (!pivot_condition_.empty()) return {"count(CASE WHEN " + pivot_condition_ + " THEN 1 END)", jet_type_long};
        return {"count(*)", jet_type_long};
      }
      // An aggregate inside an aggregate's argument reads the rows, not the groups.
      std::string saved = pivot_condition_;
      typed arg = expr(*e.args[0], sc);
      pivot_condition_ = saved;
      std::string value = arg.sql + collate(arg);
      if (!pivot_condition_.empty())
        value = "CASE WHEN " + pivot_condition_ + " THEN " + arg.sql + " END" + collate(arg);
      int type = f->result;
      if (type == jet_result_like_arg0)
        type = arg.type;
      else if (type == jet_result_sum)
        type = arg.type == jet_type_currency                               ? jet_type_currency
               : (numeric_rank(arg.type) <= 3 && arg.type != unknown_type) ? jet_type_long
                                                                           : jet_type_double;
      else if (type == jet_result_avg)
        type = arg.type == jet_type_currency ? jet_type_currency : jet_type_double;
      return {std::string(f->sqlite_name) + "(" + value + ")", type};
    }
    std::vector<typed> args;
    for (const auto& a : e.args) args.push_back(expr(*a, sc));
    if (same(e.name, L"IIf")) {
      int type = args[1].sql == "NULL"   ? args[2].type
                 : args[2].sql == "NULL" ? args[1].type
                                         : unify(args[1].type, args[2].type);
      return {"(CASE WHEN " + condition(*e.args[0], sc) + " THEN " + args[1].sql + " ELSE " + args[2].sql + " END)",
              type};
    }
    std::string sql = std::string(f->sqlite_name) + "(";
    for (size_t i = 0; i < args.size(); ++i) {
      if (i) sql += ", ";
      // Text functions read dates and booleans as CStr prints them.
      bool text_function = f->result == jet_type_text || f->result == jet_type_long;
      sql += text_function && i == 0 && !same(e.name, L"Format") && !same(e.name, L"CStr") ? as_text(args[i])
                                                                                           : args[i].sql;
    }
    int type = f->result;
    if (same(e.name, L"Format") || same(e.name, L"CStr")) {
      if (args.size() == 1 && same(e.name, L"Format")) sql += ", NULL";
      sql += ", " + std::to_string(args[0].type);
    }
    sql += ")";
    if (type == jet_result_like_arg0) type = args[0].type == jet_type_boolean ? jet_type_integer : args[0].type;
    if (type == jet_result_unify_args)
      type = args.size() > 1 ? unify(args[0].type, args[1].type)
                             : (args[0].type == unknown_type ? jet_type_text : args[0].type);
    return {sql, type};
  }

  jet_translation subquery(const jet_query& q, scope& sc) {
    std::string saved = pivot_condition_;
    pivot_condition_.clear();
    scope* saved_tracking = tracking_;
    tracking_ = nullptr;
    jet_translation t = query(q, &sc);
    tracking_ = saved_tracking;
    pivot_condition_ = saved;
    return t;
  }

  // The expression as a value: predicates become -1/0.
  typed expr(const jet_expr& e, scope& sc) {
    typed t = raw(e, sc);
    if (t.predicate) return {"(-" + t.sql + ")", jet_type_boolean, false};
    return t;
  }

  // The expression as a condition.
  std::string condition(const jet_expr& e, scope& sc) { return raw(e, sc).sql; }

  typed raw(const jet_expr& e, scope& sc) {
    switch (e.type) {
      case jet_expr::kind::null_literal: return {"NULL", unknown_type};
      case jet_expr::kind::integer_literal: {
        int type = e.integer >= -32768 && e.integer <= 32767                 ? jet_type_integer
                   : e.integer >= -2147483648LL && e.integer <= 2147483647LL ? jet_type_long
                                                                             : jet_type_double;
        return {type == jet_type_double ? real_literal(static_cast<double>(e.integer)) : std::to_string(e.integer),
                type};
      }
      case jet_expr::kind::real_literal: return {real_literal(e.real), jet_type_double};
      case jet_expr::kind::text_literal: return {quote_text(e.text), jet_type_text};
      case jet_expr::kind::date_literal: return {real_literal(e.real), jet_type_date};
      case jet_expr::kind::bool_literal: return {std::to_string(e.integer), jet_type_boolean};
      case jet_expr::kind::column: return column(e, sc);
      case jet_expr::kind::unary: {
        typed a = expr(*e.args[0], sc);
        if (e.op == L"not") return predicate("(NOT " + condition(*e.args[0], sc) + ")");
        if (e.op == L"-") return {"(-" + a.sql + ")", a.type == jet_type_boolean ? jet_type_integer : a.type};
        return a;
      }
      case jet_expr::kind::binary: return binary(e, sc);
      case jet_expr::kind::call: return call(e, sc);
      case jet_expr::kind::is_null: {
        typed a = expr(*e.args[0], sc);
        return predicate("(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)"));
      }
      case jet_expr::kind::between: {
        typed a = expr(*e.args[0], sc), low = expr(*e.args[1], sc), high = expr(*e.args[2], sc);
        typed a2 = a;
        align_dates(a, low);
        align_dates(a2, high);
        std::string coll = is_text(a.type) || is_text(low.type) || is_text(high.type) ? " COLLATE JETTEXT" : "";
        std::string test = a.sql + " >= " + low.sql + coll + " AND " + a2.sql + " <= " + high.sql + coll;
        return predicate(std::string("(") + (e.negated ? "NOT " : "") + "(" + test + "))");
      }
      case jet_expr::kind::in_list: {
        typed a = expr(*e.args[0], sc);
        std::string list;
        bool text = is_text(a.type);
        for (size_t i = 1; i < e.args.size(); ++i) {
          typed item = expr(*e.args[i], sc);
          if (a.type == jet_type_date && is_text(item.type)) item = {"jet_cdate(" + item.sql + ")", jet_type_date};
          text = text || is_text(item.type);
          list += (i > 1 ? ", " : "") + item.sql;
        }
        return predicate("(" + a.sql + (text ? " COLLATE JETTEXT" : "") + (e.negated ? " NOT IN (" : " IN (") + list +
                         "))");
      }
      case jet_expr::kind::in_query: {
        typed a = expr(*e.args[0], sc);
        jet_translation q = subquery(*e.query, sc);
        return predicate("(" + a.sql + collate(a) + (e.negated ? " NOT IN (" : " IN (") + q.sql + "))");
      }
      case jet_expr::kind::like: {
        typed a = expr(*e.args[0], sc), p = expr(*e.args[1], sc);
        std::string test = "jet_like(" + as_text(a) + ", " + p.sql + ")";
        if (e.negated) return predicate("(NOT " + test + ")");
        return {test, jet_type_boolean};
      }
      case jet_expr::kind::exists: {
        jet_translation q = subquery(*e.query, sc);
        return predicate("(EXISTS (" + q.sql + "))");
      }
      case jet_expr::kind::subquery: {
        jet_translation q = subquery(*e.query, sc);
        return {"(" + q.sql + ")", q.columns.empty() ? unknown_type : q.columns.front().type};
      }
      case jet_expr::kind::quantified: {
        typed a = expr(*e.args[0], sc);
        jet_translation q = subquery(*e.query, sc);
        if (q.columns.empty()) jet_sql_raise(jet_err_syntax_statement, L"Syntax error in subquery.");
        std::string c = "\"jet__q\"." + quote_name(q.columns.front().name);
        std::string op = jet_to_utf8(e.op);
        std::string coll = is_text(a.type) ? " COLLATE JETTEXT" : "";
        if (e.name == L"all")
          return predicate("(NOT EXISTS (SELECT 1 FROM (" + q.sql + ") AS \"jet__q\" WHERE NOT (" + a.sql + " " + op +
                           " " + c + coll + ")))");
        return predicate("(EXISTS (SELECT 1 FROM (" + q.sql + ") AS \"jet__q\" WHERE " + a.sql + " " + op + " " + c +
                         coll + "))");
      }
    }
    jet_sql_raise(jet_err_syntax_expression, L"Syntax error in query expression '" + e.source + L"'.");
  }
};

}  // namespace

jet_translation jet_translate(const jet_statement& statement, const jet_translator_services& services) {
  return translator(services).statement(statement);
}
