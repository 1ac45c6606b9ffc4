// Value decoding: fixed-width numbers, dates, GUIDs, decimals, text and binary, the results of
// calculated columns and the text of extended dates.
#include "platform/jet/jet_values.h"

#include <cstdio>
#include <cstring>

namespace jet {

namespace {

// `type` is the type the bytes hold: the column's own, or a calculated column's result type.
jet_value decode_stored(const jet_file& file, const jet_column& column, int type, const std::uint8_t* data,
                        std::size_t size) {
  auto need = [&](std::size_t n) { return data != nullptr && size >= n; };
  switch (type) {
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
      if (type == jet_datetime) return jet_date{d};
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
      std::uint32_t w3 = jet_u32(data + 1), w2 = jet_u32(data + 5), w1 = jet_u32(data + 9), w0 = jet_u32(data + 13);
      (void)w3;  // beyond the 96 bits a Decimal holds; Access keeps it zero
      d.hi = w2;
      d.lo = (static_cast<std::uint64_t>(w1) << 32) | w0;
      return d;
    }
    case jet_datetime_ext: return jet_datetime_ext_text(data, size);
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

// A calculated Decimal: the length of what follows it (16-bit), the value's own scale, the sign,
// then the magnitude's bytes, most significant part first: a 32-bit word when their count is
// not a multiple of 8, then 64-bit words, each little-endian. The column names no scale: every
// value carries its own.
jet_value calculated_decimal(const jet_column& column, const std::uint8_t* data, std::size_t size) {
  constexpr std::uint8_t decimal_negative = 0x80;
  constexpr std::uint8_t most_scale = 28;
  constexpr std::size_t head = 4, most_bytes = 16;
  if (data == nullptr || size < head) return jet_null{};
  const std::size_t announced = jet_u16(data);
  const std::size_t total = announced > 0 ? announced : size - 2;
  if (total < 2) return jet_null{};
  std::size_t count = (total - 2) / 4 * 4;
  if (count > most_bytes) count = most_bytes;
  if (count > size - head || data[2] > most_scale) return jet_null{};
  // The magnitude as 128 bits, built word by word from the most significant.
  std::uint64_t high = 0, low = 0;
  auto shift_in = [&](std::uint64_t word, int bits) {
    high = bits == 64 ? low : (high << bits) | (low >> (64 - bits));
    low = bits == 64 ? word : (low << bits) | word;
  };
  const std::uint8_t* p = data + head;
  if (count % 8 != 0) {
    shift_in(jet_u32(p), 32);
    p += 4;
  }
  for (; p < data + head + count; p += 8) shift_in(jet_u64(p), 64);
  // A Decimal holds 96 bits; a value beyond them is damage, not a number.
  if (high >> 32 != 0) return jet_null{};
  jet_decimal d;
  d.scale = data[2];
  d.negative = (data[3] & decimal_negative) != 0;
  d.precision = static_cast<std::uint8_t>(column.precision);
  d.hi = static_cast<std::uint32_t>(high);
  d.lo = low;
  return d;
}

// Days since 0001-01-01 (proleptic Gregorian) as year, month and day.
void civil_from_days(std::int64_t days, std::int64_t& y, unsigned& m, unsigned& d) {
  std::int64_t z = days - 719162 + 719468;  // to days since 0000-03-01
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

bool ascii_digits(const std::uint8_t* data, std::size_t count, std::int64_t& out) {
  out = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (data[i] < '0' || data[i] > '9') return false;
    out = out * 10 + (data[i] - '0');
  }
  return true;
}

}  // namespace

std::wstring jet_datetime_ext_text(const std::uint8_t* data, std::size_t size) {
  // 19 digits of days since 0001-01-01, a colon, 12 digits of seconds into the day and 7
  // digits of 100-nanosecond units.
  constexpr std::size_t days_digits = 19, seconds_at = 20, seconds_digits = 12, units_at = 32, units_digits = 7;
  std::int64_t days = 0, seconds = 0, units = 0;
  const bool whole = data != nullptr && size >= units_at + units_digits && data[days_digits] == ':' &&
                     ascii_digits(data, days_digits, days) &&
                     ascii_digits(data + seconds_at, seconds_digits, seconds) &&
                     ascii_digits(data + units_at, units_digits, units);
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  if (whole) civil_from_days(days, year, month, day);
  // Anything else is kept as the characters stored, so nothing is lost.
  if (!whole || seconds >= 86400 || year < 1 || year > 9999) {
    if (data == nullptr) return std::wstring();
    std::size_t end = size;
    while (end > 0 && data[end - 1] == 0) --end;
    return std::wstring(data, data + end);
  }
  char text[40];
  const int n = std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%07d", static_cast<int>(year), month,
                              day, static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                              static_cast<int>(seconds % 60), static_cast<int>(units));
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text) return std::wstring();
  return std::wstring(text, text + n);
}

jet_span jet_unwrap_calculated(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t length_at = 16;
  constexpr std::size_t data_at = length_at + 4;
  if (data == nullptr || size < data_at) return {data, size};
  std::size_t len = jet_u32(data + length_at);
  std::size_t have = size - data_at;
  return {data + data_at, len < have ? len : have};
}

jet_value jet_decode_value(const jet_file& file, const jet_column& column, const std::uint8_t* data, std::size_t size) {
  if (!column.calculated) return decode_stored(file, column, column.type, data, size);
  const jet_span result = jet_unwrap_calculated(data, size);
  const int type = jet_value_type(column);
  switch (type) {
    case jet_bool:
      // Kept in the row as a byte; the null mask says only whether there is a value.
      if (result.data == nullptr || result.size < 1) return jet_null{};
      return result.data[0] != 0;
    case jet_numeric: return calculated_decimal(column, result.data, result.size);
    default: return decode_stored(file, column, type, result.data, result.size);
  }
}

}  // namespace jet
