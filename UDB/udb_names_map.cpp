// Source-to-destination name lookups and the rewriting of names inside SQL text.
#include "UDB/udb_names_map.h"

#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"

namespace {

bool matches_at(std::wstring_view text, size_t pos, std::wstring_view name) {
  return pos + name.size() <= text.size() && udb_same_name(text.substr(pos, name.size()), name);
}

bool is_same(const std::wstring& key, const std::wstring& name, bool exact) {
  return exact ? key == name : udb_same_name(key, name);
}

std::wstring framed(const std::wstring& value, const std::wstring& prefix, const std::wstring& suffix) {
  std::wstring r;
  if (!prefix.empty() && !value.starts_with(prefix)) r += prefix;
  r += value;
  if (!suffix.empty() && !value.ends_with(suffix)) r += suffix;
  return r;
}

// One past the closing delimiter of the literal or quoted name that opens at pos; where a
// doubled delimiter stands for itself it does not close. An unclosed one runs to the end.
size_t end_of_quoted(std::wstring_view text, size_t pos, wchar_t close, bool doubled_escapes) {
  size_t i = pos + 1;
  for (;;) {
    size_t j = text.find(close, i);
    if (j == std::wstring_view::npos) return text.size();
    if (doubled_escapes && j + 1 < text.size() && text[j + 1] == close) {
      i = j + 2;
      continue;
    }
    return j + 1;
  }
}

// A name directly followed by "(" (blanks allowed between) is a function call: Date() stays
// Date() even when a column is named Date.
bool is_function_call(std::wstring_view text, size_t after) {
  while (after < text.size() && (text[after] == L' ' || text[after] == L'\t')) ++after;
  return after < text.size() && text[after] == L'(';
}

// Words of Access SQL that stand bare only as keywords: Access writes a name that is one of them
// in [brackets], so a bare one is never a name (ORDER BY stays, even with a column named Order).
bool is_sql_keyword(std::wstring_view word) {
  static const wchar_t* const kKeywords[] = {
      L"ALL",      L"AND",         L"ANY",    L"AS",     L"ASC",  L"BETWEEN", L"BY",    L"DELETE",      L"DESC",
      L"DISTINCT", L"DISTINCTROW", L"EQV",    L"EXISTS", L"FROM", L"FULL",    L"GROUP", L"HAVING",      L"IMP",
      L"IN",       L"INNER",       L"INSERT", L"INTO",   L"IS",   L"JOIN",    L"LEFT",  L"LIKE",        L"MOD",
      L"NOT",      L"NULL",        L"ON",     L"OPTION", L"OR",   L"ORDER",   L"OUTER", L"OWNERACCESS", L"PARAMETERS",
      L"PERCENT",  L"PIVOT",       L"RIGHT",  L"SELECT", L"SET",  L"SOME",    L"TOP",   L"TRANSFORM",   L"UNION",
      L"UPDATE",   L"VALUES",      L"WHERE",  L"WITH",   L"XOR"};
  for (const wchar_t* keyword : kKeywords)
    if (udb_same_name(word, keyword)) return true;
  return false;
}

// The pieces of SQL text that the rewrite tells apart.
enum class piece { word, quoted, literal, blank, other };

struct token {
  piece kind;
  size_t begin, end;
};

// Splits text into words (runs of letters, digits and underscores), quoted names ([...] and `...`), literals
// ('...', "..." and #...# dates), blanks and single other characters. An unclosed quoted name
// becomes one "other" piece that runs to the end: nothing after it can be rewritten safely.
std::vector<token> tokenize(std::wstring_view t) {
  std::vector<token> out;
  size_t i = 0;
  while (i < t.size()) {
    const wchar_t c = t[i];
    size_t end = i + 1;
    piece kind = piece::other;
    if (udb_is_name_char(c)) {
      while (end < t.size() && udb_is_name_char(t[end])) ++end;
      kind = piece::word;
    } else if (c == L'\'' || c == L'"') {
      end = end_of_quoted(t, i, c, true);
      kind = piece::literal;
    } else if (c == L'#' && (i == 0 || !udb_is_name_char(t[i - 1])) && t.find(L'#', i + 1) != std::wstring_view::npos) {
      end = t.find(L'#', i + 1) + 1;
      kind = piece::literal;
    } else if (c == L'[' || c == L'`') {
      const wchar_t close = c == L'[' ? L']' : L'`';
      end = end_of_quoted(t, i, close, c == L'`');
      if (end - i < 2 || t[end - 1] != close)
        end = t.size();
      else
        kind = piece::quoted;
    } else if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
      kind = piece::blank;
    }
    out.push_back({kind, i, end});
    i = end;
  }
  return out;
}

