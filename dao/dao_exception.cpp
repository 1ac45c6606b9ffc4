// The DAO engine's current error as an exception of the system's family.
#include "dao/dao_exception.h"

#include "OLE/ole_variant.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/dao_bstr.h"
#include "dao/dao_engine.h"

namespace {

[[noreturn]] void unreadable(int step) {
  tk_log1(tk_log_trace, "Failed on step #%d", step);
  throw tk_exception(tk_kind_error);
}

}  // namespace

dao_exception::dao_exception() : tk_exception(tk_kind_continuable) {
  tk_log1(tk_log_detail, "dao_exception::dao_exception");
  dao_engine* engine = dao_engine::current();
  ole_com_ptr<DAOErrors> errors;
  if (!engine->get_db_engine() || FAILED(engine->get_db_engine()->get_Errors(errors.out())) || !errors) unreadable(1);
  ole_com_ptr<DAOError> error;
  ole_variant first(0);
  if (FAILED(errors->get_Item(first.get_variant(), error.out())) || !error) unreadable(2);
  dao_bstr description;
  if (FAILED(error->get_Description(description.out()))) unreadable(3);
  message_ = tk_unicode_to_mbcs(description.text(), tk_ansi_code_page);
  tk_log1(tk_log_detail, "Got error: %s", message_.c_str());
  LONG number = 0;
  if (FAILED(error->get_Number(&number))) unreadable(4);
  code_ = 0x10000u | (static_cast<std::uint32_t>(number) & 0xFFFFu);
  tk_log1(tk_log_detail, "Got error code: %08X", static_cast<unsigned>(code_));
}

void dao_check(HRESULT hr) {
  if (FAILED(hr)) throw dao_exception();
}
