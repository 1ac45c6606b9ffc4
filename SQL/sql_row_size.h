// How many bytes a column takes in a row as a MySQL server counts them when it creates a table:
// a row the server counts too wide is refused (error 1118) and the table is lost with its rows.
#pragma once

#include <cstdint>
#include <string>

// Where a table is created: which of the server's row limits apply and how columns are stored.
struct sql_row_limits {
  // The server's own limit for every engine: the columns' stored sizes (a long value by its
  // pointer only), their length bytes and the NULL flags, 65535 bytes at most.
  std::uint32_t max_row = 65535;
  // InnoDB also keeps a whole record within half a page (16 KB pages): a record of this many
  // bytes or more is refused while innodb_strict_mode is on, as it is by default.
  bool counts_page = false;
  std::uint32_t page_limit = 8126;
  // DYNAMIC rows (the default from MySQL 5.7.9 and MariaDB 10.2.2) may move any value longer
  // than 255 bytes off the page, leaving a 20-byte pointer; COMPACT rows, the older default,
  // keep its first 768 bytes in the page as well.
  bool dynamic = true;
  // DATETIME takes 5 bytes from MySQL 5.6.4 and MariaDB 10.1.2 on, 8 bytes before.
  bool short_datetime = true;
};

// The server version a dump file's rows are measured for when it must load into any current
// server: MySQL 5.7.9, the first to store InnoDB rows DYNAMIC by default.
constexpr std::uint32_t sql_dump_row_version = 0x00050709;

// The limits for tables of a storage engine ("InnoDB", "MyISAM"...) on a server of the coded
// version 0x00MMmmpp.
sql_row_limits sql_row_limits_for(const std::wstring& engine, std::uint32_t version);

// One column's share of the two counts.
struct sql_column_bytes {
  // In the server's count against max_row.
  std::uint32_t row = 0;
  // In InnoDB's count against page_limit, its length bytes included.
  std::uint32_t page = 0;
};

// The bytes of a column whose definition writes the type text type ("VARCHAR(50) BINARY",
// "DECIMAL(19,4)", "LONGTEXT", "INT UNSIGNED"); char_bytes: the longest character of the
// column's character set. A type the table does not know counts fallback bytes in both.
sql_column_bytes sql_type_bytes(const std::wstring& type, std::uint32_t char_bytes, const sql_row_limits& limits,
                                std::uint32_t fallback);

// What a row costs beside its columns: the NULL flags of nullable columns, and in InnoDB the
// record header, the transaction id and roll pointer, and the 6-byte row id a table without a
// primary key gets (counted always: an index may yet be left out of the statement).
sql_column_bytes sql_row_overhead(std::uint32_t nullable_columns);
