// ole_variant's conversions: text forms, values read from text, and in-place kind changes.
// Numbers are written and read with "." whatever the process locale.
#include "OLE/ole_bool_map.h"
#include "OLE/ole_exceptions.h"
#include "OLE/ole_value_log.h"
#include "OLE/ole_variant.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

#include <locale.h>
#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

// ---- number readings ----

// Every ',' becomes '.': texts from servers and settings written under decimal-comma locales.
std::string decimal_comma_rule(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  return text;
}

bool is_blank(char c) { return c != '\0' && std::strchr(" \t\n\r\v\f", c) != nullptr; }

// True when nothing but blanks follows position `from`.
bool only_blanks_from(const std::string& text, std::size_t from) {
  const std::size_t at = std::min(from, text.size());
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), is_blank);
}

// The leading decimal integer: blanks, an optional sign, the digits; 0 without digits. The
// magnitude saturates just above the 64-bit range, which every range check then refuses.
struct leading_int {
  bool negative = false;
  unsigned long long magnitude = 0;
  bool beyond_64_bits = false;
  bool whole = false;  // digits were read and only blanks follow them
};

leading_int read_leading_int(const std::string& text) {
  leading_int r;
  std::size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
  const std::size_t digits = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (r.magnitude > (std::numeric_limits<unsigned long long>::max() - digit) / 10)
      r.beyond_64_bits = true;
    else
      r.magnitude = r.magnitude * 10 + digit;
  }
  r.whole = i > digits && only_blanks_from(text, i);
  if (r.magnitude == 0 && !r.beyond_64_bits) r.negative = false;
  return r;
}

// A text read as an integer must be one: "abc" or "12abc" is refused, not taken as 0 or 12.
const leading_int& whole_int(const leading_int& v) {
  if (!v.whole) throw ole_cast_exception();
  return v;
}

// The value of a leading integer if it lies in [lo, hi]; ole_cast_exception otherwise, where the
// text once wrapped or saturated silently.
long long in_range(const leading_int& v, long long lo, unsigned long long hi) {
  if (v.beyond_64_bits) throw ole_cast_exception();
  if (v.negative) {
    const unsigned long long limit = lo < 0 ? 0ULL - static_cast<unsigned long long>(lo) : 0;
    if (v.magnitude > limit) throw ole_cast_exception();
    return static_cast<long long>(0ULL - v.magnitude);
  }
  if (v.magnitude > hi) throw ole_cast_exception();
  return static_cast<long long>(v.magnitude);
}

// True when the text is a decimal number and nothing else, blanks around it apart:
// [+-]digits[.digits][e[+-]digits]. strtod also reads "nan", "inf", "infinity" and hexadecimal
// floats ("0x1p3"), which no column of a database holds and no server takes back.
bool is_decimal_number(const std::string& text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && is_blank(text[i])) ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return only_blanks_from(text, i);
}

// The floating-point number a text holds, read by the C locale's rules; blanks may surround it.
// A text that is no decimal number, has more after its number, or is too large for a double is
// refused.
double read_whole_double(const std::string& text) {
  if (!is_decimal_number(text)) throw ole_cast_exception();
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  errno = 0;
  char* end = nullptr;
  const double d = strtod_l(text.c_str(), &end, c_locale);
  if (end == text.c_str() || !only_blanks_from(text, static_cast<std::size_t>(end - text.c_str())))
    throw ole_cast_exception();
  if (errno == ERANGE && std::isinf(d)) throw ole_cast_exception();
  return d;
}

// ---- hexadecimal ----

constexpr char upper_digits[] = "0123456789ABCDEF";
constexpr char lower_digits[] = "0123456789abcdef";

// Digits of either case give their value. Other characters are not refused: each takes the place
// of the first digit not below it, so a decoding never fails half-way.
template <class Ch>
unsigned hex_value(Ch c) {
  const auto u = static_cast<unsigned long>(c);
  const char* table = u <= 'F' ? upper_digits : lower_digits;
  const char* at = std::lower_bound(
      table, table + 16, u, [](char entry, unsigned long value) { return static_cast<unsigned char>(entry) < value; });
  return static_cast<unsigned>(std::min<std::ptrdiff_t>(at - table, 15));
}

