// The values of a split batch converted to their columns' binary forms, where each value's text
// is exactly such a value: the server then stores what it would have read from the text.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "OLE/ole_date.h"
#include "SQL/sql_bulk_rows.h"

sql_bulk_kind sql_bulk_kind_of(int mysql_type) {
  switch (mysql_type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG: return sql_bulk_kind::integer;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE: return sql_bulk_kind::real;
    case MYSQL_TYPE_DATETIME: return sql_bulk_kind::datetime;
    default: return sql_bulk_kind::text;
  }
}

namespace {

// The whole text is one number: from_chars takes no sign '+', no space and no other form the
// server might read differently, and refuses a value past the type's range.
template <typename Number>
bool parse_whole(const char* text, unsigned long length, Number& value) {
  const auto [end, error] = std::from_chars(text, text + length, value);
  return error == std::errc() && end == text + length;
}

bool parse_real(const char* text, unsigned long length, double& value) {
  // "inf" and "nan" are no values the server reads.
  return parse_whole(text, length, value) && std::isfinite(value);
}

bool parse_digits(const char* text, int count, unsigned& value) {
  value = 0;
  for (int k = 0; k < count; ++k) {
    if (text[k] < '0' || text[k] > '9') return false;
    value = value * 10 + static_cast<unsigned>(text[k] - '0');
  }
  return true;
}

// "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" for midnight (the form a date without a time is
// written in), a day of the calendar from year 1, and nothing else: no zero date, no fraction
// of a second, no other form.
bool parse_datetime(const char* text, unsigned long length, MYSQL_TIME& value) {
  if ((length != 10 && length != 19) || text[4] != '-' || text[7] != '-') return false;
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!parse_digits(text, 4, year) || !parse_digits(text + 5, 2, month) || !parse_digits(text + 8, 2, day))
    return false;
  if (length == 19 && (text[10] != ' ' || text[13] != ':' || text[16] != ':' || !parse_digits(text + 11, 2, hour) ||
                       !parse_digits(text + 14, 2, minute) || !parse_digits(text + 17, 2, second)))
    return false;
  if (year == 0 || month == 0 || month > 12 || day == 0 || day > ole_days_in_month(static_cast<int>(year), month) ||
      hour > 23 || minute > 59 || second > 59)
    return false;
  std::memset(&value, 0, sizeof value);
  value.year = year;
  value.month = month;
  value.day = day;
  value.hour = hour;
  value.minute = minute;
  value.second = second;
  value.time_type = MYSQL_TIMESTAMP_DATETIME;
  return true;
}

// The bytes a value's text takes in the request: its length, length-encoded, then the text.
std::size_t text_bytes(unsigned long length) {
  const std::size_t prefix = length < 251 ? 1 : length < 65536 ? 3 : length < 16777216 ? 4 : 9;
  return prefix + length;
}

// Room for bytes more at the end of fixed, from an offset aligned to 8 bytes (the library reads
// each value in place, as its type); the offset.
std::size_t open_run(std::vector<unsigned char>& fixed, std::size_t bytes) {
  const std::size_t at = (fixed.size() + 7) / 8 * 8;
  fixed.resize(at + bytes);
  return at;
}

// Reads each non-NULL value of the column at base with read(text, length, row), adding the bytes
// its text takes in the request to text_total; false at the first value read refuses.
template <typename Read>
bool read_column(const sql_bulk_rows& batch, std::size_t base, std::size_t& text_total, Read read) {
  text_total = 0;
  for (std::size_t r = 0; r < batch.rows; ++r) {
    if (batch.indicators[base + r] == STMT_INDICATOR_NULL) continue;
    const unsigned long length = batch.lengths[base + r];
    if (!read(batch.values[base + r], length, r)) return false;
    text_total += text_bytes(length);
  }
  return true;
}

template <typename Int>
void store_integers(sql_bulk_rows& batch, std::size_t at) {
  for (std::size_t r = 0; r < batch.rows; ++r) {
    const Int value = static_cast<Int>(batch.integers[r]);
    std::memcpy(batch.fixed.data() + at + r * sizeof(Int), &value, sizeof(Int));
  }
}

