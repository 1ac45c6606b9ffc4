// Plain C++ description of what an Access file holds: columns, table definitions, values.
// The reader layer speaks only these types, so the DAO classes and the SQL layer never see libmdb.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// Storage type codes as the file writes them in a column definition.
enum jet_col_type : int {
  jet_bool = 0x01,
  jet_byte = 0x02,
  jet_int = 0x03,
  jet_long = 0x04,
  jet_money = 0x05,
  jet_float = 0x06,
  jet_double = 0x07,
  jet_datetime = 0x08,
  jet_binary = 0x09,
  jet_text = 0x0A,
  jet_ole = 0x0B,
  jet_memo = 0x0C,
  jet_guid = 0x0F,
  jet_numeric = 0x10,
  jet_complex = 0x12,
  jet_bigint = 0x13,
  jet_datetime_ext = 0x14,
};

// File format, from the version byte at offset 20 of the header.
enum class jet_format { jet3, jet4, ace };

struct jet_column {
  std::wstring name;
  int type = 0;             // jet_col_type
  int size = 0;             // bytes as stored (text: bytes, two per character from Jet 4 on)
  int number = 0;           // position among the live columns
  bool fixed = false;       // stored in the fixed part of the row
  bool auto_long = false;   // AutoNumber (long)
  bool auto_guid = false;   // AutoNumber (replication ID)
  bool calculated = false;  // value computed by the engine from an expression (ACE)
  // Calculated columns: the type of the value inside the stored wrapper, as the column's
  // ResultType property names it; 0 when unknown, and the value is read by `type`.
  int result_type = 0;
  int precision = 0;        // numeric only
  int scale = 0;            // numeric only
  std::uint16_t flags = 0;  // the flag bits as stored; the extended flags in the high byte
};

// The type a column's values are read as: a calculated column's result type where its
// ResultType names one (the definition's type byte need not agree), else the stored type.
inline int jet_value_type(const jet_column& c) { return c.calculated && c.result_type != 0 ? c.result_type : c.type; }

// A Decimal value: a 96-bit magnitude (the file keeps 128 bits; the upper 32 are zero in
// every value Access writes), a sign and the column's scale.
struct jet_decimal {
  bool negative = false;
  std::uint8_t scale = 0;
  std::uint8_t precision = 0;
  std::uint32_t hi = 0;
  std::uint64_t lo = 0;
};

struct jet_uuid {
  std::uint8_t bytes[16] = {};
};

struct jet_currency {
  std::int64_t scaled = 0;  // value times 10,000
};

// A date as Access keeps it: days since 1899-12-30, the fraction being the time of day.
struct jet_date {
  double days = 0;
};

// The id that links a row of a complex (attachment, multi-value) column to its hidden table.
struct jet_complex_id {
  std::int32_t id = 0;
};

struct jet_null {};

using jet_bytes = std::vector<std::uint8_t>;

using jet_value = std::variant<jet_null, bool, std::uint8_t, std::int16_t, std::int32_t, std::int64_t, jet_currency,
                               float, double, jet_date, std::wstring, jet_bytes, jet_uuid, jet_decimal, jet_complex_id>;

}  // namespace jet