// A mapped name found at a token: the map's key and value, and the token after the name.
struct match {
  const std::wstring* key = nullptr;
  const std::wstring* value = nullptr;
  size_t end = 0;
  explicit operator bool() const { return key != nullptr; }
  size_t length() const { return key == nullptr ? 0 : key->size(); }
};

// Reads SQL text once for the tables each query level reads (FROM and JOIN, with their
// aliases), then rewrites it from source names to destination names. A column name is looked up
// only in the column maps of the tables it can belong to: the table or alias qualifying it, or,
// unqualified, the tables of its own query level.
class name_rewriter {
 public:
  name_rewriter(const udb_names_map& names, std::wstring_view text) : names_(names), t_(text), toks_(tokenize(text)) {}

  // Every name looked up in one map, wherever it stands.
  std::wstring replace_from(const udb_names_map::name_map& map, const std::wstring& prefix,
                            const std::wstring& suffix) const {
    std::wstring out;
    out.reserve(t_.size());
    for (size_t i = 0; i < toks_.size();) {
      const match m = is_name(i) ? longest(map, i) : match{};
      i = emit(out, m, i, prefix, suffix);
    }
    return out;
  }

  // Table names from the table map, column names from the maps of their tables.
  std::wstring replace_in_context(const std::wstring& prefix, const std::wstring& suffix) {
    read_levels();
    std::wstring out;
    out.reserve(t_.size());
    std::wstring qualifier;
    for (size_t i = 0; i < toks_.size();) {
      if (!is_name(i)) {
        i = emit(out, {}, i, prefix, suffix);
        continue;
      }
      const int level = level_of_[i];
      if (i >= 2 && is_char(i - 1, L'.') && is_name(i - 2)) {
        // The column of a qualified reference: only its table's map.
        i = emit_column(out, choose_column(tables_named_by(qualifier, level), i), i, prefix, suffix);
        continue;
      }
      if (role_[i] == role::alias) {
        i = emit(out, {}, i, prefix, suffix);
        continue;
      }
      const match table = longest(names_.table_map, i);
      if (role_[i] == role::table) {
        if (table && table.end == ref_end_[i]) {
          i = emit(out, table, i, prefix, suffix);
        } else {
          out.append(raw(i, ref_end_[i]));
          i = ref_end_[i];
        }
        continue;
      }
      // A qualifier: an alias the text declares stays, a table name is mapped.
      const size_t q_end = table && is_char(table.end, L'.') ? table.end : is_char(i + 1, L'.') ? i + 1 : 0;
      if (q_end != 0) {
        qualifier = name_of(i, q_end);
        if (table.end == q_end && !is_alias(qualifier, level)) {
          i = emit(out, table, i, prefix, suffix);
        } else {
          out.append(raw(i, q_end));
          i = q_end;
        }
        continue;
      }
      const column_choice column = choose_column(level_tables(level), i);
      if (table && table.length() >= column.found.length()) {
        i = emit(out, table, i, prefix, suffix);
      } else {
        i = emit_column(out, column, i, prefix, suffix);
      }
    }
    return out;
  }

 private:
  enum class role { none, table, alias };
  enum class from_state { none, table, alias, list };

  struct alias_def {
    std::wstring name;
    std::wstring table;  // the aliased table, or empty for a subquery
    int derived = -1;    // the subquery's level
  };
  // The whole text, a subquery, or one SELECT of a UNION.
  struct query_level {
    int parent = -1;
    std::vector<std::wstring> tables;
    std::vector<alias_def> aliases;
  };
  struct column_choice {
    match found;
    bool agreed = true;
    std::wstring other;  // a second destination, when the tables disagree
  };

