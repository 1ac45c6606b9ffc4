// Calculated columns: the result type of their values, from the ResultType property.
#include "platform/jet/jet_calculated.h"

#include "platform/jet/jet_catalog.h"

namespace jet {

namespace {

int property_number(const jet_value& v) {
  if (const auto* b = std::get_if<std::uint8_t>(&v)) return *b;
  if (const auto* i = std::get_if<std::int16_t>(&v)) return *i;
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  return 0;
}

}  // namespace

jet_calculation jet_calculation_of(const std::vector<jet_property>& properties) {
  jet_calculation c;
  for (const auto& p : properties) {
    if (jet_compare_names(p.name, L"ResultType") == 0)
      c.result_type = property_number(p.value);
    else if (jet_compare_names(p.name, L"Expression") == 0)
      c.has_expression = true;
  }
  return c;
}

bool jet_known_result_type(int type) {
  switch (type) {
    case jet_bool:
    case jet_byte:
    case jet_int:
    case jet_long:
    case jet_money:
    case jet_float:
    case jet_double:
    case jet_datetime:
    case jet_text:
    case jet_memo:
    case jet_guid:
    case jet_numeric:
    case jet_bigint:
    case jet_datetime_ext: return true;
    // Binary, OLE and complex values are never the result of an expression.
    default: return false;
  }
}

void jet_apply_calculation(jet_column& column, const jet_calculation& calculation) {
  // Every ACE column carries a ResultType; only those with an Expression are calculated.
  if (!calculation.has_expression || calculation.result_type == 0) return;
  column.calculated = true;
  column.result_type = jet_known_result_type(calculation.result_type) ? calculation.result_type : 0;
}

void jet_apply_calculations(const jet_file& file, const jet_bytes& table_properties, std::vector<jet_column>& columns) {
  if (table_properties.empty()) return;
  const std::vector<jet_property_block> blocks = jet_parse_properties(file, table_properties);
  for (jet_column& column : columns)
    for (const jet_property_block& b : blocks)
      if (!b.owner.empty() && jet_compare_names(b.owner, column.name) == 0) {
        jet_apply_calculation(column, jet_calculation_of(b.properties));
        break;
      }
}

}  // namespace jet
