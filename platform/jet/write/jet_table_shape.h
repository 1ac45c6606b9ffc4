// What a table definition page chain says about one table, in the form the writer fills in:
// columns with their row layout, stored (real) and named (logical) indexes, the long-value
// columns' maps and the table's own usage maps. The index builder fills in each real index's
// root page, map row and entry count before the definition is written at close.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/write/jet_bytes.h"

namespace jet {

struct jet_column_shape {
  std::wstring name;
  int type = 0;          // jet_col_type
  int number = 0;        // the column number rows and indexes use
  bool fixed = false;    // in the fixed part of the row (Booleans: only in the null mask)
  int var_index = 0;     // variable columns: position among them; fixed ones: variables before
  int fixed_offset = 0;  // fixed columns: offset in the fixed part
  int length = 0;        // bytes as stored (text: 2 x characters; memo and OLE 0)
  std::uint8_t flags = 0;
  std::uint8_t ext_flags = 0;
  int precision = 0;  // Decimal
  int scale = 0;
};

// Key column of a stored index: the column number and the order.
struct jet_index_key_column {
  int number = 0;
  bool descending = false;
};

// Real-index flag bits.
constexpr std::uint8_t jet_index_unique = 0x01;
constexpr std::uint8_t jet_index_ignore_nulls = 0x02;
constexpr std::uint8_t jet_index_required = 0x08;
constexpr std::uint8_t jet_index_always = 0x80;

struct jet_real_index_shape {
  std::vector<jet_index_key_column> columns;  // at most 10
  std::uint8_t flags = jet_index_always;
  jet_row_pointer map;          // the usage-map row that owns the index's pages
  std::uint32_t root_page = 0;  // an empty index is one empty leaf page
  std::uint32_t entries = 0;    // distinct keys (all NULL keys count as one), as the definition keeps them
};

// Logical-index types.
constexpr std::uint8_t jet_logical_plain = 0x00;
constexpr std::uint8_t jet_logical_primary = 0x01;
constexpr std::uint8_t jet_logical_foreign = 0x02;
// What Access stores in the two cascade bytes of an index no relationship uses.
constexpr std::uint8_t jet_logical_no_cascade = 0x04;

struct jet_logical_index_shape {
  std::wstring name;
  int number = 0;
  int real = 0;  // the real index it names
  std::uint8_t type = jet_logical_plain;
  std::uint8_t rel_table_type = 0;
  std::uint32_t rel_index = 0xFFFFFFFFu;
  std::uint32_t rel_table_page = 0;
  std::uint8_t cascade_updates = jet_logical_no_cascade;
  std::uint8_t cascade_deletes = jet_logical_no_cascade;
};

// The usage maps of one memo or OLE column: the long-value pages it owns and those with room.
struct jet_long_value_maps {
  int number = 0;
  jet_row_pointer owned;
  jet_row_pointer free;
};

struct jet_table_shape {
  bool system = false;
  std::vector<jet_column_shape> columns;  // in the order the definition stores them
  int next_column_number = 0;
  std::vector<jet_real_index_shape> real_indexes;
  std::vector<jet_logical_index_shape> logical_indexes;  // in stored order
  std::vector<jet_long_value_maps> long_value_maps;
  jet_row_pointer owned_map;
  jet_row_pointer free_map;
  std::uint32_t rows = 0;
  std::uint32_t autonumber = 0;  // the last AutoNumber handed out
};

// The joined bytes of the definition (as if on one long page, header included).
std::vector<std::uint8_t> jet_build_tdef(const jet_table_shape& table);

// How many pages the joined bytes take.
std::size_t jet_tdef_page_count(std::size_t joined_size);

// The page images of a definition whose pages are `pages` (first page first), each linked to
// the next.
std::vector<std::vector<std::uint8_t>> jet_split_tdef(const std::vector<std::uint8_t>& joined,
                                                      const std::vector<std::uint32_t>& pages);

// Lays out columns in number order: fixed offsets, variable indexes. Booleans take no room.
void jet_lay_out_columns(std::vector<jet_column_shape>& columns);

}  // namespace jet
