// The box shown when a component the run needs is missing: the message, a warning icon and a
// link to where it can be downloaded. The link leaves the box open; only OK closes it.
#pragma once

#include <string>

#include "platform/ui/ui_dialog.h"

class url_err_box_dlg : public ui_dialog {
 public:
  static constexpr int dialog_id = 136;
  static constexpr int link_id = 1335;
  static constexpr int ok_id = 1;

  url_err_box_dlg(const std::wstring& text, const std::wstring& link_target, const std::wstring& link_caption);

 protected:
  void on_init_dialog() override;
  bool on_command(int id, ui_event event) override;

 private:
  std::wstring text_;
  std::wstring target_;
  std::wstring caption_;
};
