#include "GUI2/settings_load.h"

#include "GUI2/page_error_text.h"
#include "GUI2/settings_snapshot.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "converter/vandry_converter.h"

std::wstring load_settings_file(vandry_converter& converter, const std::wstring& path) {
  settings_snapshot before(converter);
  // A profile names the whole selection of its conversion: what was selected before is not part
  // of it.
  converter.selected_tables.clear();
  converter.items.clear();
  converter.selected_views.clear();
  converter.available_queries.clear();
  std::wstring failure;
  try {
    if (!converter.load_profile(path)) failure = L"Cannot load conversion settings from '" + path + L"'";
  } catch (const tk_exception& e) {
    failure = L"Cannot load conversion settings from '" + path + L"':\n" + page_error_text(e);
  }
  if (!failure.empty()) {
    tk_log2(tk_log_event, L"%ls", failure.c_str());
    before.restore();
  }
  return failure;
}
