// B-trees built from sorted keys, read back by the test-only walker: every shape from an empty
// index to three levels, descending keys, NULLs and duplicates; single pages against the pages
// Access wrote for the same entries; and the walker's own eye for faults planted in real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_values.h"
#include "platform/jet/write/jet_index_builder.h"
#include "platform/jet/write/jet_index_key.h"
#include "platform/jet/write/jet_index_page.h"
#include "platform/jet/write/jet_write_error.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/support/test_env.h"

using namespace jet;

namespace {

class memory_sink : public jet_page_sink {
 public:
  std::uint32_t allocate_page() override { return next_++; }
  void write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) override {
    ASSERT_LT(number, next_);
    ASSERT_EQ(page.size(), jet4_page_size);
    pages[number] = page;
  }
  jet_test::page_source source() const {
    return [this](std::uint32_t n) -> const std::uint8_t* {
      auto it = pages.find(n);
      return it == pages.end() ? nullptr : it->second.data();
    };
  }
  std::map<std::uint32_t, std::vector<std::uint8_t>> pages;

 private:
  std::uint32_t next_ = 100;  // as if the file already held other pages
};

constexpr std::uint32_t tdef_page = 42;

struct input_entry {
  std::vector<std::uint8_t> key;
  std::uint32_t page;
  std::uint8_t row;
  bool has_null = false;
};

std::vector<std::uint8_t> long_key(std::int32_t v, bool asc = true) { return jet_index_key({{jet_long, asc}}, {v}); }

// A key of `size` bytes that sorts as `n`.
std::vector<std::uint8_t> sized_key(std::uint32_t n, std::size_t size) {
  std::vector<std::uint8_t> k(size, 0x41);
  k[0] = 0x7F;
  for (int i = 0; i < 3; ++i) k[1 + i] = static_cast<std::uint8_t>(n >> (8 * (2 - i)));
  return k;
}

struct shape {
  const char* name;
  std::vector<input_entry> entries;
  bool unique;
  int levels;
};

std::vector<shape> shapes() {
  std::vector<shape> out;
  out.push_back({"empty", {}, true, 1});
  {
    shape s{"one_leaf", {}, true, 1};
    for (int i = 0; i < 10; ++i) s.entries.push_back({long_key(9 - i), 1, static_cast<std::uint8_t>(i)});
    out.push_back(s);
  }
  // Entries of 8 bytes: 452 fill the 3,616 bytes of a leaf exactly, one more needs a second.
  for (int n : {452, 453}) {
    shape s{n == 452 ? "exactly_a_full_leaf" : "one_past_a_full_leaf", {}, true, n == 452 ? 1 : 2};
    for (int i = 0; i < n; ++i) s.entries.push_back({sized_key(static_cast<std::uint32_t>(i), 4), 2, 0});
    for (int i = 0; i < n; ++i) s.entries[static_cast<std::size_t>(i)].row = static_cast<std::uint8_t>(i);
    out.push_back(s);
  }
  {
    shape s{"two_levels", {}, true, 2};
    for (int i = 0; i < 5000; ++i)
      s.entries.push_back(
          {long_key(i * 7 - 9000), static_cast<std::uint32_t>(10 + i / 100), static_cast<std::uint8_t>(i % 100)});
    out.push_back(s);
  }
  {
    // 100-byte keys: 34 entries a leaf, 34 children a node, so 3,000 entries need three levels.
    shape s{"three_levels", {}, true, 3};
    for (std::uint32_t i = 0; i < 3000; ++i)
      s.entries.push_back({sized_key(2999 - i, 100), 0x123456, static_cast<std::uint8_t>(i)});
    out.push_back(s);
  }
  {
    shape s{"descending", {}, true, 2};
    for (int i = 0; i < 1000; ++i) s.entries.push_back({long_key(i, false), 3, static_cast<std::uint8_t>(i)});
    out.push_back(s);
  }
  {
    // A unique index lets rows with a NULL key column repeat.
    shape s{"nulls", {}, true, 1};
    for (int i = 0; i < 5; ++i)
      s.entries.push_back({jet_index_key({{jet_long, true}, {jet_text, true}}, {jet_null{}, std::wstring(L"x")}), 4,
                           static_cast<std::uint8_t>(i), true});
    for (int i = 0; i < 5; ++i)
      s.entries.push_back({jet_index_key({{jet_long, true}, {jet_text, true}}, {std::int32_t{i}, jet_null{}}), 5,
                           static_cast<std::uint8_t>(i), true});
    out.push_back(s);
  }
  {
    shape s{"duplicates", {}, false, 2};
    for (int i = 0; i < 900; ++i) s.entries.push_back({long_key(i % 3), static_cast<std::uint32_t>(900 - i), 7});
    out.push_back(s);
  }
  return out;
}

}  // namespace

