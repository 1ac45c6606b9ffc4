// Index key segments per column type. Numbers become big-endian with the sign arranged so that
// an unsigned byte comparison orders them; a descending column inverts the value's bytes.
#include "platform/jet/write/jet_index_key.h"

#include <cstring>
#include <string>

#include "platform/jet/jet_dao_errors.h"
#include "platform/jet/write/jet_text_sort_key.h"
#include "platform/jet/write/jet_write_refusal.h"

namespace jet {

namespace {

[[noreturn]] void refuse() { jet_refuse(dao_impl::dao_err_invalid_argument); }

template <class T>
const T& want(const jet_value& value) {
  const T* v = std::get_if<T>(&value);
  if (v == nullptr) refuse();
  return *v;
}

void put_big_endian(std::uint64_t v, int bytes, std::vector<std::uint8_t>& out) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void invert_from(std::vector<std::uint8_t>& key, std::size_t from) {
  for (std::size_t i = from; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(~key[i]);
}

// Signed integers: flipping the sign bit puts negatives below positives.
void put_signed(std::int64_t v, int bytes, std::vector<std::uint8_t>& out) {
  const std::uint64_t sign = std::uint64_t{1} << (8 * bytes - 1);
  put_big_endian(static_cast<std::uint64_t>(v) ^ sign, bytes, out);
}

// IEEE numbers: a positive one gets its sign bit set, a negative one all its bits inverted, so
// larger magnitudes of negatives sort lower.
void put_ieee(std::uint64_t bits, int bytes, std::vector<std::uint8_t>& out) {
  const std::uint64_t sign = std::uint64_t{1} << (8 * bytes - 1);
  const std::uint64_t mask = bytes == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
  bits = (bits & sign) ? (~bits & mask) : (bits | sign);
  put_big_endian(bits, bytes, out);
}

// Binary values and GUIDs go in groups of 8 bytes: each full group that has more after it is
// followed by 09; the last group is padded with zeros and followed by its length. Descending
// inverts the data and the length, not the 09 between groups.
void put_grouped(const std::uint8_t* data, std::size_t size, bool ascending, std::vector<std::uint8_t>& out) {
  constexpr std::size_t group = 8;
  constexpr std::uint8_t more_follows = 0x09;
  const std::uint8_t flip = ascending ? 0x00 : 0xFF;
  std::size_t at = 0;
  do {
    std::size_t n = size - at < group ? size - at : group;
    for (std::size_t i = 0; i < group; ++i) out.push_back(static_cast<std::uint8_t>((i < n ? data[at + i] : 0) ^ flip));
    at += n;
    if (at < size)
      out.push_back(more_follows);
    else
      out.push_back(static_cast<std::uint8_t>(n ^ flip));
  } while (at < size);
}

// Decimal values: the sign byte, then the 128-bit magnitude big-endian. The Jet 4 order: the
// bytes are inverted when the sign and the direction disagree, then the sign byte is set to FF
// for positives and 00 for negatives.
void put_decimal(const jet_decimal& d, bool ascending, std::vector<std::uint8_t>& out) {
  std::size_t from = out.size();
  out.push_back(d.negative ? 0x80 : 0x00);
  put_big_endian(0, 4, out);
  put_big_endian(d.hi, 4, out);
  put_big_endian(d.lo, 8, out);
  if (d.negative == ascending) invert_from(out, from);
  out[from] = d.negative ? 0x00 : 0xFF;
}

template <class T>
std::uint64_t bits_of(T v) {
  if constexpr (sizeof(T) == 4) {
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
  } else {
    std::uint64_t b;
    std::memcpy(&b, &v, 8);
    return b;
  }
}

}  // namespace

namespace {

void append_segment(const jet_key_column& column, const jet_value& value, std::vector<std::uint8_t>& key) {
  const bool asc = column.ascending;
  if (column.type == jet_ole) refuse();
  // Yes/No columns are never NULL in a row: a missing value indexes as No.
  if (std::holds_alternative<jet_null>(value) && column.type != jet_bool) {
    key.push_back(asc ? jet_key_null_ascending : jet_key_null_descending);
    return;
  }
  key.push_back(asc ? jet_key_start_ascending : jet_key_start_descending);
  const std::size_t from = key.size();
  switch (column.type) {
    case jet_bool: {
      bool yes = !std::holds_alternative<jet_null>(value) && want<bool>(value);
      key.push_back(yes ? 0x00 : 0xFF);
      break;
    }
    case jet_byte: key.push_back(want<std::uint8_t>(value)); break;
    case jet_int: put_signed(want<std::int16_t>(value), 2, key); break;
    case jet_long: put_signed(want<std::int32_t>(value), 4, key); break;
    case jet_complex:  // the id that links to the hidden table, a Long
      put_signed(want<jet_complex_id>(value).id, 4, key);
      break;
    case jet_bigint: put_signed(want<std::int64_t>(value), 8, key); break;
    case jet_money: put_signed(want<jet_currency>(value).scaled, 8, key); break;
    case jet_float: put_ieee(bits_of(want<float>(value)), 4, key); break;
    case jet_double: put_ieee(bits_of(want<double>(value)), 8, key); break;
    case jet_datetime: put_ieee(bits_of(want<jet_date>(value).days), 8, key); break;
    case jet_guid: {
      const jet_uuid& g = want<jet_uuid>(value);
      put_grouped(g.bytes, sizeof g.bytes, asc, key);
      return;  // the groups carry their own direction
    }
    case jet_binary: {
      // An empty value is the start flag alone, as Access writes it.
      const jet_bytes& b = want<jet_bytes>(value);
      if (!b.empty()) put_grouped(b.data(), b.size(), asc, key);
      return;
    }
    case jet_numeric:
      put_decimal(want<jet_decimal>(value), asc, key);
      return;  // the direction is part of the decimal rule
    case jet_text:
    case jet_memo: {
      std::vector<std::uint8_t> body = jet_general_legacy_key_body(want<std::wstring>(value));
      key.insert(key.end(), body.begin(), body.end());
      key.push_back(0x00);
      if (!asc) {
        invert_from(key, from);
        key.push_back(0x00);  // the end byte stays as it is, after the inverted ones
      }
      return;
    }
    default: refuse();
  }
  if (!asc) invert_from(key, from);
}

}  // namespace

void jet_append_key_segment(const jet_key_column& column, const jet_value& value, std::vector<std::uint8_t>& key) {
  // A refused value leaves the key as it was, not with half a segment.
  const std::size_t before = key.size();
  try {
    append_segment(column, value, key);
  } catch (...) {
    key.resize(before);
    throw;
  }
}

std::vector<std::uint8_t> jet_index_key(const std::vector<jet_key_column>& columns,
                                        const std::vector<jet_value>& values) {
  if (columns.size() != values.size()) refuse();
  std::vector<std::uint8_t> key;
  for (std::size_t i = 0; i < columns.size(); ++i) jet_append_key_segment(columns[i], values[i], key);
  return key;
}

}  // namespace jet
