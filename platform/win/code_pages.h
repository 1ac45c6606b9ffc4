// Code-page conversion between multi-byte text and wide text (MultiByteToWideChar,
// WideCharToMultiByte). The ANSI code page of process and thread is UTF-8, with a codec of our
// own; other named code pages (the text of Jet 3 files) go through iconv.
//
// Wide text is wchar_t, one code point per character (32 bits). A UTF-16 surrogate pair met in
// wide input is still joined into its code point, so text that arrived as UTF-16 units converts
// right. Invalid input never fails a call: a bad UTF-8 sequence (each maximal invalid part)
// becomes U+FFFD, a character the target code page lacks becomes '?' (U+FFFD in UTF-8), unless
// the caller asks for MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS.
#pragma once

#include "platform/win/windows_types.h"

constexpr UINT CP_ACP = 0;    // the ANSI code page: UTF-8 here
constexpr UINT CP_OEMCP = 1;  // the console code page: UTF-8 here
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD MB_PRECOMPOSED = 0x00000001;  // accepted and without effect
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

// Converts `count` bytes of `text` (-1: up to and including its NUL) into `out`, which holds
// `out_size` wide characters. With out_size 0 only measures. Answers the number of wide
// characters written (or needed), 0 on failure with the reason in GetLastError:
// ERROR_INVALID_PARAMETER (null text, count 0, null out with a size, a code page we do not
// know), ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER, ERROR_NO_UNICODE_TRANSLATION (invalid
// input under MB_ERR_INVALID_CHARS).
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR text, int count, LPWSTR out, int out_size);

// The reverse: `count` wide characters (-1: up to and including the NUL) into `out_size` bytes.
// default_char and used_default are accepted for the Windows signature; the replacement is
// always '?' (U+FFFD for UTF-8), and *used_default tells whether one was needed.
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR text, int count, LPSTR out, int out_size,
                        LPCSTR default_char, BOOL* used_default);

// The code page the system calls ANSI: always CP_UTF8 here.
UINT GetACP();
