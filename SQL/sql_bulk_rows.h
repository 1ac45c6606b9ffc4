// The rows of one batch as a bulk execution binds them: the batch's text and, once split, each
// value's bytes, length and NULL mark, column after column, as array binding wants them.
#pragma once

#include <mysql.h>

#include <cstddef>
#include <vector>

struct sql_bulk_rows {
  // Rows in LOAD DATA's default text form (fields ended by a tab, rows by a newline, backslash
  // escapes, \N for NULL). A vector, not a string: the values point into it, and a vector
  // keeps its bytes where they are when it is moved or swapped.
  std::vector<char> text;
  // Set by sql_split_rows; columns 0 means the text is not split.
  unsigned columns = 0;
  std::size_t rows = 0;
  // rows * columns entries each, column after column.
  std::vector<const char*> values;
  std::vector<unsigned long> lengths;
  std::vector<char> indicators;  // STMT_INDICATOR_NONE or STMT_INDICATOR_NULL

  // Empties the batch, keeping the room of its arrays.
  void clear();
};

// Splits batch.text into columns values a row, unescaping each value in place (the text then
// holds nothing else of use). False, with the batch not split, when the text has no row or a
// row has another number of fields.
bool sql_split_rows(sql_bulk_rows& batch, unsigned columns);
