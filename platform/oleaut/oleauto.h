// The OLE Automation functions: BSTR, SAFEARRAY and VARIANT handling, the Var* conversions and
// the DATE conversions. Every conversion follows the en-US rules whatever the LCID or process
// locale ("." decimal point, "," thousands separator, month/day/year order).
#pragma once

#include "platform/oleaut/oaidl.h"
#include "platform/oleaut/unknwn.h"

// ---- BSTR: a counted wide string; embedded NULs are kept, a NUL always follows the text. ----

// A copy of `text` up to its first NUL; null for a null `text` or when memory runs out.
BSTR SysAllocString(const OLECHAR* text);
// A string of `length` characters copied from `text`, or left zero-filled when `text` is null.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// Frees a BSTR; null is allowed.
void SysFreeString(BSTR text);
// Replaces *target by a fresh copy of `length` characters of `text`; FALSE when memory runs out.
INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length);
// The length in characters (0 for null) and in bytes (characters times sizeof(OLECHAR)).
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// ---- SAFEARRAY: one-dimensional VT_UI1 arrays only. ----

// Null for any other element type or dimension count, or when memory runs out.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements);
// Resizes to bound->cElements, keeping the old lower bound and the leading bytes; new bytes are 0.
// DISP_E_ARRAYISLOCKED while the data is accessed.
HRESULT SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* bound);
// Locks the array and answers its data; each Access needs one Unaccess.
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
// E_INVALIDARG for null; DISP_E_ARRAYISLOCKED while the data is accessed.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy);
UINT SafeArrayGetDim(SAFEARRAY* array);
UINT SafeArrayGetElemsize(SAFEARRAY* array);
// DISP_E_BADINDEX for a dimension other than 1.
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);

// ---- VARIANT ----

void VariantInit(VARIANTARG* value);
// Frees what the value owns (BSTR, array, interface reference) and makes it VT_EMPTY.
HRESULT VariantClear(VARIANTARG* value);
// A deep copy (new BSTR, new array, one more interface reference); copying onto itself is a no-op.
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source);
// Converts `source` to kind `vt` into `dest` (which may be `source`). DISP_E_TYPEMISMATCH when the
// pair cannot convert or text is not a number or date; DISP_E_OVERFLOW when the value does not fit.
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* dest, const VARIANTARG* source, LCID lcid, USHORT flags, VARTYPE vt);

// ---- Var* conversions: DISP_E_OVERFLOW out of range, DISP_E_TYPEMISMATCH for text that is not a
// number. Floats, CY and DECIMAL go to integers rounding half to even. ----

HRESULT VarBstrFromDec(const DECIMAL* in, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromCy(CY in, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromR8(DOUBLE in, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromR4(FLOAT in, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromI8(LONGLONG in, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromBool(VARIANT_BOOL in, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarBstrFromDate(DATE in, LCID lcid, ULONG flags, BSTR* out);

HRESULT VarCyFromStr(const OLECHAR* in, LCID lcid, ULONG flags, CY* out);
HRESULT VarCyFromR8(DOUBLE in, CY* out);
HRESULT VarCyFromI8(LONGLONG in, CY* out);
HRESULT VarCyFromDec(const DECIMAL* in, CY* out);
HRESULT VarR8FromStr(const OLECHAR* in, LCID lcid, ULONG flags, DOUBLE* out);
HRESULT VarR8FromCy(CY in, DOUBLE* out);
HRESULT VarR8FromDec(const DECIMAL* in, DOUBLE* out);

HRESULT VarDecFromStr(const OLECHAR* in, LCID lcid, ULONG flags, DECIMAL* out);
HRESULT VarDecFromI8(LONGLONG in, DECIMAL* out);
HRESULT VarDecFromUI8(ULONGLONG in, DECIMAL* out);
HRESULT VarDecFromI4(LONG in, DECIMAL* out);
HRESULT VarDecFromR8(DOUBLE in, DECIMAL* out);
HRESULT VarDecFromCy(CY in, DECIMAL* out);

HRESULT VarI8FromR4(FLOAT in, LONGLONG* out);
HRESULT VarI8FromR8(DOUBLE in, LONGLONG* out);
HRESULT VarUI8FromR4(FLOAT in, ULONGLONG* out);
HRESULT VarUI8FromR8(DOUBLE in, ULONGLONG* out);
HRESULT VarI8FromDec(const DECIMAL* in, LONGLONG* out);
HRESULT VarUI8FromDec(const DECIMAL* in, ULONGLONG* out);
HRESULT VarI8FromCy(CY in, LONGLONG* out);
HRESULT VarI4FromDec(const DECIMAL* in, LONG* out);
HRESULT VarUI4FromDec(const DECIMAL* in, ULONG* out);
HRESULT VarI2FromDec(const DECIMAL* in, SHORT* out);
HRESULT VarUI2FromDec(const DECIMAL* in, USHORT* out);
HRESULT VarI1FromDec(const DECIMAL* in, CHAR* out);
HRESULT VarUI1FromDec(const DECIMAL* in, BYTE* out);
HRESULT VarI4FromCy(CY in, LONG* out);
HRESULT VarI4FromR8(DOUBLE in, LONG* out);

// ---- DATE: days since 1899-12-30 plus the fraction of the day. Before that day the fraction
// still counts forward from midnight: -1.25 is 1899-12-29 06:00. ----

// TRUE on success; FALSE for a year outside 100..9999 or an impossible date or time.
// Milliseconds are kept in the fraction.
INT SystemTimeToVariantTime(SYSTEMTIME* time, DOUBLE* date);
// Rounds to the nearest second (wMilliseconds is 0); FALSE outside 0100-01-01..9999-12-31.
INT VariantTimeToSystemTime(DOUBLE date, SYSTEMTIME* time);
// Reads English dates: "1 May 2023", "May 1, 2023", "01-May-2023", "5/1/2023" (month first),
// "2023-05-01", with an optional "h:mm[:ss]" and AM/PM; a time alone is a time on day 0.
// DISP_E_TYPEMISMATCH for anything else or an impossible date.
HRESULT VarDateFromStr(const OLECHAR* in, LCID lcid, ULONG flags, DATE* out);
