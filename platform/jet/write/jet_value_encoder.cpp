// Conversions of the values the DAO layer hands over into the bytes a row stores.
#include "platform/jet/write/jet_value_encoder.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/jet/write/jet_bytes.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

namespace {

[[noreturn]] void conversion_error() { throw jet_write_error(jet_err_conversion, "Data type conversion error."); }
[[noreturn]] void overflow_error() { throw jet_write_error(jet_err_overflow, "Numeric field overflow."); }

bool as_integer(const jet_value& v, std::int64_t& out) {
  if (auto* p = std::get_if<std::uint8_t>(&v)) return out = *p, true;
  if (auto* p = std::get_if<std::int16_t>(&v)) return out = *p, true;
  if (auto* p = std::get_if<std::int32_t>(&v)) return out = *p, true;
  if (auto* p = std::get_if<std::int64_t>(&v)) return out = *p, true;
  if (auto* p = std::get_if<bool>(&v)) return out = *p ? -1 : 0, true;  // Access's True is -1
  return false;
}

std::int64_t integer_in(const jet_value& v, std::int64_t low, std::int64_t high) {
  std::int64_t n = 0;
  if (!as_integer(v, n)) {
    double d = 0;
    if (auto* f = std::get_if<float>(&v))
      d = *f;
    else if (auto* g = std::get_if<double>(&v))
      d = *g;
    else
      conversion_error();
    // Access rounds a fractional value into an integer column, halves to even.
    if (!std::isfinite(d)) overflow_error();
    d = std::nearbyint(d);
    if (d < static_cast<double>(low) || d > static_cast<double>(high)) overflow_error();
    return static_cast<std::int64_t>(d);
  }
  if (n < low || n > high) overflow_error();
  return n;
}

double as_double(const jet_value& v) {
  std::int64_t n = 0;
  if (as_integer(v, n) && !std::holds_alternative<bool>(v)) return static_cast<double>(n);
  if (auto* p = std::get_if<float>(&v)) return *p;
  if (auto* p = std::get_if<double>(&v)) return *p;
  if (auto* p = std::get_if<jet_currency>(&v)) return static_cast<double>(p->scaled) / 10000.0;
  if (auto* p = std::get_if<jet_date>(&v)) return p->days;
  conversion_error();
}

// A 128-bit magnitude as two words, for Decimal scaling.
struct u128 {
  std::uint64_t hi = 0, lo = 0;
};

bool mul10(u128& x) {
  unsigned __int128 v = (static_cast<unsigned __int128>(x.hi) << 64) | x.lo;
  if (v > (~static_cast<unsigned __int128>(0)) / 10) return false;
  v *= 10;
  x.hi = static_cast<std::uint64_t>(v >> 64);
  x.lo = static_cast<std::uint64_t>(v);
  return true;
}

void encode_decimal(const jet_column_shape& column, const jet_value& value, std::uint8_t* out) {
  jet_decimal d;
  std::int64_t n = 0;
  if (auto* p = std::get_if<jet_decimal>(&value)) {
    d = *p;
  } else if (as_integer(value, n) && !std::holds_alternative<bool>(value)) {
    d.negative = n < 0;
    d.lo = n < 0 ? static_cast<std::uint64_t>(-(n + 1)) + 1 : static_cast<std::uint64_t>(n);
  } else if (auto* c = std::get_if<jet_currency>(&value)) {
    d.negative = c->scaled < 0;
    d.lo = c->scaled < 0 ? static_cast<std::uint64_t>(-(c->scaled + 1)) + 1 : static_cast<std::uint64_t>(c->scaled);
    d.scale = 4;
  } else {
    conversion_error();
  }
  unsigned __int128 v = (static_cast<unsigned __int128>(d.hi) << 64) | d.lo;
  int scale = d.scale;
  while (scale < column.scale) {
    u128 x{static_cast<std::uint64_t>(v >> 64), static_cast<std::uint64_t>(v)};
    if (!mul10(x)) overflow_error();
    v = (static_cast<unsigned __int128>(x.hi) << 64) | x.lo;
    ++scale;
  }
  while (scale > column.scale) {
    // More digits than the column keeps: round half away from zero, as Access does.
    unsigned __int128 q = v / 10, r = v % 10;
    v = q + (r >= 5 ? 1 : 0);
    --scale;
  }
  // The magnitude must have at most `precision` digits.
  unsigned __int128 limit = 1;
  for (int i = 0; i < column.precision; ++i) limit *= 10;
  if (column.precision > 0 && v >= limit) overflow_error();
  bool negative = d.negative && v != 0;
  out[0] = negative ? 0x80 : 0x00;
  // Four 32-bit words, most significant first, each little-endian.
  for (int w = 0; w < 4; ++w) {
    int shift = 32 * (3 - w);
    jet_put32(out + 1 + 4 * w, static_cast<std::uint32_t>(v >> shift));
  }
}

std::vector<std::uint8_t> text_bytes(const jet_value& value) {
  auto* s = std::get_if<std::wstring>(&value);
  if (s == nullptr) conversion_error();
  std::vector<std::uint8_t> out;
  jet_append_utf16(out, *s);
  return out;
}

}  // namespace

