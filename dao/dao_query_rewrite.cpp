// Query SQL from Access towards MySQL.
#include "dao/dao_query_rewrite.h"

#include "platform/win/string_compare.h"

namespace {

// Where a character of Jet SQL stands: in plain text, a quoted string or a bracketed name.
enum class sql_state { plain, single_quoted, double_quoted, bracketed };

sql_state after(sql_state s, wchar_t c) {
  switch (s) {
    case sql_state::plain:
      if (c == L'\'') return sql_state::single_quoted;
      if (c == L'"') return sql_state::double_quoted;
      if (c == L'[') return sql_state::bracketed;
      return s;
    // A doubled quote inside a literal closes and reopens it: the state comes out right.
    case sql_state::single_quoted: return c == L'\'' ? sql_state::plain : s;
    case sql_state::double_quoted: return c == L'"' ? sql_state::plain : s;
    case sql_state::bracketed: return c == L']' ? sql_state::plain : s;
  }
  return s;
}

bool matches_at(const std::wstring& text, std::size_t at, const std::wstring& pattern) {
  if (pattern.empty() || at + pattern.size() > text.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (fold_case(text[at + i]) != fold_case(pattern[i])) return false;
  return true;
}

bool is_word_char(wchar_t c) { return IsCharAlphaNumericW(c) || c == L'_'; }

bool is_gap(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Rebuilds the text, replacing at each position where `wanted` accepts a match of `pattern`.
template <class Accept>
void replace_where(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement, Accept wanted) {
  std::wstring out;
  out.reserve(text.size());
  sql_state state = sql_state::plain;
  std::size_t i = 0;
  while (i < text.size()) {
    if (matches_at(text, i, pattern) && wanted(state, i)) {
      out += replacement;
      for (wchar_t c : replacement) state = after(state, c);
      i += pattern.size();
      continue;
    }
    out += text[i];
    state = after(state, text[i]);
    ++i;
  }
  text = std::move(out);
}

}  // namespace

void dao_replace_all(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement) {
  // Text inside a bracketed name is the name itself and stays as it is; only a pattern that
  // begins with the closing bracket ("]![" joins two bracketed names) may start there.
  const bool starts_at_close = !pattern.empty() && pattern.front() == L']';
  replace_where(text, pattern, replacement, [starts_at_close](sql_state s, std::size_t) {
    return s == sql_state::plain || (s == sql_state::bracketed && starts_at_close);
  });
}

void dao_replace_function(std::wstring& text, const std::wstring& name, const std::wstring& replacement) {
  const std::wstring& t = text;
  replace_where(text, name, replacement, [&](sql_state s, std::size_t at) {
    if (s != sql_state::plain) return false;
    if (at > 0 && is_word_char(t[at - 1])) return false;
    std::size_t next = at + name.size();
    if (next < t.size() && is_word_char(t[next])) return false;
    while (next < t.size() && is_gap(t[next])) ++next;
    return next < t.size() && t[next] == L'(';
  });
}

std::wstring dao_rewrite_query_sql(const std::wstring& sql) {
  // Access function names and the MySQL functions that do the same. Len counts characters:
  // MySQL's LENGTH would count bytes.
  static const struct {
    const wchar_t* access;
    const wchar_t* mysql;
  } functions[] = {
      {L"alike", L"like"},   {L"asc", L"ascii"},      {L"chr", L"char"},     {L"clng", L"round"},
      {L"iif", L"if"},       {L"lcase", L"lower"},    {L"left$", L"left"},   {L"len", L"char_length"},
      {L"mid$", L"mid"},     {L"nz", L"ifnull"},      {L"right$", L"right"}, {L"sqr", L"sqrt"},
      {L"stdev", L"stddev"}, {L"strcomp", L"strcmp"}, {L"ucase", L"upper"},
  };
  std::wstring text = sql;
  dao_replace_all(text, L"]![", L"].[");
  for (const auto& f : functions) dao_replace_function(text, f.access, f.mysql);
  dao_replace_all(text, L"<>", L"!=");
  dao_replace_all(text, L"WITH OWNERACCESS OPTION", L"");
  return text;
}