  bool is_name(size_t i) const {
    return i < toks_.size() && (toks_[i].kind == piece::word || toks_[i].kind == piece::quoted);
  }
  bool is_char(size_t i, wchar_t c) const {
    return i < toks_.size() && toks_[i].kind == piece::other && t_[toks_[i].begin] == c;
  }
  bool is_word(size_t i, const wchar_t* word) const {
    return i < toks_.size() && toks_[i].kind == piece::word && udb_same_name(text_of(i), word);
  }
  std::wstring_view text_of(size_t i) const { return t_.substr(toks_[i].begin, toks_[i].end - toks_[i].begin); }
  std::wstring_view raw(size_t from, size_t to) const {
    return t_.substr(toks_[from].begin, toks_[to - 1].end - toks_[from].begin);
  }
  // A name as it is meant: a quoted one without its quotes.
  std::wstring name_of(size_t from, size_t to) const {
    if (to == from + 1 && toks_[from].kind == piece::quoted)
      return std::wstring(t_.substr(toks_[from].begin + 1, toks_[from].end - toks_[from].begin - 2));
    return std::wstring(raw(from, to));
  }
  size_t next_non_blank(size_t i) const {
    while (i < toks_.size() && toks_[i].kind == piece::blank) ++i;
    return i;
  }

  // The token after a bare name that stands at token i as whole words ending where a token
  // ends, or 0 when it does not stand there.
  size_t bare_name_end(const std::wstring& name, size_t i) const {
    if (!matches_at(t_, toks_[i].begin, name)) return 0;
    const size_t after = toks_[i].begin + name.size();
    size_t end = i;
    while (end < toks_.size() && toks_[end].end < after) ++end;
    if (end == toks_.size() || toks_[end].end != after) return 0;
    if (after < t_.size() && udb_is_name_char(t_[after])) return 0;
    return end + 1;
  }

  // The longest key of the map standing at token i: a quoted name whole, or bare words. A bare
  // name followed by "(" is a function, a bare keyword is a keyword.
  match longest(const udb_names_map::name_map& map, size_t i) const {
    match best;
    const token& first = toks_[i];
    if (first.kind == piece::quoted) {
      const std::wstring_view inner = t_.substr(first.begin + 1, first.end - first.begin - 2);
      for (const auto& [key, value] : map) {
        if (udb_same_name(key, inner)) return {&key, &value, i + 1};
      }
      return best;
    }
    for (const auto& [key, value] : map) {
      if (key.size() <= best.length()) continue;
      const size_t end = bare_name_end(key, i);
      if (end == 0 || is_function_call(t_, toks_[end - 1].end) || is_sql_keyword(key)) continue;
      best = {&key, &value, end};
    }
    return best;
  }

  // Appends the match's destination name, or token i as it stands; gives the next token.
  size_t emit(std::wstring& out, const match& m, size_t i, const std::wstring& prefix,
              const std::wstring& suffix) const {
    if (!m) {
      out.append(text_of(i));
      return i + 1;
    }
    tk_log2(tk_log_trace, L"'%ls' was found at pos=%d", m.key->c_str(), static_cast<int>(toks_[i].begin));
    out += framed(*m.value, prefix, suffix);
    return m.end;
  }

  // A column name: replaced when the tables that map it agree on its destination; left, and
  // logged, when they do not.
  size_t emit_column(std::wstring& out, const column_choice& c, size_t i, const std::wstring& prefix,
                     const std::wstring& suffix) const {
    if (c.agreed) return emit(out, c.found, i, prefix, suffix);
    tk_log2(tk_log_detail,
            L"Column '%ls' has different new names in the tables it may belong to ('%ls', '%ls'), left as it is",
            c.found.key->c_str(), c.found.value->c_str(), c.other.c_str());
    out.append(raw(i, c.found.end));
    return c.found.end;
  }

  // The longest column name at token i among the maps of the given tables.
  column_choice choose_column(const std::vector<std::wstring>& tables, size_t i) const {
    column_choice c;
    for (const std::wstring& table : tables) {
      const udb_names_map::name_map* map = field_map_for(table);
      if (map == nullptr) continue;
      const match m = longest(*map, i);
      if (!m || m.length() < c.found.length()) continue;
      if (m.length() > c.found.length()) {
        c = {m, true, {}};
      } else if (*m.value != *c.found.value) {
        c.agreed = false;
        c.other = *m.value;
      }
    }
    return c;
  }

  // The column map of a table the text names by its source name. Maps are registered under the
  // destination name of a table; one registered under the source name is found as well.
  const udb_names_map::name_map* field_map_for(const std::wstring& table) const {
    std::wstring dest = table;
    for (const auto& [key, value] : names_.table_map) {
      if (udb_same_name(key, table)) {
        dest = value;
        break;
      }
    }
    const std::wstring* const candidates[] = {&dest, &table};
    for (const std::wstring* name : candidates) {
      for (const auto& [key, map] : names_.field_maps) {
        if (udb_same_name(key, *name)) return &map;
      }
    }
    return nullptr;
  }

