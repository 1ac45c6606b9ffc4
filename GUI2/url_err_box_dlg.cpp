// The download-required box.
#include "GUI2/url_err_box_dlg.h"

#include "GUI2/wizard_ids.h"

namespace {

ui_dialog_def controls_of_dialog() {
  return {url_err_box_dlg::dialog_id,
          L"Additional Software is Required",
          208,
          75,
          {{wizard_dialog_icon_id, ui_kind::icon, L"", {8, 10, 21, 20}},
           {wizard_dialog_text_id, ui_kind::static_text, L"", {40, 8, 165, 30}},
           {url_err_box_dlg::link_id, ui_kind::link, L"", {42, 38, 150, 10}},
           {url_err_box_dlg::ok_id, ui_kind::default_button, L"OK", {78, 56, 50, 14}}}};
}

}  // namespace

url_err_box_dlg::url_err_box_dlg(const std::wstring& text, const std::wstring& link_target,
                                 const std::wstring& link_caption)
    : ui_dialog(controls_of_dialog()), text_(text), target_(link_target), caption_(link_caption) {
  set_closable(false);
}

void url_err_box_dlg::on_init_dialog() {
  set_icon(wizard_dialog_icon_id, ui_icon::warning);
  set_link(link_id, caption_, target_);
  set_text(wizard_dialog_text_id, text_);
}

bool url_err_box_dlg::on_command(int id, ui_event event) {
  if (id == ok_id && event == ui_event::clicked) {
    end_dialog(0);
    return true;
  }
  // The link opens its address by itself and the box stays.
  return false;
}
