// Exact decimal arithmetic behind the Var* conversions (internal to the stand-in).
// Text, CY and DECIMAL meet here as a digit string times a power of ten, so no digit is lost
// or invented on the way, and every rounding is one step of round-half-to-even.
#pragma once

#include "platform/oleaut/oleauto.h"

#include <cstdint>
#include <string>

namespace oleaut_detail {

__extension__ typedef unsigned __int128 u128;

// The value (-1)^negative * digits * 10^exponent. `digits` holds decimal digits without leading
// zeros; an empty string is zero.
struct decimal_text {
  bool negative = false;
  std::string digits;
  long long exponent = 0;
};

// The value (-1)^negative * mantissa / 10^scale, scale >= 0.
struct scaled {
  bool negative = false;
  u128 mantissa = 0;
  int scale = 0;
};

// Reads an en-US number: blanks, an optional sign, digits with "," group separators, an optional
// "." fraction and "e" exponent, blanks. DISP_E_TYPEMISMATCH for anything else.
HRESULT parse_number(const OLECHAR* text, decimal_text& out);

// Rounds (half to even) to at most `max_scale` fraction digits and, while the mantissa exceeds
// `limit`, to fewer. DISP_E_OVERFLOW when even the integer does not fit.
HRESULT fit(const decimal_text& value, int max_scale, u128 limit, scaled& out);

decimal_text to_decimal_text(const scaled& value);
// The double's value to `significant` digits (15 for R8, 7 for R4), as the platform takes it.
decimal_text to_decimal_text(double value, int significant);

// The shortest exact text: "-" when negative, "0." before a pure fraction, no trailing zeros.
std::wstring to_text(const scaled& value);
// The nearest double; +-infinity never results from a DECIMAL or CY.
double to_double(const decimal_text& value);

constexpr u128 decimal_limit = (static_cast<u128>(1) << 96) - 1;

scaled from_decimal(const DECIMAL& d);
HRESULT to_decimal(const scaled& value, DECIMAL* out);  // DISP_E_OVERFLOW beyond 96 bits
scaled from_cy(CY cy);
HRESULT to_cy(const decimal_text& value, CY* out);
scaled from_i64(long long value);
scaled from_u64(unsigned long long value);

// Integers: rounded half to even, DISP_E_OVERFLOW outside [min_value, max_value].
HRESULT to_integer(const decimal_text& value, long long min_value, unsigned long long max_value, bool& negative,
                   unsigned long long& magnitude);
HRESULT double_to_integer(double value, long long min_value, unsigned long long max_value, bool& negative,
                          unsigned long long& magnitude);

// Narrows the result of to_integer into the target type (the range was checked already).
template <class Int>
Int as_integer(bool negative, unsigned long long magnitude) {
  return negative ? static_cast<Int>(-static_cast<long long>(magnitude - 1) - 1) : static_cast<Int>(magnitude);
}

// The text of a double to `significant` digits: "3.5", "1E+20", "1.23456789012346E-05".
std::wstring double_text(double value, int significant);

// Wide text of plain ASCII.
std::wstring widen(const std::string& ascii);

}  // namespace oleaut_detail