  const alias_def* find_alias(const std::wstring& name, int level) const {
    for (; level >= 0; level = levels_[level].parent) {
      for (const alias_def& a : levels_[level].aliases) {
        if (udb_same_name(a.name, name)) return &a;
      }
    }
    return nullptr;
  }
  bool is_alias(const std::wstring& name, int level) const { return find_alias(name, level) != nullptr; }

  // The tables a qualifier stands for: an alias's table (a subquery's tables), else the table
  // of that name.
  std::vector<std::wstring> tables_named_by(const std::wstring& qualifier, int level) const {
    const alias_def* a = find_alias(qualifier, level);
    if (a == nullptr) return {qualifier};
    if (a->derived >= 0) return level_tables(a->derived);
    return {a->table};
  }

  // The tables a level reads, those read by the subqueries it reads from included.
  std::vector<std::wstring> level_tables(int level) const {
    std::vector<std::wstring> tables = levels_[level].tables;
    for (const alias_def& a : levels_[level].aliases) {
      if (a.derived >= 0) {
        for (std::wstring& t : level_tables(a.derived)) tables.push_back(std::move(t));
      }
    }
    return tables;
  }

  // The end of a table name in a FROM clause at token i: the longest table name known to the
  // map (names with blanks may stand unquoted), else 0.
  size_t known_table_end(size_t i) const {
    if (toks_[i].kind != piece::word) return 0;
    size_t end = 0;
    size_t length = 0;
    auto consider = [&](const std::wstring& key) {
      if (key.size() <= length) return;
      if (const size_t e = bare_name_end(key, i)) {
        end = e;
        length = key.size();
      }
    };
    for (const auto& entry : names_.table_map) consider(entry.first);
    for (const auto& entry : names_.field_maps) consider(entry.first);
    return end;
  }

  // Notes for every token its query level, and which tokens name a table or declare an alias
  // in a FROM clause.
  void read_levels() {
    struct open_paren {
      bool level;
      int outer;
      from_state state;
    };
    std::vector<open_paren> parens;
    levels_.assign(1, {});
    level_of_.assign(toks_.size(), 0);
    role_.assign(toks_.size(), role::none);
    ref_end_.assign(toks_.size(), 0);
    int cur = 0;
    from_state state = from_state::none;
    alias_def pending;  // what an alias after a table or subquery stands for

    for (size_t i = 0; i < toks_.size(); ++i) {
      level_of_[i] = cur;
      const piece kind = toks_[i].kind;
      if (kind == piece::blank || kind == piece::literal) continue;
      if (kind == piece::other) {
        const wchar_t c = t_[toks_[i].begin];
        if (c == L'(') {
          const bool subquery = is_word(next_non_blank(i + 1), L"SELECT");
          parens.push_back({subquery, cur, state});
          if (subquery) {
            levels_.push_back({cur, {}, {}});
            cur = static_cast<int>(levels_.size()) - 1;
            state = from_state::none;
          }
        } else if (c == L')') {
          if (parens.empty()) continue;
          const open_paren p = parens.back();
          parens.pop_back();
          if (!p.level) continue;
          const int inner = cur;
          cur = p.outer;
          state = p.state;
          if (state == from_state::table) {
            pending = {{}, {}, inner};
            state = from_state::alias;
          }
        } else if (c == L',') {
          if (state == from_state::alias || state == from_state::list) state = from_state::table;
        } else if (state == from_state::alias) {
          state = from_state::list;
        }
        continue;
      }
      // A table may be named like a keyword when its name has more words (Order Details).
      const size_t known_end = state == from_state::table ? known_table_end(i) : 0;
      if (kind == piece::word && known_end == 0) {
        const std::wstring_view word = text_of(i);
        if (udb_same_name(word, L"FROM") || udb_same_name(word, L"JOIN")) {
          state = from_state::table;
          continue;
        }
        if (udb_same_name(word, L"UNION")) {
          levels_.push_back({levels_[cur].parent, {}, {}});
          cur = static_cast<int>(levels_.size()) - 1;
          level_of_[i] = cur;
          state = from_state::none;
          continue;
        }
        if (udb_same_name(word, L"AS") && state == from_state::alias) continue;
        if (is_sql_keyword(word)) {
          const bool joins = udb_same_name(word, L"INNER") || udb_same_name(word, L"LEFT") ||
                             udb_same_name(word, L"RIGHT") || udb_same_name(word, L"OUTER") ||
                             udb_same_name(word, L"FULL") || udb_same_name(word, L"IN");
          state = joins && state != from_state::none ? from_state::list : from_state::none;
          continue;
        }
      }
      if (state == from_state::table) {
        const size_t end = known_end != 0 ? known_end : i + 1;
        const std::wstring table = name_of(i, end);
        levels_[cur].tables.push_back(table);
        role_[i] = role::table;
        ref_end_[i] = end;
        for (size_t j = i + 1; j < end; ++j) level_of_[j] = cur;
        pending = {{}, table, -1};
        state = from_state::alias;
        i = end - 1;
      } else if (state == from_state::alias) {
        pending.name = name_of(i, i + 1);
        levels_[cur].aliases.push_back(pending);
        role_[i] = role::alias;
        state = from_state::list;
      }
    }
  }

