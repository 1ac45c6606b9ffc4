// Step 5: the source tables to convert and the user's added queries. Each activation rebuilds
// both lists from the converter (the stored tables, added queries and the queries set aside);
// Next stores them back and goes to the views page only when views will be made.
#pragma once

#include "GUI2/sel_tables_page_tm.h"

class vdy_sel_tables_page : public sel_tables_page_tm {
 public:
  static constexpr std::uint32_t help_topic = 1015;

  vdy_sel_tables_page();

  bool page_init() override;
  int on_next() override;
  int on_back() override;
  void on_help() override;
};
