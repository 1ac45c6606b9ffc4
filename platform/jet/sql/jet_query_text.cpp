// Rebuilds QueryDef.SQL from MSysQueries rows: sections in Access's order, joins nested the way
// the query designer nests them.
#include "platform/jet/sql/jet_query_text.h"

#include <algorithm>
#include <cwctype>

#include "platform/win/string_compare.h"

namespace {

const wchar_t* const crlf = L"\r\n";

bool same_name(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (fold_case(a[i]) != fold_case(b[i])) return false;
  return true;
}

std::wstring text_of(const std::optional<std::wstring>& s) { return s ? *s : std::wstring(); }

// Rows of one attribute, in stored order.
std::vector<const jet_query_row*> rows_of(const std::vector<jet_query_row>& rows, int attribute) {
  std::vector<const jet_query_row*> out;
  for (const auto& r : rows)
    if (r.attribute == attribute) out.push_back(&r);
  return out;
}

std::wstring join_list(const std::vector<std::wstring>& items, const wchar_t* separator) {
  std::wstring out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += separator;
    out += items[i];
  }
  return out;
}

// Access's name of a parameter's data type, by the DAO type code.
std::wstring parameter_type(int type, jet_text_dialect dialect) {
  switch (type) {
    case 1: return L"Bit";
    case 2: return L"Byte";
    case 3: return L"Short";
    case 4: return L"Long";
    case 5: return L"Currency";
    case 6: return L"IEEESingle";
    case 7: return L"IEEEDouble";
    case 8: return L"DateTime";
    case 9: return L"Binary";
    case 10: return dialect == jet_text_dialect::jet3 ? L"Text" : L"Text ( 255 )";
    case 11: return L"LongBinary";
    case 12: return L"Memo";
    case 15: return L"Guid";
    case 16: return L"BigInt";
    case 20: return L"Decimal";
    default: return L"Value";
  }
}

// A parameter that names a form control ("Forms!F!C") shows every part in brackets.
std::wstring parameter_name(const std::wstring& name) {
  if (name.find(L'!') == std::wstring::npos) return jet_bracket_name(name);
  std::wstring out;
  size_t start = 0;
  while (true) {
    size_t bang = name.find(L'!', start);
    std::wstring part = name.substr(start, bang == std::wstring::npos ? std::wstring::npos : bang - start);
    if (part.size() >= 2 && part.front() == L'[' && part.back() == L']') part = part.substr(1, part.size() - 2);
    out += L"[" + part + L"]";
    if (bang == std::wstring::npos) break;
    out += L"!";
    start = bang + 1;
  }
  return out;
}

std::wstring parameters_clause(const std::vector<jet_query_row>& rows, jet_text_dialect dialect) {
  std::vector<std::wstring> items;
  for (const auto* r : rows_of(rows, jet_qa_parameter))
    items.push_back(parameter_name(text_of(r->name1)) + L" " + parameter_type(r->flag.value_or(0), dialect));
  if (items.empty()) return {};
  return L"PARAMETERS " + join_list(items, L", ") + L";" + crlf;
}

// " IN 'path' [connect]" for tables of another database.
std::wstring remote_clause(const std::vector<jet_query_row>& rows) {
  auto remote = rows_of(rows, jet_qa_remote_db);
  if (remote.empty()) return {};
  std::wstring out = L" IN '" + text_of(remote.front()->name1) + L"'";
  if (remote.front()->expression && !remote.front()->expression->empty())
    out += L" [" + *remote.front()->expression + L"]";
  return out;
}

struct from_piece {
  std::vector<std::wstring> keys;  // the names (aliases) of the tables inside
  std::wstring text;
  bool is_join = false;
  bool holds(const std::wstring& key) const {
    return std::any_of(keys.begin(), keys.end(), [&](const std::wstring& k) { return same_name(k, key); });
  }
};

