// The dump file's options: the server version the statements are written for, line breaks,
// table locks, CREATE DATABASE and CREATE TABLE statements, comments.
#pragma once

#include "GUI2/wizard_page.h"

class dump_page : public wizard_page<102, ui_wiz_back | ui_wiz_next> {
 public:
  static constexpr int new_version_id = 1329;
  static constexpr int old_version_id = 1330;
  static constexpr int windows_breaks_id = 1331;
  static constexpr int unix_breaks_id = 1332;
  static constexpr int add_lock_id = 1202;
  static constexpr int create_database_id = 1203;
  static constexpr int create_table_id = 1204;
  static constexpr int comments_id = 1205;
  static constexpr int ugl_page_id = 105;
  // The versions the two radios stand for (0x00MMmmpp).
  static constexpr std::uint32_t new_version = 0x040100;
  static constexpr std::uint32_t old_version = 0x031401;

  dump_page();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;
  void store_settings();

 protected:
  bool on_command(int id, ui_event event) override;

 private:
  void on_radio(int id);
};
