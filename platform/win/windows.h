// The Windows base services the engine calls, in one include: types, last error, code pages,
// comparison, local time, paths, file checks, the program's own path, registry, clipboard hook.
#pragma once

#include "platform/win/clipboard.h"
#include "platform/win/code_pages.h"
#include "platform/win/file_checks.h"
#include "platform/win/last_error.h"
#include "platform/win/local_time.h"
#include "platform/win/paths.h"
#include "platform/win/registry.h"
#include "platform/win/string_compare.h"
#include "platform/win/windows_types.h"
