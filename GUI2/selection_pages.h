// The two selection pages in sheet order (tables, then views), built together and added to the
// sheet with their headers.
#pragma once

#include "GUI2/vdy_sel_tables_page.h"
#include "GUI2/vdy_sel_views_page.h"

class wizard_shell;

struct selection_pages {
  void add_to(wizard_shell& shell);

  vdy_sel_tables_page tables;
  vdy_sel_views_page views;
};
