// The independent reader of the Access files.
#include "tests/console/access_reader.h"

#include <gtest/gtest.h>

#include "tests/console/program_run.h"

namespace console_test {

namespace {

// mdb-export's CSV: commas, values with text in double quotes (a quote inside doubled, line
// breaks kept), rows ending in LF.
std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string value;
  bool quoted = false;
  bool any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        value += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        value += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
      any = true;
    } else if (c == ',') {
      row.push_back(value);
      value.clear();
    } else if (c == '\n') {
      row.push_back(value);
      rows.push_back(row);
      row.clear();
      value.clear();
      any = false;
    } else {
      value += c;
      any = true;
    }
  }
  if (any || !row.empty()) {
    row.push_back(value);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

access_table mdb_export(const std::string& file, const std::string& table) {
  const program_result r = run("mdb-export", {"-b", "strip", file, table});
  EXPECT_EQ(r.exit_code, 0) << "mdb-export " << file << " " << table << ": " << r.err;
  access_table result;
  std::vector<std::vector<std::string>> rows = parse_csv(r.out);
  if (rows.empty()) return result;
  result.header = rows.front();
  result.rows.assign(rows.begin() + 1, rows.end());
  return result;
}

}  // namespace console_test
