// The Access side's checks, which open the source through an Access engine of their own.
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_database.h"
#include "common/acc_converter_impl.h"
#include "dao/dao_engine.h"

namespace {

// The engines tried, newest first.
bool load_any_engine(dao_engine& engine) {
  for (const dao_engine_code code : {dao_code_acc2007, dao_code_acc2000, dao_code_acc97}) {
    if (engine.set_version_if(code)) return true;
  }
  return false;
}

}  // namespace

void acc_converter_impl::apply_security(dao_engine& engine) const {
  if (uses_workgroup()) {
    tk_log1(tk_log_trace, "Just before dao.set_ugl_info");
    engine.set_ugl_info(sysdb, ugl_user, ugl_password);
  } else {
    tk_log1(tk_log_detail, "UGL info NOT found");
    engine.set_anonymous_sys_db();
  }
}

void acc_converter_impl::check_acc_base(const std::wstring& source, const std::wstring& password) {
  tk_log1(tk_log_detail, "acc_converter_impl::check_acc_base");
  if (source.empty()) throw tk_mail_assertion("../common/acc_conv", 25);
  dao_engine engine(true, 0);
  if (!load_any_engine(engine)) {
    throw tk_exception(
        "Failed to load Data Access Objects (DAO) support library.\nMicrosoft Access installation is required to "
        "proceed with\nthe application.\n",
        tk_kind_error);
  }
  apply_security(engine);
  engine.open_db(source, 0xE1, password).reset();
}

bool acc_converter_impl::test_query(const std::wstring& source, const std::wstring& password, const std::wstring& sql) {
  dao_engine engine(true, 0);
  if (!load_any_engine(engine)) return false;
  apply_security(engine);
  try {
    return engine.open_db(source, 0xE1, password)->test_query(sql);
  } catch (const tk_exception& e) {
    tk_log1(tk_log_detail, "test_query: %s", e.what());
    return false;
  }
}
