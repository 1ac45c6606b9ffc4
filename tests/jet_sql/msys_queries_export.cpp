// Runs mdb-export over MSysObjects and MSysQueries and parses its CSV output.
#include "tests/jet_sql/msys_queries_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace {

// mdb-export's CSV: text in double quotes (doubled inside), Null as the bare word NULL,
// line ends inside quoted texts kept.
using csv_row = std::vector<std::optional<std::string>>;

std::vector<csv_row> parse_csv(const std::string& text) {
  std::vector<csv_row> rows;
  csv_row row;
  std::string field;
  bool quoted = false, in_quotes = false;
  auto end_field = [&] {
    if (!quoted && field == "NULL")
      row.push_back(std::nullopt);
    else
      row.push_back(field);
    field.clear();
    quoted = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (in_quotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        in_quotes = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      in_quotes = quoted = true;
    } else if (c == ',') {
      end_field();
    } else if (c == '\n') {
      end_field();
      rows.push_back(std::move(row));
      row.clear();
    } else {
      field += c;
    }
  }
  return rows;
}

std::vector<csv_row> export_table(const std::string& path, const std::string& table) {
  std::string command = "mdb-export -b strip -0 NULL '" + path + "' " + table;
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (pclose(pipe) != 0) ADD_FAILURE() << "failed: " << command;
  } else {
    ADD_FAILURE() << "cannot run: " << command;
  }
  auto rows = parse_csv(out);
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

std::optional<std::wstring> wide(const std::optional<std::string>& s) {
  if (!s) return std::nullopt;
  return from_utf8(*s);
}

int number(const std::optional<std::string>& s) { return s ? std::stoi(*s) : 0; }

}  // namespace

std::wstring from_utf8(const std::string& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    wchar_t w = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < s.size(); ++k) w = (w << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += w;
    i += 1 + extra;
  }
  return out;
}

std::map<std::wstring, std::vector<jet_query_row>> export_saved_queries(const std::string& path) {
  // MSysObjects: Id, ParentId, Name, Type, ...; saved queries have Type 5.
  std::map<int, std::wstring> names;
  for (const auto& r : export_table(path, "MSysObjects"))
    if (r.size() > 3 && number(r[3]) == 5) names[number(r[0])] = *wide(r[2]);

  // MSysQueries: ObjectId, Attribute, Order, Name1, Name2, Expression, Flag[, LvExtra].
  std::map<std::wstring, std::vector<jet_query_row>> queries;
  for (const auto& r : export_table(path, "MSysQueries")) {
    if (r.size() < 7) continue;
    jet_query_row row;
    row.object_id = number(r[0]);
    row.attribute = number(r[1]);
    row.name1 = wide(r[3]);
    row.name2 = wide(r[4]);
    row.expression = wide(r[5]);
    if (r[6]) row.flag = number(r[6]);
    auto name = names.find(row.object_id);
    if (name != names.end()) queries[name->second].push_back(std::move(row));
  }
  return queries;
}
