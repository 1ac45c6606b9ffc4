// Error codes to message texts: the error handler's map of known DAO and MySQL codes. The first
// text loaded for a code wins, across tables too.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct tk_error_entry {
  std::uint32_t code;
  const char* text;
};

class tk_error_converter {
 public:
  tk_error_converter(std::uint32_t count, const tk_error_entry* table);

  // Adds the entries in order, skipping codes already present; a null table is an internal error.
  void load_map(std::uint32_t count, const tk_error_entry* table);
  // The text for the code, or "" when none is known.
  std::string convert(std::uint32_t code) const;

 private:
  std::map<std::uint32_t, std::string> map_;
};
