// How long an index key may be on a MySQL server, in bytes, and how many bytes one character
// of a character set can take: the server refuses a longer key (error 1071) and the table with it.
#pragma once

#include <cstdint>
#include <string>

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
