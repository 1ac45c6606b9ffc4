// Builds the B-tree of one index in a single pass at Close, from the keys of all rows: sorts the
// entries, refuses duplicates in a unique index, fills leaf pages, then node pages above them
// up to one root. Nothing is ever inserted into a written tree, so no page is split or reused.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/jet/write/jet_page_sink.h"

namespace jet {

// What the table definition records for a built index.
struct jet_index_tree {
  std::uint32_t root_page = 0;
  std::uint32_t entry_count = 0;       // leaf entries: rows in the index
  std::uint32_t unique_key_count = 0;  // distinct keys (all NULL keys count as one)
  int levels = 0;                      // 1: the root is a leaf
};

class jet_index_builder {
 public:
  // `tdef_page`: the table's definition page, which every index page names. `unique`: a key
  // may appear once, except a key with a NULL column (Access lets those repeat).
  jet_index_builder(std::uint32_t tdef_page, bool unique) : tdef_page_(tdef_page), unique_(unique) {}

  // One row's entry: its key (jet_index_key) and where the row is stored. `has_null`: a key
  // column of the row is NULL. A row the index leaves out (ignore nulls) is not added at all.
  // Throws jet_write_error (3047) when the key is too long for an index page.
  void add(const std::vector<std::uint8_t>& key, std::uint32_t data_page, std::uint8_t row, bool has_null = false);

  // Sorts the entries (unsigned bytes of key and row pointer), writes the pages through `sink`
  // and answers what the table definition needs. Throws jet_write_error 3022 on a duplicate
  // key in a unique index, before any page is written. Once built, the builder holds nothing.
  jet_index_tree build(jet_page_sink& sink);

  // Calls `f` with the key bytes of every entry added so far (in the order added) and whether
  // a key column of it is NULL.
  void for_each_key(const std::function<void(const std::uint8_t* key, std::size_t size, bool has_null)>& f) const;

 private:
  struct entry_ref {
    std::uint64_t at;
    std::uint32_t size;  // key and row pointer
    bool has_null;
  };
  std::uint32_t tdef_page_;
  bool unique_;
  std::vector<std::uint8_t> bytes_;  // every entry, key then row pointer, one after another
  std::vector<entry_ref> entries_;
};

}  // namespace jet
