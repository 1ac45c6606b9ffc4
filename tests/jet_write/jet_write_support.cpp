// Helpers of the writer tests.
#include "tests/jet_write/jet_write_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/jet/jet_cursor.h"
#include "tests/support/test_env.h"

namespace jet_write_test {

using namespace jet;

// A value as text that tells every stored bit apart.
std::string describe(const jet_value& v) {
  std::ostringstream o;
  o << v.index() << ':';
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, jet_null>) {
        } else if constexpr (std::is_same_v<T, std::wstring>) {
          for (wchar_t c : x) o << static_cast<std::uint32_t>(c) << ',';
        } else if constexpr (std::is_same_v<T, jet_bytes>) {
          for (auto b : x) o << static_cast<unsigned>(b) << ',';
        } else if constexpr (std::is_same_v<T, jet_decimal>) {
          o << x.negative << '/' << unsigned(x.scale) << '/' << x.hi << '/' << x.lo;
        } else if constexpr (std::is_same_v<T, jet_uuid>) {
          for (auto b : x.bytes) o << unsigned(b) << ',';
        } else if constexpr (std::is_same_v<T, jet_currency>) {
          o << x.scaled;
        } else if constexpr (std::is_same_v<T, jet_date> || std::is_same_v<T, double> || std::is_same_v<T, float>) {
          double d;
          if constexpr (std::is_same_v<T, jet_date>)
            d = x.days;
          else
            d = x;
          std::uint64_t bits;
          std::memcpy(&bits, &d, sizeof bits);
          o << bits;
        } else if constexpr (std::is_same_v<T, jet_complex_id>) {
          o << x.id;
        } else {
          o << +x;
        }
      },
      v);
  return o.str();
}

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

jet_new_column column(const wchar_t* name, int type, int size) {
  jet_new_column c;
  c.name = name;
  c.type = type;
  c.size = size;
  return c;
}

std::vector<std::string> folder_entries(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace jet_write_test
