// Helpers of the writer tests.
#include "tests/jet_write/jet_write_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/jet/jet_cursor.h"
#include "tests/support/test_env.h"

namespace jet_write_test {

std::string new_target(const std::string& name) { return test_env::make_temp_dir() + "/" + name; }

std::unique_ptr<jet::jet_file> open_written(const std::string& path) {
  std::unique_ptr<jet::jet_file> file;
  jet::jet_status status = jet::jet_file::open(path, L"", file);
  EXPECT_EQ(status, jet::jet_status::ok) << path;
  return file;
}

std::vector<std::vector<jet::jet_value>> read_rows(const jet::jet_file& file, std::uint32_t table_page) {
  std::vector<std::vector<jet::jet_value>> rows;
  jet::jet_cursor cursor(file, table_page);
  EXPECT_TRUE(cursor.valid());
  while (cursor.next()) {
    std::vector<jet::jet_value> row;
    for (std::size_t c = 0; c < cursor.columns().size(); ++c) row.push_back(cursor.value(c));
    rows.push_back(std::move(row));
  }
  EXPECT_FALSE(cursor.damaged()) << std::string(cursor.damage().begin(), cursor.damage().end());
  return rows;
}

std::vector<std::string> folder_entries(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
  return out;
}

}  // namespace jet_write_test
