// The local wall-clock time as a SYSTEMTIME (GetLocalTime), from the process's time zone.
#pragma once

#include "platform/win/windows_types.h"

void GetLocalTime(SYSTEMTIME* time);
