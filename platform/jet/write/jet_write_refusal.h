// Raising a jet_write_error with DAO's own text for its number, so the parts of the writer
// need not repeat DAO's wording.
#pragma once

namespace jet {

[[noreturn]] void jet_refuse(long dao_number);

}  // namespace jet
