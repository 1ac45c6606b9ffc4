// One cell value as Jet SQL reads and returns it, and the DAO type codes that describe columns.
// Each kind maps onto one VARIANT type (noted below), so the DAO surface converts without loss.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// DAO's field type codes (Field.Type).
enum jet_dao_type : int {
  jet_type_boolean = 1,       // dbBoolean
  jet_type_byte = 2,          // dbByte
  jet_type_integer = 3,       // dbInteger (16 bits)
  jet_type_long = 4,          // dbLong (32 bits)
  jet_type_currency = 5,      // dbCurrency
  jet_type_single = 6,        // dbSingle
  jet_type_double = 7,        // dbDouble
  jet_type_date = 8,          // dbDate
  jet_type_binary = 9,        // dbBinary
  jet_type_text = 10,         // dbText
  jet_type_long_binary = 11,  // dbLongBinary (OLE object)
  jet_type_memo = 12,         // dbMemo
  jet_type_guid = 15,         // dbGUID
  jet_type_big_int = 16,      // dbBigInt
  jet_type_decimal = 20,      // dbDecimal
};

struct jet_sql_value {
  enum class kind {
    null,      // VT_NULL
    boolean,   // VT_BOOL: `integer` is -1 (True) or 0
    integer,   // VT_UI1 / VT_I2 / VT_I4 / VT_I8 by the column type
    currency,  // VT_CY: `integer` holds the amount times 10000
    real,      // VT_R4 / VT_R8, and VT_DECIMAL read as a number
    date,      // VT_DATE: `real` holds days since 30 December 1899, time as the fraction
    text,      // VT_BSTR
    binary,    // VT_ARRAY | VT_UI1
  };
  kind type = kind::null;
  std::int64_t integer = 0;
  double real = 0;
  std::wstring text;
  std::vector<std::uint8_t> bytes;

  static jet_sql_value null() { return {}; }
  static jet_sql_value boolean(bool b) { return {kind::boolean, b ? -1 : 0, 0, {}, {}}; }
  static jet_sql_value from_integer(std::int64_t i) { return {kind::integer, i, 0, {}, {}}; }
  static jet_sql_value currency(std::int64_t scaled) { return {kind::currency, scaled, 0, {}, {}}; }
  static jet_sql_value from_real(double d) { return {kind::real, 0, d, {}, {}}; }
  static jet_sql_value date(double ole_date) { return {kind::date, 0, ole_date, {}, {}}; }
  static jet_sql_value from_text(std::wstring s) { return {kind::text, 0, 0, std::move(s), {}}; }
  static jet_sql_value binary(std::vector<std::uint8_t> b) { return {kind::binary, 0, 0, {}, std::move(b)}; }

  bool is_null() const { return type == kind::null; }
  bool operator==(const jet_sql_value&) const = default;
};
