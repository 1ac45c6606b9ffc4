// Exact decimal arithmetic behind the Var* conversions: parsing, rounding, text and limits.
#include "platform/oleaut/var_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace oleaut_detail {
namespace {

// Beyond this an exponent only says "far too large" or "far too small"; clamping it keeps the
// arithmetic on exponents free of overflow whatever the input.
constexpr long long exponent_clamp = 1000000000;
// The most decimal digits a u128 holds without overflow (10^38 < 2^128).
constexpr std::size_t max_u128_digits = 38;

bool is_blank(unsigned c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool is_digit(unsigned c) { return c >= '0' && c <= '9'; }

template <class Ch>
HRESULT parse_impl(const Ch* text, decimal_text& out) {
  out = decimal_text{};
  if (text == nullptr) return DISP_E_TYPEMISMATCH;
  const Ch* p = text;
  auto at = [&p] { return static_cast<unsigned>(static_cast<std::make_unsigned_t<Ch>>(*p)); };
  while (is_blank(at())) ++p;
  bool negative = false;
  if (at() == '+' || at() == '-') {
    negative = at() == '-';
    ++p;
  }
  std::string digits;
  long long exponent = 0;
  bool any_digit = false;
  while (true) {
    if (is_digit(at())) {
      digits.push_back(static_cast<char>(at()));
      any_digit = true;
      ++p;
    } else if (at() == ',' && any_digit && is_digit(static_cast<unsigned>(p[1]))) {
      ++p;  // group separator of the en-US rules
    } else {
      break;
    }
  }
  if (at() == '.') {
    ++p;
    while (is_digit(at())) {
      digits.push_back(static_cast<char>(at()));
      --exponent;
      any_digit = true;
      ++p;
    }
  }
  if (!any_digit) return DISP_E_TYPEMISMATCH;
  if (at() == 'e' || at() == 'E') {
    ++p;
    bool exp_negative = false;
    if (at() == '+' || at() == '-') {
      exp_negative = at() == '-';
      ++p;
    }
    if (!is_digit(at())) return DISP_E_TYPEMISMATCH;
    long long e = 0;
    while (is_digit(at())) {
      if (e < exponent_clamp) e = e * 10 + (at() - '0');
      ++p;
    }
    exponent += exp_negative ? -e : e;
  }
  while (is_blank(at())) ++p;
  if (*p != 0) return DISP_E_TYPEMISMATCH;

  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return S_OK;  // zero, whatever its sign
  std::size_t last = digits.find_last_not_of('0');
  exponent += static_cast<long long>(digits.size() - 1 - last);
  out.negative = negative;
  out.digits = digits.substr(first, last - first + 1);
  out.exponent = std::clamp(exponent, -exponent_clamp, exponent_clamp);
  return S_OK;
}

u128 digits_value(const std::string& digits, std::size_t count) {
  u128 v = 0;
  for (std::size_t i = 0; i < count; ++i) v = v * 10 + static_cast<unsigned>(digits[i] - '0');
  return v;
}

// round(value * 10^scale) half to even; false when the result has more than 38 digits.
bool round_at_scale(const decimal_text& value, int scale, u128& mantissa) {
  const long long n = static_cast<long long>(value.digits.size());
  const long long shift = value.exponent + scale;  // value * 10^scale = digits * 10^shift
  if (shift >= 0) {
    if (n + shift > static_cast<long long>(max_u128_digits)) return false;
    mantissa = digits_value(value.digits, static_cast<std::size_t>(n));
    for (long long i = 0; i < shift; ++i) mantissa *= 10;
    return true;
  }
  const long long drop = -shift;
  const long long kept = n > drop ? n - drop : 0;
  if (kept > static_cast<long long>(max_u128_digits)) return false;
  mantissa = digits_value(value.digits, static_cast<std::size_t>(kept));
  if (drop > n) return true;  // the first dropped digit is a leading zero: below one half
  const char first_dropped = value.digits[static_cast<std::size_t>(kept)];
  // Trailing zeros were stripped, so any digit after the first dropped one is non-zero.
  const bool more = kept + 1 < n;
  if (first_dropped > '5' || (first_dropped == '5' && (more || (mantissa & 1) != 0))) ++mantissa;
  return true;
}

}  // namespace

HRESULT parse_number(const OLECHAR* text, decimal_text& out) { return parse_impl(text, out); }

HRESULT fit(const decimal_text& value, int max_scale, u128 limit, scaled& out) {
  out = scaled{};
  if (value.digits.empty()) return S_OK;
  long long natural = value.exponent < 0 ? -value.exponent : 0;
  int scale = static_cast<int>(std::min<long long>(max_scale, natural));
  for (; scale >= 0; --scale) {
    u128 mantissa = 0;
    if (!round_at_scale(value, scale, mantissa)) {
      // Too many digits even after rounding: only fewer fraction digits can help.
      if (value.exponent + static_cast<long long>(value.digits.size()) > static_cast<long long>(max_u128_digits))
        return DISP_E_OVERFLOW;
      continue;
    }
    if (mantissa <= limit) {
      out.negative = value.negative && mantissa != 0;
      out.mantissa = mantissa;
      out.scale = scale;
      return S_OK;
    }
  }
  return DISP_E_OVERFLOW;
}

decimal_text to_decimal_text(const scaled& value) {
  decimal_text out;
  if (value.mantissa == 0) return out;
  u128 m = value.mantissa;
  long long exponent = -value.scale;
  while (m % 10 == 0) {
    m /= 10;
    ++exponent;
  }
  std::string reversed;
  while (m != 0) {
    reversed.push_back(static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  }
  out.negative = value.negative;
  out.digits.assign(reversed.rbegin(), reversed.rend());
  out.exponent = exponent;
  return out;
}

decimal_text to_decimal_text(double value, int significant) {
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::scientific, significant - 1);
  *result.ptr = '\0';
  decimal_text out;
  parse_impl(buffer, out);  // finite input always parses; callers reject infinities first
  return out;
}

std::wstring to_text(const scaled& value) {
  std::string digits;
  u128 m = value.mantissa;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  if (value.scale > 0) {
    if (digits.size() <= static_cast<std::size_t>(value.scale))
      digits.insert(0, static_cast<std::size_t>(value.scale) + 1 - digits.size(), '0');
    digits.insert(digits.size() - static_cast<std::size_t>(value.scale), 1, '.');
    digits.erase(digits.find_last_not_of('0') + 1);
    if (digits.back() == '.') digits.pop_back();
  }
  if (value.negative && value.mantissa != 0) digits.insert(0, 1, '-');
  return widen(digits);
}

double to_double(const decimal_text& value) {
  if (value.digits.empty()) return 0.0;
  std::string text = value.digits + "e" + std::to_string(value.exponent);
  double d = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), d);
  if (result.ec == std::errc::result_out_of_range)
    d = value.exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return value.negative ? -d : d;
}

