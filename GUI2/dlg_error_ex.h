// The internal-error dialog: the report, and the choice to mail it to support, copy it to the
// clipboard, or just close. The program ends after it.
#pragma once

#include <string>

#include "platform/ui/ui_dialog.h"

class dlg_error_ex : public ui_dialog {
 public:
  static constexpr int dialog_id = 114;
  static constexpr int send_bug_id = 1112;
  static constexpr int copy_id = 1108;
  static constexpr int ok_id = 1;

  // `title`: the program's title for the bug report's subject (empty before the sheet is shown).
  dlg_error_ex(const std::wstring& text, const std::wstring& caption, const std::wstring& title);

 protected:
  void on_init_dialog() override;
  bool on_command(int id, ui_event event) override;

 private:
  std::wstring text_;
  std::wstring title_;
};
