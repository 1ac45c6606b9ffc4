// Values test files are known to hold from their description in the test data's README, for the
// columns mdb-export misreads (calculated columns): the reference the tests compare them with.
#pragma once

#include <string>
#include <vector>

namespace test_env {

// One column's values in ID order; nullptr for NULL. Decimals are written without trailing zeros.
struct known_column {
  const char* name;
  std::vector<const char*> rows;
};
struct known_table {
  const char* table;
  std::vector<known_column> columns;
};

// The described table of a file of access_files.txt (by its path there), or nullptr.
const known_table* known_values_of(const std::string& path);
// The column of that name, or nullptr.
const known_column* known_column_of(const known_table& table, const std::string& name);

// Whether a value read as text is the known one: Doubles bit for bit, other numbers without
// trailing zeros of their fraction.
bool is_known_value(const known_column& column, const std::string& expected, const std::string& got);

}  // namespace test_env
