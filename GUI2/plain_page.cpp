// A wizard page that only shows its text.
#include "GUI2/plain_page.h"

#include "GUI2/wizard_shell.h"

plain_page::plain_page(int dialog_id, unsigned buttons, const std::wstring& text, std::uint32_t help_topic)
    : wizard_page_base(
          ui_dialog_def{dialog_id, L"", 317, 143, {{ui_id_static, ui_kind::static_text, text, {21, 8, 275, 60}}}},
          buttons),
      help_topic_(help_topic) {}

void plain_page::on_help() { wizard_shell::get_instance()->display_help(help_topic_); }
