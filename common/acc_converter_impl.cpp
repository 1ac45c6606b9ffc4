// The Access side's settings and their profile section.
#include "common/acc_converter_impl.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"

namespace {
const std::wstring kSection = L"MS Access settings";
}

acc_converter_impl::acc_converter_impl() { tk_log1(tk_log_detail, "acc_converter_impl::ctor"); }

void acc_converter_impl::store_ugl_settings(const std::wstring& file, const std::wstring& user,
                                            const std::wstring& password) {
  tk_log2(tk_log_detail, L"acc_converter_impl::store_ugl_settings(%ls,%ls,%ls)", file.c_str(), user.c_str(),
          password.empty() ? L"" : L"***");
  sysdb = tk_trim(file);
  ugl_user = tk_trim(user);
  ugl_password = tk_trim(password);
}

void acc_converter_impl::load_profile(const udb_profile& profile) {
  const std::pair<const wchar_t*, std::wstring*> keys[] = {
      {L"workgroup user", &ugl_user},
      {L"workgroup password", &ugl_password},
      {L"workgroup file", &sysdb},
      {L"database password", &acc_pswd},
  };
  for (const auto& [key, field] : keys) {
    std::wstring value = profile.get_value(kSection, key);
    if (!value.empty()) *field = value;
  }
}

void acc_converter_impl::store_profile(udb_profile& profile) const {
  profile.add_value(kSection, L"workgroup file", sysdb);
  profile.add_value(kSection, L"workgroup user", ugl_user);
  profile.add_value(kSection, L"workgroup password", ugl_password);
  profile.add_value(kSection, L"database password", acc_pswd);
}