template <class Ch>
ole_variant decode_hex(const std::basic_string<Ch>& text, VARTYPE vt) {
  tk_log1(tk_log_trace, "GOT BLOB");
  if (text.empty()) {
    tk_log1(tk_log_trace, "Empty BLOB");
    return ole_variant();
  }
  if (text.size() % 2 != 0) {
    tk_log1(tk_log_detail, "Incorrect BLOB (size is odd)");
    return ole_variant();
  }
  const bool prefix = (text[0] == Ch('0') || text[0] == Ch('\\')) && (text[1] == Ch('x') || text[1] == Ch('X'));
  if (prefix) tk_log1(tk_log_trace, "b_prefix=true");
  const std::size_t count = text.size() / 2 - (prefix ? 1 : 0);
  tk_log1(tk_log_trace, "Got BLOB size: %d", static_cast<int>(count));
  ole_variant result;
  if (count == 0) return result;  // "0x" alone: no bytes
  if (count > std::numeric_limits<std::uint32_t>::max()) throw ole_cast_exception();
  result.allocate_safe_array(static_cast<std::uint32_t>(count));
  BYTE* bytes = static_cast<BYTE*>(result.get_variant().parray->pvData);
  for (std::size_t i = prefix ? 2 : 0, k = 0; i + 1 < text.size() && k < count; i += 2, ++k) {
    if (text[i] == Ch(0) || text[i + 1] == Ch(0)) break;  // the rest stays zero
    bytes[k] = static_cast<BYTE>(hex_value(text[i]) << 4 | hex_value(text[i + 1]));
  }
  result.change_type(vt);
  if (ole_log_enabled(1)) tk_log1(tk_log_trace, "Before return: res=%s", result.to_string().c_str());
  return result;
}

std::string hex_text(const BYTE* bytes, std::uint32_t n) {
  std::string text(2 + 2 * static_cast<std::size_t>(n) + 1, '\0');
  text[0] = '0';
  text[1] = 'x';
  tk_to_hex1(n, bytes, text.data() + 2);
  text.pop_back();
  return text;
}

std::wstring bstr_text(const VARIANT& v) {
  if (v.bstrVal == nullptr) return std::wstring();
  return std::wstring(v.bstrVal, SysStringLen(v.bstrVal));  // NULs inside are part of the value
}

// A count of units of 10^-scale as the conversion to text writes it: the point `scale` places
// from the right, no trailing zeros, no point for a whole amount, a minus only before an amount
// that is not zero. Written here directly, because every Currency and Decimal value of every
// row passes through it.
std::string scaled_text(bool negative, unsigned __int128 magnitude, unsigned scale) {
  char digits[64];  // lowest first: 39 at most, padded to scale + 1 (scale is 28 at most)
  unsigned n = 0;
  const bool zero = magnitude == 0;
  if (magnitude >> 64 == 0) {
    auto small = static_cast<std::uint64_t>(magnitude);
    do {
      digits[n++] = static_cast<char>('0' + small % 10);
      small /= 10;
    } while (small != 0);
  } else {
    do {
      digits[n++] = static_cast<char>('0' + static_cast<unsigned>(magnitude % 10));
      magnitude /= 10;
    } while (magnitude != 0);
  }
  while (n <= scale) digits[n++] = '0';
  std::string text;
  text.reserve(n + 2);
  if (negative && !zero) text += '-';
  for (unsigned i = n; i > scale; --i) text += digits[i - 1];
  unsigned lowest = 0;
  while (lowest < scale && digits[lowest] == '0') ++lowest;
  if (lowest < scale) {
    text += '.';
    for (unsigned i = scale; i > lowest; --i) text += digits[i - 1];
  }
  return text;
}

