// The views page.
#include "GUI2/vdy_sel_views_page.h"

#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/vandry_converter.h"

vdy_sel_views_page::vdy_sel_views_page() : sel_tables_page(L"There are no views selected. Continue anyway?", true) {}

bool vdy_sel_views_page::page_init() {
  tk_log1(tk_log_trace, "vdy_sel_views_page::page_init");
  vandry_converter* converter = vandry_converter::get_instance();
  set_text(caption_id, L"Select MS Access queries to convert into MySQL views.");
  set_caption(available_label_id, L"&Available queries:");
  set_caption(selected_label_id, L"&Selected queries:");
  views_.clear();
  read_source([&] { converter->get_all_views(views_); });
  names_.clear();
  for (const item& view : views_) names_.push_back(view.first);
  do_page_init();
  process_item(converter->selected_views);
  return true;
}

int vdy_sel_views_page::on_next() {
  tk_log1(tk_log_trace, "vdy_sel_views_page::on_next");
  if (!source_was_read() || !store_selection()) return -1;
  item_list chosen;
  for (const std::wstring& name : names_) {
    for (const item& view : views_) {
      if (view.first != name) continue;
      tk_log2(tk_log_detail, L"Found view: '%ls'", name.c_str());
      chosen.push_back(view);
      break;
    }
  }
  vandry_converter::get_instance()->selected_views = chosen;
  return 0;
}

int vdy_sel_views_page::on_back() { return 0; }

void vdy_sel_views_page::on_help() { wizard_shell::get_instance()->display_help(help_topic); }
