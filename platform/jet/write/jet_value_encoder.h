// The stored bytes of one value for a column of a given type, as a Jet 4 row holds them:
// numbers little-endian, Currency as a scaled 64-bit integer, dates as doubles, Decimals as a
// sign byte and a 128-bit magnitude, text as uncompressed UTF-16. Values of a neighbouring
// type are converted when nothing is lost; anything else is a DAO error.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_table_shape.h"

namespace jet {

// DAO errors a value can raise.
constexpr long jet_err_conversion = 3421;       // "Data type conversion error."
constexpr long jet_err_overflow = 3349;         // "Numeric field overflow."
constexpr long jet_err_field_too_small = 3163;  // text or binary longer than the column
constexpr long jet_err_record_too_large = 3047;

// Bytes of a fixed-width column's value (exactly the column's length). Not for Booleans.
void jet_encode_fixed(const jet_column_shape& column, const jet_value& value, std::uint8_t* out);

// Bytes of a text or binary column's value; for memo and OLE, the value itself before it is
// stored as a long value.
std::vector<std::uint8_t> jet_encode_variable(const jet_column_shape& column, const jet_value& value);

// A Boolean column's value (the bit the null mask keeps).
bool jet_encode_bool(const jet_value& value);

}  // namespace jet
