// Name comparison through the platform's case-ignoring comparison and character classes.
#include "UDB/udb_name_compare.h"

#include "platform/win/string_compare.h"

bool udb_same_name(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a.empty()) return true;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool udb_is_name_char(wchar_t c) { return c == L'_' || IsCharAlphaNumericW(c) != FALSE; }
