// DAO's conversions into the column types of a new table, over the OLE Automation conversions
// (VariantChangeType), which DAO itself applies to the values it is given.
#include "platform/jet/jet_dao_write_values.h"

#include <cstring>

#include "platform/jet/jet_dao_support.h"
#include "platform/oleaut/oleauto.h"

namespace dao_impl {

namespace {

constexpr long max_text_characters = 255;
constexpr int max_decimal_precision = 28;

// A VARIANT that clears itself.
struct owned_variant {
  VARIANT v;
  owned_variant() { VariantInit(&v); }
  ~owned_variant() { VariantClear(&v); }
  owned_variant(const owned_variant&) = delete;
  owned_variant& operator=(const owned_variant&) = delete;
};

long error_of(HRESULT hr) { return hr == DISP_E_OVERFLOW ? dao_err_numeric_overflow : dao_err_conversion; }

// UTF-16 code units: what a Text column's size counts.
std::size_t utf16_units(const std::wstring& s) {
  std::size_t n = 0;
  for (wchar_t c : s) n += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
  return n;
}

VARTYPE automation_type(int jet_type) {
  switch (jet_type) {
    case jet::jet_bool: return VT_BOOL;
    case jet::jet_byte: return VT_UI1;
    case jet::jet_int: return VT_I2;
    case jet::jet_long: return VT_I4;
    case jet::jet_money: return VT_CY;
    case jet::jet_float: return VT_R4;
    case jet::jet_double: return VT_R8;
    case jet::jet_datetime: return VT_DATE;
    case jet::jet_text:
    case jet::jet_memo: return VT_BSTR;
    case jet::jet_numeric: return VT_DECIMAL;
    default: return VT_EMPTY;
  }
}

using u128 = unsigned __int128;

u128 pow10(int n) {
  u128 p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// A DECIMAL brought to the column's scale without losing a digit, within its precision.
long to_column_decimal(const jet::jet_new_column& column, const DECIMAL& d, jet::jet_value& out) {
  u128 mantissa = (static_cast<u128>(d.Hi32) << 64) | (static_cast<u128>(d.Mid32) << 32) | d.Lo32;
  int scale = d.scale;
  int precision = column.precision > 0 ? column.precision : 18;
  int target = column.scale;
  if (precision > max_decimal_precision || target > precision) return dao_err_invalid_argument;
  while (scale > target) {
    if (mantissa % 10 != 0) return dao_err_numeric_overflow;
    mantissa /= 10;
    --scale;
  }
  if (mantissa >= pow10(precision - target + scale)) return dao_err_numeric_overflow;
  mantissa *= pow10(target - scale);
  jet::jet_decimal dec;
  dec.negative = d.sign == DECIMAL_NEG && mantissa != 0;
  dec.scale = static_cast<std::uint8_t>(target);
  dec.precision = static_cast<std::uint8_t>(precision);
  dec.hi = static_cast<std::uint32_t>(mantissa >> 64);
  dec.lo = static_cast<std::uint64_t>(mantissa);
  out = dec;
  return 0;
}

long to_bytes(const jet::jet_new_column& column, const VARIANT& v, jet::jet_value& out) {
  if (v.vt != (VT_ARRAY | VT_UI1) || v.parray == nullptr) return dao_err_conversion;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(v.parray, &data))) return dao_err_conversion;
  std::size_t n = v.parray->rgsabound[0].cElements;
  const auto* p = static_cast<const std::uint8_t*>(data);
  jet::jet_bytes bytes(p, p + n);
  SafeArrayUnaccessData(v.parray);
  if (column.type == jet::jet_binary && bytes.size() > static_cast<std::size_t>(column.size))
    return dao_err_field_too_small;
  out = std::move(bytes);
  return 0;
}

}  // namespace

long dao_new_column(const std::wstring& name, short dao_type, long size, jet::jet_new_column& out) {
  out = jet::jet_new_column();
  out.name = name;
  switch (dao_type) {
    case dbBoolean:
      out.type = jet::jet_bool;
      out.size = 1;
      break;
    case dbByte:
      out.type = jet::jet_byte;
      out.size = 1;
      break;
    case dbInteger:
      out.type = jet::jet_int;
      out.size = 2;
      break;
    case dbLong:
      out.type = jet::jet_long;
      out.size = 4;
      break;
    case dbCurrency:
      out.type = jet::jet_money;
      out.size = 8;
      break;
    case dbSingle:
      out.type = jet::jet_float;
      out.size = 4;
      break;
    case dbDouble:
      out.type = jet::jet_double;
      out.size = 8;
      break;
    case dbDate:
      out.type = jet::jet_datetime;
      out.size = 8;
      break;
    case dbMemo: out.type = jet::jet_memo; break;
    case dbLongBinary: out.type = jet::jet_ole; break;
    case dbDecimal:
      out.type = jet::jet_numeric;
      out.size = 17;
      out.precision = 18;  // DAO's default until the Precision property says otherwise
      break;
    case dbText:
      if (size < 1 || size > max_text_characters) return dao_err_invalid_argument;
      out.type = jet::jet_text;
      out.size = static_cast<int>(size) * 2;
      break;
    case dbBinary:
      if (size < 1 || size > max_text_characters) return dao_err_invalid_argument;
      out.type = jet::jet_binary;
      out.size = static_cast<int>(size);
      break;
    default: return dao_err_invalid_field_type;
  }
  return 0;
}

long dao_stored_value(const jet::jet_new_column& column, const VARIANT& in, jet::jet_value& out) {
  const VARIANT* pv = &in;
  if (in.vt == (VT_BYREF | VT_VARIANT) && in.pvarVal) pv = in.pvarVal;
  const VARIANT& v = *pv;
  if (v.vt == VT_EMPTY || v.vt == VT_NULL) {
    out = jet::jet_null{};
    return 0;
  }
  if (column.type == jet::jet_binary || column.type == jet::jet_ole) return to_bytes(column, v, out);
  VARTYPE target = automation_type(column.type);
  if (target == VT_EMPTY) return dao_err_invalid_field_type;
  owned_variant c;
  HRESULT hr = VariantChangeTypeEx(&c.v, &v, LCID_EN_US, 0, target);
  if (FAILED(hr)) return error_of(hr);
  switch (column.type) {
    case jet::jet_bool: out = c.v.boolVal != 0; break;
    case jet::jet_byte: out = static_cast<std::uint8_t>(c.v.bVal); break;
    case jet::jet_int: out = static_cast<std::int16_t>(c.v.iVal); break;
    case jet::jet_long: out = static_cast<std::int32_t>(c.v.lVal); break;
    case jet::jet_money: out = jet::jet_currency{c.v.cyVal.int64}; break;
    case jet::jet_float: out = c.v.fltVal; break;
    case jet::jet_double: out = c.v.dblVal; break;
    case jet::jet_datetime: out = jet::jet_date{c.v.date}; break;
    case jet::jet_numeric: return to_column_decimal(column, c.v.decVal, out);
    default: {
      std::wstring text = bstr_text(c.v.bstrVal);
      if (column.type == jet::jet_text && utf16_units(text) * 2 > static_cast<std::size_t>(column.size))
        return dao_err_field_too_small;
      out = std::move(text);
      break;
    }
  }
  return 0;
}

}  // namespace dao_impl
