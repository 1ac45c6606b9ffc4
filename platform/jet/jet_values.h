// Decoding of one stored value from its bytes, for every column type an Access file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_types.h"

namespace jet {

// `data`/`size` are the value's bytes in the row; for memo and OLE columns, the bytes of the
// long value already joined from its pages. Bytes too short for the type give jet_null. A
// calculated column's bytes are unwrapped first and read as a value of its result type.
jet_value jet_decode_value(const jet_file& file, const jet_column& column, const std::uint8_t* data, std::size_t size);

// A calculated column stores its result behind a 16-byte header and a 32-bit length: the
// bytes of the result itself. Bytes too short for the header are answered as they are.
struct jet_span {
  const std::uint8_t* data;
  std::size_t size;
};
jet_span jet_unwrap_calculated(const std::uint8_t* data, std::size_t size);

// A Date/Time Extended value as "YYYY-MM-DD hh:mm:ss.fffffff", every stored digit kept; bytes
// that do not hold such a value are answered as the characters they are.
std::wstring jet_datetime_ext_text(const std::uint8_t* data, std::size_t size);

// Little-endian readers that never read unaligned memory.
inline std::uint16_t jet_u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t jet_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t jet_u64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(jet_u32(p)) | (static_cast<std::uint64_t>(jet_u32(p + 4)) << 32);
}

}  // namespace jet
