// Small builders for the value-layer tests: values of each kind from plain numbers and texts.
#pragma once

#include "OLE/ole_variant.h"

#include <string>
#include <vector>

inline ole_variant cy_value(long long ten_thousandths) {
  CY cy{ten_thousandths};
  return ole_variant(cy);
}

inline ole_variant decimal_value(const wchar_t* text) {
  DECIMAL d{};
  VarDecFromStr(text, LCID_EN_US, 0, &d);
  return ole_variant(d);
}

inline ole_variant bytes_value(std::vector<BYTE> bytes) { return ole_variant(bytes); }

// A value whose VARIANT holds a stored boolean other than the two canonical ones.
inline ole_variant raw_bool(SHORT stored) {
  ole_variant v(false);
  v.get_variant().boolVal = stored;
  return v;
}

inline std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
