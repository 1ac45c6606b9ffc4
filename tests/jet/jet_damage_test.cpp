// Damaged copies of real Access files through the reader: whatever is cut or zeroed, a table
// either reads whole or says that it is damaged, and the catalog never loses tables unseen.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_file.h"
#include "tests/support/test_env.h"

using namespace jet;

namespace {

using file_bytes = std::vector<std::uint8_t>;

file_bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return file_bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What a reading of a file found: per table, its rows and the size of its property blob (where
// the Required flags live); or, when the file or its catalog could not be read, the reason.
struct reading {
  bool opened = false;
  std::wstring catalog_damage;
  std::map<std::wstring, std::size_t> properties;  // by table name
  struct table {
    bool valid = false;
    bool damaged = false;
    std::wstring damage;
    std::uint32_t rows = 0;
  };
  std::map<std::uint32_t, table> tables;  // by definition page
};

// Reads the catalog and then every local table at the definition pages `pages` (those of the
// intact file, so that a damaged catalog does not hide a table from the check).
// The tables at the definition pages `pages` of an open file, walked to their ends.
void read_tables(const jet_file& file, const std::vector<std::uint32_t>& pages, reading& r) {
  for (std::uint32_t page : pages) {
    jet_cursor cursor(file, page);
    reading::table& t = r.tables[page];
    t.valid = cursor.valid();
    while (cursor.next()) {
      ++t.rows;
      for (std::size_t c = 0; c < cursor.columns().size(); ++c) cursor.value(c);
    }
    t.damaged = cursor.damaged();
    t.damage = cursor.damage();
  }
}

void read_catalog(const jet_file& file, reading& r) {
  jet_catalog catalog;
  if (jet_read_catalog(file, catalog, &r.catalog_damage)) {
    for (const jet_object& t : catalog.tables) r.properties[t.name] = t.properties.size();
  }
}

// Reads the catalog and then every local table at the definition pages `pages` (those of the
// intact file, so that a damaged catalog does not hide a table from the check).
reading read_all(file_bytes bytes, const std::vector<std::uint32_t>& pages) {
  reading r;
  std::unique_ptr<jet_file> file;
  if (jet_file::open_bytes(std::move(bytes), L"", file) != jet_status::ok) return r;
  r.opened = true;
  read_catalog(*file, r);
  read_tables(*file, pages, r);
  return r;
}

std::vector<std::uint32_t> local_table_pages(const file_bytes& bytes) {
  std::unique_ptr<jet_file> file;
  jet_catalog catalog;
  std::vector<std::uint32_t> pages;
  if (jet_file::open_bytes(bytes, L"", file) != jet_status::ok || !jet_read_catalog(*file, catalog)) return pages;
  for (const jet_object& t : catalog.tables)
    if (t.type == jet_obj_table) pages.push_back(t.page());
  return pages;
}

std::string describe(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// The damaged reading against the intact one: an error at open or at the catalog says why;
// otherwise no table is missing or has lost its properties, and a table that yields fewer rows
// (or none at all) says it is damaged and why.
void expect_no_silent_loss(const reading& intact, const reading& damaged) {
  if (!damaged.opened) return;
  if (!damaged.catalog_damage.empty()) return;
  EXPECT_EQ(damaged.properties, intact.properties) << "the catalog lost tables or properties unseen";
  for (const auto& [page, whole] : intact.tables) {
    const reading::table& t = damaged.tables.at(page);
    SCOPED_TRACE("table at page " + std::to_string(page));
    if (!t.valid) {
      EXPECT_FALSE(t.damage.empty());
      continue;
    }
    if (t.rows < whole.rows) {
      EXPECT_TRUE(t.damaged) << t.rows << " of " << whole.rows << " rows, no damage reported";
    }
    EXPECT_EQ(t.damaged, !t.damage.empty()) << describe(t.damage);
  }
}

TEST(jet_damage, every_page_cut_or_zeroed_reads_whole_or_reports_damage) {
  for (const char* name : {"access/jet3/testV1997.mdb", "access/jet4/test2V2000.mdb", "access/ace/testV2010.accdb"}) {
    SCOPED_TRACE(name);
    const file_bytes good = read_bytes(test_env::testdata_path(name));
    const std::size_t page_size = good.at(20) == 0 ? 2048 : 4096;
    const std::vector<std::uint32_t> pages = local_table_pages(good);
    ASSERT_FALSE(pages.empty());
    const reading intact = read_all(good, pages);
    ASSERT_TRUE(intact.catalog_damage.empty());
    for (const auto& [page, t] : intact.tables) ASSERT_FALSE(t.damaged) << describe(t.damage);

    const std::size_t count = good.size() / page_size;
    for (std::size_t p = 1; p < count; ++p) {
      const std::size_t at = p * page_size;
      file_bytes zeroed = good;
      std::memset(zeroed.data() + at, 0, page_size);
      const struct {
        const char* what;
        file_bytes bytes;
      } cases[] = {
          {"cut at the page", file_bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(at))},
          {"cut inside the page",
           file_bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(at + page_size / 2 + 3))},
          {"page zeroed", zeroed},
      };
      for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " " + std::to_string(p));
        expect_no_silent_loss(intact, read_all(c.bytes, pages));
      }
    }
  }
}

// A file cut short while it is read (another program shrinking it): the pages it lost are
// damage, never pages read as empty.
TEST(jet_damage, a_file_cut_short_after_opening_reports_the_pages_it_lost) {
  for (const char* name : {"access/jet4/test2V2000.mdb", "access/ace/testV2010.accdb"}) {
    SCOPED_TRACE(name);
    const std::string source = test_env::testdata_path(name);
    const file_bytes good = read_bytes(source);
    const std::vector<std::uint32_t> pages = local_table_pages(good);
    const reading intact = read_all(good, pages);
    const std::string copy = test_env::make_temp_dir() + "/" + std::filesystem::path(source).filename().string();
    std::filesystem::copy_file(source, copy);
    std::unique_ptr<jet_file> file;
    ASSERT_EQ(jet_file::open(copy, L"", file), jet_status::ok);
    reading cut;
    cut.opened = true;
    read_catalog(*file, cut);
    ASSERT_TRUE(cut.catalog_damage.empty());
    std::filesystem::resize_file(copy, good.size() / 2);
    read_tables(*file, pages, cut);
    expect_no_silent_loss(intact, cut);
    bool any_damaged = false;
    for (const auto& [page, t] : cut.tables) any_damaged = any_damaged || t.damaged || !t.valid;
    EXPECT_TRUE(any_damaged) << "half the file is gone, yet every table read whole";
  }
}

}  // namespace