// The FROM list: tables outside any join first, then the joins, each built onto the pieces that
// hold its two tables, the piece of the first table on the left.
std::wstring from_list(const std::vector<jet_query_row>& rows) {
  std::vector<from_piece> tables;
  for (const auto* r : rows_of(rows, jet_qa_table)) {
    from_piece p;
    std::wstring name = text_of(r->name1);
    std::wstring alias = text_of(r->name2);
    if (r->expression && !r->expression->empty())
      p.text = L"(" + *r->expression + L")";
    else
      p.text = jet_bracket_name(name);
    if (!alias.empty()) p.text += L" AS " + jet_bracket_name(alias);
    p.keys.push_back(alias.empty() ? name : alias);
    tables.push_back(std::move(p));
  }

  // Joins between the same two tables with the same kind become one join with all conditions.
  struct join_spec {
    std::wstring left, right;
    int kind;
    std::vector<std::wstring> conditions;
  };
  std::vector<join_spec> joins;
  for (const auto* r : rows_of(rows, jet_qa_join)) {
    std::wstring left = text_of(r->name1), right = text_of(r->name2);
    int kind = r->flag.value_or(1);
    auto same = std::find_if(joins.begin(), joins.end(), [&](const join_spec& j) {
      return j.kind == kind && same_name(j.left, left) && same_name(j.right, right);
    });
    if (same != joins.end())
      same->conditions.push_back(text_of(r->expression));
    else
      joins.push_back({left, right, kind, {text_of(r->expression)}});
  }

  std::vector<from_piece> pieces;  // the joins built so far
  auto take = [&](const std::wstring& key) -> from_piece {
    for (auto it = pieces.begin(); it != pieces.end(); ++it)
      if (it->holds(key)) {
        from_piece p = std::move(*it);
        pieces.erase(it);
        return p;
      }
    for (const auto& t : tables)
      if (t.holds(key)) return t;
    return from_piece{{key}, jet_bracket_name(key), false};
  };
  auto wrapped = [](const from_piece& p) { return p.is_join ? L"(" + p.text + L")" : p.text; };
  for (const auto& j : joins) {
    from_piece left = take(j.left);
    std::wstring condition;
    if (j.conditions.size() == 1) {
      condition = j.conditions.front();
    } else {
      std::vector<std::wstring> parts;
      for (const auto& c : j.conditions) parts.push_back(L"(" + c + L")");
      condition = join_list(parts, L" AND ");
    }
    if (left.holds(j.right)) {
      // Both tables are already joined: the condition joins the existing ON clause.
      left.text += L" AND (" + condition + L")";
      pieces.push_back(std::move(left));
      continue;
    }
    from_piece right = take(j.right);
    const wchar_t* kind = j.kind == 2 ? L" LEFT JOIN " : j.kind == 3 ? L" RIGHT JOIN " : L" INNER JOIN ";
    from_piece joined;
    joined.is_join = true;
    joined.text = wrapped(left) + kind + wrapped(right) + L" ON " + condition;
    joined.keys = left.keys;
    joined.keys.insert(joined.keys.end(), right.keys.begin(), right.keys.end());
    pieces.push_back(std::move(joined));
  }

  std::vector<std::wstring> items;
  for (const auto& t : tables) {
    bool joined =
        std::any_of(pieces.begin(), pieces.end(), [&](const from_piece& p) { return p.holds(t.keys.front()); });
    if (!joined) items.push_back(t.text);
  }
  for (const auto& p : pieces) items.push_back(p.text);
  return join_list(items, L", ");
}

std::wstring column_text(const jet_query_row& r) {
  std::wstring out = text_of(r.expression);
  if (r.name1 && !r.name1->empty()) out += L" AS " + jet_bracket_name(*r.name1);
  return out;
}

// "DISTINCT ", "DISTINCTROW ", "TOP n ", "TOP n PERCENT " as the flags row asks.
std::wstring select_predicates(const std::vector<jet_query_row>& rows) {
  auto flags_rows = rows_of(rows, jet_qa_flags);
  if (flags_rows.empty()) return {};
  int flags = flags_rows.front()->flag.value_or(0);
  std::wstring out;
  if (flags & jet_sf_distinct)
    out += L"DISTINCT ";
  else if (flags & jet_sf_distinct_row)
    out += L"DISTINCTROW ";
  if (flags & jet_sf_top) {
    out += L"TOP " + text_of(flags_rows.front()->name1) + L" ";
    if (flags & jet_sf_percent) out += L"PERCENT ";
  }
  return out;
}

