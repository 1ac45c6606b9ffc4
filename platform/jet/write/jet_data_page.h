// One data page being filled: rows packed from the page end down, their offsets from the
// header up, the free space kept in the header as Access keeps it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jet {

class jet_data_page {
 public:
  // `owner`: the table's definition page, or jet_data_page_lval for long-value pages.
  explicit jet_data_page(std::uint32_t owner);

  // True when a row of `size` bytes still fits (with its offset entry), within the 255 rows
  // a row pointer can name.
  bool fits(std::size_t size) const;
  // Adds a row that fits; answers its row number on the page.
  std::uint8_t add(const std::uint8_t* row, std::size_t size);

  std::size_t row_count() const { return rows_; }
  std::size_t free_space() const;
  bool empty() const { return rows_ == 0; }
  const std::vector<std::uint8_t>& bytes() const { return page_; }

  // Empties the page for the next rows of the same owner.
  void clear();

 private:
  std::vector<std::uint8_t> page_;
  std::uint32_t owner_;
  std::size_t rows_ = 0;
  std::size_t low_ = 0;  // start of the lowest row
};

// The owner word of long-value pages: the bytes "LVAL".
constexpr std::uint32_t jet_data_page_lval = 0x4C41564Cu;
// Rows a page may hold: a row pointer names the row in one byte.
constexpr std::size_t jet_data_page_max_rows = 255;

}  // namespace jet
