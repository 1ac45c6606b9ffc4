// Step 6: the source's select queries to make into MySQL views, in the order the user gives
// them (a view may use one made before it). Each activation rebuilds the lists from the source
// and the converter's stored views; Next stores the chosen views in the right list's order.
#pragma once

#include "GUI2/sel_tables_page.h"

class vdy_sel_views_page : public sel_tables_page {
 public:
  static constexpr std::uint32_t help_topic = 1026;

  vdy_sel_views_page();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;

 private:
  item_list views_;
};
