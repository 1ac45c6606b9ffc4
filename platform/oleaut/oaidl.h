// The OLE Automation data types: VARTYPE numbers, BSTR, CY, DECIMAL, DATE, SAFEARRAY, VARIANT.
// Layouts follow Windows (the DECIMAL overlays a whole VARIANT, its first word being the VARTYPE),
// and the VARTYPE numbers are Windows' own because logs and type tables compare them.
#pragma once

#include "platform/oleaut/hresult.h"
#include "platform/win/windows_types.h"

#include <cstddef>

struct IUnknown;
struct IDispatch;

// Wide text is wchar_t throughout the system; a BSTR is such text with a stored length.
using OLECHAR = wchar_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;
using DATE = double;
using FLOAT = float;
using DOUBLE = double;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_RECORD = 36,
  VT_FILETIME = 64,
  VT_BLOB = 65,
  VT_STREAM = 66,
  VT_STORAGE = 67,
  VT_STREAMED_OBJECT = 68,
  VT_STORED_OBJECT = 69,
  VT_BLOB_OBJECT = 70,
  VT_CF = 71,
  VT_CLSID = 72,
  VT_VECTOR = 0x1000,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// Currency: a signed 64-bit count of ten-thousandths.
struct CY {
  LONGLONG int64;
};

// A 96-bit unsigned mantissa (Hi32:Mid32:Lo32), a power-of-ten scale 0..28 and a sign byte
// (DECIMAL_NEG or 0). The value is (-1)^sign * mantissa / 10^scale.
struct DECIMAL {
  USHORT wReserved;  // the VARTYPE when the DECIMAL sits in a VARIANT
  BYTE scale;
  BYTE sign;
  ULONG Hi32;
  ULONG Lo32;
  ULONG Mid32;
};
constexpr BYTE DECIMAL_NEG = 0x80;
constexpr BYTE DECIMAL_MAX_SCALE = 28;
static_assert(sizeof(DECIMAL) == 16);

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

// Only one-dimensional arrays of bytes (VT_UI1) are made by this stand-in.
struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};
using LPSAFEARRAY = SAFEARRAY*;

// A tagged value. For VT_DECIMAL the whole 16 bytes are the DECIMAL (vt stays in its first word).
struct VARIANT {
  union {
    struct {
      VARTYPE vt;
      WORD wReserved1;
      WORD wReserved2;
      WORD wReserved3;
      union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        DECIMAL* pdecVal;
      };
    };
    DECIMAL decVal;
  };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;
static_assert(sizeof(VARIANT) == 16);
static_assert(offsetof(VARIANT, vt) == offsetof(DECIMAL, wReserved));

// Locale of the conversions: every Var* function follows the en-US rules, whatever is asked.
constexpr LCID LCID_EN_US = 1033;

// Flags of VariantChangeType(Ex); the stand-in honours VARIANT_ALPHABOOL and
// VARIANT_NOVALUEPROP and accepts the others.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;
constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
constexpr USHORT VARIANT_LOCALBOOL = 0x10;