bool convert_integers(sql_bulk_rows& batch, std::size_t base, enum_field_types& type, std::size_t& at) {
  batch.integers.assign(batch.rows, 0);
  long long low = 0, high = 0;
  std::size_t text = 0, present = 0;
  const bool read = read_column(batch, base, text, [&](const char* value, unsigned long length, std::size_t r) {
    long long& number = batch.integers[r];
    if (!parse_whole(value, length, number)) return false;
    low = present == 0 ? number : std::min(low, number);
    high = present == 0 ? number : std::max(high, number);
    ++present;
    return true;
  });
  if (!read) return false;
  std::size_t width = 8;
  type = MYSQL_TYPE_LONGLONG;
  if (low >= INT8_MIN && high <= INT8_MAX) {
    type = MYSQL_TYPE_TINY;
    width = 1;
  } else if (low >= INT16_MIN && high <= INT16_MAX) {
    type = MYSQL_TYPE_SHORT;
    width = 2;
  } else if (low >= INT32_MIN && high <= INT32_MAX) {
    type = MYSQL_TYPE_LONG;
    width = 4;
  }
  if (present * width > text) return false;
  at = open_run(batch.fixed, batch.rows * width);
  switch (width) {
    case 1: store_integers<std::int8_t>(batch, at); break;
    case 2: store_integers<std::int16_t>(batch, at); break;
    case 4: store_integers<std::int32_t>(batch, at); break;
    default: store_integers<std::int64_t>(batch, at); break;
  }
  return true;
}

bool convert_reals(sql_bulk_rows& batch, std::size_t base, std::size_t& at) {
  const std::size_t end = batch.fixed.size();
  at = open_run(batch.fixed, batch.rows * sizeof(double));
  std::size_t text = 0, binary = 0;
  const bool read = read_column(batch, base, text, [&](const char* value, unsigned long length, std::size_t r) {
    double number = 0;
    if (!parse_real(value, length, number)) return false;
    std::memcpy(batch.fixed.data() + at + r * sizeof(double), &number, sizeof(double));
    binary += sizeof(double);
    return true;
  });
  if (read && binary <= text) return true;
  batch.fixed.resize(end);
  return false;
}

bool convert_datetimes(sql_bulk_rows& batch, std::size_t base, std::size_t& at) {
  at = batch.times.size();
  batch.times.resize(at + batch.rows, MYSQL_TIME{});
  std::size_t text = 0, binary = 0;
  const bool read = read_column(batch, base, text, [&](const char* value, unsigned long length, std::size_t r) {
    MYSQL_TIME& time = batch.times[at + r];
    if (!parse_datetime(value, length, time)) return false;
    // A length byte, then the date alone or the date and the time.
    binary += 1 + (time.hour != 0 || time.minute != 0 || time.second != 0 ? 7 : 4);
    return true;
  });
  if (read && binary <= text) return true;
  batch.times.resize(at);
  return false;
}

}  // namespace

void sql_convert_columns(sql_bulk_rows& batch, const std::vector<sql_bulk_kind>& wanted) {
  const unsigned columns = batch.columns;
  batch.bound.assign(columns, MYSQL_TYPE_STRING);
  batch.first.assign(columns, 0);
  batch.fixed.clear();
  batch.times.clear();
  batch.times_at.clear();
  for (unsigned c = 0; c < columns && c < wanted.size(); ++c) {
    const std::size_t base = static_cast<std::size_t>(c) * batch.rows;
    enum_field_types type = MYSQL_TYPE_STRING;
    std::size_t at = 0;
    switch (wanted[c]) {
      case sql_bulk_kind::text: break;
      case sql_bulk_kind::integer:
        if (!convert_integers(batch, base, type, at)) type = MYSQL_TYPE_STRING;
        break;
      case sql_bulk_kind::real: type = convert_reals(batch, base, at) ? MYSQL_TYPE_DOUBLE : MYSQL_TYPE_STRING; break;
      case sql_bulk_kind::datetime:
        type = convert_datetimes(batch, base, at) ? MYSQL_TYPE_DATETIME : MYSQL_TYPE_STRING;
        break;
    }
    batch.bound[c] = type;
    batch.first[c] = at;
  }
  // The pointers are taken once the array of times no longer grows.
  batch.times_at.reserve(batch.times.size());
  for (MYSQL_TIME& time : batch.times) batch.times_at.push_back(&time);
}
