// The settings store: every value kind through the per-user file and back, its modes, and two
// processes saving at once.
#include "TK/tk_regk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "TK/tk_exception.h"
#include "tests/support/test_env.h"
#include "tests/tk/tk_test_util.h"

namespace {

const char kPath[] = "Software\\Quellbrook\\Ostrelle";

// Each test gets its own configuration home.
std::string fresh_config_home() {
  std::string home = test_env::make_temp_dir();
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  return home;
}

struct settings {
  bool flag = false;
  std::uint32_t number = 0;
  std::string narrow;
  std::wstring wide;

  // One routine for both directions, as the converter's is.
  int exchange(tk_serializer& s, bool store) {
    int ok = 0;
    ok += s.exchange("flag", flag, store);
    ok += s.exchange("number", number, store);
    ok += s.exchange("narrow", narrow, store);
    ok += s.exchange(L"wide \u00E4", wide, store);
    return ok;
  }
};

TEST(Settings, EveryKindRoundTrips) {
  struct Case {
    settings stored;
  } cases[] = {
      {{true, 4294967295u, "line\nbreak = back\\slash \xC3\xA4", L"Ums\u00E4tze\r\n\u4E2D=\\"}},
      {{false, 0, "", L""}},
      {{true, 3306, "=", L"\\n"}},
  };
  for (const auto& c : cases) {
    fresh_config_home();
    settings out = c.stored;
    {
      tk_serializer s(kPath);
      ASSERT_EQ(0, s.open());
      EXPECT_EQ(4, out.exchange(s, true));
      ASSERT_EQ(0, s.close());
    }
    settings in{!c.stored.flag, 7, "default", L"default"};
    tk_serializer s(kPath);
    ASSERT_EQ(0, s.open());
    EXPECT_EQ(4, in.exchange(s, false));
    EXPECT_EQ(c.stored.flag, in.flag);
    EXPECT_EQ(c.stored.number, in.number);
    EXPECT_EQ(c.stored.narrow, in.narrow);
    EXPECT_EQ(c.stored.wide, in.wide);
  }
}

TEST(Settings, MissingValuesKeepTheirDefaults) {
  fresh_config_home();
  settings in{true, 42, "default", L"default"};
  tk_serializer closed(kPath);
  EXPECT_EQ(0, in.exchange(closed, false));  // no key open
  EXPECT_EQ(0, in.exchange(closed, true));
  tk_serializer s(kPath);
  ASSERT_EQ(0, s.open());
  EXPECT_EQ(0, in.exchange(s, false));
  EXPECT_TRUE(in.flag);
  EXPECT_EQ(42u, in.number);
  EXPECT_EQ("default", in.narrow);
  EXPECT_EQ(L"default", in.wide);
}

TEST(Settings, NarrowAndWideShareNamesAndNumbersLoadAsBooleans) {
  fresh_config_home();
  {
    tk_serializer s(kPath);
    ASSERT_EQ(0, s.open());
    std::uint32_t two = 2;
    std::string server = "db.example \xC3\xA4";
    s.exchange("count", two, true);
    s.exchange("server", server, true);
  }
  tk_serializer s(kPath);
  ASSERT_EQ(0, s.open());
  bool flag = false;
  EXPECT_TRUE(s.exchange("count", flag, false));
  EXPECT_TRUE(flag);
  std::wstring server;
  EXPECT_TRUE(s.exchange(L"server", server, false));
  EXPECT_EQ(L"db.example \u00E4", server);
  std::uint32_t n = 5;
  EXPECT_FALSE(s.exchange("server", n, false));  // a text is not a number
  EXPECT_EQ(5u, n);
}

TEST(Settings, FileAndFolderModesAndDamagedLines) {
  std::string home = fresh_config_home();
  std::string folder = home + "/Quellbrook/Ostrelle", file = folder + "/settings";
  {
    tk_serializer s(kPath);
    ASSERT_EQ(0, s.open());
    std::string v = "x";
    s.exchange("a", v, true);
  }
  struct stat st {};
  ASSERT_EQ(0, stat(file.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
  ASSERT_EQ(0, stat(folder.c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);

  std::ofstream(file, std::ios::app) << "garbage\ndword:n=12x\nsz:b=kept\n";
  tk_serializer s(kPath);
  ASSERT_EQ(0, s.open());
  std::string a, b;
  std::uint32_t n = 9;
  EXPECT_TRUE(s.exchange("a", a, false));
  EXPECT_TRUE(s.exchange("b", b, false));
  EXPECT_FALSE(s.exchange("n", n, false));
  EXPECT_EQ("kept", b);
}

TEST(Settings, KeyInternalErrors) {
  fresh_config_home();
  tk_reg_key key;
  EXPECT_THROW(key.set_value(1u, "x"), tk_mail_assertion);  // no key held
  EXPECT_THROW(key.create(nullptr, kPath, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr), tk_mail_assertion);
  std::uint32_t disposition = 0;
  ASSERT_EQ(0, key.create(HKEY_CURRENT_USER, kPath, nullptr, 0, KEY_ALL_ACCESS, nullptr, &disposition));
  EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
  EXPECT_THROW(key.set_value(static_cast<const char*>(nullptr), "x"), tk_mail_assertion);
  EXPECT_THROW(key.get_value(static_cast<char*>(nullptr), "x", nullptr), tk_mail_assertion);
  std::uint32_t size = 0;
  EXPECT_NE(0, key.get_value(static_cast<char*>(nullptr), "missing", &size));
  EXPECT_EQ(0, key.close());
  EXPECT_EQ(0, key.close());
}

TEST(Settings, TwoProcessesSavingAtOnceLeaveOneWholeFile) {
  std::string home = fresh_config_home();
  constexpr int kRounds = 40;
  auto save_rounds = [](const char* prefix) {
    for (int i = 0; i < kRounds; ++i) {
      tk_serializer s(kPath);
      if (s.open() != 0) return false;
      std::uint32_t n = static_cast<std::uint32_t>(i);
      std::string text(2000, prefix[0]);  // long enough for writes to overlap
      s.exchange((std::string(prefix) + "_n").c_str(), n, true);
      s.exchange((std::string(prefix) + "_text").c_str(), text, true);
      if (s.close() != 0) return false;
    }
    return true;
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(save_rounds("child") ? 0 : 1);
  EXPECT_TRUE(save_rounds("parent"));
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  tk_serializer s(kPath);
  ASSERT_EQ(0, s.open());
  for (const char* who : {"child", "parent"}) {
    std::uint32_t n = 0;
    std::string text;
    EXPECT_TRUE(s.exchange((std::string(who) + "_n").c_str(), n, false)) << who;
    EXPECT_EQ(static_cast<std::uint32_t>(kRounds - 1), n) << who;
    EXPECT_TRUE(s.exchange((std::string(who) + "_text").c_str(), text, false)) << who;
    EXPECT_EQ(std::string(2000, who[0]), text);
  }
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(home + "/Quellbrook/Ostrelle")) {
    files += entry.path().filename().string().rfind("settings.", 0) == 0;  // a temporary file left over
  }
  EXPECT_EQ(0, files);
}

}  // namespace
