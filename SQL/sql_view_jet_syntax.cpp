// Jet SQL syntax that MySQL reads otherwise: literals, TOP, DISTINCTROW, the & operator and the
// conversion functions; and the queries that no view can stand for.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "SQL/sql_view_converter.h"

namespace {

enum class tok { blank, word, name, text, date, punct };

struct token {
  tok kind;
  std::wstring text;
};

bool word_char(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$' ||
         c > 0x7F;
}

bool blank_char(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool is_word(const token& t, const wchar_t* w) {
  if (t.kind != tok::word) return false;
  std::size_t i = 0;
  for (; i < t.text.size() && w[i]; ++i)
    if (std::towlower(t.text[i]) != std::towlower(w[i])) return false;
  return i == t.text.size() && w[i] == 0;
}

bool is_punct(const token& t, const wchar_t* p) { return t.kind == tok::punct && t.text == p; }

// A quoted run from `open` to its closing quote; a doubled quote stays inside. Unclosed: to the end.
std::size_t quoted_end(const std::wstring& s, std::size_t open, wchar_t q, bool doubling) {
  std::size_t i = open + 1;
  while (i < s.size()) {
    if (s[i] == q) {
      if (doubling && i + 1 < s.size() && s[i + 1] == q) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return s.size();
}

std::vector<token> tokenize(const std::wstring& s) {
  std::vector<token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const wchar_t c = s[i];
    std::size_t end = i + 1;
    tok kind = tok::punct;
    if (blank_char(c)) {
      while (end < s.size() && blank_char(s[end])) ++end;
      kind = tok::blank;
    } else if (word_char(c)) {
      while (end < s.size() && word_char(s[end])) ++end;
      kind = tok::word;
    } else if (c == L'`' || c == L'[') {
      end = quoted_end(s, i, c == L'`' ? L'`' : L']', c == L'`');
      kind = tok::name;
    } else if (c == L'\'' || c == L'"') {
      end = quoted_end(s, i, c, true);
      kind = tok::text;
    } else if (c == L'#') {
      end = quoted_end(s, i, L'#', false);
      kind = tok::date;
    } else if ((c == L'<' || c == L'>' || c == L'!') && i + 1 < s.size() &&
               (s[i + 1] == L'=' || (c == L'<' && s[i + 1] == L'>'))) {
      end = i + 2;
    }
    out.push_back({kind, s.substr(i, end - i)});
    i = end;
  }
  return out;
}

std::wstring join(const std::vector<token>& tokens, std::size_t from, std::size_t to) {
  std::wstring out;
  for (std::size_t i = from; i < to; ++i) out += tokens[i].text;
  return out;
}

// A Jet text literal ("..." or '...', its own quote doubled inside) as a MySQL one: single
// quotes, a quote doubled, a backslash doubled (MySQL reads it as an escape, Jet does not).
std::wstring mysql_text(const std::wstring& literal) {
  const wchar_t q = literal[0];
  std::size_t end = literal.size();
  if (end >= 2 && literal[end - 1] == q) --end;
  std::wstring out = L"'";
  for (std::size_t i = 1; i < end; ++i) {
    wchar_t c = literal[i];
    if (c == q && i + 1 < end && literal[i + 1] == q) ++i;
    if (c == L'\'')
      out += L"''";
    else if (c == L'\\')
      out += L"\\\\";
    else
      out += c;
  }
  return out + L"'";
}

// A Jet date literal: m/d/y or y-m-d, then optionally h:m[:s] [AM|PM]. Two-digit years are
// Jet's: 00 to 29 in this century, 30 to 99 in the last. Empty when it is not one.
std::wstring mysql_date(const std::wstring& literal) {
  if (literal.size() < 3 || literal.back() != L'#') return {};
  std::wstring body = literal.substr(1, literal.size() - 2);
  int a = 0, b = 0, c = 0, h = 0, mi = 0, se = 0, n = 0;
  wchar_t sep = 0;
  const wchar_t* p = body.c_str();
  if (std::swscanf(p, L" %d%lc%d%*lc%d%n", &a, &sep, &b, &c, &n) < 4 || (sep != L'/' && sep != L'-')) return {};
  int year = c, month = a, day = b;
  if (a > 31) year = a, month = b, day = c;  // y-m-d
  if (year < 30)
    year += 2000;
  else if (year < 100)
    year += 1900;
  p += n;
  bool time = false;
  int m = 0;
  if (std::swscanf(p, L" %d:%d%n", &h, &mi, &m) == 2) {
    time = true;
    p += m;
    if (std::swscanf(p, L":%d%n", &se, &m) == 1) p += m;
    while (*p == L' ') ++p;
    if (std::towlower(p[0]) == L'p' && h < 12) h += 12;
    if (std::towlower(p[0]) == L'a' && h == 12) h = 0;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || year > 9999 || h > 23 || mi > 59 || se > 59) return {};
  wchar_t out[40];
  if (time)
    std::swprintf(out, 40, L"'%04d-%02d-%02d %02d:%02d:%02d'", year, month, day, h, mi, se);
  else
    std::swprintf(out, 40, L"'%04d-%02d-%02d'", year, month, day);
  return out;
}

// Index of the next or previous token that is not blank; npos / size when there is none.
std::size_t next_solid(const std::vector<token>& t, std::size_t i) {
  while (i < t.size() && t[i].kind == tok::blank) ++i;
  return i;
}
std::size_t prev_solid(const std::vector<token>& t, std::size_t i) {
  while (i > 0) {
    --i;
    if (t[i].kind != tok::blank) return i;
  }
  return std::wstring::npos;
}

// The ")" that closes the "(" at `open`, or the end.
std::size_t closing(const std::vector<token>& t, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < t.size(); ++i) {
    if (is_punct(t[i], L"(")) ++depth;
    if (is_punct(t[i], L")") && --depth == 0) return i;
  }
  return t.size();
}

// Where the level of `from` ends: its unmatched ")" or the end.
std::size_t level_end(const std::vector<token>& t, std::size_t from) {
  int depth = 0;
  for (std::size_t i = from; i < t.size(); ++i) {
    if (is_punct(t[i], L"(")) ++depth;
    if (is_punct(t[i], L")") && depth-- == 0) return i;
  }
  return t.size();
}

// Words and operators that bind looser than & (or end an expression): an operand of & stops there.
bool ends_operand(const token& t) {
  static const wchar_t* words[] = {L"select", L"distinct", L"distinctrow", L"top",  L"as",    L"from", L"where",
                                   L"and",    L"or",       L"not",         L"xor",  L"on",    L"by",   L"having",
                                   L"group",  L"order",    L"when",        L"then", L"else",  L"end",  L"case",
                                   L"like",   L"between",  L"in",          L"is",   L"union", L"all",  L"asc",
                                   L"desc",   L"join",     L"limit"};
  if (t.kind == tok::word) {
    for (const wchar_t* w : words)
      if (is_word(t, w)) return true;
    return false;
  }
  static const wchar_t* puncts[] = {L",", L";", L"=", L"<", L">", L"<=", L">=", L"!=", L"<>", L"&"};
  for (const wchar_t* p : puncts)
    if (is_punct(t, p)) return true;
  return false;
}

std::vector<token> rewrite_concat(std::vector<token> t);

// The operand of & that ends just before `at` (going left) or starts just after it (going right),
// as token bounds [first, last).
std::pair<std::size_t, std::size_t> operand_left(const std::vector<token>& t, std::size_t at) {
  std::size_t i = at;
  while (i > 0) {
    const token& k = t[i - 1];
    if (is_punct(k, L")")) {
      int depth = 0;
      std::size_t j = i - 1;
      for (;; --j) {
        if (is_punct(t[j], L")")) ++depth;
        if (is_punct(t[j], L"(") && --depth == 0) break;
        if (j == 0) break;
      }
      i = j;
      continue;
    }
    if (is_punct(k, L"(") || ends_operand(k)) break;
    --i;
  }
  return {i, at};
}

std::pair<std::size_t, std::size_t> operand_right(const std::vector<token>& t, std::size_t at) {
  std::size_t i = at + 1;
  while (i < t.size()) {
    const token& k = t[i];
    if (is_punct(k, L"(")) {
      i = closing(t, i) + 1;
      continue;
    }
    if (is_punct(k, L")") || ends_operand(k)) break;
    ++i;
  }
  return {at + 1, i};
}

std::wstring trimmed_text(const std::vector<token>& t, std::size_t from, std::size_t to) {
  while (from < to && t[from].kind == tok::blank) ++from;
  while (to > from && t[to - 1].kind == tok::blank) --to;
  std::vector<token> part(t.begin() + static_cast<std::ptrdiff_t>(from), t.begin() + static_cast<std::ptrdiff_t>(to));
  part = rewrite_concat(std::move(part));
  return join(part, 0, part.size());
}

// a & b & c: one CONCAT_WS over the whole chain, whose operands are rewritten in their turn.
std::vector<token> rewrite_concat(std::vector<token> t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!is_punct(t[i], L"&")) continue;
    auto [first, ignored] = operand_left(t, i);
    std::wstring call = L"CONCAT_WS(''";
    call += L", " + trimmed_text(t, first, i);
    std::size_t at = i, last = i;
    for (;;) {
      auto [from, to] = operand_right(t, at);
      call += L", " + trimmed_text(t, from, to);
      last = to;
      if (to < t.size() && is_punct(t[to], L"&")) {
        at = to;
        continue;
      }
      break;
    }
    call += L")";
    // Keep the blanks that stood around the chain.
    std::size_t lead = first;
    while (lead < i && t[lead].kind == tok::blank) ++lead;
    std::size_t tail = last;
    while (tail > lead && t[tail - 1].kind == tok::blank) --tail;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(lead), t.begin() + static_cast<std::ptrdiff_t>(tail));
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(lead), token{tok::word, call});
    i = lead;
  }
  return t;
}

