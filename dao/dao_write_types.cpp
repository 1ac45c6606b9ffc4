// The column types of new Access tables and the values Access cannot take as they are.
#include "dao/dao_write_types.h"

#include <algorithm>

#include "OLE/ole_exceptions.h"
#include "TK/tk_logger.h"
#include "dao/dao_field.h"
#include "platform/jet/dao.h"

namespace {

// Binary descriptors carrying this marker hold text that must stay text.
constexpr std::uint32_t binary_as_memo = 8;

bool is_binary_kind(VARTYPE vt) { return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == (VT_ARRAY | VT_UI1); }

}  // namespace

int dao_field::get_native_type(const t_ftd& column) {
  tk_log1(tk_log_trace, "dao_field::get_native_type(%d)", static_cast<int>(column.vartype));
  const VARTYPE vt = column.vartype;
  switch (vt) {
    case VT_I2:
    case VT_I1: return dbInteger;
    case VT_I4:
    case VT_UI2: return dbLong;
    case VT_R4: return dbSingle;
    case VT_R8: return dbDouble;
    // A double holds 15 digits: decimals and the integers Access lacks keep every digit as Decimal.
    case VT_DECIMAL:
    case VT_UI4:
    case VT_I8:
    case VT_UI8: return dbDecimal;
    case VT_CY: return dbCurrency;
    case VT_DATE: return dbDate;
    case VT_BSTR: return column.size >= 1 && column.size <= 255 ? dbText : dbMemo;
    case VT_BOOL: return dbBoolean;
    case VT_UI1: return dbByte;
    default: break;
  }
  if (is_binary_kind(vt)) {
    if (column.dw_reserved == binary_as_memo) return dbMemo;
    return column.size >= 1 && column.size <= 255 ? dbBinary : dbLongBinary;
  }
  throw ole_type_exception();
}

dao_decimal_shape dao_get_decimal_shape(const t_ftd& column) {
  if (column.vartype != VT_DECIMAL) return {dao_integer_decimal_precision, 0};
  if (column.precision != 0 && column.precision <= dao_max_decimal_precision) {
    return {static_cast<std::uint8_t>(column.precision),
            static_cast<std::uint8_t>(std::min(column.scale, column.precision))};
  }
  // Unknown, or wider than Access: the widest Decimal, its digits shared so that a value of up to
  // 18 integer digits (as many as the source has, when fewer) still fits. Giving all 28 to the
  // fraction, as a source scale of 28 would, refuses every value from 1 up.
  const std::uint32_t integer_digits =
      column.precision == 0 ? dao_min_integer_digits : column.precision - std::min(column.scale, column.precision);
  const std::uint32_t fraction_room = dao_max_decimal_precision - std::min(integer_digits, dao_min_integer_digits);
  return {dao_max_decimal_precision, static_cast<std::uint8_t>(std::min(column.scale, fraction_room))};
}

bool dao_needs_valid_variant(VARTYPE vt) {
  return vt == VT_I1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_I8 || vt == VT_UI8;
}

ole_variant dao_get_valid_variant(const ole_variant& value) {
  tk_log1(tk_log_trace, "dao_get_valid_variant");
  const VARTYPE vt = value.get_type();
  tk_log1(tk_log_trace, "ole_variant::get_type");
  ole_variant result;
  DECIMAL decimal{};
  switch (vt) {
    case VT_I8:
      tk_log1(tk_log_trace, "Converting BIGINT value to decimal");
      VarDecFromI8(value.get_i8(), &decimal);
      result = ole_variant(decimal);
      break;
    case VT_UI8:
      tk_log1(tk_log_trace, "Converting BIGINT value to decimal");
      VarDecFromUI8(value.get_ui8(), &decimal);
      result = ole_variant(decimal);
      break;
    case VT_UI4:
      tk_log1(tk_log_trace, "Converting VT_UI4 value to decimal");
      VarDecFromUI8(value.get_variant().ulVal, &decimal);
      result = ole_variant(decimal);
      break;
    case VT_UI2:
      tk_log1(tk_log_trace, "Converting VT_UI2 value to integer");
      result = ole_variant::from_string(value.to_string(), VT_I4);
      break;
    case VT_I1:
      tk_log1(tk_log_trace, "Converting VT_I1 value to short");
      result = ole_variant::from_string(value.to_string(), VT_I2);
      break;
    default: return result;
  }
  tk_log1(tk_log_trace, ">>> %s", result.to_string().c_str());
  return result;
}