class index_shape : public testing::TestWithParam<shape> {};

TEST_P(index_shape, walks_back_sorted_and_linked) {
  const shape& s = GetParam();
  jet_index_builder builder(tdef_page, s.unique);
  for (const auto& e : s.entries) builder.add(e.key, e.page, e.row, e.has_null);
  memory_sink sink;
  jet_index_tree tree = builder.build(sink);

  jet_test::index_walk walk = jet_test::walk_index(sink.source(), tree.root_page, tdef_page);
  EXPECT_EQ(walk.faults, std::vector<std::string>());
  EXPECT_EQ(walk.levels, s.levels);
  EXPECT_EQ(tree.levels, s.levels);
  EXPECT_EQ(walk.pages, sink.pages.size());  // every page written belongs to the tree

  // The leaves hold exactly the entries given, in key-then-row-pointer order.
  auto expected = s.entries;
  auto full = [](const input_entry& e) {
    auto b = e.key;
    b.insert(b.end(), {static_cast<std::uint8_t>(e.page >> 16), static_cast<std::uint8_t>(e.page >> 8),
                       static_cast<std::uint8_t>(e.page), e.row});
    return b;
  };
  std::sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) { return full(a) < full(b); });
  ASSERT_EQ(walk.entries.size(), expected.size());
  std::uint32_t distinct = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(walk.entries[i].key, expected[i].key) << i;
    EXPECT_EQ(walk.entries[i].data_page, expected[i].page) << i;
    EXPECT_EQ(walk.entries[i].row, expected[i].row) << i;
    if (i == 0 || expected[i].key != expected[i - 1].key) ++distinct;
  }
  EXPECT_EQ(tree.entry_count, expected.size());
  EXPECT_EQ(tree.unique_key_count, distinct);
}

INSTANTIATE_TEST_SUITE_P(shapes, index_shape, testing::ValuesIn(shapes()),
                         [](const testing::TestParamInfo<shape>& i) { return std::string(i.param.name); });

TEST(index_builder, unique_index_refuses_a_duplicate_before_writing) {
  // Keys equal without regard to case are duplicates too.
  jet_index_builder builder(tdef_page, true);
  builder.add(jet_index_key({{jet_text, true}}, {std::wstring(L"Core User")}), 1, 0);
  builder.add(jet_index_key({{jet_text, true}}, {std::wstring(L"other")}), 1, 1);
  builder.add(jet_index_key({{jet_text, true}}, {std::wstring(L"CORE USER")}), 1, 2);
  memory_sink sink;
  try {
    builder.build(sink);
    FAIL() << "duplicate accepted";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3022);
    EXPECT_EQ(std::string(e.what()).rfind("The changes you requested to the table were not successful because they "
                                          "would create duplicate values in the index, primary key, or relationship.",
                                          0),
              0u);
  }
  EXPECT_TRUE(sink.pages.empty());
}

TEST(index_builder, refuses_keys_no_page_can_hold) {
  jet_index_builder builder(tdef_page, false);
  EXPECT_NO_THROW(builder.add(std::vector<std::uint8_t>(3608, 0x7F), 1, 0));
  try {
    builder.add(std::vector<std::uint8_t>(3609, 0x7F), 1, 1);
    FAIL() << "oversized key accepted";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3047);
  }
  EXPECT_THROW(builder.add({}, 1, 0), jet_write_error);
  EXPECT_THROW(builder.add({0x7F, 0x01}, 0x1000000, 0), jet_write_error);  // past 3-byte pages
}

