// Helpers of the writer tests: a fresh target path, opening what was written with our reader,
// reading a table back through the row cursor, and mdbtools' view of a file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_types.h"

namespace jet_write_test {

// A path for a new file in a fresh temporary folder.
std::string new_target(const std::string& name = "out.mdb");

// Opens a written file with our reader; fails the test (and answers null) when it cannot.
std::unique_ptr<jet::jet_file> open_written(const std::string& path);

// Every row of a table as our reader decodes it (by the table's column order).
std::vector<std::vector<jet::jet_value>> read_rows(const jet::jet_file& file, std::uint32_t table_page);

// Files in a folder, the hidden ones included.
std::vector<std::string> folder_entries(const std::string& folder);

}  // namespace jet_write_test
