// LOAD DATA text split into the column arrays of a bulk execution.
#include "SQL/sql_bulk_rows.h"

#include <algorithm>
#include <cstring>

void sql_bulk_rows::clear() {
  text.clear();
  columns = 0;
  rows = 0;
  values.clear();
  lengths.clear();
  indicators.clear();
  bound.clear();
  first.clear();
  fixed.clear();
  times.clear();
  times_at.clear();
  integers.clear();
}

bool sql_split_rows(sql_bulk_rows& batch, unsigned columns) {
  batch.columns = 0;
  batch.bound.clear();
  batch.rows = 0;
  std::vector<char>& text = batch.text;
  const std::size_t count = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  if (count == 0 || columns == 0) return false;
  const std::size_t values = count * columns;
  batch.values.assign(values, nullptr);
  batch.lengths.assign(values, 0);
  batch.indicators.assign(values, STMT_INDICATOR_NONE);
  // Unescaping never lengthens a value, so each value is written over its own text, which the
  // reading has passed.
  char* const data = text.data();
  const std::size_t size = text.size();
  char* out = data;
  char* start = out;
  std::size_t row = 0;
  unsigned column = 0;
  bool null = false;
  std::size_t i = 0;
  while (i < size) {
    // A run of plain bytes goes whole; it has to move only once an escape has shortened the text.
    std::size_t end = i;
    while (end < size && data[end] != '\t' && data[end] != '\n' && data[end] != '\\') ++end;
    if (out != data + i) std::memmove(out, data + i, end - i);
    out += end - i;
    if (end == size) break;
    i = end;
    const char c = data[i++];
    if (c == '\t' || c == '\n') {
      if (row >= count || column >= columns) return false;
      const std::size_t at = column * count + row;
      batch.values[at] = start;
      batch.lengths[at] = static_cast<unsigned long>(out - start);
      if (null) batch.indicators[at] = STMT_INDICATOR_NULL;
      null = false;
      start = out;
      if (c == '\t') {
        ++column;
        continue;
      }
      if (column + 1 != columns) return false;
      column = 0;
      ++row;
      continue;
    }
    // A backslash that ends the text stands for itself.
    if (i == size) {
      *out++ = c;
      break;
    }
    const char next = data[i++];
    // \N alone is NULL; the other escapes are LOAD DATA's own.
    if (next == 'N' && out == start && (i == size || data[i] == '\t' || data[i] == '\n')) {
      null = true;
      continue;
    }
    switch (next) {
      case '0': *out++ = '\0'; break;
      case 'b': *out++ = '\b'; break;
      case 'n': *out++ = '\n'; break;
      case 'r': *out++ = '\r'; break;
      case 't': *out++ = '\t'; break;
      case 'Z': *out++ = '\x1a'; break;
      default: *out++ = next; break;
    }
  }
  if (row != count || column != 0) return false;
  batch.columns = columns;
  batch.rows = count;
  return true;
}
