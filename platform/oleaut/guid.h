// GUID, CLSID and IID, their comparison and their registry text form "{XXXXXXXX-XXXX-...}".
// Class and interface identities of the COM stand-in are compared as these 16-byte values.
#pragma once

#include "platform/oleaut/hresult.h"

#include <string>

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case, 38 characters and a NUL) into
// `text`; answers the characters written including the NUL, or 0 when `max_chars` is below 39.
int StringFromGUID2(REFGUID guid, wchar_t* text, int max_chars);

// Reads the braced form above (either case of hexadecimal digits). Text of any other shape
// answers E_INVALIDARG and leaves `guid` as GUID_NULL.
HRESULT CLSIDFromString(const wchar_t* text, CLSID* guid);
HRESULT IIDFromString(const wchar_t* text, IID* guid);

// The braced text form as a std::wstring, for logs and tests.
std::wstring guid_to_wstring(REFGUID guid);