std::wstring unquoted(const token& t) {
  if (t.kind == tok::name && t.text.size() >= 2) return t.text.substr(1, t.text.size() - 2);
  return t.text;
}

std::wstring folded(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

bool is_clause_word(const token& t) {
  for (const wchar_t* w : {L"where", L"group", L"having", L"order", L"union", L"limit"})
    if (is_word(t, w)) return true;
  return false;
}

// Jet's DISTINCTROW drops rows that come from the same records of the tables whose fields are
// shown: it differs from a plain select only when the shown fields leave some joined table out,
// and then DISTINCT over the shown fields gives those rows. `at` is the word's position; the
// select list follows it. Unqualified names, "*" and GROUP BY make it a plain select.
bool distinctrow_is_distinct(const std::vector<token>& t, std::size_t at) {
  std::set<std::wstring> used, sources;
  int depth = 0;
  std::size_t i = at + 1;
  for (; i < t.size(); ++i) {
    const token& k = t[i];
    if (is_punct(k, L"(")) ++depth;
    if (is_punct(k, L")") && depth-- == 0) return false;
    if (depth == 0 && is_word(k, L"from")) break;
    if (is_punct(k, L"*")) {
      const std::size_t p = prev_solid(t, i);
      if (p == std::wstring::npos || !is_punct(t[p], L".")) return false;
    }
    if (k.kind != tok::name && (k.kind != tok::word || std::iswdigit(k.text[0]) || ends_operand(k))) continue;
    const std::size_t p = prev_solid(t, i), n = next_solid(t, i + 1);
    if (p != std::wstring::npos && is_punct(t[p], L".")) continue;  // the column of a qualified name
    if (n < t.size() && is_punct(t[n], L".")) {
      used.insert(folded(unquoted(k)));
      continue;
    }
    if (n < t.size() && is_punct(t[n], L"(")) continue;  // a function
    const std::size_t before = prev_solid(t, i);
    if (before != std::wstring::npos && is_word(t[before], L"as")) continue;  // an alias
    return false;  // a column whose table the text does not say
  }
  // The FROM clause: a table follows FROM, JOIN, "," or "("; its alias, when it has one, is
  // what the select list names.
  depth = 0;
  for (++i; i < t.size(); ++i) {
    const token& k = t[i];
    if (is_punct(k, L"(")) ++depth;
    if (is_punct(k, L")") && depth-- == 0) break;
    if (depth == 0 && is_clause_word(k)) break;
    if (k.kind != tok::name && k.kind != tok::word) continue;
    const std::size_t p = prev_solid(t, i);
    if (p == std::wstring::npos) continue;
    const bool table = is_word(t[p], L"from") || is_word(t[p], L"join") || is_punct(t[p], L",") || is_punct(t[p], L"(");
    if (!table || is_word(k, L"select")) continue;
    std::wstring label = unquoted(k);
    const std::size_t as = next_solid(t, i + 1), alias = next_solid(t, as + 1);
    if (as < t.size() && is_word(t[as], L"as") && alias < t.size()) label = unquoted(t[alias]);
    sources.insert(folded(label));
  }
  for (; i < t.size(); ++i)
    if (is_word(t[i], L"group")) return false;
  return !used.empty() && used.size() < sources.size();
}

std::vector<token> rewrite(std::vector<token> t) {
  static const struct {
    const wchar_t* jet;
    const wchar_t* type;
  } casts[] = {{L"CCur", L"DECIMAL(19,4)"}, {L"CDbl", L"DOUBLE"}, {L"CStr", L"CHAR"}, {L"CDate", L"DATETIME"}};
  for (std::size_t i = 0; i < t.size(); ++i) {
    token& k = t[i];
    if (k.kind == tok::text) {
      k.text = mysql_text(k.text);
      continue;
    }
    if (k.kind == tok::date) {
      std::wstring d = mysql_date(k.text);
      if (!d.empty()) k.text = d;
      continue;
    }
    if (k.kind != tok::word) continue;
    const std::size_t before = prev_solid(t, i);
    const std::size_t after = next_solid(t, i + 1);
    // A name next to a point is part of a qualified name (t.No, No.x), and one after FROM or
    // JOIN is a table: never a constant.
    const bool qualified = (before != std::wstring::npos && (is_punct(t[before], L".") || is_word(t[before], L"from") ||
                                                             is_word(t[before], L"join"))) ||
                           (after < t.size() && is_punct(t[after], L"."));
    const bool called = after < t.size() && is_punct(t[after], L"(");
    if (qualified) continue;
    if (!called && (is_word(k, L"yes") || is_word(k, L"true"))) {
      k.text = L"TRUE";
    } else if (!called && (is_word(k, L"no") || is_word(k, L"false"))) {
      k.text = L"FALSE";
    } else if (is_word(k, L"distinctrow")) {
      if (distinctrow_is_distinct(t, i)) {
        k.text = L"DISTINCT";
        continue;
      }
      t.erase(t.begin() + static_cast<std::ptrdiff_t>(i),
              t.begin() + static_cast<std::ptrdiff_t>(std::min(after, t.size())));
      --i;
    } else if (is_word(k, L"top") && after < t.size() && t[after].kind == tok::word &&
               std::iswdigit(t[after].text[0])) {
      std::wstring count = t[after].text;
      std::size_t resume = next_solid(t, after + 1);
      // TOP n PERCENT has no MySQL form; the query is refused before it gets here.
      if (resume < t.size() && is_word(t[resume], L"percent")) continue;
      t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(resume));
      std::size_t end = level_end(t, i);
      while (end > i && t[end - 1].kind == tok::blank) --end;
      t.insert(t.begin() + static_cast<std::ptrdiff_t>(end), token{tok::word, L" LIMIT " + count});
      --i;
    } else if (called) {
      for (const auto& c : casts) {
        if (!is_word(k, c.jet)) continue;
        std::size_t close = closing(t, after);
        if (close >= t.size()) break;
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(close), token{tok::word, std::wstring(L" AS ") + c.type});
        t[i].text = L"CAST";
        break;
      }
    }
  }
  return rewrite_concat(std::move(t));
}

}  // namespace