namespace {

std::vector<std::size_t> entry_ends(const std::uint8_t* page) {
  std::vector<std::size_t> ends;
  for (std::size_t bit = 0; bit < jet_index_mask_size * 8; ++bit)
    if (page[jet_index_mask_at + bit / 8] >> (bit % 8) & 1) ends.push_back(bit);
  return ends;
}

struct located_index {
  std::wstring table;
  std::uint32_t tdef = 0;
  jet_test::real_index_def def;
};

// The indexes of the file's tables, system tables included, with their definitions.
std::vector<located_index> table_indexes(const std::string& path) {
  std::unique_ptr<jet_file> file;
  EXPECT_EQ(jet_file::open(path, L"", file), jet_status::ok);
  std::vector<located_index> out;
  if (!file) return out;
  jet_catalog catalog;
  EXPECT_TRUE(jet_read_catalog(*file, catalog));
  for (const auto& t : catalog.tables) {
    if (t.type != jet_obj_table) continue;
    std::vector<jet_test::real_index_def> defs;
    EXPECT_TRUE(jet_test::read_real_indexes(*file, t.page(), defs));
    for (const auto& d : defs) out.push_back({t.name, t.page(), d});
  }
  return out;
}

}  // namespace

namespace {

// Rebuilds every index of the file at `path` from the entries stored in it and walks the result:
// the same entries, no fault; a one-page index must be the very page stored (header, bitmask,
// entries). Answers the most levels a rebuilt index has.
int rebuild_every_index(const std::string& path) {
  int most_levels = 0;
  jet_test::file_pages theirs(path);
  std::unique_ptr<jet_file> file;
  EXPECT_EQ(jet_file::open(path, L"", file), jet_status::ok);
  if (!file) return 0;
  jet_catalog catalog;
  EXPECT_TRUE(jet_read_catalog(*file, catalog));
  for (const auto& t : catalog.tables) {
    if (t.type != jet_obj_table) continue;
    std::vector<jet_test::real_index_def> defs;
    EXPECT_TRUE(jet_test::read_real_indexes(*file, t.page(), defs));
    for (const auto& d : defs) {
      SCOPED_TRACE(std::string(t.name.begin(), t.name.end()) + " index " + std::to_string(d.number));
      jet_test::index_walk stored = jet_test::walk_index(theirs.source(), d.root, t.page());
      EXPECT_EQ(stored.faults, std::vector<std::string>());
      jet_index_builder builder(t.page(), false);
      for (const auto& e : stored.entries) builder.add(e.key, e.data_page, e.row);
      memory_sink sink;
      jet_index_tree tree = builder.build(sink);
      most_levels = std::max(most_levels, tree.levels);
      jet_test::index_walk ours = jet_test::walk_index(sink.source(), tree.root_page, t.page());
      EXPECT_EQ(ours.faults, std::vector<std::string>());
      EXPECT_EQ(ours.levels, tree.levels);
      if (ours.entries.size() != stored.entries.size()) {
        ADD_FAILURE() << ours.entries.size() << " entries rebuilt from " << stored.entries.size();
        continue;
      }
      for (std::size_t i = 0; i < ours.entries.size(); ++i) {
        EXPECT_EQ(ours.entries[i].key, stored.entries[i].key);
        EXPECT_EQ(ours.entries[i].data_page << 8 | ours.entries[i].row,
                  stored.entries[i].data_page << 8 | stored.entries[i].row);
      }
      const std::uint8_t* page = theirs.source()(d.root);
      if (page == nullptr || page[0] != jet_index_leaf_page || jet_u16(page + jet_index_prefix_at) != 0) continue;
      std::vector<std::size_t> ends = entry_ends(page);
      std::size_t used = ends.empty() ? 0 : ends.back();
      const std::vector<std::uint8_t>& mine = sink.pages.at(tree.root_page);
      EXPECT_EQ(std::memcmp(mine.data(), page, jet_index_entries_at + used), 0);
    }
  }
  return most_levels;
}

}  // namespace

TEST(index_builder, rebuilds_access_made_indexes) {
  for (const std::string& rel : jet_test::access_made_files()) {
    SCOPED_TRACE(rel);
    rebuild_every_index(test_env::testdata_path(rel));
  }
}

// Orders of the benchmark data holds 200,000 rows: its primary key needs three levels.
class large_index : public testing::TestWithParam<std::string> {};

TEST_P(large_index, rebuilds_in_three_levels) {
  EXPECT_EQ(rebuild_every_index(test_env::testdata_path(GetParam())), 3);
}

INSTANTIATE_TEST_SUITE_P(heavy, large_index, testing::Values("bench/orders-200k.accdb"),
                         [](const testing::TestParamInfo<std::string>&) { return std::string("orders_200k"); });

