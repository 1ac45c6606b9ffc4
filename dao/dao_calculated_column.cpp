// The check of a calculated column's ResultType against the types Access stores values in.
#include "dao/dao_calculated_column.h"

#include <string>

#include "TK/tk_utils.h"

namespace {

// The codes of the column types a calculated result can take, as the file gives column types:
// Yes/No 1, Byte 2, Integer 3, Long 4, Currency 5, Single 6, Double 7, Date 8, Text 10, Memo 12,
// Replication ID 15, Decimal 16, Large Number 19, Date/Time Extended 20.
bool known_result_type(unsigned long code) {
  switch (code) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 10:
    case 12:
    case 15:
    case 16:
    case 19:
    case 20: return true;
    default: return false;
  }
}

}  // namespace

std::string dao_result_type_fault(const std::wstring& expression, const std::wstring& result_type) {
  if (expression.empty() || result_type.empty()) return {};
  unsigned long code = 0;
  const bool number = result_type.find_first_not_of(L"0123456789") == std::wstring::npos && result_type.size() <= 9;
  if (number) code = std::stoul(result_type);
  if (number && (code == 0 || known_result_type(code))) return {};
  return "the calculated column's ResultType " + tk_unicode_to_utf8(result_type) +
         " names no known type, so the value was read as the column's stored type and may be wrong";
}
