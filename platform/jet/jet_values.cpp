// Value decoding: fixed-width numbers, dates, GUIDs, decimals, text and binary.
#include "platform/jet/jet_values.h"

#include <cstring>

namespace jet {

jet_span jet_unwrap_calculated(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t length_at = 16;
  constexpr std::size_t data_at = length_at + 4;
  if (data == nullptr || size < data_at) return {data, size};
  std::size_t len = jet_u32(data + length_at);
  std::size_t have = size - data_at;
  return {data + data_at, len < have ? len : have};
}

jet_value jet_decode_value(const jet_file& file, const jet_column& column,
                           const std::uint8_t* data, std::size_t size) {
  auto need = [&](std::size_t n) { return data != nullptr && size >= n; };
  switch (column.type) {
    case jet_byte:
      if (!need(1)) return jet_null{};
      return data[0];
    case jet_int:
      if (!need(2)) return jet_null{};
      return static_cast<std::int16_t>(jet_u16(data));
    case jet_long:
      if (!need(4)) return jet_null{};
      return static_cast<std::int32_t>(jet_u32(data));
    case jet_complex:
      if (!need(4)) return jet_null{};
      return jet_complex_id{static_cast<std::int32_t>(jet_u32(data))};
    case jet_money:
      if (!need(8)) return jet_null{};
      return jet_currency{static_cast<std::int64_t>(jet_u64(data))};
    case jet_bigint:
      if (!need(8)) return jet_null{};
      return static_cast<std::int64_t>(jet_u64(data));
    case jet_float: {
      if (!need(4)) return jet_null{};
      std::uint32_t bits = jet_u32(data);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
    case jet_double:
    case jet_datetime: {
      if (!need(8)) return jet_null{};
      std::uint64_t bits = jet_u64(data);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      if (column.type == jet_datetime) return jet_date{d};
      return d;
    }
    case jet_guid: {
      if (!need(16)) return jet_null{};
      jet_uuid g;
      std::memcpy(g.bytes, data, 16);
      return g;
    }
    case jet_numeric: {
      // A sign byte, then the 128-bit magnitude as four little-endian words, most
      // significant word first.
      if (!need(17)) return jet_null{};
      jet_decimal d;
      d.negative = data[0] != 0;
      d.precision = static_cast<std::uint8_t>(column.precision);
      d.scale = static_cast<std::uint8_t>(column.scale);
      std::uint32_t w3 = jet_u32(data + 1), w2 = jet_u32(data + 5), w1 = jet_u32(data + 9),
                    w0 = jet_u32(data + 13);
      (void)w3;  // beyond the 96 bits a Decimal holds; Access keeps it zero
      d.hi = w2;
      d.lo = (static_cast<std::uint64_t>(w1) << 32) | w0;
      return d;
    }
    case jet_datetime_ext:
      // ASCII digits: the date, the time and the time zone offset in fixed fields.
      if (data == nullptr) return std::wstring();
      return std::wstring(data, data + size);
    case jet_text:
    case jet_memo:
      if (data == nullptr) return std::wstring();
      return file.decode_text(data, size);
    case jet_binary:
    case jet_ole:
    default:
      if (data == nullptr) return jet_bytes();
      return jet_bytes(data, data + size);
  }
}

}  // namespace jet
