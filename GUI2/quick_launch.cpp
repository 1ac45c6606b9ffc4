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
  if (!converter.load_profile(profile))
    throw tk_exception("Cannot load conversion settings from '" + path + "'", tk_kind_error);
  converter.check_acc_base(converter.src, converter.acc_pswd);
  if (converter.direct) converter.connect_mysql_server();
  converter.check_dest();
}
