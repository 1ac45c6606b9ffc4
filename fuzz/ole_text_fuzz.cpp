// Reads arbitrary text as a date (ole_date) and as a value of every kind (ole_variant::from_string
// and from_wstring), and prints each result back. Refusals are the documented exceptions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "OLE/ole_date.h"
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::wstring wide = fuzz_wide_text(data, size);
  for (const ole_date& date : {ole_date(text), ole_date(wide)}) {
    for (const int precision : {0, 3, 6}) {
      date.to_string(precision);
      date.to_wstring(precision);
    }
  }
  for (const VARTYPE vt : {VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8, VT_UI8, VT_INT,
                           VT_UINT, VT_R4, VT_R8, VT_CY, VT_DATE, VT_BOOL, VT_BSTR, VT_DECIMAL}) {
    try {
      ole_variant v = ole_variant::from_string(text, vt);
      v.to_string();
      v.to_wstring();
    } catch (const tk_exception&) {
    }
    try {
      ole_variant::from_wstring(wide, vt).to_string();
    } catch (const tk_exception&) {
    }
  }
  return 0;
}
