// The tables page.
#include "GUI2/vdy_sel_tables_page.h"

#include "GUI2/progress_page.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/vandry_converter.h"

vdy_sel_tables_page::vdy_sel_tables_page()
    : sel_tables_page_tm(L"There are no tables selected. Continue anyway?", false) {}

bool vdy_sel_tables_page::page_init() {
  tk_log1(tk_log_trace, "vdy_sel_tables_page::page_init");
  vandry_converter* converter = vandry_converter::get_instance();
  set_text(caption_id,
           L"Select MS Access tables to convert into MySQL format. Double click on an item in\r\n'Selected tables' "
           L"list to edit it.");
  set_caption(available_label_id, L"&Available tables:");
  set_caption(selected_label_id, L"&Selected tables:");
  names_.clear();
  read_source([&] { converter->get_all_tables(names_); });
  do_page_init();
  show(add_query_id, true);
  selected_queries_.clear();
  // Next keeps the tables apart from the added queries: both come back.
  item_list tables;
  for (const std::wstring& table : converter->selected_tables) tables.emplace_back(table, L"");
  process_item(tables);
  process_item(converter->items);
  available_queries_.clear();
  for (const item& query : converter->available_queries) {
    if (query.second.empty() || find_exact(available_id, query.first, true) >= 0 ||
        find_exact(selected_id, query.first, true) >= 0) {
      continue;
    }
    list_add(available_id, query.first);
    available_queries_.push_back(query);
  }
  return true;
}

int vdy_sel_tables_page::on_next() {
  tk_log1(tk_log_trace, "vdy_sel_tables_page::on_next");
  if (!source_was_read() || !store_selection()) return -1;
  vandry_converter* converter = vandry_converter::get_instance();
  converter->selected_tables = names_;
  converter->items = selected_queries_;
  converter->available_queries = available_queries_;
  if (!converter->can_create_views() || !converter->convert_views) return progress_page::dialog_id;
  udb_database::view_list views;
  if (!read_source([&] { converter->get_all_views(views); })) return -1;
  return views.empty() ? progress_page::dialog_id : 0;
}

int vdy_sel_tables_page::on_back() { return 0; }

void vdy_sel_tables_page::on_help() { wizard_shell::get_instance()->display_help(help_topic); }
