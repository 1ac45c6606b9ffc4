// The question what to do with a destination database that already exists: overwrite it whole,
// overwrite its tables, skip them, merge rows or synchronise. OK answers 1 with the chosen mode,
// Cancel 2; Help opens the dialog's topic and leaves it open.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/ui_dialog.h"

class overwrite_dlg3 : public ui_dialog {
 public:
  static constexpr int dialog_id = 133;
  static constexpr int text_id = 1320;
  static constexpr int icon_id = 1301;
  static constexpr int help_id = 9;

  overwrite_dlg3(const std::wstring& text, std::uint32_t help_topic);

  // The mode of the radio checked at OK (0 to 4); 0 until then.
  std::uint32_t mode() const { return mode_; }

 protected:
  void on_init_dialog() override;
  bool on_command(int id, ui_event event) override;

 private:
  std::uint32_t mode_ = 0;
  std::wstring text_;
  std::uint32_t help_topic_;
};
