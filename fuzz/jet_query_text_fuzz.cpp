// Rebuilds the SQL text of a saved query from arbitrary MSysQueries rows. The input is text, one
// row a line: Attribute, Flag, Name1, Name2 and Expression separated by tabs, an empty field
// being Null; "\n", "\r", "\t" and "\\" stand for those characters. A first line "jet3" asks for
// Jet 3's wording. make_seeds.sh writes the saved queries of the test files in this form.
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/jet/sql/jet_query_text.h"

namespace {

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> parts(1);
  for (const wchar_t c : text) {
    if (c == separator)
      parts.emplace_back();
    else
      parts.back().push_back(c);
  }
  return parts;
}

std::wstring unescape(const std::wstring& field) {
  std::wstring out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] != L'\\' || i + 1 == field.size()) {
      out.push_back(field[i]);
      continue;
    }
    const wchar_t c = field[++i];
    out.push_back(c == L'n' ? L'\n' : c == L'r' ? L'\r' : c == L't' ? L'\t' : c);
  }
  return out;
}

std::optional<int> number(const std::wstring& field) {
  if (field.empty()) return std::nullopt;
  // Any integer, overflow wrapped: MSysQueries holds 32-bit values and the rows are untrusted.
  return static_cast<int>(std::wcstoll(field.c_str(), nullptr, 10));
}

std::optional<std::wstring> text(const std::wstring& field) {
  if (field.empty()) return std::nullopt;
  return unescape(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::wstring> lines = split(fuzz_wide_text(data, size), L'\n');
  jet_text_dialect dialect = jet_text_dialect::jet4;
  if (!lines.empty() && lines.front() == L"jet3") {
    dialect = jet_text_dialect::jet3;
    lines.erase(lines.begin());
  }
  std::vector<jet_query_row> rows;
  for (const std::wstring& line : lines) {
    if (line.empty()) continue;
    std::vector<std::wstring> fields = split(line, L'\t');
    fields.resize(5);
    jet_query_row r;
    r.attribute = number(fields[0]).value_or(0);
    r.flag = number(fields[1]);
    r.name1 = text(fields[2]);
    r.name2 = text(fields[3]);
    r.expression = text(fields[4]);
    rows.push_back(std::move(r));
  }
  jet_query_sql(rows, dialect);
  return 0;
}
