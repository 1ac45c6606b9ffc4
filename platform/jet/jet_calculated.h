// Calculated columns: the type their values are stored in, which the column's ResultType
// property names. The table definition's type byte need not agree with it (Access itself may
// give a Currency result the Double byte), so values are read by the property.
#pragma once

#include <vector>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_props.h"
#include "platform/jet/jet_types.h"

namespace jet {

// What a column's properties say of its calculation.
struct jet_calculation {
  bool has_expression = false;
  int result_type = 0;  // the ResultType property as stored; 0 when the column has none
};
jet_calculation jet_calculation_of(const std::vector<jet_property>& properties);

// Whether a calculated column's values can be of this type and read from their wrapper.
bool jet_known_result_type(int type);

// A column with an expression and a result type is calculated. Its values are read as that
// result type when it is a known one; an unknown one leaves them to the definition's type byte.
void jet_apply_calculation(jet_column& column, const jet_calculation& calculation);

// jet_apply_calculation for every column of a table, from the table's property blob (LvProp).
void jet_apply_calculations(const jet_file& file, const jet_bytes& table_properties, std::vector<jet_column>& columns);

}  // namespace jet
