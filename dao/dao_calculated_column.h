// Calculated columns whose ResultType property names no type: their values are read by the
// column's stored type instead, and may then be wrong, so every such value is reported.
#pragma once

#include <string>

// Why the values of a column with these Expression and ResultType property texts may be read
// wrong (UTF-8, for the run's report); empty for a column that is not calculated (no
// expression, or no result type) and for one whose result type is known.
std::string dao_result_type_fault(const std::wstring& expression, const std::wstring& result_type);
