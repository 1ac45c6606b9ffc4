// LVAL pages filled as values arrive: each page keeps its number from the moment it is started,
// because the rows that point at values on it are written before the page is full.
#include "platform/jet/write/jet_long_value_writer.h"

#include <cstring>

#include "platform/jet/jet_layout.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

namespace {

// A data page: type and a constant byte, free space, the owner ("LVAL" for long values), a
// zero word, the row count and the row offsets; rows are packed from the end of the page.
constexpr std::uint8_t data_page_type = 0x01;
constexpr std::size_t free_space_at = 2;
constexpr std::size_t owner_at = 4;
constexpr std::size_t row_count_at = 12;
constexpr std::size_t row_offsets_at = 14;
constexpr std::size_t row_offset_size = 2;
// A row pointer names its row with one byte.
constexpr std::size_t max_rows_per_page = 256;
constexpr char lval_owner[4] = {'L', 'V', 'A', 'L'};

constexpr long record_too_large = 3047;
constexpr char record_too_large_text[] = "Record is too large.";

void put16(std::uint8_t* p, std::size_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::size_t get16(const std::uint8_t* p) { return static_cast<std::size_t>(p[0] | (p[1] << 8)); }

std::vector<std::uint8_t> header(std::size_t size, std::uint8_t kind, std::uint32_t row_pointer) {
  std::vector<std::uint8_t> out(jet_long_value_header_size, 0);
  put32(out.data(), static_cast<std::uint32_t>(size) | (static_cast<std::uint32_t>(kind) << 24));
  put32(out.data() + 4, row_pointer);
  return out;
}

std::uint32_t row_pointer(std::uint32_t page, std::size_t row) { return (page << 8) | static_cast<std::uint32_t>(row); }

std::vector<std::uint8_t> empty_lval_page() {
  std::vector<std::uint8_t> page(jet4_page_size, 0);
  page[0] = data_page_type;
  page[1] = 0x01;
  put16(page.data() + free_space_at, jet4_page_size - row_offsets_at);
  std::memcpy(page.data() + owner_at, lval_owner, sizeof lval_owner);
  return page;
}

}  // namespace

std::vector<std::uint8_t> jet_long_value_writer::store(const std::uint8_t* data, std::size_t size, std::size_t room) {
  if (room < jet_long_value_header_size || size > jet_long_value_max)
    throw jet_write_error(record_too_large, record_too_large_text);

  if (size <= jet_long_value_inline_max && jet_long_value_header_size + size <= room) {
    std::vector<std::uint8_t> out = header(size, jet_long_value_inline, 0);
    out.insert(out.end(), data, data + size);
    return out;
  }
  if (size <= jet_long_value_single_max) return header(size, jet_long_value_single, add_row(nullptr, 0, data, size));

  // A chain: every piece but the last fills a page of its own. Those pages get their numbers
  // first, so each piece can name the next one before it is written.
  std::size_t pieces = (size + jet_long_value_chain_piece - 1) / jet_long_value_chain_piece;
  std::vector<std::uint32_t> full_pages;
  full_pages.reserve(pieces - 1);
  for (std::size_t i = 0; i + 1 < pieces; ++i) {
    full_pages.push_back(sink_.allocate_page());
    pages_.push_back(full_pages.back());
  }
  std::size_t last_at = (pieces - 1) * jet_long_value_chain_piece;
  std::uint8_t no_next[4] = {0, 0, 0, 0};
  std::uint32_t next = add_row(no_next, sizeof no_next, data + last_at, size - last_at);
  for (std::size_t i = pieces - 1; i-- > 0;) {
    std::vector<std::uint8_t> page = empty_lval_page();
    std::size_t start = jet4_page_size - 4 - jet_long_value_chain_piece;
    put32(page.data() + start, next);
    std::memcpy(page.data() + start + 4, data + i * jet_long_value_chain_piece, jet_long_value_chain_piece);
    put16(page.data() + row_count_at, 1);
    put16(page.data() + row_offsets_at, start);
    put16(page.data() + free_space_at, start - row_offsets_at - row_offset_size);
    sink_.write_page(full_pages[i], page);
    next = row_pointer(full_pages[i], 0);
  }
  return header(size, jet_long_value_chain, next);
}

std::uint32_t jet_long_value_writer::start_page() {
  page_ = empty_lval_page();
  page_number_ = sink_.allocate_page();
  pages_.push_back(page_number_);
  return page_number_;
}

std::uint32_t jet_long_value_writer::add_row(const std::uint8_t* head, std::size_t head_size, const std::uint8_t* data,
                                             std::size_t size) {
  std::size_t row_size = head_size + size;
  if (!page_.empty()) {
    std::size_t rows = get16(page_.data() + row_count_at);
    std::size_t free = get16(page_.data() + free_space_at);
    if (rows >= max_rows_per_page || row_size + row_offset_size > free) flush_page();
  }
  if (page_.empty()) start_page();

  std::uint8_t* p = page_.data();
  std::size_t rows = get16(p + row_count_at);
  std::size_t end = rows == 0 ? jet4_page_size : get16(p + row_offsets_at + 2 * (rows - 1));
  std::size_t start = end - row_size;
  if (head_size > 0) std::memcpy(p + start, head, head_size);
  if (size > 0) std::memcpy(p + start + head_size, data, size);
  put16(p + row_offsets_at + 2 * rows, start);
  put16(p + row_count_at, rows + 1);
  put16(p + free_space_at, get16(p + free_space_at) - row_size - row_offset_size);
  return row_pointer(page_number_, rows);
}

void jet_long_value_writer::flush_page() {
  if (page_.empty()) return;
  // The page is forgotten before the write, so a failed write is not retried at finish().
  std::vector<std::uint8_t> page;
  page.swap(page_);
  sink_.write_page(page_number_, page);
}

void jet_long_value_writer::finish() { flush_page(); }

}  // namespace jet