std::wstring sql_view_converter::jet_syntax_to_mysql(const std::wstring& text) {
  std::vector<token> t = tokenize(text);
  // The statement's own ";" (and what blanks follow it): the view statement ends with its own.
  while (!t.empty() && (t.back().kind == tok::blank || is_punct(t.back(), L";"))) t.pop_back();
  t = rewrite(std::move(t));
  return join(t, 0, t.size());
}

namespace {

// A backtick inside the name is doubled, or the rest of the name would run on as SQL.
std::wstring backticked(const std::wstring& name) {
  std::wstring quoted = L"`";
  for (wchar_t c : name) {
    quoted += c;
    if (c == L'`') quoted += L'`';
  }
  return quoted + L"`";
}

// One item of a select list: where it stands, and what it names.
struct select_item {
  std::size_t from = 0, to = 0;  // token bounds, blanks included
  std::wstring table;            // qualifier, unquoted; empty when none
  std::wstring column;           // result name; empty for an expression without alias
  bool star = false;
  bool aliased = false;
  std::vector<std::wstring> star_columns;
};

select_item read_item(const std::vector<token>& t, std::size_t from, std::size_t to) {
  select_item item{from, to, {}, {}, false, false, {}};
  std::vector<std::size_t> solid;
  for (std::size_t i = from; i < to; ++i)
    if (t[i].kind != tok::blank) solid.push_back(i);
  const std::size_t n = solid.size();
  auto at = [&](std::size_t k) -> const token& { return t[solid[k]]; };
  auto is_name = [&](std::size_t k) { return at(k).kind == tok::name || at(k).kind == tok::word; };
  if (n >= 3 && is_word(at(n - 2), L"as")) {
    item.column = unquoted(at(n - 1));
    item.aliased = true;
  } else if (n == 1 && is_punct(at(0), L"*")) {
    item.star = true;
  } else if (n == 3 && is_name(0) && is_punct(at(1), L".") && is_punct(at(2), L"*")) {
    item.star = true;
    item.table = unquoted(at(0));
  } else if (n == 3 && is_name(0) && is_punct(at(1), L".") && is_name(2)) {
    item.table = unquoted(at(0));
    item.column = unquoted(at(2));
  } else if (n == 1 && is_name(0)) {
    item.column = unquoted(at(0));
  }
  return item;
}

}  // namespace

