// Foreign keys out of the text of SHOW CREATE TABLE.
#include "SQL/sql_fk_parser.h"

#include <algorithm>
#include <cctype>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

// One past the closing backtick of the name that opens at pos; a doubled backtick is one
// backtick of the name. An unclosed name runs to the end of the line.
size_t name_end(const std::string& line, size_t pos) {
  size_t i = pos + 1;
  while (i < line.size()) {
    if (line[i] != '`') {
      ++i;
    } else if (i + 1 < line.size() && line[i + 1] == '`') {
      i += 2;
    } else {
      return i + 1;
    }
  }
  return line.size();
}

bool matches_no_case(const std::string& line, size_t at, const std::string& needle) {
  if (at + needle.size() > line.size()) return false;
  for (size_t k = 0; k < needle.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(line[at + k])) != std::tolower(static_cast<unsigned char>(needle[k])))
      return false;
  return true;
}

// Position of needle in line at or after start, ignoring ASCII case, outside backticked names:
// a name may hold ")", "REFERENCES " or any other text of the statement. npos when absent.
size_t find_outside_names(const std::string& line, const std::string& needle, size_t start = 0) {
  size_t i = start;
  while (i < line.size()) {
    if (line[i] == '`') {
      i = name_end(line, i);
    } else if (matches_no_case(line, i, needle)) {
      return i;
    } else {
      ++i;
    }
  }
  return std::string::npos;
}

std::string slice(const std::string& line, size_t from, size_t to) {
  if (from >= line.size() || to <= from) return {};
  return line.substr(from, std::min(to, line.size()) - from);
}

}  // namespace

sql_fk_parser::sql_fk_parser(const std::wstring& table, const std::string& create_table)
    : table_(table), lines_(tk_split(create_table, '\n')) {
  tk_log1(tk_log_detail, "sql_fk_parser::ctor(%s)", create_table.c_str());
}

bool sql_fk_parser::get_columns(const std::wstring& text, std::vector<std::wstring>& columns) {
  tk_log1(tk_log_trace, "sql_fk_parser::get_columns");
  bool inside = false;
  std::wstring name;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c != L'`') {
      if (inside) name += c;
      continue;
    }
    if (inside && i + 1 < text.size() && text[i + 1] == L'`') {
      // The server doubles a backtick that belongs to the name.
      name += L'`';
      ++i;
      continue;
    }
    inside = !inside;
    if (!inside) {
      tk_log2(tk_log_trace, L"GOT FK COLUMN: %ls", name.c_str());
      columns.push_back(name);
      name.clear();
    }
  }
  return true;
}

void sql_fk_parser::do_parse(udb_relationships& relationships) const {
  tk_log1(tk_log_detail, "sql_fk_parser::do_parse");
  tk_log1(tk_log_trace, "Got %d chunks", static_cast<int>(lines_.size()));
  for (size_t n = 0; n < lines_.size(); ++n) {
    tk_log1(tk_log_trace, "Processing FK chunk #%d", static_cast<int>(n));
    const std::string line = tk_trim(lines_[n]);
    const size_t c = find_outside_names(line, "CONSTRAINT ");
    if (c == std::string::npos) {
      tk_log1(tk_log_trace, "CONSTRAINT is not found");
      continue;
    }
    tk_log1(tk_log_trace, "CONSTRAINT is found at position %d", static_cast<int>(c));
    const size_t f = find_outside_names(line, " FOREIGN KEY", c);
    if (f == std::string::npos) {
      tk_log1(tk_log_trace, "FOREIGN KEY is not found");
      continue;
    }
    tk_log1(tk_log_trace, "FOREIGN KEY is found at position %d", static_cast<int>(f));
    // The name keeps its quoting so that get_columns reads a name holding backticks right.
    const std::string name_text = tk_trim(slice(line, c + 11, f));
    const size_t r = find_outside_names(line, "REFERENCES ", f);
    if (r == std::string::npos) {
      tk_log1(tk_log_trace, "REFERENCES is not found");
      continue;
    }
    const std::string columns_text = tk_trim(slice(line, f + 12, r));
    tk_log1(tk_log_trace, "Got FK columns: %s", columns_text.c_str());
    // The referenced table: its backticked name (a name may hold blanks and parentheses).
    size_t pos = r + 11;
    while (pos < line.size() && line[pos] == ' ') ++pos;
    size_t table_end = pos;
    if (pos < line.size() && line[pos] == '`') {
      table_end = name_end(line, pos);
    } else {
      while (table_end < line.size() && line[table_end] != '(' && line[table_end] != ' ') ++table_end;
    }
    const std::string table_text = slice(line, pos, table_end);
    const size_t open = find_outside_names(line, "(", table_end);
    if (open == std::string::npos) {
      tk_log1(tk_log_trace, "REFERENCES is not found");
      continue;  // no referenced columns: not a foreign key this reader understands
    }
    const size_t close = find_outside_names(line, ")", open + 1);
    const std::string ref_columns_text =
        tk_trim(slice(line, open + 1, close == std::string::npos ? line.size() : close));
    tk_log1(tk_log_trace, "Got PK columns: %s", ref_columns_text.c_str());
    std::string rule = close == std::string::npos ? std::string() : slice(line, close + 1, line.size());
    if (!rule.empty() && rule.back() == ',') rule.pop_back();
    rule = tk_trim(rule);
    tk_log1(tk_log_trace, "Got FK rule: %s", rule.c_str());

    std::vector<std::wstring> names, table_names, columns, ref_columns;
    const std::wstring wide_name = tk_utf8_to_unicode(name_text);
    const std::wstring wide_table = tk_utf8_to_unicode(table_text);
    get_columns(wide_name, names);
    get_columns(wide_table, table_names);
    get_columns(tk_utf8_to_unicode(columns_text), columns);
    get_columns(tk_utf8_to_unicode(ref_columns_text), ref_columns);
    const std::wstring name = names.empty() ? wide_name : names.front();
    const std::wstring ref_table = table_names.empty() ? wide_table : table_names.front();
    tk_log2(tk_log_trace, L"Got FK name: %ls", name.c_str());
    tk_log2(tk_log_trace, L"Got PK table: %ls", ref_table.c_str());
    relationships.emplace_back(name, std::wstring(), table_, ref_table, columns, ref_columns, tk_utf8_to_unicode(rule));
  }
}