int select_flags(const std::vector<jet_query_row>& rows) {
  auto flags_rows = rows_of(rows, jet_qa_flags);
  return flags_rows.empty() ? 0 : flags_rows.front()->flag.value_or(0);
}

// The column list of a select; crosstab_role picks the crosstab columns of one role (-1: all).
std::wstring select_columns(const std::vector<jet_query_row>& rows, int crosstab_role) {
  std::vector<std::wstring> items;
  for (const auto* r : rows_of(rows, jet_qa_column))
    if (crosstab_role < 0 || r->flag.value_or(0) == crosstab_role) items.push_back(column_text(*r));
  if (select_flags(rows) & jet_sf_all_fields) items.push_back(L"*");
  return join_list(items, L", ");
}

std::wstring expression_list(const std::vector<jet_query_row>& rows, int attribute, bool skip_pivot) {
  std::vector<std::wstring> items;
  for (const auto* r : rows_of(rows, attribute)) {
    if (skip_pivot && r->flag.value_or(0) == 1) continue;
    std::wstring item = text_of(r->expression);
    if (attribute == jet_qa_order_by && r->name1 && same_name(*r->name1, L"D")) item += L" DESC";
    items.push_back(item);
  }
  return join_list(items, L", ");
}

// FROM, WHERE, GROUP BY, HAVING and ORDER BY lines, each preceded by a line end.
std::wstring tail_clauses(const std::vector<jet_query_row>& rows, bool with_from, bool crosstab) {
  std::wstring out;
  if (with_from) {
    std::wstring from = from_list(rows);
    if (!from.empty()) out += crlf + (L"FROM " + from);
  }
  auto add = [&](int attribute, const wchar_t* keyword) {
    std::wstring list = expression_list(rows, attribute, crosstab && attribute == jet_qa_group_by);
    if (!list.empty()) out += crlf + (keyword + list);
  };
  add(jet_qa_where, L"WHERE ");
  add(jet_qa_group_by, L"GROUP BY ");
  add(jet_qa_having, L"HAVING ");
  add(jet_qa_order_by, L"ORDER BY ");
  return out;
}

std::wstring owner_access(const std::vector<jet_query_row>& rows) {
  return (select_flags(rows) & jet_sf_owner_access) ? std::wstring(crlf) + L"WITH OWNERACCESS OPTION" : std::wstring();
}

std::wstring strip_nuls(std::wstring s) {
  while (!s.empty() && s.back() == L'\0') s.pop_back();
  return s;
}

std::wstring union_text(const std::vector<jet_query_row>& rows) {
  std::wstring first, second;
  for (const auto* r : rows_of(rows, jet_qa_table)) {
    if (r->name2 && same_name(*r->name2, L"X7YZ_____1")) first = text_of(r->expression);
    if (r->name2 && same_name(*r->name2, L"X7YZ_____2")) second = text_of(r->expression);
  }
  std::wstring out = first;
  if (!out.empty() && out.back() != L'\n' && out.back() != L'\r' && out.back() != L' ') out += crlf;
  out += (select_flags(rows) & jet_sf_distinct) ? L"UNION " : L"UNION ALL ";
  out += second;
  std::wstring order = expression_list(rows, jet_qa_order_by, false);
  if (!order.empty()) out += crlf + (L"ORDER BY " + order);
  return out;
}

}  // namespace

