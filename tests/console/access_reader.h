// The independent reader of the Access files: the mdbtools programs, their tables and the rows
// of a table as text.
#pragma once

#include <string>
#include <vector>

#include "tests/support/test_mdbtools.h"

namespace console_test {

struct access_table {
  std::vector<std::string> header;             // column names in table order
  std::vector<std::vector<std::string>> rows;  // values as mdb-export writes them, NULL as ""
};

// The tables of the file as mdb-tables lists them (no system tables, no linked tables).
using test_env::mdb_tables;

// Every row of a table; binary columns come back empty.
access_table mdb_export(const std::string& file, const std::string& table);

}  // namespace console_test