  const udb_names_map& names_;
  std::wstring_view t_;
  std::vector<token> toks_;
  std::vector<query_level> levels_;
  std::vector<int> level_of_;
  std::vector<role> role_;
  std::vector<size_t> ref_end_;
};

}  // namespace

int udb_find_no_case(const std::wstring& text, const std::wstring& pattern, int start) {
  if (start < 0 || static_cast<size_t>(start) > text.size()) return -1;
  if (pattern.size() > text.size() - start) return -1;
  if (pattern.empty()) return start;
  for (size_t p = start; p + pattern.size() <= text.size(); ++p)
    if (matches_at(text, p, pattern)) return static_cast<int>(p);
  return -1;
}

std::wstring udb_names_map::get_tn_mapped_name(const std::wstring& table, bool exact) const {
  tk_log2(tk_log_trace, L"udb_names_map::get_tn_mapped_name(%ls)", table.c_str());
  for (const auto& [key, value] : table_map) {
    tk_log2(tk_log_trace, L"Comparing with (%ls,%ls)", key.c_str(), value.c_str());
    if (is_same(key, table, exact)) {
      tk_log2(tk_log_trace, L"Got mapped name: %ls", value.c_str());
      return value;
    }
  }
  return table;
}

const udb_names_map::name_map* udb_names_map::field_map_of(const std::wstring& table) const {
  auto it = field_maps.find(table);
  if (it != field_maps.end()) return &it->second;
  tk_log2(tk_log_trace, L"Table '%ls' not found", table.c_str());
  return nullptr;
}

std::wstring udb_names_map::get_fn_mapped_name(const std::wstring& table, const std::wstring& field, bool exact) const {
  tk_log2(tk_log_trace, L"udb_names_map::get_fn_mapped_name(%ls,%ls)", table.c_str(), field.c_str());
  if (const name_map* fields = field_map_of(table)) {
    for (const auto& [key, value] : *fields) {
      if (is_same(key, field, exact)) {
        tk_log2(tk_log_trace, L"Got mapped name: %ls", value.c_str());
        return value;
      }
    }
  }
  return field;
}

std::wstring udb_names_map::get_fn_orig_name(const std::wstring& table, const std::wstring& dest_field) const {
  tk_log2(tk_log_trace, L"udb_names_map::get_fn_orig_name(%ls,%ls)", table.c_str(), dest_field.c_str());
  if (const name_map* fields = field_map_of(table)) {
    for (const auto& [key, value] : *fields) {
      if (value == dest_field) {
        tk_log2(tk_log_trace, L"Got orignal name: %ls", key.c_str());
        return key;
      }
    }
  }
  return dest_field;
}

void udb_names_map::add_tn_mapping(const std::wstring& source_table, const std::wstring& dest_table) {
  table_map.insert_or_assign(source_table, dest_table);
}

void udb_names_map::add_fn_map(const std::wstring& table, const name_map& field_map) {
  tk_log2(tk_log_detail, L"udb_names_map::add_fn_map(%ls)", table.c_str());
  field_maps.insert_or_assign(table, field_map);
}

std::wstring udb_names_map::do_global_replace1(const std::wstring& text, const std::wstring& prefix,
                                               const std::wstring& suffix) const {
  tk_log2(tk_log_detail, L"udb_names_map::do_global_replace1(%ls)", text.c_str());
  return name_rewriter(*this, text).replace_in_context(prefix, suffix);
}

std::wstring udb_names_map::do_global_replace2(const std::wstring& text, const name_map& map,
                                               const std::wstring& prefix, const std::wstring& suffix) const {
  tk_log2(tk_log_detail, L"udb_names_map::do_global_replace2(%ls)", text.c_str());
  return name_rewriter(*this, text).replace_from(map, prefix, suffix);
}
