// A wizard page that only shows its text and answers Help with its topic: the pages whose own
// controls and checks come later stand in the sheet with their place, buttons and help.
#pragma once

#include <cstdint>
#include <string>

#include "GUI2/wizard_page.h"

class plain_page : public wizard_page_base {
 public:
  plain_page(int dialog_id, unsigned buttons, const std::wstring& text, std::uint32_t help_topic);
  void on_help() override;

 private:
  std::uint32_t help_topic_;
};
