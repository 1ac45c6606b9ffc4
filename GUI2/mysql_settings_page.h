// The server's address and account. Next connects with them; the user goes on only once the
// server has accepted, so every later page can ask the server (names, character sets, engines).
#pragma once

#include "GUI2/wizard_page.h"

class mysql_settings_page : public wizard_page<123, ui_wiz_back | ui_wiz_next> {
 public:
  static constexpr int local_id = 1329;
  static constexpr int remote_id = 1330;
  static constexpr int user_id = 1012;
  static constexpr int password_id = 1013;
  static constexpr int host_id = 1014;
  static constexpr int port_id = 1015;
  static constexpr int welcome_page_id = 103;
  static constexpr std::uint32_t help_topic = 1017;
  static constexpr std::uint32_t protocol_help_topic = 1022;

  mysql_settings_page();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;
  void store_settings();

 protected:
  bool on_command(int id, ui_event event) override;
};
