// dao_record: one Access row, a record of dao_field values built from a DAO Fields collection.
#pragma once

#include "UDB/udb_field.h"
#include "dao/ole_com_ptr.h"
#include "platform/jet/dao.h"

class dao_record : public udb_record {
 public:
  // One field per column in column order; value_required as for dao_field. A null collection is
  // an internal error.
  explicit dao_record(DAOFields* fields, bool value_required = true);
  ~dao_record() override;

  // Reads every value again from the row the collection's recordset stands on now: a recordset
  // walks its rows with one record rather than building one a row.
  void reload();

 private:
  ole_com_ptr<DAOFields> fields_;
};