std::string currency_text(std::int64_t units) {
  const bool negative = units < 0;
  return scaled_text(negative, negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units), 4);
}

std::string decimal_text(const DECIMAL& d) {
  // A scale past the largest is no number: its text is empty.
  if (d.scale > DECIMAL_MAX_SCALE) return std::string();
  const unsigned __int128 mantissa =
      (static_cast<unsigned __int128>(d.Hi32) << 64) | (static_cast<unsigned __int128>(d.Mid32) << 32) | d.Lo32;
  return scaled_text((d.sign & DECIMAL_NEG) != 0, mantissa, d.scale);
}

// The whole text, NULs inside it included; empty when it cannot be converted.
std::string utf8_or_empty(const std::wstring& text) {
  try {
    return tk_unicode_to_utf8(text);
  } catch (const tk_exception&) {
    return std::string();
  }
}

template <class T>
std::string decimal(T value) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string scientific(double value, int precision) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision);
  return std::string(buf, r.ptr);
}

bool is_binary_kind(VARTYPE vt) { return vt == ole_vt_binary || vt == VT_BLOB || vt == VT_BLOB_OBJECT; }

}  // namespace

std::string ole_variant::to_string() const {
  tk_log1(tk_log_trace, "ole_variant::to_string (vt=%08X)", var_.vt);
  switch (var_.vt) {
    case ole_vt_binary:
    case VT_BLOB: {
      tk_log1(tk_log_trace, "Converting VT_ARRAY/VT_BLOB");
      const SAFEARRAY* array = binary_array();
      if (array == nullptr) return std::string();
      const std::uint32_t n = std::min(get_safe_array_size(array), ole_max_binary_output);
      if (n == 0) return std::string();
      tk_log1(tk_log_trace, "len=%u", n);
      return hex_text(static_cast<const BYTE*>(array->pvData), n);
    }
    case VT_DECIMAL: tk_log1(tk_log_trace, "Converting VT_DECIMAL"); return decimal_text(var_.decVal);
    case VT_DATE: tk_log1(tk_log_trace, "Converting VT_DATE"); return date_.to_string(6);
    case VT_CY: tk_log1(tk_log_trace, "Converting VT_CY"); return currency_text(var_.cyVal.int64);
    case VT_BOOL:
      tk_log1(tk_log_trace, "to_string - bool: %d", var_.boolVal);
      if (ole_bool_map::ms_fashion()) {
        tk_log1(tk_log_trace, "Mapping BOOL like MS!");
        return static_cast<USHORT>(var_.boolVal) == 0xFFFF ? "-1" : "0";
      }
      tk_log1(tk_log_trace, "Mapping BOOL like ANSI!");
      return static_cast<USHORT>(var_.boolVal) == 0xFFFF ? "1" : "0";
    case VT_BSTR: tk_log1(tk_log_trace, "Processing VT_BSTR"); return utf8_or_empty(bstr_text(var_));
    case VT_I2: return decimal(var_.iVal);
    case VT_I4: return decimal(var_.lVal);
    case VT_R4: return scientific(var_.fltVal, 6);
    case VT_R8: return scientific(var_.dblVal, 16);
    case VT_I1: return decimal(static_cast<int>(var_.cVal));
    case VT_UI1: return decimal(static_cast<unsigned>(var_.bVal));
    case VT_UI2: return decimal(static_cast<unsigned>(var_.uiVal));
    case VT_UI4: return decimal(var_.ulVal);
    case VT_UINT: return decimal(var_.uintVal);
    case VT_I8: return decimal(i8_);
    case VT_UI8: return decimal(ui8_);
    default: return std::string();
  }
}

