// Reads values back out of rows this writer stored (uncompressed text, the writer's own row
// layout), so an index added to a table that already holds rows gets an entry for each of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_table_shape.h"

namespace jet {

// The bytes of one page as the file holds them now (the page being filled included).
using jet_page_reader = std::function<std::vector<std::uint8_t>(std::uint32_t page)>;

// The value of `column` in the stored row `row` (`size` bytes), of the type the row builder
// takes for that column; memo and OLE values outside the row are joined from their pages.
// Throws jet_write_error (3049) when the bytes are not a row of this layout.
jet_value jet_stored_value(const jet_column_shape& column, const std::uint8_t* row, std::size_t size,
                           const jet_page_reader& pages);

// The rows of a data page, in row order: where each starts and how long it is.
struct jet_stored_row_span {
  std::size_t start = 0;
  std::size_t size = 0;
};
std::vector<jet_stored_row_span> jet_page_rows(const std::vector<std::uint8_t>& page);

}  // namespace jet
