#include "GUI2/settings_pages.h"

#include "GUI2/wizard_shell.h"

void settings_pages::add_to(wizard_shell& shell) {
  shell.add_page(&welcome, ui_page_options{L"", L"", true, true});
  shell.add_page(&dump, ui_page_options{L"Step 1 of 7", L"MySQL dump file settings", false, true});
  shell.add_page(&server, ui_page_options{L"Step 1 of 7", L"Connect to MySQL server", false, true});
  shell.add_page(&workgroup, ui_page_options{L"Step 2 of 7", L"MS Access user-level security settings", false, true});
  shell.add_page(&databases, ui_page_options{L"Step 3 of 7", L"Select databases", false, true});
  shell.add_page(&conversion, ui_page_options{L"Step 4 of 7", L"Specify conversion settings", false, true});
}