std::wstring jet_bracket_name(const std::wstring& name) {
  // Words of Jet SQL itself stand in brackets when they name a table or a column.
  static const wchar_t* const reserved[] = {
      L"ADD",         L"ALL",    L"ALTER",      L"AND",    L"ANY",      L"AS",     L"ASC",        L"BETWEEN",
      L"BY",          L"COLUMN", L"CONSTRAINT", L"CREATE", L"DATABASE", L"DELETE", L"DESC",       L"DISTINCT",
      L"DISTINCTROW", L"DROP",   L"EXISTS",     L"FROM",   L"GROUP",    L"HAVING", L"IN",         L"INDEX",
      L"INNER",       L"INSERT", L"INTO",       L"IS",     L"JOIN",     L"KEY",    L"LEFT",       L"LIKE",
      L"NOT",         L"NULL",   L"ON",         L"OR",     L"ORDER",    L"OUTER",  L"PARAMETERS", L"PIVOT",
      L"PRIMARY",     L"RIGHT",  L"SELECT",     L"SET",    L"TABLE",    L"TOP",    L"TRANSFORM",  L"UNION",
      L"UNIQUE",      L"UPDATE", L"VALUES",     L"WHERE",  L"WITH",
  };
  for (const wchar_t* word : reserved)
    if (same_name(name, word)) return L"[" + name + L"]";
  bool plain = !name.empty() && !std::iswdigit(name.front());
  for (wchar_t c : name)
    if (!(std::iswalnum(c) || c == L'_' || c > 0x7F)) plain = false;
  return plain ? name : L"[" + name + L"]";
}

std::optional<std::wstring> jet_query_sql(const std::vector<jet_query_row>& rows, jet_text_dialect dialect) {
  auto type_rows = rows_of(rows, jet_qa_type);
  if (type_rows.empty() || !type_rows.front()->flag) return std::nullopt;
  const jet_query_row& type = *type_rows.front();
  std::wstring target = jet_bracket_name(text_of(type.name1)) + remote_clause(rows);

  std::wstring body;
  switch (*type.flag) {
    case jet_qk_ddl:
    case jet_qk_pass_through: return strip_nuls(text_of(type.expression));
    case jet_qk_union: body = union_text(rows); break;
    case jet_qk_select:
      body = L"SELECT " + select_predicates(rows) + select_columns(rows, -1) + tail_clauses(rows, true, false) +
             owner_access(rows);
      break;
    case jet_qk_make_table:
      body = L"SELECT " + select_predicates(rows) + select_columns(rows, -1) + L" INTO " + target +
             tail_clauses(rows, true, false) + owner_access(rows);
      break;
    case jet_qk_append: {
      std::vector<std::wstring> targets;
      for (const auto* r : rows_of(rows, jet_qa_column))
        if (r->name2 && !r->name2->empty()) targets.push_back(jet_bracket_name(*r->name2));
      body = L"INSERT INTO " + target;
      if (!targets.empty()) body += L" ( " + join_list(targets, L", ") + L" )";
      std::vector<std::wstring> values;
      for (const auto* r : rows_of(rows, jet_qa_column)) values.push_back(text_of(r->expression));
      body += crlf + (L"SELECT " + select_predicates(rows) + join_list(values, L", ")) +
              tail_clauses(rows, true, false) + owner_access(rows);
      break;
    }
    case jet_qk_update: {
      std::vector<std::wstring> sets;
      for (const auto* r : rows_of(rows, jet_qa_column))
        sets.push_back(text_of(r->name2) + L" = " + text_of(r->expression));
      body = L"UPDATE " + select_predicates(rows) + from_list(rows) + L" SET " + join_list(sets, L", ") +
             tail_clauses(rows, false, false) + owner_access(rows);
      break;
    }
    case jet_qk_delete:
      body = L"DELETE " + select_predicates(rows) + select_columns(rows, -1) + tail_clauses(rows, true, false) +
             owner_access(rows);
      break;
    case jet_qk_crosstab: {
      std::wstring value, pivot;
      for (const auto* r : rows_of(rows, jet_qa_column)) {
        if (r->flag.value_or(0) == 0 && value.empty()) value = column_text(*r);
        if (r->flag.value_or(0) == 1 && pivot.empty()) pivot = text_of(r->expression);
      }
      body = L"TRANSFORM " + value + crlf + L"SELECT " + select_predicates(rows) + select_columns(rows, 2) +
             tail_clauses(rows, true, true) + crlf + L"PIVOT " + pivot;
      break;
    }
    default: return std::nullopt;
  }
  return parameters_clause(rows, dialect) + body + L";" + crlf;
}
