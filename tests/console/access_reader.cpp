// The independent reader of the Access files.
#include "tests/console/access_reader.h"

#include <gtest/gtest.h>

#include "tests/console/program_run.h"
#include "tests/support/test_mdbtools.h"

namespace console_test {

access_table mdb_export(const std::string& file, const std::string& table) {
  const program_result r = run("mdb-export", {"-b", "strip", file, table});
  EXPECT_EQ(r.exit_code, 0) << "mdb-export " << file << " " << table << ": " << r.err;
  access_table result;
  const std::vector<test_env::csv_row> csv = test_env::parse_mdb_csv(r.out);
  for (std::size_t i = 0; i < csv.size(); ++i) {
    // Without -0, Null is written as nothing; a bare NULL can only be that word itself.
    std::vector<std::string> row;
    for (const auto& value : csv[i]) row.push_back(value.value_or("NULL"));
    if (i == 0)
      result.header = std::move(row);
    else
      result.rows.push_back(std::move(row));
  }
  return result;
}

}  // namespace console_test
