// The last page: success, or the errors of the run each followed by a blank line; Finish only,
// and Save Settings, which stores the run's settings as a profile.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"

class vandry_converter;

class gui_finish_page_t : public wizard_page<116, ui_wiz_finish> {
 public:
  static constexpr int title_id = 1313;
  static constexpr int result_id = 1314;
  static constexpr int save_id = 1116;

  gui_finish_page_t(vandry_converter& converter, const std::wstring& success_text, const std::wstring& error_text,
                    const std::wstring& profile_extension);

  bool page_init() override;
  // Save Settings: a profile chosen in the save dialog; a save that fails says so and names the
  // file.
  void on_store();

 protected:
  bool on_command(int id, ui_event event) override;

 private:
  void on_eb_focus();

  vandry_converter& converter_;
  bool first_focus_ = true;
  std::wstring success_text_;
  std::wstring error_text_;
  std::wstring extension_;
};
