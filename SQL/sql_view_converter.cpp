// Text rewrites of Access query texts into MySQL view bodies.
// Works on wide text; a scanner skips literals so that data inside them is never rewritten.
#include "SQL/sql_view_converter.h"

#include <cstddef>
#include <vector>

namespace {

bool is_word_char(wchar_t c) {
  // Non-ASCII letters belong to names; only ASCII punctuation and blanks end a word.
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'$' ||
         c > 0x7F;
}

wchar_t ascii_lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; }

bool equals_no_case(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

// When text[pos] opens a literal or a quoted name, the position just past its end (or the end
// of the text when it is not closed); otherwise pos itself. A doubled quote inside a literal
// stands for one quote character.
std::size_t skip_quoted(const std::wstring& text, std::size_t pos) {
  const wchar_t open = text[pos];
  if (open != L'\'' && open != L'"' && open != L'`' && open != L'#') return pos;
  std::size_t i = pos + 1;
  while (i < text.size()) {
    if (text[i] == open) {
      if (open != L'#' && i + 1 < text.size() && text[i + 1] == open) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return text.size();
}

struct call_args {
  bool closed = false;             // a matching ")" was found
  std::size_t close = 0;           // position of that ")"
  std::vector<std::size_t> begin;  // first character of each argument
  std::vector<std::size_t> end;    // one past the last character of each argument
};

// Splits the argument list of the call whose "(" stands at open_pos: commas at depth one,
// outside literals, separate the arguments.
call_args split_call(const std::wstring& text, std::size_t open_pos) {
  call_args args;
  int depth = 0;
  std::size_t arg_start = open_pos + 1;
  std::size_t i = open_pos;
  while (i < text.size()) {
    const std::size_t after = skip_quoted(text, i);
    if (after != i) {
      i = after;
      continue;
    }
    const wchar_t c = text[i];
    if (c == L'(') {
      ++depth;
    } else if (c == L')') {
      if (--depth == 0) {
        args.begin.push_back(arg_start);
        args.end.push_back(i);
        args.closed = true;
        args.close = i;
        return args;
      }
    } else if (c == L',' && depth == 1) {
      args.begin.push_back(arg_start);
      args.end.push_back(i);
      arg_start = i + 1;
    }
    ++i;
  }
  return args;
}

// Position of the "(" that follows the word ending at word_end, allowing blanks between them;
// npos when the word is not followed by a parenthesis.
std::size_t call_paren(const std::wstring& text, std::size_t word_end) {
  std::size_t i = word_end;
  while (i < text.size() && text[i] == L' ') ++i;
  return (i < text.size() && text[i] == L'(') ? i : std::wstring::npos;
}

std::wstring trimmed(const std::wstring& text, std::size_t begin, std::size_t end) {
  while (begin < end && text[begin] == L' ') ++begin;
  while (end > begin && text[end - 1] == L' ') --end;
  return text.substr(begin, end - begin);
}

// The MySQL unit of an Access DateDiff interval literal ("d", 'yyyy', ...); null when the
// argument is not one of them.
const wchar_t* timestampdiff_unit(const std::wstring& interval) {
  if (interval.size() < 3) return nullptr;
  const wchar_t q = interval.front();
  if ((q != L'"' && q != L'\'') || interval.back() != q) return nullptr;
  const std::wstring code = interval.substr(1, interval.size() - 2);
  static const struct {
    const wchar_t* access;
    const wchar_t* mysql;
  } units[] = {
      {L"yyyy", L"YEAR"}, {L"q", L"QUARTER"}, {L"m", L"MONTH"}, {L"y", L"DAY"},    {L"d", L"DAY"},
      {L"w", L"WEEK"},    {L"ww", L"WEEK"},   {L"h", L"HOUR"},  {L"n", L"MINUTE"}, {L"s", L"SECOND"},
  };
  for (const auto& unit : units) {
    if (equals_no_case(code, unit.access)) return unit.mysql;
  }
  return nullptr;
}

}  // namespace

std::wstring sql_view_converter::collapse_blanks(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  bool in_single = false;
  bool in_double = false;
  bool last_blank = false;
  for (const wchar_t c : text) {
    if (!in_single && !in_double && (c == L'\r' || c == L'\n' || c == L'\t' || c == L' ')) {
      if (!last_blank) out.push_back(L' ');
      last_blank = true;
      continue;
    }
    last_blank = false;
    if (c == L'\'' && !in_double) in_single = !in_single;
    if (c == L'"' && !in_single) in_double = !in_double;
    out.push_back(c);
  }
  return out;
}

bool sql_view_converter::check_isnull_for_replace(const std::wstring& text, long pos) {
  if (pos < 0 || static_cast<std::size_t>(pos) >= text.size()) return false;
  std::size_t word_end = static_cast<std::size_t>(pos);
  while (word_end < text.size() && is_word_char(text[word_end])) ++word_end;
  const std::size_t paren = call_paren(text, word_end);
  if (paren == std::wstring::npos) return false;
  const call_args args = split_call(text, paren);
  return args.closed && args.begin.size() == 2;
}

std::wstring sql_view_converter::brackets_to_backticks(const std::wstring& text) {
  std::wstring out = text;
  std::size_t i = 0;
  while (i < out.size()) {
    if (out[i] != L'`') {
      const std::size_t after = skip_quoted(out, i);
      if (after != i) {
        i = after;
        continue;
      }
    }
    if (out[i] == L'[' || out[i] == L']') out[i] = L'`';
    ++i;
  }
  return out;
}

std::wstring sql_view_converter::rewrite_functions(const std::wstring& text) {
  std::wstring out = text;
  std::size_t i = 0;
  while (i < out.size()) {
    const std::size_t after = skip_quoted(out, i);
    if (after != i) {
      i = after;
      continue;
    }
    // A word that follows a point is a qualified name (t.len), never a function of ours.
    if (!is_word_char(out[i]) || (i > 0 && (is_word_char(out[i - 1]) || out[i - 1] == L'.'))) {
      ++i;
      continue;
    }
    std::size_t word_end = i;
    while (word_end < out.size() && is_word_char(out[word_end])) ++word_end;
    const std::wstring word = out.substr(i, word_end - i);
    const std::size_t paren = call_paren(out, word_end);
    if (paren == std::wstring::npos) {
      i = word_end;
      continue;
    }
    const wchar_t* two_arg_rename = nullptr;
    if (equals_no_case(word, L"isnull")) two_arg_rename = L"ifnull";
    if (equals_no_case(word, L"dateadd")) two_arg_rename = L"date_add";
    if (equals_no_case(word, L"replicate")) two_arg_rename = L"repeat";

    std::wstring replacement;
    if (two_arg_rename != nullptr) {
      if (check_isnull_for_replace(out, static_cast<long>(i))) replacement = two_arg_rename;
    } else if (equals_no_case(word, L"getdate")) {
      replacement = L"curdate";
    } else if (equals_no_case(word, L"len")) {
      replacement = L"CHAR_LENGTH";
    } else if (equals_no_case(word, L"datediff")) {
      // Access counts from the second argument to the third in the interval's unit, as
      // TIMESTAMPDIFF does; MySQL's DATEDIFF would drop the unit and count days.
      const call_args args = split_call(out, paren);
      const wchar_t* unit = nullptr;
      if (args.closed && args.begin.size() == 3) {
        unit = timestampdiff_unit(trimmed(out, args.begin[0], args.end[0]));
      }
      if (unit != nullptr) {
        const std::wstring head = std::wstring(L"TIMESTAMPDIFF(") + unit;
        out.replace(i, args.end[0] - i, head);
        i += head.size();
        continue;
      }
    }
    if (!replacement.empty()) {
      out.replace(i, word.size(), replacement);
      i += replacement.size();
    } else {
      i = word_end;
    }
  }
  return out;
}

namespace {

std::wstring fold(std::wstring name) {
  for (wchar_t& c : name) c = ascii_lower(c);
  return name;
}

// Every name the text mentions outside literals, folded: bare words, [bracketed] and
// `backticked` names.
std::vector<std::wstring> mentioned_names(const std::wstring& text) {
  std::vector<std::wstring> names;
  std::size_t i = 0;
  while (i < text.size()) {
    const wchar_t c = text[i];
    if (c == L'[' || c == L'`') {
      const wchar_t close = c == L'[' ? L']' : L'`';
      const std::size_t end = text.find(close, i + 1);
      if (end == std::wstring::npos) break;
      names.push_back(fold(text.substr(i + 1, end - i - 1)));
      i = end + 1;
      continue;
    }
    const std::size_t after = skip_quoted(text, i);
    if (after != i) {
      i = after;
      continue;
    }
    if (is_word_char(c)) {
      std::size_t end = i;
      while (end < text.size() && is_word_char(text[end])) ++end;
      names.push_back(fold(text.substr(i, end - i)));
      i = end;
      continue;
    }
    ++i;
  }
  return names;
}

}  // namespace

std::vector<std::size_t> sql_view_converter::dependency_order(
    const std::vector<std::pair<std::wstring, std::wstring>>& views) {
  const std::size_t n = views.size();
  std::vector<std::wstring> folded_names(n);
  for (std::size_t v = 0; v < n; ++v) folded_names[v] = fold(views[v].first);

  // depends[v] lists the other views that view v selects from.
  std::vector<std::vector<std::size_t>> depends(n);
  for (std::size_t v = 0; v < n; ++v) {
    const std::vector<std::wstring> names = mentioned_names(views[v].second);
    for (std::size_t w = 0; w < n; ++w) {
      if (w == v) continue;
      for (const std::wstring& name : names) {
        if (name == folded_names[w]) {
          depends[v].push_back(w);
          break;
        }
      }
    }
  }

  // Repeatedly take the first view, in list order, whose dependencies are all placed.
  std::vector<std::size_t> order;
  std::vector<bool> placed(n, false);
  while (order.size() < n) {
    bool progress = false;
    for (std::size_t v = 0; v < n; ++v) {
      if (placed[v]) continue;
      bool ready = true;
      for (const std::size_t w : depends[v]) ready = ready && placed[w];
      if (!ready) continue;
      order.push_back(v);
      placed[v] = true;
      progress = true;
      break;
    }
    if (!progress) {
      // A cycle: no order can satisfy it, so the rest keep their places.
      for (std::size_t v = 0; v < n; ++v) {
        if (!placed[v]) {
          order.push_back(v);
          placed[v] = true;
        }
      }
    }
  }
  return order;
}
