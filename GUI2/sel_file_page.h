// The source database with its password, the destination (a server database name or a dump
// file) and the log file. Next checks them all in a fixed order and settles an existing
// destination: the answer is only recorded here, the run clears the destination when the user
// has started it.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"

class sel_file_page : public wizard_page<106, ui_wiz_back | ui_wiz_next> {
 public:
  static constexpr int use_password_id = 1001;
  static constexpr int source_id = 1003;
  static constexpr int dest_id = 1004;
  static constexpr int password_id = 1005;
  static constexpr int log_id = 1006;
  static constexpr int dest_label_id = 1311;
  static constexpr int browse_source_id = 1107;
  static constexpr int browse_dest_id = 1104;
  static constexpr int browse_log_id = 1105;
  static constexpr std::uint32_t help_topic = 1020;
  static constexpr std::uint32_t overwrite_help_topic = 1013;
  static constexpr std::uint32_t format_help_topic = 1022;

  sel_file_page();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;
  void store_file_info();

 protected:
  bool on_command(int id, ui_event event) override;

 private:
  // The checks of Next; -1 with the user told why, else 0.
  int check_all();
  void suggest_dest(const std::wstring& source);
  // Suggests only over an empty destination, a dump folder without a name, or the page's own
  // last suggestion: a name the user typed stays.
  void suggest_if_free();
  void on_use_pwd();
  void browse_source();
  void browse_dest();
  void browse_logfile();
  void browse_save_into(int field_id, const std::wstring& title, const std::wstring& filters,
                        const std::wstring& extension);

  std::wstring last_suggestion_;
};
