// Runs the mdbtools programs and parses mdb-export's CSV output.
#include "tests/jet_sql/mdbtools_export.h"

#include "platform/jet/sql/jet_sql_text.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_shell.h"

namespace {

using test_env::csv_row;
using test_env::parse_mdb_csv;

std::vector<csv_row> export_table(const std::string& path, const std::string& table) {
  auto rows = parse_mdb_csv(
      test_env::checked_output("mdb-export -b strip -0 NULL " + test_env::shell_quote(path) + " " + table));
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
