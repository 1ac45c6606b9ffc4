// The bytes an index entry holds for a row: per key column a segment (start flag and the value
// encoded so that unsigned byte order is the column's sort order, or a one-byte NULL mark),
// ascending or descending. The B-tree builder sorts and stores these bytes as they are.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/jet/jet_types.h"

namespace jet {

struct jet_key_column {
  int type = jet_long;  // jet_col_type of the column
  bool ascending = true;
};

// Segment flags: a value follows the start flag; NULL is the null flag alone.
constexpr std::uint8_t jet_key_start_ascending = 0x7F;
constexpr std::uint8_t jet_key_start_descending = 0x80;
constexpr std::uint8_t jet_key_null_ascending = 0x00;
constexpr std::uint8_t jet_key_null_descending = 0xFF;

// Appends the segment of `value` for one key column. Text and memo use the General legacy sort
// order. Throws jet_write_error (3001) when the column type cannot be indexed (OLE) or the value is not of the column's
// type.
void jet_append_key_segment(const jet_key_column& column, const jet_value& value, std::vector<std::uint8_t>& key);

// The key of a row: the segments of `values` (one per key column, in key order).
std::vector<std::uint8_t> jet_index_key(const std::vector<jet_key_column>& columns,
                                        const std::vector<jet_value>& values);

}  // namespace jet
