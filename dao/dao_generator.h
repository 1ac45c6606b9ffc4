// dao_generator: writes the blank workgroup information file an engine uses when the user names
// none, under a new unique name in the temporary folder, and removes it (and the engine's lock
// file beside it) when it goes, or when a signal or exit() ends the process first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_temp_file.h"

class dao_generator {
 public:
  dao_generator();
  ~dao_generator();
  dao_generator(const dao_generator&) = delete;
  dao_generator& operator=(const dao_generator&) = delete;

  // Writes `size` bytes of `data` to a file created exclusively under a fresh name in the
  // temporary folder, readable by the user alone (null data is an internal error). A file that
  // cannot be made or written is a tk_exception of kind 1, and nothing is left behind.
  void do_generate(std::uint32_t size, const std::uint8_t* data);

  const std::string& get_name() const { return name_; }
  bool is_generated() const { return generated_; }

 private:
  std::string name_;
  std::unique_ptr<tk_temp_file> file_;
  bool generated_ = false;
};

// The blank workgroup information file of an engine code: the Access 2000 form (codes 0 and 3,
// 143,360 bytes) or the Access 97 form (code 1, 131,072 bytes); empty for other codes.
std::vector<std::uint8_t> dao_blank_workgroup(std::uint32_t engine_code);
