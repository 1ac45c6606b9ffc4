// Runs the mdbtools programs and parses mdb-export's CSV output.
#include "tests/jet_sql/mdbtools_export.h"

#include <gtest/gtest.h>

#include "platform/jet/sql/jet_text.h"
#include "tests/support/test_shell.h"

std::vector<csv_row> parse_mdb_csv(const std::string& text) {
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


namespace {

std::vector<csv_row> export_table(const std::string& path, const std::string& table) {
  auto rows = parse_mdb_csv(test_env::checked_output("mdb-export -b strip -0 NULL '" + path + "' " + table));
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

std::optional<std::wstring> wide(const std::optional<std::string>& s) {
  if (!s) return std::nullopt;
  return jet_from_utf8(*s);
}

int number(const std::optional<std::string>& s) { return s ? std::stoi(*s) : 0; }

}  // namespace

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
