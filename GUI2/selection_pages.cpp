#include "GUI2/selection_pages.h"

#include "GUI2/wizard_shell.h"

void selection_pages::add_to(wizard_shell& shell) {
  shell.add_page(&tables, ui_page_options{L"Step 5 of 7", L"Select tables to convert", false, true});
  shell.add_page(&views, ui_page_options{L"Step 6 of 7", L"Select queries to convert", false, true});
}
