// GetFileAttributes and the access check over stat and faccessat.
#include "platform/win/file_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"

DWORD GetFileAttributesA(LPCSTR path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st {};
  if (stat(path, &st) != 0) {
    SetLastErrorFromErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

DWORD GetFileAttributesW(LPCWSTR path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  if (n == 0 || WideCharToMultiByte(CP_UTF8, 0, path, -1, narrow.data(), n, nullptr, nullptr) != n) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return GetFileAttributesA(narrow.c_str());
}

BOOL check_file_access(LPCSTR path, DWORD desired_access) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int mode = 0;
  if (desired_access & (GENERIC_READ | GENERIC_ALL)) mode |= R_OK;
  if (desired_access & (GENERIC_WRITE | GENERIC_ALL)) mode |= W_OK;
  if (desired_access & (GENERIC_EXECUTE | GENERIC_ALL)) mode |= X_OK;
  if (faccessat(AT_FDCWD, path, mode == 0 ? F_OK : mode, AT_EACCESS) != 0) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  return TRUE;
}
