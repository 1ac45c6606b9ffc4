// The first page: the conversion scenario (a live server or a dump file), Load Settings, which
// applies a settings profile to the whole wizard, and the maker's link.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"

class welcome_page : public wizard_page<103, ui_wiz_next> {
 public:
  static constexpr int title_id = 1337;
  static constexpr int load_id = 1115;
  static constexpr int direct_id = 1329;
  static constexpr int dump_id = 1330;
  static constexpr int link_id = 1320;
  static constexpr int dump_page_id = 102;
  static constexpr int server_page_id = 123;

  // `profile_extension`: the settings profiles' extension without dot ("vdy").
  explicit welcome_page(std::wstring profile_extension);

  bool page_init() override;
  int on_next() override;
  void on_help() override;
  // Shows the converter's scenario.
  virtual void update_from_cvt();
  // Load Settings: a profile chosen in an open dialog.
  void on_load();

 protected:
  bool on_command(int id, ui_event event) override;

 private:
  std::wstring extension_;
  bool first_ = true;
};
