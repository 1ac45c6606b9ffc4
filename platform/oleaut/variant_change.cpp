// VariantChangeType: conversion of a VARIANT between the scalar kinds and text.
// Every number first becomes either an exact decimal (integers, BOOL, CY, DECIMAL, text) or a
// double (R4, R8, DATE); each target then takes it with its own rounding and range.
#include "platform/oleaut/var_number.h"

#include <cfloat>
#include <cmath>
#include <limits>

using namespace oleaut_detail;

namespace {

// A number read from a VARIANT: exact, or a binary floating-point value.
struct number {
  bool is_double = false;
  double d = 0;
  decimal_text exact;
};

bool is_integer_kind(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8: return true;
    default: return false;
  }
}

bool is_scalar_kind(VARTYPE vt) {
  return is_integer_kind(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DECIMAL || vt == VT_BOOL ||
         vt == VT_DATE || vt == VT_BSTR || vt == VT_EMPTY;
}

std::wstring text_of(const VARIANT& v) {
  return v.bstrVal == nullptr ? std::wstring() : std::wstring(v.bstrVal, SysStringLen(v.bstrVal));
}

// A BSTR is read as text: an embedded NUL ends what the parsers see, as it does on Windows.
HRESULT read_number(const VARIANT& v, number& out) {
  switch (v.vt) {
    case VT_EMPTY: return S_OK;
    case VT_I1: out.exact = to_decimal_text(from_i64(v.cVal)); return S_OK;
    case VT_UI1: out.exact = to_decimal_text(from_u64(v.bVal)); return S_OK;
    case VT_I2: out.exact = to_decimal_text(from_i64(v.iVal)); return S_OK;
    case VT_UI2: out.exact = to_decimal_text(from_u64(v.uiVal)); return S_OK;
    case VT_I4: out.exact = to_decimal_text(from_i64(v.lVal)); return S_OK;
    case VT_UI4: out.exact = to_decimal_text(from_u64(v.ulVal)); return S_OK;
    case VT_INT: out.exact = to_decimal_text(from_i64(v.intVal)); return S_OK;
    case VT_UINT: out.exact = to_decimal_text(from_u64(v.uintVal)); return S_OK;
    case VT_I8: out.exact = to_decimal_text(from_i64(v.llVal)); return S_OK;
    case VT_UI8: out.exact = to_decimal_text(from_u64(v.ullVal)); return S_OK;
    case VT_BOOL: out.exact = to_decimal_text(from_i64(v.boolVal ? -1 : 0)); return S_OK;
    case VT_CY: out.exact = to_decimal_text(from_cy(v.cyVal)); return S_OK;
    case VT_DECIMAL:
      if (v.decVal.scale > DECIMAL_MAX_SCALE) return E_INVALIDARG;
      out.exact = to_decimal_text(from_decimal(v.decVal));
      return S_OK;
    case VT_R4:
      out.is_double = true;
      out.d = v.fltVal;
      return S_OK;
    case VT_R8:
      out.is_double = true;
      out.d = v.dblVal;
      return S_OK;
    case VT_DATE:
      out.is_double = true;
      out.d = v.date;
      return S_OK;
    case VT_BSTR: return parse_number(v.bstrVal == nullptr ? L"" : v.bstrVal, out.exact);
    default: return DISP_E_TYPEMISMATCH;
  }
}

double as_double(const number& n) { return n.is_double ? n.d : to_double(n.exact); }

bool is_zero(const number& n) { return n.is_double ? n.d == 0 : n.exact.digits.empty(); }

template <class Int>
HRESULT to_int(const number& n, Int& out) {
  bool negative = false;
  unsigned long long magnitude = 0;
  const auto lo = static_cast<long long>(std::numeric_limits<Int>::min());
  const auto hi = static_cast<unsigned long long>(std::numeric_limits<Int>::max());
  HRESULT hr = n.is_double ? double_to_integer(n.d, lo, hi, negative, magnitude)
                           : to_integer(n.exact, lo, hi, negative, magnitude);
  if (SUCCEEDED(hr)) out = as_integer<Int>(negative, magnitude);
  return hr;
}

// Text to BOOL: the English words (any case, blanks around them allowed), else a number.
HRESULT bool_from_text(const VARIANT& v, VARIANT_BOOL& out) {
  std::wstring t = text_of(v);
  t = t.substr(0, t.find(L'\0'));
  const auto first = t.find_first_not_of(L" \t");
  const auto last = t.find_last_not_of(L" \t");
  std::wstring word = first == std::wstring::npos ? L"" : t.substr(first, last - first + 1);
  for (wchar_t& c : word)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c | 0x20);
  if (word == L"true" || word == L"#true#") return out = VARIANT_TRUE, S_OK;
  if (word == L"false" || word == L"#false#") return out = VARIANT_FALSE, S_OK;
  number n;
  HRESULT hr = read_number(v, n);
  if (SUCCEEDED(hr)) out = is_zero(n) ? VARIANT_FALSE : VARIANT_TRUE;
  return hr;
}