std::wstring ole_variant::to_wstring() const {
  tk_log1(tk_log_trace, "ole_variant::to_wstring (vt=%08X)", var_.vt);
  if (var_.vt == VT_BSTR) return bstr_text(var_);
  if (is_binary()) {
    const SAFEARRAY* array = binary_array();
    if (array != nullptr) {
      tk_log1(tk_log_trace, "Converting VT_ARRAY/VT_BLOB");
      const std::uint32_t n = std::min(get_safe_array_size(array), ole_max_binary_output);
      tk_log1(tk_log_trace, "len=%u", n);
      if (n == 0) return std::wstring();
      const std::string hex = hex_text(static_cast<const BYTE*>(array->pvData), n);
      return std::wstring(hex.begin(), hex.end());
    }
  }
  return tk_utf8_to_unicode(to_string());
}

ole_variant ole_variant::from_string(const std::string& text, VARTYPE vt) {
  tk_log1(tk_log_trace, "ole_variant::from_string('%s', 0x%08X)", text.c_str(), vt);
  if (text.empty() && vt != VT_BSTR) return ole_variant();
  const leading_int integer = read_leading_int(text);
  switch (vt) {
    case VT_I2: return ole_variant(static_cast<short>(in_range(whole_int(integer), SHRT_MIN, SHRT_MAX)));
    case VT_I4: return ole_variant(static_cast<int>(in_range(whole_int(integer), INT_MIN, INT_MAX)));
    case VT_I1: return ole_variant(static_cast<char>(in_range(whole_int(integer), SCHAR_MIN, SCHAR_MAX)));
    case VT_UI1: return ole_variant(static_cast<unsigned char>(in_range(whole_int(integer), 0, UCHAR_MAX)));
    case VT_UI2: return ole_variant(static_cast<unsigned short>(in_range(whole_int(integer), 0, USHRT_MAX)));
    case VT_UI4: return ole_variant(static_cast<unsigned int>(in_range(whole_int(integer), 0, UINT_MAX)));
    case VT_I8: return ole_variant(static_cast<std::int64_t>(in_range(whole_int(integer), LLONG_MIN, LLONG_MAX)));
    case VT_UI8:
      if (whole_int(integer).beyond_64_bits || (integer.negative && integer.magnitude != 0)) throw ole_cast_exception();
      return ole_variant(static_cast<std::uint64_t>(integer.magnitude));
    case VT_R4: {
      const double d = read_whole_double(decimal_comma_rule(text));
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) throw ole_cast_exception();
      return ole_variant(static_cast<float>(d));
    }
    case VT_R8: return ole_variant(read_whole_double(decimal_comma_rule(text)));
    case VT_CY: {
      tk_log1(tk_log_trace, "GOT VT_CY");
      const std::string number = decimal_comma_rule(text);
      CY cy{};
      HRESULT hr = VarCyFromStr(tk_utf8_to_unicode(number).c_str(), LCID_EN_US, 0, &cy);
      if (FAILED(hr)) {
        tk_log1(tk_log_detail, "VarCyFromStr failed: %08X", static_cast<unsigned>(hr));
        return ole_variant();
      }
      return ole_variant(cy);
    }
    case VT_DATE: {
      tk_log1(tk_log_trace, "GOT VT_DATE");
      ole_date date(text);
      if (!date.is_valid()) return ole_variant();
      return ole_variant(date);
    }
    case VT_BOOL: {
      tk_log1(tk_log_trace, "ole_variant::from_string(VT_BOOL, '%s')", text.c_str());
      for (const char* word : {"1", "yes", "t", "true"})
        if (tk_string::compare_no_case(text, word)) return ole_variant(true);
      for (const char* word : {"0", "no", "f", "false"})
        if (tk_string::compare_no_case(text, word)) return ole_variant(false);
      // Any other text is a flag by its leading number: a word that is none reads as false.
      return ole_variant(integer.magnitude != 0 || integer.beyond_64_bits);
    }
    case VT_DECIMAL: {
      tk_log1(tk_log_trace, "GOT VT_DECIMAL");
      const std::string number = decimal_comma_rule(text);
      DECIMAL d{};
      HRESULT hr = VarDecFromStr(tk_utf8_to_unicode(number).c_str(), LCID_EN_US, 0, &d);
      if (FAILED(hr)) {
        tk_log1(tk_log_detail, "ERROR: VarDecFromStr for '%s' failed (hr=%08X)", number.c_str(),
                static_cast<unsigned>(hr));
        return ole_variant(read_whole_double(number));
      }
      return ole_variant(d);
    }
    case ole_vt_binary:
    case VT_BLOB: return decode_hex(text, vt);
    default: {
      tk_log1(tk_log_trace, "default processing");
      ole_variant result(text);
      tk_log1(tk_log_trace, "Right before VariantChangeType");
      HRESULT hr = VariantChangeType(&result.var_, &result.var_, 0, vt);
      tk_log1(tk_log_trace, "Right after VariantChangeType");
      if (FAILED(hr)) throw ole_type_exception();
      tk_log1(tk_log_trace, "VariantChangeType succeeded");
      return result;
    }
  }
}

