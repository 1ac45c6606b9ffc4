// Access rows as records of dao_field values.
#include "dao/dao_record.h"

#include "OLE/ole_misc.h"
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "dao/dao_exception.h"
#include "dao/dao_field.h"

dao_record::dao_record(DAOFields* fields, bool value_required) : fields_(fields) {
  if (!fields) throw tk_mail_assertion("dao_rec", 438);
  tk_log1(tk_log_trace, "dao_record::dao_record: n_refs = %u", static_cast<unsigned>(ole_get_ref_count(fields)));
  short count = 0;
  dao_check(fields_->get_Count(&count));
  for (short i = 0; i < count; ++i) {
    ole_variant index(static_cast<unsigned short>(i));
    ole_com_ptr<_DAOField> field;
    dao_check(fields_->get_Item(index.get_variant(), field.out()), field);
    append(std::make_unique<dao_field>(field.get(), value_required));
  }
}

dao_record::~dao_record() = default;

void dao_record::reload() {
  // Every field was made here as a dao_field, and the record is the recordset's own.
  for (auto& field : fields) static_cast<dao_field&>(*field).reload();
}