std::wstring sql_view_converter::name_duplicate_columns(const std::wstring& text, const column_lister& columns_of) {
  std::vector<token> t = tokenize(text);
  std::size_t start = next_solid(t, 0);
  if (start >= t.size() || !is_word(t[start], L"select")) return text;
  start = next_solid(t, start + 1);
  if (start < t.size() && (is_word(t[start], L"distinct") || is_word(t[start], L"all"))) ++start;
  // The items up to FROM (or the end), split at the commas of the outer level.
  std::vector<select_item> items;
  std::size_t item_from = start, end = t.size();
  int depth = 0;
  for (std::size_t i = start; i <= t.size(); ++i) {
    if (i < t.size() && is_punct(t[i], L"(")) ++depth;
    if (i < t.size() && is_punct(t[i], L")")) --depth;
    const bool stop = i == t.size() || (depth == 0 && (is_word(t[i], L"from") || is_word(t[i], L"union")));
    if (stop || (depth == 0 && is_punct(t[i], L","))) {
      items.push_back(read_item(t, item_from, i));
      item_from = i + 1;
    }
    if (stop) {
      end = i;
      break;
    }
  }
  std::map<std::wstring, int> uses;
  for (select_item& item : items) {
    if (item.star && !item.table.empty()) item.star_columns = columns_of(item.table);
    for (const std::wstring& c : item.star_columns) ++uses[folded(c)];
    if (!item.column.empty()) ++uses[folded(item.column)];
  }
  auto duplicated = [&](const std::wstring& c) { return uses[folded(c)] > 1; };
  std::wstring out = join(t, 0, items.empty() ? end : items.front().from);
  for (std::size_t k = 0; k < items.size(); ++k) {
    const select_item& item = items[k];
    if (k) out += L",";
    std::wstring part = join(t, item.from, item.to);
    bool spelled = false;
    for (const std::wstring& c : item.star_columns) spelled = spelled || duplicated(c);
    if (spelled) {
      // Keep the blanks around the item, spell out the columns in between.
      std::size_t lead = part.find_first_not_of(L' '), trail = part.find_last_not_of(L' ');
      std::wstring columns;
      for (const std::wstring& c : item.star_columns) {
        if (!columns.empty()) columns += L", ";
        columns += backticked(item.table) + L"." + backticked(c);
        if (duplicated(c)) columns += L" AS " + backticked(item.table + L"." + c);
      }
      part = part.substr(0, lead) + columns + part.substr(trail + 1);
    } else if (!item.aliased && !item.table.empty() && !item.column.empty() && duplicated(item.column)) {
      std::size_t trail = part.find_last_not_of(L' ');
      part = part.substr(0, trail + 1) + L" AS " + backticked(item.table + L"." + item.column) + part.substr(trail + 1);
    }
    out += part;
  }
  return out + join(t, end, t.size());
}

