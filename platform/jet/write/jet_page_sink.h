// Where the parts of the writer that fill pages of their own (long values, usage-map pages,
// index B-trees) get page numbers and put their pages. The file writer implements it over its
// page store and keeps the global page map; tests implement it over a vector.
#pragma once

#include <cstdint>
#include <vector>

namespace jet {

class jet_page_sink {
 public:
  virtual ~jet_page_sink() = default;
  // A new page number past every page handed out so far. Its bytes follow through write_page,
  // possibly much later (a page being filled keeps its number from the start, because rows
  // already written point at it). Throws jet_write_error when the file cannot grow.
  virtual std::uint32_t allocate_page() = 0;
  // Writes a whole page (page size bytes) under a number allocate_page gave. Throws
  // jet_write_error on a failed write.
  virtual void write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) = 0;
};

}  // namespace jet
