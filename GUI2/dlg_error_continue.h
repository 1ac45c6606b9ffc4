// The dialog after an error the run can go on from: Continue (also Esc and the close box), Abort,
// and "do not show this dialog box again" for the rest of the process.
#pragma once

#include <string>

#include "platform/ui/ui_dialog.h"

class dlg_error_continue : public ui_dialog {
 public:
  static constexpr int dialog_id = 115;
  static constexpr int continue_id = 2;
  static constexpr int abort_id = 1;
  static constexpr int do_not_show_id = 1222;

  dlg_error_continue(const std::wstring& text, const std::wstring& caption);

  // The state of the check box when the dialog ended.
  bool do_not_show() const { return do_not_show_; }

 protected:
  void on_init_dialog() override;
  bool on_command(int id, ui_event event) override;

 private:
  std::wstring text_;
  bool do_not_show_ = false;
};
