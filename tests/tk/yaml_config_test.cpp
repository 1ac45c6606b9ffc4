// The configuration reader, from a table of files.
#include "TK/tk_yaml_config.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TK/tk_exception.h"
#include "tests/support/test_env.h"

namespace {

using values = tk_yaml_config::value_map;

TEST(YamlConfig, LinesToKeysAndValues) {
  struct Case {
    std::string text;
    std::set<std::wstring> excluded;
    values expected;
  } cases[] = {
      {"TEXT:\n - VARCHAR\n - CHAR \n", {}, {{L"TEXT", {L"VARCHAR", L"CHAR"}}}},
      {"TEXT:\r\n- VARCHAR\r\n-  CHAR\r\n", {}, {{L"TEXT", {L"VARCHAR", L"CHAR"}}}},  // CR LF
      {"- early\nK:\n- v\n", {}, {{L"", {L"early"}}, {L"K", {L"v"}}}},
      {"K:\n- a\nL:\n- b\nK:\n- c\n- a\n", {}, {{L"K", {L"a", L"c", L"a"}}, {L"L", {L"b"}}}},
      {"K:\n-\n- x\n", {}, {{L"K", {L"", L"x"}}}},
      {"K:\n-\n- x\n- y\n", {L"", L"x"}, {{L"K", {L"y"}}}},
      {"K:\n\t- tabbed\n# note\nplain\n\n", {}, {}},
      {"-dash key:\n- v\n", {}, {{L"-dash key", {L"v"}}}},
      {"Key :\n- Ums\xC3\xA4tze\n", {}, {{L"Key ", {L"Ums\u00E4tze"}}}},
      {"\xEF\xBB\xBFK:\n- v\n", {}, {{L"\uFEFFK", {L"v"}}}},
      {"\xEF\xBB\xBF- v\n", {}, {}},
      {"K:\n- last", {}, {{L"K", {L"last"}}}},
  };
  for (const auto& c : cases) {
    std::string path = test_env::make_temp_dir() + "/typesmap.cfg";
    std::ofstream(path, std::ios::binary) << c.text;
    tk_yaml_config config;
    ASSERT_TRUE(config.load(path.c_str(), c.excluded));
    EXPECT_EQ(c.expected, config.values()) << c.text;
  }
}

TEST(YamlConfig, LoadsAddUpAndAMissingFileChangesNothing) {
  std::string dir = test_env::make_temp_dir();
  std::ofstream(dir + "/a.cfg") << "K:\n- a\n";
  std::ofstream(dir + "/b.cfg") << "K:\n- b\n";
  tk_yaml_config config;
  ASSERT_TRUE(config.load((dir + "/a.cfg").c_str(), {}));
  EXPECT_FALSE(config.load((dir + "/missing.cfg").c_str(), {}));
  ASSERT_TRUE(config.load((dir + "/b.cfg").c_str(), {}));
  EXPECT_EQ((values{{L"K", {L"a", L"b"}}}), config.values());
}

}  // namespace
