// The engine without a server: identifier quoting, the built-in lists, the settings it takes from
// a property set, the version gate, the collation of a dump's key columns.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "SQL/sql_engine.h"
#include "UDB/udb_properties.h"

namespace {

TEST(SqlEngine, SafeNameQuotesAndCuts) {
  struct safe_case {
    std::wstring name;
    std::wstring expected;
  };
  const safe_case cases[] = {
      {L"", L""},
      {L"`done`", L"```done```"},
      {L"`", L"````"},
      {L"a`b", L"`a``b`"},
      {L"x` INT, `evil", L"`x`` INT, ``evil`"},
      {L"`; DROP DATABASE d; --", L"```; DROP DATABASE d; --`"},
      {L"[Sales]", L"`[Sales]`"},
      {L"a'b\\c\"d", L"`a'b\\c\"d`"},
      {L"Order Details", L"`Order Details`"},
      {std::wstring(64, L'x'), L"`" + std::wstring(64, L'x') + L"`"},
      {std::wstring(65, L'x'), L"`" + std::wstring(63, L'x') + L"`"},
  };
  for (const safe_case& c : cases) EXPECT_EQ(sql_engine::get_safe_name(c.name), c.expected);
}

// The lists are kept for the whole process, so this process never connects.
TEST(SqlEngine, BuiltInListsWhileNotConnected) {
  sql_engine engine;
  const std::vector<std::wstring>& charsets = engine.get_charsets();
  ASSERT_EQ(charsets.size(), 37u);
  EXPECT_EQ(charsets.front(), L"big5 - Big5 Traditional Chinese");
  EXPECT_EQ(charsets[22], L"utf8mb4 - UTF-8 Unicode");
  EXPECT_EQ(charsets.back(), L"eucjpms - UJIS for Windows Japanese");
  const std::vector<std::wstring>& engines = engine.get_storage_engines();
  ASSERT_EQ(engines.size(), 12u);
  EXPECT_EQ(engines[2], L"InnoDB");
  EXPECT_EQ(engines.back(), L"ISAM");
  EXPECT_EQ(engine.get_max_allowed_packet(), 0u);
}

class settings : public udb_properties {
 public:
  udb_properties* get_by_source_name(const std::wstring&) override { return nullptr; }
  udb_properties* get_by_target_name(const std::wstring&) override { return nullptr; }
};

TEST(SqlEngine, SettingsFromProperties) {
  sql_engine engine;
  EXPECT_EQ(engine.charset, L"");
  EXPECT_EQ(engine.engine, L"InnoDB");
  settings s;
  s.get_properties()[L"engine"] = L"Aria";
  s.get_properties()[L"character set"] = L"latin1";
  engine.set_properties(&s);
  EXPECT_EQ(engine.engine, L"Aria");
  EXPECT_EQ(engine.charset, L"latin1");
  EXPECT_EQ(engine.properties, &s);
  settings empty;
  // A set that names neither keeps the user's choice from elsewhere.
  engine.set_properties(&empty);
  EXPECT_EQ(engine.engine, L"Aria");
  EXPECT_EQ(engine.charset, L"latin1");
}

// Without a chosen character set, the best the target holds: utf8mb4 from 5.5.3 on (for a dump
// for current servers too, whose statements take the 4.1.0 forms), utf8 before.
TEST(SqlEngine, CharacterSetOfTheTarget) {
  sql_engine engine;
  struct charset_case {
    const wchar_t* chosen;
    std::uint32_t version;
    std::uint32_t dump_load_version;
    const wchar_t* expected;
  } cases[] = {
      {L"", 0x000A0B13, 0, L"utf8mb4"},
      {L"", 0x00050503, 0, L"utf8mb4"},
      {L"", 0x00050502, 0, L"utf8"},
      {L"", 0x00040100, 0x00050605, L"utf8mb4"},
      {L"", 0x00031401, 0, L"utf8"},
      {L"utf8", 0x000A0B13, 0, L"utf8"},
      {L"latin1", 0x00040100, 0x00050605, L"latin1"},
  };
  for (const charset_case& c : cases) {
    engine.charset = c.chosen;
    engine.version = c.version;
    engine.dump_load_version = c.dump_load_version;
    EXPECT_EQ(engine.table_charset(), c.expected) << c.version;
  }
}

// A dump may be loaded into any server: its key columns take the binary collation, named in
// lower case as every server lists it; the binary character set has no other collation.
TEST(SqlEngine, KeyCollationOfADump) {
  sql_engine engine;
  engine.dump_load_version = 0x00050605;
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"utf8mb4", L"utf8mb4_bin"}, {L"Latin1", L"latin1_bin"}, {L"utf8", L"utf8_bin"}, {L"binary", L""}, {L"", L""},
  };
  for (const auto& [charset, expected] : cases) EXPECT_EQ(engine.key_collation(charset), expected);
}

TEST(SqlEngine, VersionText) {
  struct version_case {
    const char* text;
    bool valid;
    std::uint32_t version;
  };
  const version_case cases[] = {
      {"5.7.44-log", true, 0x0005072C},
      {"8.0.36", true, 0x00080024},
      {"10.11.19-MariaDB-0+deb12u1", true, 0x000A0B13},
      {"4.1.0", true, 0x00040100},
      {"5.7", false, 0},
      {"", false, 0},
  };
  for (const version_case& c : cases) {
    std::uint32_t version = 0;
    EXPECT_EQ(sql_parse_server_version(c.text, version), c.valid) << c.text;
    EXPECT_EQ(version, c.version) << c.text;
  }
}

TEST(SqlEngine, OldServersAreThoseBefore4_1_0) {
  sql_engine engine;
  engine.version = 0x000400FF;
  EXPECT_TRUE(engine.is_old_version());
  engine.version = 0x00040100;
  EXPECT_FALSE(engine.is_old_version());
}

}  // namespace
