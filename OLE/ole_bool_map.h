// ole_bool_map: how booleans are written while a conversion runs. The run creates one; with
// mapping 1 true is written "-1" (the Microsoft convention), otherwise and outside a run "1".
#pragma once

#include "TK/tk_singleton.h"

#include <cstdint>

class ole_bool_map : public tk_singleton<ole_bool_map> {
 public:
  explicit ole_bool_map(std::int32_t mapping) : mapping_(mapping) {}

  std::int32_t get_mapping() const { return mapping_; }

  // Whether an ole_bool_map exists and asks for the Microsoft convention. Never raises: the value
  // layer runs outside conversions too.
  static bool ms_fashion() { return exists() && instance()->mapping_ == 1; }

 private:
  std::int32_t mapping_;
};
