// Index trees the writer builds at Close: the catalog's own indexes must list every catalog row
// under its own key, in trees sound enough for Access, mdbtools and our reader, also once the
// catalog outgrows one index page.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/write/jet_writer.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/jet_write/jet_write_support.h"
#include "tests/support/jet_structure_audit.h"
#include "tests/support/test_shell.h"

using namespace jet;

namespace {

struct case_t {
  const char* name;
  int tables;      // user tables beside the blank database's objects
  int min_levels;  // the deepest catalog index must reach this many levels
};

class jet_write_indexes : public ::testing::TestWithParam<case_t> {};

std::wstring table_name(int i) {
  // Names long enough that a few hundred catalog rows fill more than one index page, and
  // numbered out of creation order so the entries must be sorted.
  return L"Quarterly figures of region " + std::to_wstring((i * 37) % 1000) + L" (" + std::to_wstring(i) + L")";
}

}  // namespace

TEST_P(jet_write_indexes, catalog_indexes_list_every_row) {
  const case_t& c = GetParam();
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    for (int i = 0; i < c.tables; ++i) {
      auto id = writer->add_table(
          table_name(i), {jet_write_test::column(L"Id", jet_long), jet_write_test::column(L"Label", jet_text, 40)});
      writer->append_row(id, {static_cast<std::int32_t>(i), std::wstring(L"row of table ") + std::to_wstring(i)});
    }
    // A table deleted before Close leaves no catalog row behind, so no index entry either.
    // (Only in small files: the global page map of a file past 512 pages cannot yet mark an
    // early freed page as free.)
    if (c.tables > 0 && c.tables < 100) writer->delete_table(table_name(0));
    writer->close();
  }

  // Every index of every table: sound tree, one entry per row under the row's own key, and the
  // distinct-key count the definition records.
  const auto reports = jet_test::check_file_indexes(path, true);
  std::map<std::wstring, std::size_t> catalog_entries;
  int deepest = 0;
  for (const auto& r : reports) {
    SCOPED_TRACE(std::string(r.table.begin(), r.table.end()) + " index " + std::to_string(r.index));
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.pointers_only, 0u);
    EXPECT_EQ(r.keys_checked, r.entries);
    if (r.table == L"MSysObjects") catalog_entries[L"MSysObjects " + std::to_wstring(r.index)] = r.entries;
  }
  ASSERT_FALSE(catalog_entries.empty());
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  const auto objects = jet_write_test::read_rows(*file, 2);
  for (const auto& [index, entries] : catalog_entries) EXPECT_EQ(entries, objects.size());

  // The catalog's trees grow levels as its rows outgrow a page.
  jet_test::file_pages pages(path);
  std::vector<jet_test::real_index_def> defs;
  ASSERT_TRUE(jet_test::read_real_indexes(*file, 2, defs));
  for (const auto& d : defs) deepest = std::max(deepest, jet_test::walk_index(pages.source(), d.root, 2).levels);
  EXPECT_GE(deepest, c.min_levels);

  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto audit = test_audit::audit_jet4(image);
  EXPECT_TRUE(audit.faults.empty()) << audit.faults.front();

  // Our reader and mdbtools find every table that was kept.
  const std::string listed = test_env::checked_output("mdb-tables -1 " + test_env::shell_quote(path));
  std::set<std::string> names;
  for (std::size_t at = 0, end; at < listed.size(); at = end + 1) {
    end = listed.find('\n', at);
    if (end == std::string::npos) end = listed.size();
    if (end > at) names.insert(listed.substr(at, end - at));
  }
  const int first_kept = c.tables < 100 ? 1 : 0;
  for (int i = first_kept; i < c.tables; ++i) {
    const std::wstring name = table_name(i);
    EXPECT_TRUE(names.count(std::string(name.begin(), name.end()))) << std::string(name.begin(), name.end());
    const jet_object* table = catalog.find_table(name);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(jet_write_test::read_rows(*file, table->page()).size(), 1u);
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(c.tables > 0 ? c.tables - first_kept : 0));
  const std::string schema = test_env::checked_output("mdb-schema " + test_env::shell_quote(path));
  if (c.tables > 1) {
    EXPECT_NE(schema.find("Quarterly figures of region"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(shapes, jet_write_indexes,
                         ::testing::Values(case_t{"blank", 0, 1}, case_t{"few_tables", 3, 1},
                                           case_t{"catalog_over_many_pages", 300, 2}),
                         [](const auto& info) { return std::string(info.param.name); });
