// Path making and splitting with the C runtime's Windows names (_fullpath, _splitpath_s,
// _makepath_s and their wide twins) and the program's own path (GetModuleFileNameA/W).
//
// Paths are POSIX paths: '/' separates, there is never a drive (the drive part is always empty),
// and "absolute" means "starts with '/'". _fullpath is lexical: "." and ".." are resolved against
// the text, not the file system, so the file need not exist. The extension runs from the last '.'
// of the last component.
#pragma once

#include <cstddef>

#include "platform/win/windows_types.h"

constexpr std::size_t MAX_PATH = 260;
constexpr std::size_t _MAX_DRIVE = 3;
constexpr std::size_t _MAX_DIR = 256;
constexpr std::size_t _MAX_FNAME = 256;
constexpr std::size_t _MAX_EXT = 256;

// The absolute form of `path` (relative paths against the working directory) into `out` of
// `size` characters with its NUL. Answers out, or null (errno ERANGE when it does not fit,
// ENOENT when the working directory cannot be read, EINVAL for a null argument).
char* _fullpath(char* out, const char* path, std::size_t size);
wchar_t* _wfullpath(wchar_t* out, const wchar_t* path, std::size_t size);

// Splits `path` into drive (always empty), directory (up to and including the last '/'), name and
// extension (with its '.'). A null part with size 0 is not wanted. Answers 0, EINVAL for a bad
// argument or ERANGE when a part does not fit (then every wanted part is left empty).
int _splitpath_s(const char* path, char* drive, std::size_t drive_size, char* dir, std::size_t dir_size, char* name,
                 std::size_t name_size, char* ext, std::size_t ext_size);
int _wsplitpath_s(const wchar_t* path, wchar_t* drive, std::size_t drive_size, wchar_t* dir, std::size_t dir_size,
                  wchar_t* name, std::size_t name_size, wchar_t* ext, std::size_t ext_size);

// Joins drive, directory (a '/' is added when it lacks one), name and extension (a '.' is added
// when it lacks one) into `out` of `size` characters. Answers 0, EINVAL or ERANGE (out emptied).
int _makepath_s(char* out, std::size_t size, const char* drive, const char* dir, const char* name, const char* ext);
int _wmakepath_s(wchar_t* out, std::size_t size, const wchar_t* drive, const wchar_t* dir, const wchar_t* name,
                 const wchar_t* ext);

// The running program's full path (from /proc/self/exe) into `out` of `size` characters. Answers
// its length; a path that does not fit is cut to size - 1 characters and answers `size` with
// ERROR_INSUFFICIENT_BUFFER; 0 on failure with the last error set. The module must be null.
DWORD GetModuleFileNameA(HMODULE module, LPSTR out, DWORD size);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR out, DWORD size);
