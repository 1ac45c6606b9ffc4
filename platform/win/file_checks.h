// File attributes and access checks (GetFileAttributesA/W, a write-access check standing in for
// GetFileSecurity + AccessCheck) over stat and faccessat.
//
// "Read-only" means the file has no write permission bit at all, so that the answer is the same
// for every user, root included. The access check asks the kernel with the process's effective
// ids (faccessat with AT_EACCESS), which is what AccessCheck on a duplicated process token asks.
#pragma once

#include "platform/win/windows_types.h"

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;

// The attributes of a file or directory; INVALID_FILE_ATTRIBUTES with the last error set when it
// cannot be read (it does not exist, or a folder on the way may not be searched).
DWORD GetFileAttributesA(LPCSTR path);
DWORD GetFileAttributesW(LPCWSTR path);

// Whether the process may use the file or directory with every right of `desired_access` (a
// combination of the GENERIC_ rights). False for a path that does not exist.
BOOL check_file_access(LPCSTR path, DWORD desired_access);