ole_variant ole_variant::from_wstring(const std::wstring& text, VARTYPE vt) {
  if (ole_log_enabled(1)) tk_log2(tk_log_trace, L"ole_variant::from_wstring(%ls,%d)", text.c_str(), vt);
  if (vt == ole_vt_binary || vt == VT_BLOB) return decode_hex(text, vt);
  if (vt == VT_BSTR) return ole_variant(text.c_str());
  tk_log1(tk_log_trace, "=== RIGHT BEFORE W2A_EX ===");
  return from_string(utf8_or_empty(text), vt);
}

void ole_variant::change_type(VARTYPE vt) {
  const VARTYPE old = var_.vt;
  tk_log1(tk_log_trace, "ole_variant::change_type(old=%d,new=%d)", old, vt);

  // Byte strings carry the labels 8209 and 65; 9 stands for a byte string too. A real interface
  // (an attachment the reader could not open) has no bytes: it becomes NULL rather than an
  // interface pointer read as an array. A byte string keeps its array-owning label.
  if ((old == ole_vt_binary && (vt == VT_BLOB || vt == VT_DISPATCH)) ||
      (vt == ole_vt_binary && (old == VT_BLOB || old == VT_DISPATCH))) {
    tk_log1(tk_log_trace, "Replace by synonym");
    if (old == VT_DISPATCH) {
      clear();
      var_.vt = VT_NULL;
    } else if (vt != VT_DISPATCH) {
      var_.vt = vt;
    }
    return;
  }
  if (old == vt || old == VT_EMPTY || old == VT_NULL || (is_binary_kind(old) && is_binary_kind(vt))) {
    tk_log1(tk_log_trace, "Type cannot be changed");
    return;
  }

  if (old == VT_BSTR && vt == VT_BOOL) {
    const std::string text = to_string();
    for (const char* word : {"yes", "t", "true"}) {
      if (tk_string::compare_no_case(text, word)) {
        clear();
        var_.vt = VT_BOOL;
        var_.boolVal = VARIANT_TRUE;
        return;
      }
    }
    for (const char* word : {"no", "f", "false"}) {
      if (tk_string::compare_no_case(text, word)) {
        clear();
        var_.vt = VT_BOOL;
        var_.boolVal = VARIANT_FALSE;
        return;
      }
    }
    throw ole_cast_exception();
  }

  if (change_from_64(vt)) return;

  if (old == VT_DATE) {
    if (vt != VT_BSTR) throw ole_cast_exception();
    attach_wstring(date_.to_wstring(6));
    return;
  }

  if (change_to_64(vt)) return;

  if (vt == VT_I4 || vt == VT_UI4 || vt == VT_I2 || vt == VT_UI2) {
    if (old == VT_R4 || old == VT_R8) {
      // Half away from zero, and never a number outside the target's range.
      const double r = std::round(old == VT_R4 ? static_cast<double>(var_.fltVal) : var_.dblVal);
      double lo = 0, hi = 0;
      switch (vt) {
        case VT_I4:
          lo = INT_MIN;
          hi = INT_MAX;
          break;
        case VT_UI4:
          lo = 0;
          hi = UINT_MAX;
          break;
        case VT_I2:
          lo = SHRT_MIN;
          hi = SHRT_MAX;
          break;
        default:
          lo = 0;
          hi = USHRT_MAX;
          break;
      }
      if (!(r >= lo && r <= hi)) throw ole_cast_exception();
      const long long v = static_cast<long long>(r);
      var_.vt = vt;
      if (vt == VT_I4) var_.lVal = static_cast<LONG>(v);
      if (vt == VT_UI4) var_.ulVal = static_cast<ULONG>(v);
      if (vt == VT_I2) var_.iVal = static_cast<SHORT>(v);
      if (vt == VT_UI2) var_.uiVal = static_cast<USHORT>(v);
      return;
    }
    if (old == VT_DECIMAL) {
      const DECIMAL d = var_.decVal;
      HRESULT hr = E_FAIL;
      VARIANT out;
      VariantInit(&out);
      if (vt == VT_I4) {
        tk_log1(tk_log_trace, "VT_DECIMAL->VT_I4");
        if (ole_log_enabled(1)) tk_log1(tk_log_trace, "to_string()=%s", to_string().c_str());
        hr = VarI4FromDec(&d, &out.lVal);
      } else if (vt == VT_UI4) {
        tk_log1(tk_log_trace, "VT_DECIMAL->VT_UI4");
        hr = VarUI4FromDec(&d, &out.ulVal);
      } else if (vt == VT_I2) {
        tk_log1(tk_log_trace, "VT_DECIMAL->VT_I2");
        hr = VarI2FromDec(&d, &out.iVal);
      } else {
        tk_log1(tk_log_trace, "VT_DECIMAL->VT_UI2");
        hr = VarUI2FromDec(&d, &out.uiVal);
      }
      if (FAILED(hr)) throw ole_cast_exception();
      out.vt = vt;
      var_ = out;
    }
    return;  // from every other kind the value stays as it is
  }

  if (vt == VT_I1) {
    if (old == VT_DECIMAL) {
      tk_log1(tk_log_trace, "VT_DECIMAL->VT_I1");
      CHAR c = 0;
      const DECIMAL d = var_.decVal;
      if (FAILED(VarI1FromDec(&d, &c))) throw ole_cast_exception();
      VariantInit(&var_);
      var_.vt = VT_I1;
      var_.cVal = c;
    }
    return;
  }

  if (vt == VT_DATE) {
    if (old != VT_BSTR) throw ole_cast_exception();
    ole_date date(to_string());
    if (!date.is_valid()) throw ole_cast_exception();
    set_date(date);
    return;
  }

  if (is_binary_kind(old)) {
    tk_log1(tk_log_trace, "src.vt is binary, a_type=%d", vt);
    if (vt != VT_BSTR) return;
    const SAFEARRAY* array = binary_array();
    if (array == nullptr) return;
    const std::uint32_t n = std::min(get_safe_array_size(array), ole_max_binary_output);
    const char* bytes = static_cast<const char*>(array->pvData);
    const std::string text = n == 0 ? std::string() : std::string(bytes, strnlen(bytes, n));
    tk_log1(tk_log_trace, "ole_variant::operator = (const BSTR)");
    attach_string(text);
    return;
  }

  if (change_to_binary(vt)) return;

  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, &var_, 0, vt))) {
    tk_log1(tk_log_trace, "VariantChangeType failed");
    if (ole_log_enabled(1)) tk_log1(tk_log_trace, "to_string()=%s", to_string().c_str());
    throw ole_cast_exception();
  }
  clear();
  var_ = converted;
}

