// Column properties of written tables: Required, AllowZeroLength and DefaultValue reach the
// catalog row's property blob, also when a wide table's blob outgrows the row and goes to
// long-value pages of the catalog.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_props.h"
#include "platform/jet/write/jet_writer.h"
#include "tests/jet_write/jet_write_support.h"
#include "tests/support/jet_structure_audit.h"
#include "tests/support/test_shell.h"

using namespace jet;

namespace {

struct case_t {
  const char* name;
  int columns;
};

class jet_write_properties : public ::testing::TestWithParam<case_t> {};

std::wstring text_of(const jet_value& v) {
  if (const auto* s = std::get_if<std::wstring>(&v)) return *s;
  return L"?";
}

}  // namespace

TEST_P(jet_write_properties, reach_the_catalog_and_read_back) {
  const std::string path = jet_write_test::new_target();
  std::vector<jet_new_column> columns;
  for (int i = 0; i < GetParam().columns; ++i) {
    jet_new_column c = jet_write_test::column((L"Column number " + std::to_wstring(i)).c_str(), jet_text, 40);
    c.required = (i % 2) == 0;
    c.allow_zero_length = (i % 3) == 0;
    c.default_value = L"\"default " + std::to_wstring(i) + L"\"";
    columns.push_back(c);
  }
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    writer->add_table(L"Wide", columns);
    writer->close();
  }
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  const jet_object* table = catalog.find_table(L"Wide");
  ASSERT_NE(table, nullptr);
  const auto blocks = jet_parse_properties(*file, table->properties);
  std::map<std::wstring, std::map<std::wstring, jet_value>> by_owner;
  for (const auto& b : blocks)
    for (const auto& p : b.properties) by_owner[b.owner][p.name] = p.value;
  for (int i = 0; i < GetParam().columns; ++i) {
    SCOPED_TRACE(i);
    const auto& props = by_owner[columns[i].name];
    ASSERT_TRUE(props.count(L"Required"));
    EXPECT_EQ(std::get<bool>(props.at(L"Required")), columns[i].required);
    ASSERT_TRUE(props.count(L"AllowZeroLength"));
    EXPECT_EQ(std::get<bool>(props.at(L"AllowZeroLength")), columns[i].allow_zero_length);
    ASSERT_TRUE(props.count(L"DefaultValue"));
    EXPECT_EQ(text_of(props.at(L"DefaultValue")), columns[i].default_value);
  }

  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto audit = test_audit::audit_jet4(image);
  EXPECT_TRUE(audit.faults.empty()) << audit.faults.front();

  // mdbtools reads the same blob.
  const std::string listed = test_env::checked_output("mdb-prop " + test_env::shell_quote(path) + " Wide");
  EXPECT_NE(listed.find("Column number " + std::to_string(GetParam().columns - 1)), std::string::npos) << listed;
}

INSTANTIATE_TEST_SUITE_P(widths, jet_write_properties,
                         ::testing::Values(case_t{"narrow", 3}, case_t{"blob_beyond_the_row", 200}),
                         [](const auto& info) { return std::string(info.param.name); });
