// The destination's character set and storage engine, how booleans are written, and whether the
// run skips indexes, copies no rows or makes views of the queries. The lists are filled on the
// first visit; each visit selects the stored names in them.
#pragma once

#include "GUI2/wizard_page.h"

class conversion_settings : public wizard_page<110, ui_wiz_back | ui_wiz_next> {
 public:
  static constexpr int bool_list_id = 1302;
  static constexpr int charset_list_id = 1303;
  static constexpr int engine_list_id = 1304;
  static constexpr int skip_idx_id = 1226;
  static constexpr int tab_def_id = 1228;
  static constexpr int views_id = 1204;
  static constexpr std::uint32_t help_topic = 1021;
  // The first entry of the character-set list: no character set stored, the engine's own choice.
  static constexpr const wchar_t* automatic_charset = L"Automatic - Unicode (utf8mb4 or utf8)";

  conversion_settings();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;
  void store_file_info();

 protected:
  bool on_command(int id, ui_event event) override;

 private:
  // Selects the first entry that begins with `name`, counted from the second entry and wrapping
  // to the first; no selection for an empty name or when none matches.
  void select_prefix(int id, const std::wstring& name);

  bool filled_ = false;
};
