// The Var* conversions between text, CY, DECIMAL, floating-point and integer kinds.
#include "platform/oleaut/var_number.h"

#include <cfloat>
#include <cmath>
#include <limits>

using namespace oleaut_detail;

namespace {

bool valid_decimal(const DECIMAL* d) { return d != nullptr && d->scale <= DECIMAL_MAX_SCALE; }

HRESULT store_text(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

template <class Int>
HRESULT integer_from(const decimal_text& value, Int* out) {
  if (out == nullptr) return E_INVALIDARG;
  bool negative = false;
  unsigned long long magnitude = 0;
  HRESULT hr = to_integer(value, static_cast<long long>(std::numeric_limits<Int>::min()),
                          static_cast<unsigned long long>(std::numeric_limits<Int>::max()), negative, magnitude);
  if (SUCCEEDED(hr)) *out = as_integer<Int>(negative, magnitude);
  return hr;
}

template <class Int>
HRESULT integer_from(double value, Int* out) {
  if (out == nullptr) return E_INVALIDARG;
  bool negative = false;
  unsigned long long magnitude = 0;
  HRESULT hr = double_to_integer(value, static_cast<long long>(std::numeric_limits<Int>::min()),
                                 static_cast<unsigned long long>(std::numeric_limits<Int>::max()), negative, magnitude);
  if (SUCCEEDED(hr)) *out = as_integer<Int>(negative, magnitude);
  return hr;
}

template <class Int>
HRESULT integer_from_decimal(const DECIMAL* in, Int* out) {
  if (!valid_decimal(in)) return E_INVALIDARG;
  return integer_from(to_decimal_text(from_decimal(*in)), out);
}

HRESULT decimal_from(const decimal_text& value, DECIMAL* out) {
  if (out == nullptr) return E_INVALIDARG;
  scaled s;
  HRESULT hr = fit(value, DECIMAL_MAX_SCALE, decimal_limit, s);
  return FAILED(hr) ? hr : to_decimal(s, out);
}

HRESULT double_from(const decimal_text& value, DOUBLE* out) {
  if (out == nullptr) return E_INVALIDARG;
  double d = to_double(value);
  if (std::isinf(d)) return DISP_E_OVERFLOW;
  *out = d;
  return S_OK;
}

}  // namespace

HRESULT VarBstrFromDec(const DECIMAL* in, LCID, ULONG, BSTR* out) {
  if (!valid_decimal(in)) return E_INVALIDARG;
  return store_text(to_text(from_decimal(*in)), out);
}

HRESULT VarBstrFromCy(CY in, LCID, ULONG, BSTR* out) { return store_text(to_text(from_cy(in)), out); }

HRESULT VarBstrFromR8(DOUBLE in, LCID, ULONG, BSTR* out) { return store_text(double_text(in, 15), out); }

HRESULT VarBstrFromR4(FLOAT in, LCID, ULONG, BSTR* out) { return store_text(double_text(in, 7), out); }

HRESULT VarBstrFromI8(LONGLONG in, LCID, ULONG, BSTR* out) { return store_text(std::to_wstring(in), out); }

HRESULT VarBstrFromBool(VARIANT_BOOL in, LCID, ULONG flags, BSTR* out) {
  if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) return store_text(in ? L"True" : L"False", out);
  return store_text(in ? L"-1" : L"0", out);
}

HRESULT VarCyFromStr(const OLECHAR* in, LCID, ULONG, CY* out) {
  if (out == nullptr) return E_INVALIDARG;
  decimal_text value;
  HRESULT hr = parse_number(in, value);
  return FAILED(hr) ? hr : to_cy(value, out);
}

HRESULT VarCyFromR8(DOUBLE in, CY* out) { return integer_from(in * 10000.0, out == nullptr ? nullptr : &out->int64); }

HRESULT VarCyFromI8(LONGLONG in, CY* out) {
  if (out == nullptr) return E_INVALIDARG;
  constexpr LONGLONG limit = std::numeric_limits<LONGLONG>::max() / 10000;
  if (in > limit || in < -limit) return DISP_E_OVERFLOW;
  out->int64 = in * 10000;
  return S_OK;
}

