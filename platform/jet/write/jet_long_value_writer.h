// Storage of Memo and OLE Object values: a short value stays in the row, a longer one goes to
// LVAL pages (one row there, or a chain of rows over several pages) and the row keeps a
// 12-byte header that points at it. One writer serves one column: its LVAL pages are owned by
// that column's usage maps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/jet/write/jet_page_sink.h"

namespace jet {

// Length (3 bytes, 30 bits for a chain) with the kind in the top bits, the row pointer
// (row byte + 3-byte page) and four zero bytes.
constexpr std::size_t jet_long_value_header_size = 12;
// The longest value kept in the row itself; Access moves a 65-byte value out of the row.
constexpr std::size_t jet_long_value_inline_max = 64;
// The longest value one LVAL row holds; a longer one is chained.
constexpr std::size_t jet_long_value_single_max = 4076;
// Data bytes in one row of a chain: the row starts with the pointer to the next one.
constexpr std::size_t jet_long_value_chain_piece = jet_long_value_single_max - 4;
// The largest value a header can announce (Access stops at 1 GB).
constexpr std::size_t jet_long_value_max = 0x3FFFFFFF;

constexpr std::uint8_t jet_long_value_inline = 0x80;
constexpr std::uint8_t jet_long_value_single = 0x40;
constexpr std::uint8_t jet_long_value_chain = 0x00;

class jet_long_value_writer {
 public:
  explicit jet_long_value_writer(jet_page_sink& sink) : sink_(sink) {}
  jet_long_value_writer(const jet_long_value_writer&) = delete;
  jet_long_value_writer& operator=(const jet_long_value_writer&) = delete;

  // Stores a value and answers the bytes the row keeps for it: the header, followed by the
  // value itself when it stays in the row. `room` is what the row has left for this column;
  // a value stays in the row only when header and value fit there. Throws jet_write_error
  // 3047 when not even the header fits or the value passes the format's limit (nothing is
  // written then), and whatever the sink throws.
  std::vector<std::uint8_t> store(const std::uint8_t* data, std::size_t size, std::size_t room);

  // Writes the page still being filled. Call once after the last value.
  void finish();

  // Every LVAL page this writer has taken, in the order it took them (the column's usage
  // maps list them).
  const std::vector<std::uint32_t>& pages() const { return pages_; }

 private:
  // Puts one row on the page being filled (a new page when it does not fit there) and
  // answers its row pointer.
  std::uint32_t add_row(const std::uint8_t* head, std::size_t head_size, const std::uint8_t* data, std::size_t size);
  std::uint32_t start_page();
  void flush_page();

  jet_page_sink& sink_;
  std::vector<std::uint32_t> pages_;
  std::vector<std::uint8_t> page_;  // the page being filled; empty when there is none
  std::uint32_t page_number_ = 0;
};

}  // namespace jet