HRESULT to_text(const VARIANT& v, USHORT flags, BSTR& out) {
  switch (v.vt) {
    case VT_EMPTY: out = SysAllocString(L""); return out ? S_OK : E_OUTOFMEMORY;
    case VT_R4: return VarBstrFromR4(v.fltVal, LCID_EN_US, 0, &out);
    case VT_R8: return VarBstrFromR8(v.dblVal, LCID_EN_US, 0, &out);
    case VT_CY: return VarBstrFromCy(v.cyVal, LCID_EN_US, 0, &out);
    case VT_DECIMAL: return VarBstrFromDec(&v.decVal, LCID_EN_US, 0, &out);
    case VT_DATE: return VarBstrFromDate(v.date, LCID_EN_US, 0, &out);
    case VT_BOOL: return VarBstrFromBool(v.boolVal, LCID_EN_US, flags, &out);
    default: break;
  }
  if (!is_integer_kind(v.vt)) return DISP_E_TYPEMISMATCH;
  number n;
  scaled s;
  read_number(v, n);  // integer kinds always read, and always fit
  fit(n.exact, 0, static_cast<u128>(1) << 64, s);
  const std::wstring text = oleaut_detail::to_text(s);
  out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return out ? S_OK : E_OUTOFMEMORY;
}

// Builds the converted value in `out` (which owns whatever it holds on success).
HRESULT convert(const VARIANT& in, USHORT flags, VARTYPE vt, VARIANT& out) {
  out.vt = vt;
  if (vt == VT_BSTR) return to_text(in, flags, out.bstrVal);
  if (vt == VT_BOOL && in.vt == VT_BSTR) return bool_from_text(in, out.boolVal);
  if (vt == VT_DATE && in.vt == VT_BSTR)
    return VarDateFromStr(in.bstrVal == nullptr ? L"" : in.bstrVal, LCID_EN_US, 0, &out.date);

  number n;
  HRESULT hr = read_number(in, n);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_I1: return to_int(n, out.cVal);
    case VT_UI1: return to_int(n, out.bVal);
    case VT_I2: return to_int(n, out.iVal);
    case VT_UI2: return to_int(n, out.uiVal);
    case VT_I4: return to_int(n, out.lVal);
    case VT_UI4: return to_int(n, out.ulVal);
    case VT_INT: return to_int(n, out.intVal);
    case VT_UINT: return to_int(n, out.uintVal);
    case VT_I8: return to_int(n, out.llVal);
    case VT_UI8: return to_int(n, out.ullVal);
    case VT_BOOL: out.boolVal = is_zero(n) ? VARIANT_FALSE : VARIANT_TRUE; return S_OK;
    case VT_R8: {
      const double d = as_double(n);
      if (std::isinf(d)) return DISP_E_OVERFLOW;
      out.dblVal = d;
      return S_OK;
    }
    case VT_R4: {
      const double d = as_double(n);
      if (!(std::fabs(d) <= FLT_MAX) && !std::isnan(d)) return DISP_E_OVERFLOW;
      out.fltVal = static_cast<float>(d);
      return S_OK;
    }
    case VT_DATE: {
      const double d = as_double(n);
      if (!(d >= -657434.0 && d < 2958466.0)) return DISP_E_OVERFLOW;
      out.date = d;
      return S_OK;
    }
    case VT_CY: return n.is_double ? VarCyFromR8(n.d, &out.cyVal) : to_cy(n.exact, &out.cyVal);
    case VT_DECIMAL: {
      if (n.is_double && !std::isfinite(n.d)) return DISP_E_OVERFLOW;
      scaled s;
      hr = fit(n.is_double ? to_decimal_text(n.d, 15) : n.exact, DECIMAL_MAX_SCALE, decimal_limit, s);
      if (FAILED(hr)) return hr;
      DECIMAL d{};
      hr = to_decimal(s, &d);
      if (SUCCEEDED(hr)) out.decVal = d;  // overwrites vt with VT_DECIMAL, as Windows lays it out
      return hr;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* source, LCID, USHORT flags, VARTYPE vt) {
  if (dest == nullptr || source == nullptr) return E_INVALIDARG;
  if (source->vt == vt) return VariantCopy(dest, source);
  if (vt == VT_EMPTY) return VariantClear(dest);
  if (source->vt == VT_NULL || vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (!is_scalar_kind(source->vt) || !is_scalar_kind(vt)) return DISP_E_TYPEMISMATCH;

  VARIANT result;
  VariantInit(&result);
  HRESULT hr = convert(*source, flags, vt, result);
  if (FAILED(hr)) return hr;  // a failed conversion has allocated nothing
  result.vt = vt;
  // Only now is the destination (possibly the source itself) given up.
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *dest = result;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE vt) {
  return VariantChangeTypeEx(dest, source, LCID_EN_US, flags, vt);
}
