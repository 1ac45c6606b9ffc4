// Key-length limits by engine and server, and character widths by character set.
#include <gtest/gtest.h>

#include "SQL/sql_key_limits.h"

namespace {

TEST(KeyLimits, EngineAndServer) {
  const struct {
    const wchar_t* engine;
    std::uint32_t version;
    std::uint32_t bytes;
  } cases[] = {
      {L"InnoDB", 0x000A0B13, 3072},  // MariaDB 10.11
      {L"innodb", 0x00080020, 3072},  // MySQL 8.0.32
      {L"InnoDB", 0x00050707, 3072},  // MySQL 5.7.7
      {L"InnoDB", 0x00050706, 767},   // MySQL 5.7.6
      {L"InnoDB", 0x000A0201, 767},   // MariaDB 10.2.1
      {L"InnoDB", 0x000A0202, 3072},  // MariaDB 10.2.2
      {L"InnoDB", 0x00040100, 767},  {L"MyISAM", 0x000A0B13, 1000}, {L"Aria", 0x000A0B13, 1000},
      {L"", 0x000A0B13, 1000},       {L"MyISAM", 0x00031401, 256},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_max_key_bytes(c.engine, c.version), c.bytes) << c.engine << " " << c.version;
  }
}

TEST(KeyLimits, CharsetWidths) {
  const struct {
    const wchar_t* charset;
    std::uint32_t bytes;
  } cases[] = {
      {L"utf8mb4", 4}, {L"UTF8", 3}, {L"utf8mb3", 3}, {L"latin1", 1},
      {L"cp1251", 1},  {L"ucs2", 2}, {L"", 4},        {L"no-such-set", 4},
  };
  for (const auto& c : cases) EXPECT_EQ(sql_charset_max_bytes(c.charset), c.bytes) << c.charset;
}

}  // namespace
