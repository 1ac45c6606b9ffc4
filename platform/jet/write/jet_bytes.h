// Little-endian stores into page and row buffers, and the 4-byte row pointer (row number, then
// a 3-byte page number) that usage maps, long values and indexes use to name a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jet {

inline void jet_put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void jet_put24(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 3; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void jet_put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void jet_put64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void jet_append16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void jet_append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Text as Jet 4 stores it uncompressed: UTF-16 little-endian, characters beyond the BMP as
// surrogate pairs.
inline void jet_append_utf16(std::vector<std::uint8_t>& out, const std::wstring& text) {
  for (wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      jet_append16(out, 0xD800 + (c >> 10));
      jet_append16(out, 0xDC00 + (c & 0x3FF));
    } else {
      jet_append16(out, c & 0xFFFF);
    }
  }
}

// A row on a data page: where a usage map, a long value or an index entry points.
struct jet_row_pointer {
  std::uint32_t page = 0;
  std::uint8_t row = 0;
};

inline std::uint32_t jet_row_pointer_word(const jet_row_pointer& p) {
  return static_cast<std::uint32_t>(p.row) | (p.page << 8);
}

}  // namespace jet
