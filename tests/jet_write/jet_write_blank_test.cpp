// A new database with no table of its own: its system tables and catalog rows, read by our
// reader and by the mdbtools programs.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_tdef.h"
#include "platform/jet/write/jet_writer.h"
#include "tests/jet_write/jet_write_support.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_shell.h"

using namespace jet;
using jet_write_test::new_target;

namespace {

std::string blank_file() {
  std::string path = new_target("blank.mdb");
  auto w = jet_writer::create(path, {});
  w->close();
  return path;
}

}  // namespace

TEST(jet_write_blank, mdbtools_read_version_system_tables_and_schema) {
  std::string path = blank_file();
  std::string q = test_env::shell_quote(path);
  EXPECT_EQ(test_env::checked_output("mdb-ver " + q), "JET4\n");
  EXPECT_EQ(test_env::checked_output("mdb-tables -S -1 " + q),
            "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");
  EXPECT_EQ(test_env::checked_output("mdb-tables -1 " + q), "");
  std::string schema = test_env::checked_output("mdb-schema " + q + " 2>&1");
  EXPECT_EQ(schema.find("CREATE TABLE"), std::string::npos) << schema;
  // The catalog as mdb-export reads it: the containers, MSysDb and the four system tables.
  auto rows = test_env::mdb_export_fields(path, "MSysObjects", "-H -Q");
  std::vector<std::string> names;
  for (const auto& r : rows) names.push_back(r.at(2));
  EXPECT_EQ(names, (std::vector<std::string>{"Tables", "Databases", "Relationships", "MSysDb", "MSysObjects",
                                             "MSysACEs", "MSysQueries", "MSysRelationships"}));
  EXPECT_EQ(test_env::mdb_export_fields(path, "MSysACEs", "-H").size(), 16u);
}

TEST(jet_write_blank, our_reader_sees_the_system_tables_with_their_columns_and_indexes) {
  std::string path = blank_file();
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  std::wstring damage;
  ASSERT_TRUE(jet_read_catalog(*file, catalog, &damage)) << std::string(damage.begin(), damage.end());
  std::vector<std::wstring> names;
  for (const auto& t : catalog.tables) names.push_back(t.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"MSysACEs", L"MSysObjects", L"MSysQueries", L"MSysRelationships"}));

  struct expected {
    std::uint32_t page;
    std::size_t columns;
    std::vector<std::wstring> indexes;
    std::uint32_t rows;
  } cases[] = {
      {2, 17, {L"Id", L"ParentIdName"}, 8},
      {3, 4, {L"ObjectId"}, 16},
      {4, 8, {L"ObjectIdAttribute"}, 0},
      {5, 8, {L"szObject", L"szReferencedObject", L"szRelationship"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    jet_table_def def;
    ASSERT_TRUE(file->read_table(c.page, def));
    EXPECT_EQ(def.columns.size(), c.columns);
    EXPECT_EQ(def.row_count, c.rows);
    std::vector<jet_index_def> indexes;
    ASSERT_TRUE(file->read_indexes(c.page, indexes));
    std::vector<std::wstring> index_names;
    for (const auto& i : indexes) index_names.push_back(i.name);
    EXPECT_EQ(index_names, c.indexes);
    EXPECT_EQ(jet_write_test::read_rows(*file, c.page).size(), c.rows);
  }
}

TEST(jet_write_blank, matches_the_system_table_definitions_of_an_engine_made_file) {
  // Column by column (name, type, number, flags), index by index, as Access made them.
  std::string ours_path = blank_file();
  auto ours = jet_write_test::open_written(ours_path);
  auto theirs = jet_write_test::open_written(test_env::testdata_path("access/jet4/adox_jet4.mdb"));
  ASSERT_TRUE(ours && theirs);
  for (std::uint32_t page = 2; page <= 5; ++page) {
    SCOPED_TRACE(page);
    std::vector<std::uint8_t> a, b;
    ASSERT_TRUE(ours->read_definition(page, a));
    ASSERT_TRUE(theirs->read_definition(page, b));
    jet_tdef ta, tb;
    ASSERT_TRUE(jet_parse_tdef(a, jet_format::jet4, *ours, ta));
    ASSERT_TRUE(jet_parse_tdef(b, jet_format::jet4, *theirs, tb));
    ASSERT_EQ(ta.columns.size(), tb.columns.size());
    for (std::size_t i = 0; i < ta.columns.size(); ++i) {
      EXPECT_EQ(ta.columns[i].name, tb.columns[i].name);
      EXPECT_EQ(ta.columns[i].type, tb.columns[i].type);
      EXPECT_EQ(ta.columns[i].col_num, tb.columns[i].col_num);
      EXPECT_EQ(ta.columns[i].flags, tb.columns[i].flags);
    }
    ASSERT_EQ(ta.indexes.size(), tb.indexes.size());
    for (std::size_t i = 0; i < ta.indexes.size(); ++i) {
      EXPECT_EQ(ta.indexes[i].name, tb.indexes[i].name);
      EXPECT_EQ(ta.indexes[i].real_index, tb.indexes[i].real_index);
      EXPECT_EQ(ta.indexes[i].primary, tb.indexes[i].primary);
      EXPECT_EQ(ta.indexes[i].unique, tb.indexes[i].unique);
      ASSERT_EQ(ta.indexes[i].columns.size(), tb.indexes[i].columns.size());
      for (std::size_t k = 0; k < ta.indexes[i].columns.size(); ++k)
        EXPECT_EQ(ta.indexes[i].columns[k].column, tb.indexes[i].columns[k].column);
    }
    // The same layout: definition length to the byte.
    EXPECT_EQ(a.size() > 12 ? a[8] | (a[9] << 8) : 0, b[8] | (b[9] << 8));
  }
}
