// Column sizes as the server counts them against its row limits; the numbers were measured
// on MariaDB 10.11 (tests/live/live_row_size_server_test.cpp finds each boundary again).
#include "SQL/sql_row_size.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace {

// The pointer an off-page value leaves in an InnoDB record, and the prefix COMPACT rows keep.
constexpr std::uint32_t kOffPagePointer = 20;
constexpr std::uint32_t kCompactPrefix = 768;

std::wstring upper_ascii(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) {
    if (c >= L'a' && c <= L'z') c = wchar_t(c - L'a' + L'A');
  }
  return out;
}

// The leading word of a type text and the numbers in its first parentheses.
void parse_type(const std::wstring& type, std::wstring& name, std::vector<std::uint32_t>& args) {
  const std::wstring upper = upper_ascii(type);
  std::size_t i = 0;
  while (i < upper.size() && upper[i] == L' ') ++i;
  while (i < upper.size() && (std::iswalnum(upper[i]) || upper[i] == L'_')) name += upper[i++];
  while (i < upper.size() && upper[i] == L' ') ++i;
  if (i >= upper.size() || upper[i] != L'(') return;
  std::uint64_t number = 0;
  bool digits = false;
  for (++i; i < upper.size() && upper[i] != L')'; ++i) {
    if (upper[i] >= L'0' && upper[i] <= L'9') {
      number = number * 10 + std::uint64_t(upper[i] - L'0');
      if (number > 0xFFFFFFFFu) number = 0xFFFFFFFFu;
      digits = true;
    } else if (upper[i] == L',') {
      args.push_back(digits ? std::uint32_t(number) : 0);
      number = 0;
      digits = false;
    }
  }
  if (digits) args.push_back(std::uint32_t(number));
}

std::uint32_t arg(const std::vector<std::uint32_t>& args, std::size_t at, std::uint32_t absent) {
  return at < args.size() ? args[at] : absent;
}

// DECIMAL is stored as groups of nine digits in four bytes, the rest in 1 to 4 bytes.
std::uint32_t decimal_bytes(std::uint32_t precision, std::uint32_t scale) {
  static const std::uint32_t rest[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 4};
  if (scale > precision) scale = precision;
  const std::uint32_t whole = precision - scale;
  return whole / 9 * 4 + rest[whole % 9] + scale / 9 * 4 + rest[scale % 9];
}

sql_column_bytes fixed(std::uint32_t bytes) { return {bytes, bytes}; }

// A value of up to max_bytes bytes whose length is stored with it.
sql_column_bytes variable(std::uint32_t max_bytes, const sql_row_limits& limits) {
  const std::uint64_t wide = max_bytes;
  const std::uint32_t length_bytes = max_bytes > 255 ? 2 : 1;
  sql_column_bytes out;
  out.row = std::uint32_t(std::min<std::uint64_t>(wide + length_bytes, 0xFFFFFFFFu));
  if (max_bytes <= 255) {
    out.page = max_bytes + 1;
  } else if (limits.dynamic) {
    out.page = kOffPagePointer + 1;
  } else {
    out.page = std::min(max_bytes, kCompactPrefix + kOffPagePointer) + 2;
  }
  return out;
}

// A long value (TEXT, BLOB, geometry): its pointer in the row; in InnoDB always off-page.
sql_column_bytes long_value(std::uint32_t row_pointer, const sql_row_limits& limits) {
  return {row_pointer, limits.dynamic ? kOffPagePointer + 1 : kCompactPrefix + kOffPagePointer + 2};
}

// Fractional seconds add a byte for every two digits.
std::uint32_t fraction(const std::vector<std::uint32_t>& args) { return (arg(args, 0, 0) + 1) / 2; }

}  // namespace

sql_row_limits sql_row_limits_for(const std::wstring& engine, std::uint32_t version) {
  sql_row_limits limits;
  const bool mariadb = version >= 0x000A0000;
  limits.counts_page = upper_ascii(engine) == L"INNODB";
  limits.dynamic = version >= (mariadb ? 0x000A0202u : 0x00050709u);
  limits.short_datetime = version >= (mariadb ? 0x000A0102u : 0x00050604u);
  return limits;
}

sql_column_bytes sql_type_bytes(const std::wstring& type, std::uint32_t char_bytes, const sql_row_limits& limits,
                                std::uint32_t fallback) {
  std::wstring name;
  std::vector<std::uint32_t> args;
  parse_type(type, name, args);
  if (char_bytes == 0) char_bytes = 1;

  if (name == L"TINYINT" || name == L"BOOL" || name == L"BOOLEAN" || name == L"YEAR") return fixed(1);
  if (name == L"SMALLINT") return fixed(2);
  if (name == L"MEDIUMINT") return fixed(3);
  if (name == L"INT" || name == L"INTEGER") return fixed(4);
  if (name == L"BIGINT" || name == L"DOUBLE" || name == L"REAL") return fixed(8);
  if (name == L"FLOAT") return fixed(arg(args, 0, 0) > 24 ? 8 : 4);
  if (name == L"DECIMAL" || name == L"NUMERIC" || name == L"DEC")
    return fixed(decimal_bytes(arg(args, 0, 10), arg(args, 1, 0)));
  if (name == L"BIT") return fixed((arg(args, 0, 1) + 7) / 8);
  if (name == L"DATE") return fixed(3);
  if (name == L"TIME") return fixed(3 + fraction(args));
  if (name == L"DATETIME") return fixed((limits.short_datetime ? 5 : 8) + fraction(args));
  if (name == L"TIMESTAMP") return fixed(4 + fraction(args));
  if (name == L"ENUM") return fixed(2);
  if (name == L"SET") return fixed(8);
  if (name == L"BINARY") return fixed(arg(args, 0, 1));
  if (name == L"CHAR" || name == L"NCHAR") {
    const std::uint32_t bytes = arg(args, 0, 1) * char_bytes;
    // InnoDB stores a CHAR of a multi-byte character set like a VARCHAR.
    if (char_bytes == 1) return fixed(bytes);
    return {bytes, variable(bytes, limits).page};
  }
  if (name == L"VARCHAR" || name == L"NVARCHAR")
    return variable(std::uint32_t(std::min<std::uint64_t>(std::uint64_t(arg(args, 0, 0)) * char_bytes, 0xFFFFFFFFu)),
                    limits);
  if (name == L"VARBINARY") return variable(arg(args, 0, 0), limits);
  if (name == L"TINYTEXT" || name == L"TINYBLOB") return long_value(9, limits);
  if (name == L"TEXT" || name == L"BLOB") return long_value(10, limits);
  if (name == L"MEDIUMTEXT" || name == L"MEDIUMBLOB") return long_value(11, limits);
  if (name == L"LONGTEXT" || name == L"LONGBLOB" || name == L"JSON" || name == L"GEOMETRY" || name == L"POINT" ||
      name == L"LINESTRING" || name == L"POLYGON")
    return long_value(12, limits);
  return fixed(fallback);
}

sql_column_bytes sql_row_overhead(std::uint32_t nullable_columns) {
  const std::uint32_t null_flags = (nullable_columns + 7) / 8;
  // Record header 5, transaction id 6, roll pointer 7, row id 6.
  return {null_flags, null_flags + 5 + 6 + 7 + 6};
}
