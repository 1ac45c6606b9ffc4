// The Windows integer types, handles and SYSTEMTIME that the engine's code names, on Linux.
// Sizes follow the Windows LLP64 model where the engine stores or exchanges them (LONG is 32 bits).
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using BOOL = int;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using CHAR = char;
using WCHAR = wchar_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPVOID = void*;
using HANDLE = void*;
using LCID = DWORD;
using HRESULT = std::int32_t;
using LPCVOID = const void*;
using SIZE_T = std::size_t;
using HLOCAL = void*;
using HMODULE = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

// Last-error codes. On this platform a last error is an errno value (FormatMessageA gives its
// strerror text); the names the engine tests keep their Windows spelling.
#include <cerrno>
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = ENOENT;
constexpr DWORD ERROR_PATH_NOT_FOUND = ENOENT;
constexpr DWORD ERROR_ACCESS_DENIED = EACCES;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = ENOMEM;
constexpr DWORD ERROR_INVALID_PARAMETER = EINVAL;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = ENOBUFS;
constexpr DWORD ERROR_INVALID_FLAGS = EINVAL;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = EILSEQ;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = ENAMETOOLONG;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = ENOMSG;
