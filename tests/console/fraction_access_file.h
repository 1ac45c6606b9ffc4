// A small Access file, written with our own writer, whose dates and times hold fractions of a
// second as programs write them: the values that must not be rounded into the next second or day.
#pragma once

#include <string>

namespace console_test {

// Writes `folder`/fractions.mdb and answers its path. Table "Times" (Id, At, TimeOfDay), rows:
//   1, 2000-02-29 23:59:59.999, 08:00:00
//   2, 9999-12-31 23:59:59.999, 12:00:00.500
//   3, 2000-01-01 08:00:00,     NULL
// so "At" loses a fraction in 2 values (the first in record 1) and "TimeOfDay" in 1 (record 2).
std::string access_file_with_fractions(const std::string& folder);

}  // namespace console_test
