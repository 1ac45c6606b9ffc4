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

std::wstring framed(const std::wstring& value, const std::wstring& prefix,
                    const std::wstring& suffix) {
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
      L"ALL",      L"AND",        L"ANY",     L"AS",          L"ASC",      L"BETWEEN", L"BY",
      L"DELETE",   L"DESC",       L"DISTINCT", L"DISTINCTROW", L"EQV",     L"EXISTS",  L"FROM",
      L"FULL",     L"GROUP",      L"HAVING",  L"IMP",         L"IN",       L"INNER",   L"INSERT",
      L"INTO",     L"IS",         L"JOIN",    L"LEFT",        L"LIKE",     L"MOD",     L"NOT",
      L"NULL",     L"ON",         L"OPTION",  L"OR",          L"ORDER",    L"OUTER",   L"OWNERACCESS",
      L"PARAMETERS", L"PERCENT",  L"PIVOT",   L"RIGHT",       L"SELECT",   L"SET",     L"SOME",
      L"TOP",      L"TRANSFORM",  L"UNION",   L"UPDATE",      L"VALUES",   L"WHERE",   L"WITH",
      L"XOR"};
  for (const wchar_t* keyword : kKeywords)
    if (udb_same_name(word, keyword)) return true;
  return false;
}

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
  tk_log2(1, L"udb_names_map::get_tn_mapped_name(%ls)", table.c_str());
  for (const auto& [key, value] : table_map) {
    tk_log2(1, L"Comparing with (%ls,%ls)", key.c_str(), value.c_str());
    if (is_same(key, table, exact)) {
      tk_log2(1, L"Got mapped name: %ls", value.c_str());
      return value;
    }
  }
  return table;
}

const udb_names_map::name_map* udb_names_map::field_map_of(const std::wstring& table) const {
  auto it = field_maps.find(table);
  if (it != field_maps.end()) return &it->second;
  tk_log2(1, L"Table '%ls' not found", table.c_str());
  return nullptr;
}

std::wstring udb_names_map::get_fn_mapped_name(const std::wstring& table, const std::wstring& field,
                                               bool exact) const {
  tk_log2(1, L"udb_names_map::get_fn_mapped_name(%ls,%ls)", table.c_str(), field.c_str());
  if (const name_map* fields = field_map_of(table)) {
    for (const auto& [key, value] : *fields) {
      if (is_same(key, field, exact)) {
        tk_log2(1, L"Got mapped name: %ls", value.c_str());
        return value;
      }
    }
  }
  return field;
}

std::wstring udb_names_map::get_fn_orig_name(const std::wstring& table,
                                             const std::wstring& dest_field) const {
  tk_log2(1, L"udb_names_map::get_fn_orig_name(%ls,%ls)", table.c_str(), dest_field.c_str());
  if (const name_map* fields = field_map_of(table)) {
    for (const auto& [key, value] : *fields) {
      if (value == dest_field) {
        tk_log2(1, L"Got orignal name: %ls", key.c_str());
        return key;
      }
    }
  }
  return dest_field;
}

void udb_names_map::add_tn_mapping(const std::wstring& source_table,
                                   const std::wstring& dest_table) {
  table_map.insert_or_assign(source_table, dest_table);
}

void udb_names_map::add_fn_map(const std::wstring& table, const name_map& field_map) {
  tk_log2(2, L"udb_names_map::add_fn_map(%ls)", table.c_str());
  field_maps.insert_or_assign(table, field_map);
}

std::wstring udb_names_map::do_global_replace1(const std::wstring& text, const std::wstring& prefix,
                                               const std::wstring& suffix) const {
  tk_log2(2, L"udb_names_map::do_global_replace1(%ls)", text.c_str());
  // Table names take precedence over column names spelt the same way.
  std::vector<const name_map*> maps{&table_map};
  for (const auto& entry : field_maps) maps.push_back(&entry.second);
  return replace_names(text, maps, prefix, suffix);
}

std::wstring udb_names_map::do_global_replace2(const std::wstring& text, const name_map& map,
                                               const std::wstring& prefix,
                                               const std::wstring& suffix) const {
  tk_log2(2, L"udb_names_map::do_global_replace2(%ls)", text.c_str());
  return replace_names(text, {&map}, prefix, suffix);
}

std::wstring udb_names_map::replace_names(const std::wstring& text,
                                          const std::vector<const name_map*>& maps,
                                          const std::wstring& prefix,
                                          const std::wstring& suffix) const {
  const std::wstring_view t(text);
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < t.size()) {
    const wchar_t c = t[i];
    const bool word_start = i == 0 || !udb_is_alnum(t[i - 1]);

    // The longest mapped name standing as a whole word here; an earlier map wins a tie.
    if (word_start) {
      const std::wstring* best_value = nullptr;
      size_t best_length = 0;
      for (const name_map* map : maps) {
        for (const auto& [key, value] : *map) {
          if (key.size() <= best_length || !matches_at(t, i, key)) continue;
          const size_t after = i + key.size();
          if (after < t.size() && udb_is_alnum(t[after])) continue;
          if (is_function_call(t, after) || is_sql_keyword(key)) continue;
          tk_log2(1, L"'%ls' was found at pos=%d", key.c_str(), static_cast<int>(i));
          best_value = &value;
          best_length = key.size();
        }
      }
      if (best_value != nullptr) {
        out += framed(*best_value, prefix, suffix);
        i += best_length;
        continue;
      }
    }

    // Literals are copied untouched: text in quotes, dates between "#" marks.
    if (c == L'\'' || c == L'"') {
      const size_t end = end_of_quoted(t, i, c, true);
      out.append(t.substr(i, end - i));
      i = end;
      continue;
    }
    if (c == L'#' && word_start) {
      const size_t close = t.find(L'#', i + 1);
      if (close != std::wstring_view::npos) {
        out.append(t.substr(i, close + 1 - i));
        i = close + 1;
        continue;
      }
    }

    // A quoted name is one token: replaced whole, or copied as it stands.
    if (c == L'[' || c == L'`') {
      const wchar_t close = c == L'[' ? L']' : L'`';
      const size_t end = end_of_quoted(t, i, close, c == L'`');
      if (end - i < 2 || t[end - 1] != close) {  // unclosed: nothing more to rewrite
        out.append(t.substr(i));
        break;
      }
      const std::wstring_view inner = t.substr(i + 1, end - i - 2);
      const std::wstring* value = nullptr;
      for (const name_map* map : maps) {
        for (const auto& [key, v] : *map) {
          if (udb_same_name(key, inner)) {
            value = &v;
            break;
          }
        }
        if (value != nullptr) break;
      }
      if (value != nullptr)
        out += framed(*value, prefix, suffix);
      else
        out.append(t.substr(i, end - i));
      i = end;
      continue;
    }

    out += c;
    ++i;
  }
  return out;
}
