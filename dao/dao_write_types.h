// The types and values of columns written into a new Access table: Access has no 64-bit or
// unsigned integers, so those go where no digit is lost.
#pragma once

#include <cstdint>

#include "OLE/ole_variant.h"
#include "UDB/udb_schema.h"

// Precision and scale of a Decimal column.
struct dao_decimal_shape {
  std::uint8_t precision = 0;
  std::uint8_t scale = 0;
};

// The widest Decimal Access holds.
constexpr std::uint8_t dao_max_decimal_precision = 28;
// The integer digits a Decimal of unknown or too wide a shape keeps room for.
constexpr std::uint32_t dao_min_integer_digits = 18;
// The digits of the largest 64-bit integer, signed or not.
constexpr std::uint8_t dao_integer_decimal_precision = 20;

// The Decimal shape of a descriptor that get_native_type makes a Decimal column: the 64-bit and
// unsigned 32-bit integers get (20, 0); a decimal its own precision and scale when Access holds
// them, else precision 28 with room for at least 18 integer digits.
dao_decimal_shape dao_get_decimal_shape(const t_ftd& column);

// A value of a kind Access cannot store as it is, changed to one it can: VT_I1 to VT_I2, VT_UI2
// to VT_I4, and VT_UI4, VT_I8 and VT_UI8 to VT_DECIMAL (a double would round them). Any other
// kind answers an empty value.
ole_variant dao_get_valid_variant(const ole_variant& value);

// Whether dao_get_valid_variant changes values of this kind.
bool dao_needs_valid_variant(VARTYPE vt);
