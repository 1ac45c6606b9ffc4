// The six settings pages in sheet order (welcome, dump file, server, workgroup, select
// databases, conversion settings), built together and added to the sheet with their headers.
#pragma once

#include <string>

#include "GUI2/conversion_settings.h"
#include "GUI2/dump_page.h"
#include "GUI2/mysql_settings_page.h"
#include "GUI2/sel_file_page.h"
#include "GUI2/ugl_page.h"
#include "GUI2/welcome_page.h"

class wizard_shell;

struct settings_pages {
  explicit settings_pages(const std::wstring& profile_extension) : welcome(profile_extension) {}
  void add_to(wizard_shell& shell);

  welcome_page welcome;
  dump_page dump;
  mysql_settings_page server;
  ugl_page workgroup;
  sel_file_page databases;
  conversion_settings conversion;
};