scaled from_decimal(const DECIMAL& d) {
  scaled out;
  out.mantissa = (static_cast<u128>(d.Hi32) << 64) | (static_cast<u128>(d.Mid32) << 32) | d.Lo32;
  out.scale = d.scale;
  out.negative = (d.sign & DECIMAL_NEG) != 0 && out.mantissa != 0;
  return out;
}

HRESULT to_decimal(const scaled& value, DECIMAL* out) {
  if (value.mantissa > decimal_limit || value.scale > DECIMAL_MAX_SCALE) return DISP_E_OVERFLOW;
  out->wReserved = VT_DECIMAL;
  out->scale = static_cast<BYTE>(value.scale);
  out->sign = value.negative && value.mantissa != 0 ? DECIMAL_NEG : 0;
  out->Hi32 = static_cast<ULONG>(value.mantissa >> 64);
  out->Mid32 = static_cast<ULONG>(value.mantissa >> 32);
  out->Lo32 = static_cast<ULONG>(value.mantissa);
  return S_OK;
}

scaled from_i64(long long value) {
  scaled out;
  out.negative = value < 0;
  out.mantissa = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  return out;
}

scaled from_u64(unsigned long long value) {
  scaled out;
  out.mantissa = value;
  return out;
}

scaled from_cy(CY cy) {
  scaled out = from_i64(cy.int64);
  out.scale = 4;
  return out;
}

HRESULT to_cy(const decimal_text& value, CY* out) {
  scaled s;
  HRESULT hr = fit(value, 4, static_cast<u128>(1) << 64, s);
  if (FAILED(hr)) return hr;
  u128 m = s.mantissa;
  for (int i = s.scale; i < 4; ++i) m *= 10;
  const u128 limit = static_cast<u128>(std::numeric_limits<long long>::max()) + (s.negative ? 1 : 0);
  if (m > limit) return DISP_E_OVERFLOW;
  out->int64 =
      s.negative ? static_cast<long long>(0ULL - static_cast<unsigned long long>(m)) : static_cast<long long>(m);
  return S_OK;
}

HRESULT to_integer(const decimal_text& value, long long min_value, unsigned long long max_value, bool& negative,
                   unsigned long long& magnitude) {
  scaled s;
  HRESULT hr = fit(value, 0, static_cast<u128>(1) << 64, s);
  if (FAILED(hr)) return hr;
  const unsigned long long min_magnitude = min_value < 0 ? 0ULL - static_cast<unsigned long long>(min_value) : 0;
  if (s.mantissa > (s.negative ? min_magnitude : max_value)) return DISP_E_OVERFLOW;
  negative = s.negative;
  magnitude = static_cast<unsigned long long>(s.mantissa);
  return S_OK;
}

HRESULT double_to_integer(double value, long long min_value, unsigned long long max_value, bool& negative,
                          unsigned long long& magnitude) {
  if (!std::isfinite(value)) return DISP_E_OVERFLOW;
  const double r = std::nearbyint(value);  // the default rounding mode: half to even
  const unsigned long long min_magnitude = min_value < 0 ? 0ULL - static_cast<unsigned long long>(min_value) : 0;
  // long double holds every 64-bit limit exactly, so the comparisons below are exact; only
  // a value already known to fit is ever cast to an integer.
  const long double mag = std::fabs(static_cast<long double>(r));
  if (r < 0 ? mag > static_cast<long double>(min_magnitude) : mag > static_cast<long double>(max_value))
    return DISP_E_OVERFLOW;
  negative = r < 0;
  magnitude = static_cast<unsigned long long>(mag);
  return S_OK;
}

std::wstring double_text(double value, int significant) {
  if (value == 0) return L"0";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significant);
  std::string text(buffer, result.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return widen(text);
}

std::wstring widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace oleaut_detail
