// The rows of one batch as a bulk execution binds them: the batch's text and, once split, each
// value's bytes, length and NULL mark, column after column, as array binding wants them; where
// the column allows, the values converted to the column's binary form as well.
#pragma once

#include <mysql.h>

#include <cstddef>
#include <vector>

// Which binary form a column's values may take in a bulk INSERT. A number or a date bound in
// binary form spares the server reading its text, about a tenth of the server's work for a
// table of mostly such columns.
enum class sql_bulk_kind : unsigned char {
  text,      // the value's text, which the server converts as it would a literal
  integer,   // a signed integer, as narrow as the batch's values allow
  real,      // a double
  datetime,  // a MYSQL_TIME
};

// The binary form a column of this client-library type code (MYSQL_FIELD::type) may take:
// integer columns (not BIT or YEAR), FLOAT and DOUBLE, DATETIME. The server stores such a value
// exactly as it stores the text it came from. DECIMAL, TIMESTAMP (read in the session's time
// zone) and every other type stay text.
sql_bulk_kind sql_bulk_kind_of(int mysql_type);

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

  // Set by sql_convert_columns, one entry a column: the type each column is bound as
  // (MYSQL_TYPE_STRING: its text, from values and lengths) and, for a column in binary form,
  // where its rows' values begin: a byte offset into fixed (integers of the type's width,
  // doubles; each column's run aligned to 8 bytes) or an index into times_at (array binding
  // takes a DATETIME column as pointers to its values).
  std::vector<enum_field_types> bound;
  std::vector<std::size_t> first;
  std::vector<unsigned char> fixed;
  std::vector<MYSQL_TIME> times;
  std::vector<MYSQL_TIME*> times_at;
  std::vector<long long> integers;  // one column's integers while they are read

  // Empties the batch, keeping the room of its arrays.
  void clear();
};

// Splits batch.text into columns values a row, unescaping each value in place (the text then
// holds nothing else of use). False, with the batch not split, when the text has no row or a
// row has another number of fields.
bool sql_split_rows(sql_bulk_rows& batch, unsigned columns);

// Converts the values of a split batch's columns to the kinds wanted (one a column; a shorter
// list leaves the rest text). A column is converted when every non-NULL value is the exact text
// of a value of its kind and its values take no more bytes in the request than their texts do,
// which keeps the request inside the server's packet limit the batch was cut for (integers take
// the narrowest type that holds the batch's values). One value that is not of the kind (a
// fraction for an integer, a number past the kind's range, a date that does not exist, any other
// form) leaves the whole column text for this batch, so that the server reads it, and refuses or
// warns, as before.
void sql_convert_columns(sql_bulk_rows& batch, const std::vector<sql_bulk_kind>& wanted);
