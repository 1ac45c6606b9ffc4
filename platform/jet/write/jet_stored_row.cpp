// The reverse of jet_row_builder and jet_value_encoder for the writer's own rows.
#include "platform/jet/write/jet_stored_row.h"

#include <cstring>

#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_values.h"
#include "platform/jet/write/jet_long_value_writer.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

namespace {

constexpr long err_corrupt = 3049;
constexpr std::uint16_t row_offset_mask = 0x1FFF;

[[noreturn]] void corrupt() { throw jet_write_error(err_corrupt, "A stored row could not be read back."); }

std::wstring utf16_text(const std::uint8_t* p, std::size_t size) {
  std::wstring out;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    std::uint32_t c = jet_u16(p + i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < size) {
      std::uint32_t low = jet_u16(p + i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

// The bytes of row `row` of an LVAL page.
std::vector<std::uint8_t> lval_row(const jet_page_reader& pages, std::uint32_t page, std::uint8_t row) {
  std::vector<std::uint8_t> bytes = pages(page);
  std::vector<jet_stored_row_span> rows = jet_page_rows(bytes);
  if (row >= rows.size()) corrupt();
  const auto& r = rows[row];
  return {bytes.begin() + static_cast<long>(r.start), bytes.begin() + static_cast<long>(r.start + r.size)};
}

// A memo or OLE value from the 12-byte header the row keeps (and what follows it in the row).
jet_bytes long_value(const std::uint8_t* p, std::size_t size, const jet_page_reader& pages) {
  if (size < jet_long_value_header_size) corrupt();
  const std::uint32_t word = jet_u32(p);
  const std::uint8_t kind = static_cast<std::uint8_t>(word >> 24) & 0xC0;
  const std::size_t length = word & 0x3FFFFFFFu;
  std::uint32_t pointer = jet_u32(p + 4);
  if (kind == jet_long_value_inline) {
    if (jet_long_value_header_size + length > size) corrupt();
    return {p + jet_long_value_header_size, p + jet_long_value_header_size + length};
  }
  if (kind == jet_long_value_single) {
    std::vector<std::uint8_t> r = lval_row(pages, pointer >> 8, static_cast<std::uint8_t>(pointer));
    if (r.size() < length) corrupt();
    return {r.begin(), r.begin() + static_cast<long>(length)};
  }
  jet_bytes out;
  while (out.size() < length) {
    if (pointer == 0) corrupt();
    std::vector<std::uint8_t> r = lval_row(pages, pointer >> 8, static_cast<std::uint8_t>(pointer));
    if (r.size() < 4) corrupt();
    pointer = jet_u32(r.data());
    out.insert(out.end(), r.begin() + 4, r.end());
  }
  out.resize(length);
  return out;
}

}  // namespace

std::vector<jet_stored_row_span> jet_page_rows(const std::vector<std::uint8_t>& page) {
  if (page.size() != jet4_page_size) corrupt();
  const std::size_t count = jet_u16(page.data() + jet4_data_row_count_at);
  if (jet4_data_offsets_at + 2 * count > page.size()) corrupt();
  std::vector<jet_stored_row_span> rows;
  std::size_t end = page.size();
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t start = jet_u16(page.data() + jet4_data_offsets_at + 2 * i) & row_offset_mask;
    if (start > end || start < jet4_data_offsets_at + 2 * count) corrupt();
    rows.push_back({start, end - start});
    end = start;
  }
  return rows;
}

jet_value jet_stored_value(const jet_column_shape& column, const std::uint8_t* row, std::size_t size,
                           const jet_page_reader& pages) {
  if (size < 2) corrupt();
  const std::size_t n = jet_u16(row);
  const std::size_t mask_size = (n + 7) / 8;
  if (static_cast<std::size_t>(column.number) >= n || size < 2 + mask_size) corrupt();
  const std::uint8_t* mask = row + size - mask_size;
  const bool present = (mask[column.number / 8] >> (column.number % 8)) & 1;
  if (column.type == jet_bool) return present;
  if (!present) return jet_null{};

  if (column.fixed) {
    const std::size_t at = 2 + static_cast<std::size_t>(column.fixed_offset);
    if (at + static_cast<std::size_t>(column.length) > size - mask_size) corrupt();
    const std::uint8_t* p = row + at;
    switch (column.type) {
      case jet_byte: return p[0];
      case jet_int: return static_cast<std::int16_t>(jet_u16(p));
      case jet_long: return static_cast<std::int32_t>(jet_u32(p));
      case jet_money: return jet_currency{static_cast<std::int64_t>(jet_u64(p))};
      case jet_float: {
        float f;
        std::uint32_t bits = jet_u32(p);
        std::memcpy(&f, &bits, sizeof f);
        return f;
      }
      case jet_double:
      case jet_datetime: {
        double d;
        std::uint64_t bits = jet_u64(p);
        std::memcpy(&d, &bits, sizeof d);
        if (column.type == jet_datetime) return jet_date{d};
        return d;
      }
      case jet_guid: {
        jet_uuid u;
        std::memcpy(u.bytes, p, sizeof u.bytes);
        return u;
      }
      case jet_numeric: {
        // A sign byte and four 32-bit words, most significant first; the first is always 0.
        jet_decimal d;
        d.negative = (p[0] & 0x80) != 0;
        d.scale = static_cast<std::uint8_t>(column.scale);
        d.precision = static_cast<std::uint8_t>(column.precision);
        d.hi = jet_u32(p + 5);
        d.lo = (static_cast<std::uint64_t>(jet_u32(p + 9)) << 32) | jet_u32(p + 13);
        return d;
      }
      default: corrupt();
    }
  }

  // Variable part: count, offsets (reversed) and end of data sit just before the null mask.
  const std::size_t tail = size - mask_size;
  if (tail < 4) corrupt();
  const std::size_t count = jet_u16(row + tail - 2);
  const auto index = static_cast<std::size_t>(column.var_index);
  if (index >= count || tail < 2 + 2 * (count + 1)) corrupt();
  auto offset = [&](std::size_t i) { return static_cast<std::size_t>(jet_u16(row + tail - 2 - 2 * (i + 1))); };
  const std::size_t start = offset(index);
  const std::size_t end = offset(index + 1);  // the next column's start, or the end of data
  if (start > end || end > tail) corrupt();
  const std::uint8_t* p = row + start;
  const std::size_t length = end - start;
  switch (column.type) {
    case jet_text: return utf16_text(p, length);
    case jet_binary: return jet_bytes(p, p + length);
    case jet_memo: {
      jet_bytes b = long_value(p, length, pages);
      return utf16_text(b.data(), b.size());
    }
    case jet_ole: return long_value(p, length, pages);
    default: corrupt();
  }
}

}  // namespace jet
