// The registry, as the per-user settings file: HKEY_CURRENT_USER\Software\<Maker>\<Product> is
// the file $XDG_CONFIG_HOME/<Maker>/<Product>/settings (default ~/.config/...).
//
// One typed value a line, "dword:<name>=<decimal>" or "sz:<name>=<text>", names and texts in
// UTF-8 with backslash, line breaks, NUL and '=' escaped. Narrow and wide values share one
// namespace. A key reads the file when it is opened and writes the values set through it when it
// is closed: under a lock it reads the file again, applies its changes, writes a temporary file
// (mode 0600) and renames it over the old one, so two programs saving at once leave one whole
// file holding both sets of changes. Folders are created with mode 0700.
//
// Statuses are last-error codes (errno values here): ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a
// missing value, ERROR_MORE_DATA when the caller's buffer is too small (its size is set to what is
// needed), ERROR_INVALID_PARAMETER, ERROR_INVALID_HANDLE, or the errno of a failed file operation.
#pragma once

#include "platform/win/windows_types.h"

struct reg_key_state;
using HKEY = reg_key_state*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

struct SECURITY_ATTRIBUTES;

// The per-user root. No other root key exists here.
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr LONG ERROR_MORE_DATA = EOVERFLOW;
constexpr LONG ERROR_INVALID_HANDLE = EBADF;

// Opens the settings of `sub_key` (backslash-separated, a leading "Software\" dropped), creating
// its folder when missing. *disposition tells whether the file existed.
LONG RegCreateKeyExA(HKEY parent, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options, REGSAM desired,
                     const SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition);

// Writes the values set through the key (see above) and frees it; the write's status comes back.
LONG RegCloseKey(HKEY key);

// Reads a value. With data null only *size is set. REG_SZ data carry their NUL; the wide form
// answers wchar_t units (size in bytes).
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);

// Sets a REG_DWORD (4 bytes) or REG_SZ value (text up to its first NUL; wide text in bytes).
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
