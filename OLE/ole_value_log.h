// Whether the log takes lines of a level, so that the value layer builds costly log arguments
// (the text of a long value) only when they will be written.
#pragma once

#include "TK/tk_logger.h"

inline bool ole_log_enabled(int level) {
  return tk_log_wanted(level) && tk_logger::exists() && tk_logger::get_instance()->accepts(level);
}
