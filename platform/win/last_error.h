// The thread's last error and its text (GetLastError, SetLastError, FormatMessageA, LocalFree).
// The value is an errno code captured by the stand-in at the failing call, so later calls (a log
// write in between) do not change what the caller reads.
#pragma once

#include <cstdarg>

#include "platform/win/windows_types.h"

// The calling thread's last error; each thread has its own.
DWORD GetLastError();
void SetLastError(DWORD code);

// Stores errno as the last error; for stand-ins and engine code right after a failed libc call.
void SetLastErrorFromErrno();

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) { return (DWORD(sub) << 10) | primary; }

// Only FORMAT_MESSAGE_FROM_SYSTEM is supported: the text of an errno code followed by CR LF, as
// the system texts end. A code without a text (glibc's "Unknown error N") answers 0 with
// ERROR_MR_MID_NOT_FOUND. With FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer is really a char** that
// receives a block the caller frees with LocalFree; otherwise the text is cut to fit size
// characters with its NUL, and a text that does not fit answers 0 (ERROR_INSUFFICIENT_BUFFER).
// Answers the length of the text without its NUL.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPSTR buffer, DWORD size,
                     va_list* arguments);

// Frees a block that FormatMessageA allocated; answers null.
HLOCAL LocalFree(HLOCAL block);
