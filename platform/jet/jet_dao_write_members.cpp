// Row-writing members of a recordset over a file opened for reading: refused.
#include "platform/jet/jet_dao_write_members.h"

namespace dao_impl {

HRESULT recordset_put_collect(const error_sink& errors, VARIANT, VARIANT) {
  return errors->fail(dao_err_not_supported);
}

HRESULT recordset_cancel_update(const error_sink& errors, LONG) { return errors->fail(dao_err_not_supported); }

}  // namespace dao_impl