namespace {

struct planted_fault {
  const char* name;
  bool in_node;             // planted in a tree with node pages, else in a one-leaf index
  const char* reported_as;  // a part of the fault the walker must report
  // Changes the pages of the chosen index (`root` and its entries) in place.
  void (*plant)(jet_test::file_pages& pages, std::uint32_t root);
};

void wrong_row_pointer(jet_test::file_pages& pages, std::uint32_t root) {
  auto& p = pages.page(root);
  std::size_t end = entry_ends(p.data())[1];
  p[jet_index_entries_at + end - 1] ^= 0x01;  // the row number of the second entry
}
void empty_entry_mask(jet_test::file_pages& pages, std::uint32_t root) {
  auto& p = pages.page(root);
  std::fill(p.begin() + jet_index_mask_at, p.begin() + jet_index_mask_at + jet_index_mask_size, 0);
}
void changed_key_byte(jet_test::file_pages& pages, std::uint32_t root) {
  auto& p = pages.page(root);
  std::size_t end = entry_ends(p.data())[1];
  p[jet_index_entries_at + end - jet_index_row_pointer_size - 1] ^= 0x01;  // last key byte
}
void broken_sibling_link(jet_test::file_pages& pages, std::uint32_t root) {
  auto& r = pages.page(root);
  std::size_t end = entry_ends(r.data())[0];
  const std::uint8_t* c = r.data() + jet_index_entries_at + end - jet_index_child_size;
  std::uint32_t child = static_cast<std::uint32_t>(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3];
  auto& leaf = pages.page(child);
  std::fill(leaf.begin() + jet_index_next_at, leaf.begin() + jet_index_next_at + 4, 0);
}
void wrong_node_entry(jet_test::file_pages& pages, std::uint32_t root) {
  auto& r = pages.page(root);
  r[jet_index_entries_at + 1] ^= 0x01;  // the first node entry no longer its child's last
}

}  // namespace

class index_walker_fault : public testing::TestWithParam<planted_fault> {};

// The walker catches each fault on a copy of a file whose indexes it passes.
TEST_P(index_walker_fault, is_caught_on_a_copy) {
  const std::string source = test_env::testdata_path("access/jet4/compIndexTestV2000.mdb");
  const planted_fault& f = GetParam();
  const located_index* chosen = nullptr;
  std::vector<located_index> indexes = table_indexes(source);
  jet_test::file_pages pages(source);
  for (const auto& li : indexes) {
    const std::uint8_t* root = pages.source()(li.def.root);
    bool node = root[0] == jet_index_node_page;
    if (node == f.in_node && jet_u16(root + jet_index_prefix_at) == 0 && entry_ends(root).size() >= (node ? 1u : 3u)) {
      chosen = &li;
      break;
    }
  }
  ASSERT_NE(chosen, nullptr) << "no index of that shape in the file";
  auto faults_of = [&](const std::string& path) {
    for (const auto& r : jet_test::check_file_indexes(path))
      if (r.table == chosen->table && r.index == chosen->def.number) return r.faults;
    ADD_FAILURE() << "index not reported";
    return std::vector<std::string>{};
  };
  EXPECT_EQ(faults_of(source), std::vector<std::string>());
  f.plant(pages, chosen->def.root);
  const std::string copy = test_env::make_temp_dir() + "/planted.mdb";
  pages.save(copy);
  std::vector<std::string> faults = faults_of(copy);
  EXPECT_TRUE(std::any_of(faults.begin(), faults.end(), [&](const std::string& x) {
    return x.find(f.reported_as) != std::string::npos;
  })) << testing::PrintToString(faults);
}

INSTANTIATE_TEST_SUITE_P(
    faults, index_walker_fault,
    testing::Values(planted_fault{"wrong_row_pointer", false, "which the table does not hold", wrong_row_pointer},
                    planted_fault{"empty_entry_mask", false, "free space", empty_entry_mask},
                    planted_fault{"changed_key_byte", false, "its own key", changed_key_byte},
                    planted_fault{"broken_sibling_link", true, "next page 0", broken_sibling_link},
                    planted_fault{"wrong_node_entry", true, "is not the last entry", wrong_node_entry}),
    [](const testing::TestParamInfo<planted_fault>& i) { return std::string(i.param.name); });
