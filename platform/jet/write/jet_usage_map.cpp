// Inline and reference usage maps, and the global free-page map.
#include "platform/jet/write/jet_usage_map.h"

#include <algorithm>

#include "platform/jet/jet_layout.h"
#include "platform/jet/write/jet_bytes.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

namespace {

void set_bit(std::uint8_t* bitmap, std::size_t bit) {
  bitmap[bit / 8] = static_cast<std::uint8_t>(bitmap[bit / 8] | (1u << (bit % 8)));
}

}  // namespace

std::vector<std::uint8_t> jet_build_empty_map() { return std::vector<std::uint8_t>(jet4_map_row_size, 0); }

std::vector<std::uint8_t> jet_build_usage_map(std::vector<std::uint32_t> pages, jet_page_sink& sink) {
  std::vector<std::uint8_t> row(jet4_map_row_size, 0);
  if (pages.empty()) return row;
  std::sort(pages.begin(), pages.end());
  // Byte-aligned start, so a page's bit sits in the same place whatever the map holds.
  std::uint32_t start = pages.front() - pages.front() % 8;
  if (pages.back() - start < jet4_inline_map_pages) {
    row[0] = jet_map_inline;
    jet_put32(row.data() + 1, start);
    for (std::uint32_t p : pages) set_bit(row.data() + 5, p - start);
    return row;
  }
  row[0] = jet_map_reference;
  std::size_t slots = pages.back() / jet4_map_page_pages + 1;
  if (slots > jet4_reference_map_slots) throw jet_write_error(3026, "Not enough space on disk.");
  std::size_t at = 0;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    std::uint32_t first = static_cast<std::uint32_t>(slot * jet4_map_page_pages);
    std::uint32_t last = static_cast<std::uint32_t>(first + jet4_map_page_pages);
    if (at >= pages.size() || pages[at] >= last) continue;  // no page of this slot is owned
    std::vector<std::uint8_t> bitmap(jet4_page_size, 0);
    bitmap[0] = jet_page_usage_map;
    bitmap[1] = jet_page_marker;
    for (; at < pages.size() && pages[at] < last; ++at)
      set_bit(bitmap.data() + jet4_map_page_bitmap_at, pages[at] - first);
    std::uint32_t number = sink.allocate_page();
    sink.write_page(number, bitmap);
    jet_put32(row.data() + 1 + 4 * slot, number);
  }
  return row;
}

std::vector<std::uint8_t> jet_build_global_map(const std::vector<bool>& used) {
  std::vector<std::uint8_t> row(jet4_map_row_size, 0);
  row[0] = jet_map_inline;
  std::size_t count = used.size();
  std::size_t start = count == 0 ? 0 : (count - 1) / jet4_inline_map_pages * jet4_inline_map_pages;
  jet_put32(row.data() + 1, static_cast<std::uint32_t>(start));
  for (std::size_t i = 0; i < jet4_inline_map_pages; ++i) {
    std::size_t page = start + i;
    if (page >= count || !used[page]) set_bit(row.data() + 5, i);
  }
  return row;
}

}  // namespace jet
