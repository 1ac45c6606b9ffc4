// The DAO members that write rows, as a recordset over a file opened for reading answers them:
// each reports DAO's "not supported" error. Rows go only into a database made by CreateDatabase.
#pragma once

#include "platform/jet/jet_dao_errors.h"

namespace dao_impl {

HRESULT recordset_put_collect(const error_sink& errors, VARIANT item, VARIANT value);
HRESULT recordset_cancel_update(const error_sink& errors, LONG update_type);

}  // namespace dao_impl
