// The default value of an Access column as a schema carries it: Access keeps a default as the
// text of an expression ("abc" in quotes, #1/2/2003#, =Now()); the reader keeps literals and the
// current date/time forms, and leaves out any other expression, which no constant can stand for.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"

struct dao_column_default {
  short dao_type = 0;        // the column's DAO type
  std::int32_t size = 0;     // the column's DAO Size (text: characters)
  int column = 0;            // the column's position, for the log
  std::wstring text;         // DefaultValue as Access keeps it
  std::wstring format;       // the Format property, empty when the column has none
  std::uint32_t marker = 0;  // in: the marker so far; out: refined by format and default

  // The default of a table column; refines marker by the Format (date columns) and by the
  // current date/time defaults.
  ole_variant table_default();
  // The default of a query column: quotes and # pairs dropped, marker 1 for dates.
  ole_variant query_default();
};

// Whether an Access default expression is a constant: a quoted text, a number, a #date#, a
// boolean word or Null; on date columns also Now(), Date() and Time(); on text columns also a
// bare text without operators. `text` may still carry its leading "=".
bool dao_default_is_literal(const std::wstring& text, short dao_type);
