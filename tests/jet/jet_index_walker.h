// Test-only reader and checker of index B-trees: walks every page of an index from its root and
// reports each way the tree breaks the format (order, sizes, sibling and child links, node
// entries against their children), then, for a whole file, that every row is indexed once
// under its own key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/jet/jet_file.h"

namespace jet_test {

// The bytes of page `number` (4,096 of them), or null when there is no such page.
using page_source = std::function<const std::uint8_t*(std::uint32_t number)>;

struct leaf_entry {
  std::vector<std::uint8_t> key;  // the key segments, without the row pointer
  std::uint32_t data_page = 0;
  std::uint8_t row = 0;
};

struct index_walk {
  std::vector<leaf_entry> entries;  // leaf entries, first to last
  std::vector<std::string> faults;  // empty when the tree is sound
  int levels = 0;
  std::size_t pages = 0;
};

// Walks the tree whose root is `root`; every page must name `tdef_page` as its table.
index_walk walk_index(const page_source& pages, std::uint32_t root, std::uint32_t tdef_page);

// A stored (real) index as the table definition describes it, with what the key encoder needs.
struct real_index_def {
  int number = 0;
  std::uint32_t root = 0;
  std::uint8_t flags = 0;              // 0x01 unique, 0x02 ignore nulls
  std::uint32_t unique_key_count = 0;  // as the definition records it
  struct key_column {
    int position = -1;  // in jet_table_def::columns (live columns)
    int type = 0;
    bool ascending = true;
    bool general_legacy = true;  // text: sort order 1033 version 0
  };
  std::vector<key_column> columns;
};

// The real indexes of the table whose definition starts at `tdef_page`; false when unreadable.
bool read_real_indexes(const jet::jet_file& file, std::uint32_t tdef_page, std::vector<real_index_def>& out);

// The pages of a whole file read into memory (no page encoding).
class file_pages {
 public:
  explicit file_pages(const std::string& path);
  page_source source() const;
  std::vector<std::uint8_t>& page(std::uint32_t number) { return pages_.at(number); }
  void save(const std::string& path) const;

 private:
  std::vector<std::vector<std::uint8_t>> pages_;
};

struct index_report {
  std::wstring table;
  int index = 0;
  std::size_t entries = 0;
  std::size_t keys_checked = 0;   // rows whose key was re-encoded and found
  std::size_t pointers_only = 0;  // rows whose key the encoder cannot make (another sort order)
  std::vector<std::string> faults;
};

// Walks every index of every table of the file at `path` and checks each against the rows:
// entry count = indexed rows, every row's entry (its own key and row pointer) present, a unique
// index without repeated keys. `check_key_counts`: also the distinct-key count the definition
// records, which Access itself leaves stale (after deletes, and always in system tables), so
// only files this project writes are held to it.
std::vector<index_report> check_file_indexes(const std::string& path, bool check_key_counts = false);

// The Access-made files of the Jet 4 and ACE formats in the test-data table that open without a
// password or page encoding (paths below the test-data folder). Files made by other programs
// (the calculated-column fixture, the benchmark data) say nothing about what Access writes.
std::vector<std::string> access_made_files();

}  // namespace jet_test
