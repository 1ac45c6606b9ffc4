// The thread's last error as an errno code and its text from strerror_r.
#include "platform/win/last_error.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
thread_local DWORD t_last_error = ERROR_SUCCESS;

// The text of an errno code, or empty when the C library knows none for it.
std::string errno_text(DWORD code) {
  char buf[256];
  // GNU strerror_r may answer its own static text instead of filling buf.
  const char* text = strerror_r(static_cast<int>(code), buf, sizeof buf);
  if (text == nullptr) return {};
  std::string s(text);
  if (s.rfind("Unknown error", 0) == 0) return {};
  return s;
}
}  // namespace

DWORD GetLastError() { return t_last_error; }

void SetLastError(DWORD code) { t_last_error = code; }

void SetLastErrorFromErrno() { t_last_error = static_cast<DWORD>(errno); }

DWORD FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD message_id, DWORD /*language_id*/, LPSTR buffer, DWORD size,
                     va_list* /*arguments*/) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string text = errno_text(message_id);
  if (text.empty()) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  text += "\r\n";
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    auto* block = static_cast<char*>(std::malloc(text.size() + 1));
    if (block == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(block, text.c_str(), text.size() + 1);
    *reinterpret_cast<char**>(buffer) = block;
    return static_cast<DWORD>(text.size());
  }
  if (text.size() + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

HLOCAL LocalFree(HLOCAL block) {
  std::free(block);
  return nullptr;
}