bool ole_variant::change_from_64(VARTYPE vt) {
  const VARTYPE old = var_.vt;
  if (old != VT_I8 && old != VT_UI8) return false;
  const bool is_signed = old == VT_I8;
  const leading_int v{
      is_signed && i8_ < 0,
      is_signed ? (i8_ < 0 ? 0ULL - static_cast<unsigned long long>(i8_) : static_cast<unsigned long long>(i8_)) : ui8_,
      false};
  switch (vt) {
    case VT_I2: var_.iVal = static_cast<SHORT>(in_range(v, SHRT_MIN, SHRT_MAX)); break;
    case VT_UI2: var_.uiVal = static_cast<USHORT>(in_range(v, 0, USHRT_MAX)); break;
    case VT_I4: var_.lVal = static_cast<LONG>(in_range(v, INT_MIN, INT_MAX)); break;
    case VT_INT: var_.intVal = static_cast<INT>(in_range(v, INT_MIN, INT_MAX)); break;
    case VT_UI4: var_.ulVal = static_cast<ULONG>(in_range(v, 0, UINT_MAX)); break;
    case VT_UINT: var_.uintVal = static_cast<UINT>(in_range(v, 0, UINT_MAX)); break;
    case VT_I1: var_.cVal = static_cast<CHAR>(in_range(v, SCHAR_MIN, SCHAR_MAX)); break;
    case VT_UI1: var_.bVal = static_cast<BYTE>(in_range(v, 0, UCHAR_MAX)); break;
    case VT_BOOL: var_.boolVal = v.magnitude != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_R4: var_.fltVal = is_signed ? static_cast<float>(i8_) : static_cast<float>(ui8_); break;
    case VT_R8: var_.dblVal = is_signed ? static_cast<double>(i8_) : static_cast<double>(ui8_); break;
    case VT_CY: {
      if (!is_signed && ui8_ > static_cast<std::uint64_t>(LLONG_MAX)) throw ole_cast_exception();
      CY cy{};
      if (FAILED(VarCyFromI8(is_signed ? i8_ : static_cast<LONGLONG>(ui8_), &cy))) throw ole_cast_exception();
      var_.cyVal = cy;
      break;
    }
    case VT_BSTR:
      tk_log1(tk_log_trace, "ole_variant::operator = (const BSTR)");
      attach_string(is_signed ? decimal(i8_) : decimal(ui8_));
      return true;
    case VT_DECIMAL: {
      DECIMAL d{};
      HRESULT hr = E_FAIL;
      if (is_signed) {
        tk_log1(tk_log_trace, "VT_I8->VT_DECIMAL");
        hr = VarDecFromI8(i8_, &d);
      } else {
        tk_log1(tk_log_trace, "VT_UI8->VT_DECIMAL");
        hr = VarDecFromUI8(ui8_, &d);
      }
      if (FAILED(hr)) throw ole_cast_exception();
      var_.decVal = d;
      break;
    }
    case VT_UI8:
      if (i8_ < 0) throw ole_cast_exception();
      ui8_ = static_cast<std::uint64_t>(i8_);
      break;
    case VT_I8:
      if (ui8_ > static_cast<std::uint64_t>(LLONG_MAX)) throw ole_cast_exception();
      i8_ = static_cast<std::int64_t>(ui8_);
      break;
    default: throw ole_cast_exception();
  }
  var_.vt = vt;
  return true;
}

