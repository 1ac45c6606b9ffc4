// Raising a jet_write_error with DAO's own text for its number, so the parts of the writer
// need not repeat DAO's wording.
#pragma once

#include <string>

namespace jet {

[[noreturn]] void jet_refuse(long dao_number);
// The same for a text that names an object (its '|' placeholder).
[[noreturn]] void jet_refuse(long dao_number, const std::wstring& argument);

}  // namespace jet
