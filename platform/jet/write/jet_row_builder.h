// Builds the bytes of one Jet 4 row from a value per column: column count, the fixed part at
// each column's offset, the variable part, end-of-data and variable offsets (reversed),
// variable count and the null mask (Booleans live only there). A row over 4,060 bytes is
// refused with 3047 before anything is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_table_shape.h"

namespace jet {

// Where memo and OLE values go: answers the bytes the row keeps for a value (the 12-byte
// long-value header, followed by the value when it stays in the row). `room` is how many
// bytes the row can still take. Throws jet_write_error when the value cannot be stored.
class jet_long_value_store {
 public:
  virtual ~jet_long_value_store() = default;
  virtual std::vector<std::uint8_t> store(const jet_column_shape& column, const std::vector<std::uint8_t>& value,
                                          std::size_t room) = 0;
};

class jet_row_builder {
 public:
  // `columns` in any order; values come by column number.
  explicit jet_row_builder(const std::vector<jet_column_shape>& columns);

  // The row for `values` (one per column, by column number; jet_null for NULL). Throws
  // jet_write_error (3047 too large, 3163, 3349, 3421 for a value that does not fit its column).
  const std::vector<std::uint8_t>& build(const std::vector<jet_value>& values, jet_long_value_store& long_values);

  std::size_t column_count() const { return columns_.size(); }

 private:
  std::vector<jet_column_shape> columns_;  // by number
  std::vector<std::size_t> var_order_;     // positions in columns_, by variable index
  std::size_t fixed_size_ = 0;
  std::size_t long_value_columns_ = 0;
  std::vector<std::vector<std::uint8_t>> var_bytes_;
  std::vector<std::uint8_t> row_;
};

}  // namespace jet