bool ole_variant::change_to_64(VARTYPE vt) {
  if (vt != VT_I8 && vt != VT_UI8) return false;
  const bool to_signed = vt == VT_I8;
  const VARTYPE old = var_.vt;
  long long s = 0;           // the signed result, when the source is read as a signed number
  unsigned long long u = 0;  // the unsigned result of the conversions that make one directly
  bool direct_unsigned = false;
  switch (old) {
    case VT_I2: s = var_.iVal; break;
    case VT_BOOL: s = var_.boolVal; break;
    case VT_I4: s = var_.lVal; break;
    case VT_INT: s = var_.intVal; break;
    case VT_I1: s = var_.cVal; break;
    case VT_UI1: s = var_.bVal; break;
    case VT_UI2: s = var_.uiVal; break;
    case VT_UI4: s = var_.ulVal; break;
    case VT_UINT: s = var_.uintVal; break;
    case VT_R4:
    case VT_R8: {
      HRESULT hr = E_FAIL;
      if (to_signed) {
        LONGLONG res = 0;
        hr = old == VT_R4 ? VarI8FromR4(var_.fltVal, &res) : VarI8FromR8(var_.dblVal, &res);
        tk_log1(tk_log_trace,
                old == VT_R4 ? "from FLOAT: res=%" PRId64 ", hr=%08X" : "from DOUBLE: res=%" PRId64 ", hr=%08X",
                static_cast<std::int64_t>(res), static_cast<unsigned>(hr));
        s = res;
      } else {
        ULONGLONG res = 0;
        hr = old == VT_R4 ? VarUI8FromR4(var_.fltVal, &res) : VarUI8FromR8(var_.dblVal, &res);
        tk_log1(tk_log_trace,
                old == VT_R4 ? "from FLOAT: res=%" PRIu64 ", hr=%08X" : "from DOUBLE: res=%" PRIu64 ", hr=%08X",
                static_cast<std::uint64_t>(res), static_cast<unsigned>(hr));
        u = res;
        direct_unsigned = true;
      }
      if (FAILED(hr)) throw ole_cast_exception();  // a number beyond the 64-bit range
      break;
    }
    case VT_CY: {
      // Whole units, the first decimal rounding half away from zero on both sides of zero.
      const long long amount = var_.cyVal.int64;
      s = amount / 10000;
      const long long rest = amount % 10000;
      if (rest >= 5000) ++s;
      if (rest <= -5000) --s;
      break;
    }
    case VT_DECIMAL: {
      HRESULT hr = E_FAIL;
      const DECIMAL d = var_.decVal;
      if (to_signed) {
        tk_log1(tk_log_trace, "VT_DECIMAL->VT_I8");
        LONGLONG res = 0;
        hr = VarI8FromDec(&d, &res);
        s = res;
      } else {
        tk_log1(tk_log_trace, "VT_DECIMAL->VT_UI8");
        ULONGLONG res = 0;
        hr = VarUI8FromDec(&d, &res);
        u = res;
        direct_unsigned = true;
      }
      if (FAILED(hr)) throw ole_cast_exception();
      break;
    }
    default: throw ole_cast_exception();
  }
  if (to_signed) {
    i8_ = s;
  } else if (direct_unsigned) {
    ui8_ = u;
  } else {
    if (s < 0) throw ole_cast_exception();  // a negative number has no unsigned form
    ui8_ = static_cast<std::uint64_t>(s);
  }
  var_.vt = vt;
  var_.llVal = 0;
  return true;
}

