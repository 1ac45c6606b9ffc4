// The one error the Access file writer raises: a DAO error number with its text, so the DAO
// stand-in hands it to its caller unchanged (3047 "Record is too large.", 3204 "Database
// already exists.", 3010 "Table '…' already exists.", 3026 "Not enough space on disk.", …).
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

class jet_write_error : public std::runtime_error {
 public:
  jet_write_error(long dao_code, const std::string& text) : std::runtime_error(text), dao_code_(dao_code) {}
  long dao_code() const { return dao_code_; }

 private:
  long dao_code_;
};

}  // namespace jet
