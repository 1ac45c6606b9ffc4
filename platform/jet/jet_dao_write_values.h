// What the DAO write members hand to the file writer: the column a new DAO field describes, and
// the stored value of a VARIANT given to Collect, converted by DAO's rules.
#pragma once

#include "platform/jet/dao.h"
#include "platform/jet/jet_dao_errors.h"
#include "platform/jet/write/jet_writer.h"

namespace dao_impl {

// DAO error numbers of the write side.
enum dao_write_error_number : long {
  dao_err_field_too_small = 3163,
  dao_err_invalid_field_type = 3259,
  dao_err_numeric_overflow = 3349,
  dao_err_conversion = 3421,
};

// The column CreateField(name, type, size) describes: `size` counts characters for Text (1 to
// 255) and is ignored for the types of fixed size. Answers 0, or dao_err_invalid_field_type
// for a type the writer does not store, dao_err_invalid_argument for a Text size out of range.
long dao_new_column(const std::wstring& name, short dao_type, long size, jet::jet_new_column& out);

// The value `column` stores for `v` (Empty and Null: jet_null): numbers, dates, booleans and
// text convert into each other as DAO converts them. Answers 0, or dao_err_conversion for a
// value of a kind the column cannot take, dao_err_numeric_overflow for a number out of the
// column's range (or with more decimals than a Decimal column keeps: none is rounded away),
// dao_err_field_too_small for text or bytes longer than the column.
long dao_stored_value(const jet::jet_new_column& column, const VARIANT& v, jet::jet_value& out);

}  // namespace dao_impl
