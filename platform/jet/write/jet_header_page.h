// Builds page 0 of a new Jet 4 file: signature, version, code page, sort order, creation date
// and the database password, masked the way the engine masks them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

struct jet_header_options {
  unsigned code_page = 1252;
  std::wstring password;  // empty: no database password
  double created = 0;     // creation date as an OLE date
};

// False when the password does not fit (more than 20 characters, or outside the BMP).
bool jet_build_header_page(const jet_header_options& options, std::vector<std::uint8_t>& page);

}  // namespace jet
