// Comparing names and classifying characters the way the engine's name rules need it
// (CompareStringW/A, IsCharAlphaNumericW), the same in every process locale.
//
// Case is ignored by Unicode simple case folding ("Umsätze" equals "UMSÄTZE"); order is by code
// point after folding, not by any language's collation. The locale argument is accepted for the
// Windows signature and has no effect.
#pragma once

#include "platform/win/windows_types.h"

constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_INVARIANT = 0x007F;

constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr DWORD SORT_STRINGSORT = 0x00001000;  // accepted; ordinal order already treats symbols so

constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Compares two texts of count1 / count2 characters (-1: up to the NUL). Answers CSTR_LESS_THAN,
// CSTR_EQUAL or CSTR_GREATER_THAN; 0 with ERROR_INVALID_PARAMETER for a null text or
// ERROR_INVALID_FLAGS for a flag other than those above.
int CompareStringW(LCID locale, DWORD flags, LPCWSTR text1, int count1, LPCWSTR text2, int count2);

// The same on ANSI (UTF-8) texts, counted in bytes.
int CompareStringA(LCID locale, DWORD flags, LPCSTR text1, int count1, LPCSTR text2, int count2);

// True for a letter or a digit of any script.
BOOL IsCharAlphaNumericW(WCHAR ch);

// The simple case folding of one character: the form under which NORM_IGNORECASE compares.
wchar_t fold_case(wchar_t ch);