bool jet_encode_bool(const jet_value& value) {
  if (auto* b = std::get_if<bool>(&value)) return *b;
  std::int64_t n = 0;
  if (as_integer(value, n)) return n != 0;
  conversion_error();
}

void jet_encode_fixed(const jet_column_shape& column, const jet_value& value, std::uint8_t* out) {
  switch (column.type) {
    case jet_byte: out[0] = static_cast<std::uint8_t>(integer_in(value, 0, 255)); return;
    case jet_int: jet_put16(out, static_cast<std::uint32_t>(integer_in(value, -32768, 32767))); return;
    case jet_long:
      jet_put32(out, static_cast<std::uint32_t>(integer_in(value, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max())));
      return;
    case jet_money: {
      std::int64_t scaled = 0;
      if (auto* c = std::get_if<jet_currency>(&value)) {
        scaled = c->scaled;
      } else {
        std::int64_t n = 0;
        if (as_integer(value, n) && !std::holds_alternative<bool>(value)) {
          if (n > std::numeric_limits<std::int64_t>::max() / 10000 ||
              n < std::numeric_limits<std::int64_t>::min() / 10000)
            overflow_error();
          scaled = n * 10000;
        } else {
          double d = as_double(value) * 10000.0;
          if (!std::isfinite(d) || std::fabs(d) >= 9.2233720368547758e18) overflow_error();
          scaled = static_cast<std::int64_t>(std::nearbyint(d));
        }
      }
      jet_put64(out, static_cast<std::uint64_t>(scaled));
      return;
    }
    case jet_float: {
      float f = 0;
      if (auto* p = std::get_if<float>(&value)) {
        f = *p;
      } else {
        double d = as_double(value);
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) overflow_error();
        f = static_cast<float>(d);
      }
      std::uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      jet_put32(out, bits);
      return;
    }
    case jet_double:
    case jet_datetime: {
      double d = as_double(value);
      std::uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      jet_put64(out, bits);
      return;
    }
    case jet_guid: {
      auto* g = std::get_if<jet_uuid>(&value);
      if (g == nullptr) conversion_error();
      std::memcpy(out, g->bytes, 16);
      return;
    }
    case jet_numeric: encode_decimal(column, value, out); return;
    default: conversion_error();
  }
}

std::vector<std::uint8_t> jet_encode_variable(const jet_column_shape& column, const jet_value& value) {
  std::vector<std::uint8_t> out;
  switch (column.type) {
    case jet_text:
    case jet_memo: out = text_bytes(value); break;
    case jet_binary:
    case jet_ole: {
      auto* b = std::get_if<jet_bytes>(&value);
      if (b == nullptr) conversion_error();
      out = *b;
      break;
    }
    default: conversion_error();
  }
  if ((column.type == jet_text || column.type == jet_binary) && out.size() > static_cast<std::size_t>(column.length))
    throw jet_write_error(jet_err_field_too_small,
                          "The field is too small to accept the amount of data you attempted to add.  "
                          "Try inserting or pasting less data.");
  return out;
}

}  // namespace jet
