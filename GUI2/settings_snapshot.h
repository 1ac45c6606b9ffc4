// A copy of every setting a profile can change, taken before the profile is applied and put back
// when it fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SQL/dump_options.h"
#include "UDB/udb_profile.h"
#include "converter/udb_converter.h"

class vandry_converter;

class settings_snapshot {
 public:
  explicit settings_snapshot(vandry_converter& converter);
  void restore();

 private:
  vandry_converter& converter_;
  std::wstring src_, dest_;
  std::string log_file_;
  std::uint32_t conversion_mode_;
  std::vector<std::wstring> selected_tables_;
  udb_converter::item_list items_, selected_views_, available_queries_;
  bool tab_def_, skip_idx_, convert_views_;
  bool use_ugl_;
  std::wstring acc_pswd_, ugl_user_, ugl_password_, sysdb_;
  dump_options dump_;
  std::string host_, user_, password_, port_;
  bool direct_;
  std::uint32_t bool_map_;
  std::wstring charset_, engine_;
  // The column changes in their own profile form: the only copy their owner offers.
  udb_profile mutations_;
};
