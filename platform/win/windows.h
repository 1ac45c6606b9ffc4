// The Windows base services the engine calls, in one include: types, last error, code pages,
// comparison, local time, paths, file checks, the program's own path, the clipboard hook.
#pragma once

#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"
#include "platform/win/local_time.h"
#include "platform/win/string_compare.h"
#include "platform/win/windows_types.h"
