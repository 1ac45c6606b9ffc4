// Usage maps: which pages a table, a long-value column or an index owns, and which pages of the
// file are free. A map is a row on a data page: inline (a start page and a 512-page bitmap) or,
// for pages spread wider, a reference map naming bitmap pages of type 0x05.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/jet/write/jet_page_sink.h"

namespace jet {

// The map row (jet4_map_row_size bytes) for a set of pages: inline when they fit one window,
// otherwise a reference map whose bitmap pages are allocated and written through `sink`.
// Throws jet_write_error when the pages reach past what a reference map can name.
std::vector<std::uint8_t> jet_build_usage_map(std::vector<std::uint32_t> pages, jet_page_sink& sink);

// The global map of page 1: a bit set means the page is free. Its window is the last 512-page
// block of the file (pages before it count as used), pages past the end are free.
std::vector<std::uint8_t> jet_build_global_map(const std::vector<bool>& used);

// The second row of page 1: an empty inline map, as every engine-made file has it.
std::vector<std::uint8_t> jet_build_empty_map();

}  // namespace jet
