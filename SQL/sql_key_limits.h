// How long an index key may be on a MySQL server, in bytes, and how many bytes one character
// of a character set can take: the server refuses a longer key (error 1071) and the table with it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The longest character of a character set, in bytes ("utf8mb4" 4, "utf8" 3, "latin1" 1).
// An unknown or empty name answers 4, the widest character any set takes, so that an index
// the server might refuse is never let through.
std::uint32_t sql_charset_max_bytes(const std::wstring& charset);

// The longest key a storage engine takes, in bytes, on a server of the coded version
// 0x00MMmmpp: InnoDB 3072 from MySQL 5.7.7 and MariaDB 10.2.2 on (large prefixes and the
// DYNAMIC row format are the default there), 767 before; MyISAM, Aria and any other engine 1000;
// any engine of a server before 4.1.0 256.
std::uint32_t sql_max_key_bytes(const std::wstring& engine, std::uint32_t version);

// The server version a dump file is written for when it must fit any current server:
// MySQL 5.7.7, the oldest server whose InnoDB takes 3072-byte keys.
constexpr std::uint32_t sql_dump_key_version = 0x00050707;

// What keys one table can take: the bytes each of its columns adds to a key (target names)
// and the longest key its storage engine takes. A column missing from the map cannot be part
// of a plain key (a large object, or not a column of the table).
struct sql_key_room {
  std::uint32_t max_key_bytes = 0;
  std::map<std::wstring, std::uint32_t> column_bytes;
};

// Why the server would refuse a key on these columns of the table, empty when it takes it.
std::wstring sql_key_refusal(const sql_key_room& room, const std::vector<std::wstring>& columns);
