// A structure audit of a whole Jet 4 file: who owns each page, whether the global page map
// marks exactly the pages in use, whether every usage map agrees with the page headers and
// whether each table's stored row count matches its rows. It catches what a reader never
// notices (a page missing from a map, a used page marked free) and what Access would later
// trip over when it reuses pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace test_audit {

// What files made by Access itself show and files we write must not: Access grows a file
// ahead of need, leaves pages of deleted objects marked used until the file is compacted,
// keeps stale row counts in some system tables and stores some long values without a column
// map that lists their pages.
struct allowance {
  bool reserved_zero_pages = false;         // all-zero pages may be marked used
  std::set<std::uint32_t> leaked_pages;     // marked used, owned by nothing
  std::set<std::wstring> stale_row_counts;  // tables whose stored count may differ
  bool untracked_long_values = false;       // LVAL pages no column map lists
};

struct result {
  std::vector<std::string> faults;  // empty: the file passed
  // Every owned page and what owns it ("Table1 data", "MSysObjects definition", ...).
  std::map<std::uint32_t, std::string> owner;
  // For each page a usage map lists (the global map aside): the row pointer of the first map
  // that listed it (a table's owned map comes before its free-space map).
  std::map<std::uint32_t, std::uint32_t> listed_by;
};

// Audits a whole file; RC4-encoded pages are decoded first.
result audit_jet4(const std::vector<std::uint8_t>& image, const allowance& allowed = {});

// Where, in `image`, the bit for `page` sits in the inline usage map stored at `row_pointer`
// (row byte + 3-byte page): the byte offset, with the bit's mask in `mask`. Throws
// std::runtime_error when that row holds no inline map covering the page. For tests that
// plant faults in maps.
std::size_t map_bit(const std::vector<std::uint8_t>& image, std::uint32_t row_pointer, std::uint32_t page,
                    std::uint8_t& mask);

}  // namespace test_audit
