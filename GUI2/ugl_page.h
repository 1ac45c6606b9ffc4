// Access user-level security: the workgroup information file, user and password the source is
// opened with. The box says whether they are used at all.
#pragma once

#include "GUI2/wizard_page.h"

class ugl_page : public wizard_page<105, ui_wiz_back | ui_wiz_next> {
 public:
  static constexpr int use_ugl_id = 1202;
  static constexpr int sysdb_id = 1003;
  static constexpr int user_id = 1004;
  static constexpr int password_id = 1005;
  static constexpr int browse_id = 1107;
  static constexpr int server_page_id = 123;
  static constexpr int dump_page_id = 102;
  static constexpr std::uint32_t help_topic = 1019;

  ugl_page();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;
  void store_settings();

 protected:
  bool on_command(int id, ui_event event) override;

 private:
  void on_use_ugl();
  void browse_sysdb();
  void enable_fields(bool on);
};