bool ole_variant::change_to_binary(VARTYPE vt) {
  if (!is_binary_kind(vt)) return false;
  tk_log1(tk_log_trace, "a_type is binary, src.vt=%d", var_.vt);
  const BYTE* raw = reinterpret_cast<const BYTE*>(&var_.llVal);
  std::vector<BYTE> bytes;
  switch (var_.vt) {
    case VT_I2:
    case VT_BOOL:
    case VT_UI2: bytes.assign(raw, raw + 2); break;
    case VT_I4:
    case VT_R4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: bytes.assign(raw, raw + 4); break;
    case VT_R8:
    case VT_CY: bytes.assign(raw, raw + 8); break;
    case VT_I1:
    case VT_UI1: bytes.assign(raw, raw + 1); break;
    case VT_DECIMAL: {
      const BYTE* whole = reinterpret_cast<const BYTE*>(&var_.decVal);
      bytes.assign(whole, whole + sizeof(DECIMAL));
      break;
    }
    case VT_BSTR: {
      tk_log1(tk_log_trace, "VT_BSTR->binary");
      const std::string text = utf8_or_empty(bstr_text(var_));
      tk_log1(tk_log_trace, "char_buf=%s", text.c_str());
      bytes.assign(text.begin(), text.end());
      break;
    }
    default: throw ole_cast_exception();
  }
  *this = bytes;  // an empty text leaves the value unchanged
  return true;
}