HRESULT VarCyFromDec(const DECIMAL* in, CY* out) {
  if (!valid_decimal(in) || out == nullptr) return E_INVALIDARG;
  return to_cy(to_decimal_text(from_decimal(*in)), out);
}

HRESULT VarR8FromStr(const OLECHAR* in, LCID, ULONG, DOUBLE* out) {
  decimal_text value;
  HRESULT hr = parse_number(in, value);
  return FAILED(hr) ? hr : double_from(value, out);
}

HRESULT VarR8FromCy(CY in, DOUBLE* out) { return double_from(to_decimal_text(from_cy(in)), out); }

HRESULT VarR8FromDec(const DECIMAL* in, DOUBLE* out) {
  if (!valid_decimal(in)) return E_INVALIDARG;
  return double_from(to_decimal_text(from_decimal(*in)), out);
}

HRESULT VarDecFromStr(const OLECHAR* in, LCID, ULONG, DECIMAL* out) {
  decimal_text value;
  HRESULT hr = parse_number(in, value);
  return FAILED(hr) ? hr : decimal_from(value, out);
}

HRESULT VarDecFromI8(LONGLONG in, DECIMAL* out) {
  if (out == nullptr) return E_INVALIDARG;
  return to_decimal(from_i64(in), out);
}

HRESULT VarDecFromUI8(ULONGLONG in, DECIMAL* out) {
  if (out == nullptr) return E_INVALIDARG;
  return to_decimal(from_u64(in), out);
}

HRESULT VarDecFromI4(LONG in, DECIMAL* out) { return VarDecFromI8(in, out); }

HRESULT VarDecFromR8(DOUBLE in, DECIMAL* out) {
  if (!std::isfinite(in)) return DISP_E_OVERFLOW;
  return decimal_from(to_decimal_text(in, 15), out);
}

HRESULT VarDecFromCy(CY in, DECIMAL* out) {
  if (out == nullptr) return E_INVALIDARG;
  return to_decimal(from_cy(in), out);
}

HRESULT VarI8FromR4(FLOAT in, LONGLONG* out) { return integer_from(static_cast<double>(in), out); }
HRESULT VarI8FromR8(DOUBLE in, LONGLONG* out) { return integer_from(in, out); }
HRESULT VarUI8FromR4(FLOAT in, ULONGLONG* out) { return integer_from(static_cast<double>(in), out); }
HRESULT VarUI8FromR8(DOUBLE in, ULONGLONG* out) { return integer_from(in, out); }
HRESULT VarI4FromR8(DOUBLE in, LONG* out) { return integer_from(in, out); }

HRESULT VarI8FromDec(const DECIMAL* in, LONGLONG* out) { return integer_from_decimal(in, out); }
HRESULT VarUI8FromDec(const DECIMAL* in, ULONGLONG* out) { return integer_from_decimal(in, out); }
HRESULT VarI4FromDec(const DECIMAL* in, LONG* out) { return integer_from_decimal(in, out); }
HRESULT VarUI4FromDec(const DECIMAL* in, ULONG* out) { return integer_from_decimal(in, out); }
HRESULT VarI2FromDec(const DECIMAL* in, SHORT* out) { return integer_from_decimal(in, out); }
HRESULT VarUI2FromDec(const DECIMAL* in, USHORT* out) { return integer_from_decimal(in, out); }
HRESULT VarI1FromDec(const DECIMAL* in, CHAR* out) { return integer_from_decimal(in, out); }
HRESULT VarUI1FromDec(const DECIMAL* in, BYTE* out) { return integer_from_decimal(in, out); }

HRESULT VarI8FromCy(CY in, LONGLONG* out) { return integer_from(to_decimal_text(from_cy(in)), out); }
HRESULT VarI4FromCy(CY in, LONG* out) { return integer_from(to_decimal_text(from_cy(in)), out); }
