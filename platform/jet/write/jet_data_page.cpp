// Data page layout: 01 01, free space, owner, 4 zero bytes, row count, row offsets, rows.
#include "platform/jet/write/jet_data_page.h"

#include <cstring>

#include "platform/jet/jet_layout.h"
#include "platform/jet/write/jet_bytes.h"

namespace jet {

jet_data_page::jet_data_page(std::uint32_t owner) : owner_(owner) { clear(); }

void jet_data_page::clear() {
  page_.assign(jet4_page_size, 0);
  page_[0] = jet_page_data;
  page_[1] = jet_page_marker;
  jet_put32(page_.data() + jet4_data_owner_at, owner_);
  rows_ = 0;
  low_ = jet4_page_size;
  jet_put16(page_.data() + jet4_data_free_space_at, static_cast<std::uint32_t>(free_space()));
}

std::size_t jet_data_page::free_space() const { return low_ - jet4_data_offsets_at - 2 * rows_; }

bool jet_data_page::fits(std::size_t size) const { return rows_ < jet_data_page_max_rows && size + 2 <= free_space(); }

std::uint8_t jet_data_page::add(const std::uint8_t* row, std::size_t size) {
  low_ -= size;
  std::memcpy(page_.data() + low_, row, size);
  jet_put16(page_.data() + jet4_data_offsets_at + 2 * rows_, static_cast<std::uint32_t>(low_));
  ++rows_;
  jet_put16(page_.data() + jet4_data_row_count_at, static_cast<std::uint32_t>(rows_));
  jet_put16(page_.data() + jet4_data_free_space_at, static_cast<std::uint32_t>(free_space()));
  return static_cast<std::uint8_t>(rows_ - 1);
}

}  // namespace jet
