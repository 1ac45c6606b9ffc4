// dao_generator: writes the blank workgroup information file an engine uses when the user names
// none, under a free temporary name in the current directory, and removes it (and the engine's
// lock file beside it) when it goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class dao_generator {
 public:
  dao_generator();
  ~dao_generator();
  dao_generator(const dao_generator&) = delete;
  dao_generator& operator=(const dao_generator&) = delete;

  // The first of "~tmp0000" .. "~tmp65535" that names no file; an internal error when all do.
  std::string gen_name() const;
  // Writes `size` bytes of `data` under a fresh name (null data is an internal error).
  void do_generate(std::uint32_t size, const std::uint8_t* data);

  const std::string& get_name() const { return name_; }
  bool is_generated() const { return generated_; }

 private:
  std::string name_;
  bool generated_ = false;
};

// The blank workgroup information file of an engine code: the Access 2000 form (codes 0 and 3,
// 143,360 bytes) or the Access 97 form (code 1, 131,072 bytes); empty for other codes.
std::vector<std::uint8_t> dao_blank_workgroup(std::uint32_t engine_code);
