// The tables page's way into the column editor: a double click on a selected source table opens
// the editor for it.
#pragma once

#include <string>

#include "GUI2/sel_tables_page_ex.h"

class sel_tables_page_tm : public sel_tables_page_ex {
 public:
  using sel_tables_page_ex::sel_tables_page_ex;

 protected:
  void on_edit_table(const std::wstring& name) override;
};
