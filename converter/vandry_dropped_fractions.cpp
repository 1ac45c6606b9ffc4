// Counting, per column, the values of a table whose fraction of a second was dropped.
#include "converter/vandry_dropped_fractions.h"

#include "TK/tk_utils.h"
#include "UDB/udb_field.h"

void vandry_dropped_fractions::note(const udb_record& row, std::uint64_t record) {
  for (const auto& field : row.fields) {
    if (!field || !field->fraction_dropped) continue;
    column* found = nullptr;
    for (column& c : columns_) {
      if (c.name == field->name) found = &c;
    }
    if (found == nullptr) found = &columns_.emplace_back(column{field->name, 0, record});
    ++found->values;
  }
}

std::string vandry_dropped_fractions::report_text(const column& c) {
  return "Column '" + tk_unicode_to_utf8(c.name) + "': " + std::to_string(c.values) +
         (c.values == 1 ? " value" : " values") +
         " held a fraction of a second, which was dropped (dates are converted to whole seconds); the first in "
         "record #" +
         std::to_string(c.first_record);
}
