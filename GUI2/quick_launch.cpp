// Quick launch.
#include "GUI2/quick_launch.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"

void prepare_quick_launch(vandry_converter& converter, const std::wstring& profile) {
  const std::string path = tk_unicode_to_utf8(profile);
  tk_log1(tk_log_detail, "QUICK LAUNCH: profile=%s", path.c_str());
  // A profile that loads only in part would run with a mix of its settings and the stored ones
  // (a server target where the profile asked for a dump): nothing runs instead.
  bool loaded = false;
  try {
    loaded = converter.load_profile(profile);
  } catch (const tk_exception& e) {
    // The user ran the program on this path: the message names it.
    throw tk_exception(std::string(e.what()) + " Path: " + path, e.kind());
  }
  if (!loaded) throw tk_exception("Cannot load conversion settings from '" + path + "'", tk_kind_error);
  // The run converts what the profile names; with nothing named it would still clear the
  // destination first (a whole database in mode 0, the dump file) and report success.
  if (converter.items.empty() && converter.selected_tables.empty())
    throw tk_exception("The profile '" + path + "' selects no tables: there is nothing to convert.", tk_kind_error);
  converter.check_acc_base(converter.src, converter.acc_pswd);
  if (converter.direct) converter.connect_mysql_server();
  converter.check_dest();
}