std::wstring sql_view_converter::mysql_view_body(const std::wstring& text, const column_lister& columns_of) {
  return name_duplicate_columns(jet_syntax_to_mysql(rewrite_functions(text)), columns_of);
}

std::vector<std::wstring> sql_created_columns(const std::map<std::wstring, std::vector<std::wstring>>& tables,
                                              const std::wstring& table) {
  for (const auto& [name, columns] : tables)
    if (folded(name) == folded(table)) return columns;
  return {};
}

std::wstring sql_view_converter::view_refusal(const std::wstring& sql) {
  const std::vector<token> t = tokenize(sql);
  const std::size_t first = t.empty() ? 0 : (t[0].kind == tok::blank ? 1 : 0);
  // A view is a select statement as the text begins; leading blanks already disqualify it.
  if (first != 0 || t.empty() || !is_word(t[0], L"select")) {
    if (first < t.size() && is_word(t[first], L"parameters")) return L"it asks for parameters";
    if (first < t.size() && is_word(t[first], L"transform")) return L"it is a crosstab query";
    for (const wchar_t* w : {L"insert", L"update", L"delete"})
      if (first < t.size() && is_word(t[first], w)) return L"it is an action query";
    return L"it is not a select query";
  }
  int depth = 0;
  // Per select of a union: whether it has a FROM, and whether it names a table's column.
  bool from = false, qualified = false;
  for (std::size_t i = 0; i <= t.size(); ++i) {
    if (i == t.size() || (depth == 0 && is_word(t[i], L"union"))) {
      if (qualified && !from) return L"a SELECT without FROM names table columns";
      from = qualified = false;
      if (i == t.size()) break;
    }
    if (is_punct(t[i], L"(")) ++depth;
    if (is_punct(t[i], L")")) --depth;
    if (depth == 0 && is_word(t[i], L"from")) from = true;
    if (depth == 0 && is_punct(t[i], L".") && i > 0 && i + 1 < t.size() &&
        (t[i - 1].kind == tok::name || (t[i - 1].kind == tok::word && !std::iswdigit(t[i - 1].text[0]))))
      qualified = true;
    if (depth == 0 && is_word(t[i], L"into")) return L"it is a make-table query";
    if (is_word(t[i], L"top")) {
      std::size_t n = next_solid(t, i + 1), p = next_solid(t, n + 1);
      if (p < t.size() && is_word(t[p], L"percent")) return L"TOP n PERCENT has no MySQL form";
    }
    token bare = t[i];
    if (bare.kind == tok::name && bare.text.size() > 2) bare = {tok::word, bare.text.substr(1, bare.text.size() - 2)};
    const bool container = is_word(bare, L"forms") || is_word(bare, L"reports");
    if (container && i + 1 < t.size() && (is_punct(t[i + 1], L"!") || is_punct(t[i + 1], L".")))
      return L"it refers to a form or report";
  }
  return {};
}
