// The text a settings page shows for an engine error: the error handler's report (the friendlier
// text of a known MySQL or Access code, else the exception's own), or the exception's own text
// when no handler is registered.
#pragma once

#include <string>

#include "TK/tk_exception.h"

std::wstring page_error_text(const tk_exception& e);
