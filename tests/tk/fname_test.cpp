// File names, the program's own location and the file tests.
#include "TK/tk_fname.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>

#include <fstream>

#include "TK/tk_exception.h"
#include "platform/win/file_checks.h"
#include "tests/support/test_env.h"

namespace {

std::string cwd() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? buf : "";
}

TEST(FileName, SplitsAbsoluteAndRelativePaths) {
  std::string here = cwd();
  struct Case {
    std::string path, directory, name, extension;
  } cases[] = {
      {"/data/nwind.mdb", "/data/", "nwind", ".mdb"},
      {"/data/sub/../Ums\xC3\xA4tze.accdb", "/data/", "Ums\xC3\xA4tze", ".accdb"},
      {"out/dump.sql", here + "/out/", "dump", ".sql"},
      {"/data/noext", "/data/", "noext", ""},
      {"/" + std::string(300, 'd') + "/" + std::string(250, 'n') + ".mdb", "/" + std::string(300, 'd') + "/",
       std::string(250, 'n'), ".mdb"},  // longer than the classic 260 characters
  };
  for (const auto& c : cases) {
    tk_file_name n(c.path);
    EXPECT_EQ("", n.drive);
    EXPECT_EQ(c.directory, n.directory) << c.path;
    EXPECT_EQ(c.name, n.name) << c.path;
    EXPECT_EQ(c.extension, n.extension) << c.path;
    EXPECT_EQ(c.directory, n.get_folder());
  }
  EXPECT_THROW(tk_file_name(static_cast<const char*>(nullptr)), tk_mail_assertion);
}

// A path the system cannot take is refused as the user's error, naming its length.
TEST(FileName, OverlongPathIsAnErrorOfTheInput) {
  const std::string fits = "/" + std::string(4094, 'a');
  EXPECT_NO_THROW(tk_file_name{fits});
  EXPECT_NO_THROW(tk_file_wname{std::wstring(fits.begin(), fits.end())});
  const std::string too_long = "/" + std::string(100000, 'a');
  auto expect_refused = [](auto make) {
    try {
      make();
      ADD_FAILURE() << "accepted";
    } catch (const tk_mail_assertion&) {
      ADD_FAILURE() << "an internal error";
    } catch (const tk_exception& e) {
      EXPECT_STREQ(e.what(), "The path is too long: 100001 bytes, at most 4095.");
      EXPECT_EQ(e.kind(), tk_kind_error);
    }
  };
  expect_refused([&] { tk_file_name n(too_long); });
  expect_refused([&] { tk_file_wname n(std::wstring(too_long.begin(), too_long.end())); });
}

TEST(FileName, EmptyPathIsTheProgramWithoutItsName) {
  tk_file_name own("");
  EXPECT_EQ("", own.name);
  EXPECT_EQ(tk_get_module_dir(), own.directory);
  std::string program = tk_get_module_file_name1();
  EXPECT_EQ("/tk_test", program.substr(program.rfind('/')));
  EXPECT_EQ(std::wstring(program.begin(), program.end()), tk_get_module_file_name2());
  tk_file_wname wide(L"");
  EXPECT_EQ(L"", wide.name);
}

TEST(FileName, WideNamesExtensionsAndDefaultPaths) {
  tk_file_wname n(L"/data/Ums\u00E4tze.accdb");
  EXPECT_EQ(L"Ums\u00E4tze", n.name);
  struct Ext {
    std::wstring in, stored;
  } exts[] = {{L"sql", L".sql"}, {L".sql", L".sql"}, {L"", L""}};
  for (const auto& e : exts) {
    n.set_ext(e.in);
    EXPECT_EQ(e.stored, n.extension);
  }
  EXPECT_EQ(L"/data/Ums\u00E4tze", n.make_path());

  std::string dir = tk_get_module_dir();
  std::wstring program_dir(dir.begin(), dir.end());
  const std::wstring working_dir = std::filesystem::current_path().wstring();
  struct Case {
    std::wstring path, name, ext;
    bool keep;
    std::wstring result;
  } cases[] = {
      {L"/data/nwind.mdb", L"nwind", L"sql", false, L"/data/nwind.sql"},
      {L"share/nwind.mdb", L"nwind", L"sql", false, working_dir + L"/share/nwind.sql"},
      {L"nwind.mdb", L"nwind", L"sql", false, working_dir + L"/nwind.sql"},
      {L"", L"nwind", L"sql", false, program_dir + L"nwind.sql"},
      {L"/data/nwind.mdb", L"/keep/me.sql", L"sql", true, L"/keep/me.sql"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, make_default_path(c.path, c.name, c.ext, c.keep));
  EXPECT_EQ(6u << 16, get_dll_version(L"comctl32.dll"));
}

TEST(FileChecks, ExistenceWritabilityAndAccess) {
  std::string dir = test_env::make_temp_dir();
  std::string file = dir + "/f.txt", ro = dir + "/ro.txt";
  std::ofstream(file) << "x";
  std::ofstream(ro) << "x";
  ASSERT_EQ(0, chmod(ro.c_str(), 0444));
  struct Case {
    std::string name;
    std::uint32_t mode;
    bool answer;
  } cases[] = {
      {file, tk_file_exists, true},  {file, tk_file_writable, true}, {ro, tk_file_exists, true},
      {ro, tk_file_writable, false}, {dir, tk_file_exists, false},   {dir + "/none", tk_file_exists, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.answer, tk_is_file_exist1(c.name, c.mode)) << c.name;
    EXPECT_EQ(c.answer, tk_is_file_exist2(std::wstring(c.name.begin(), c.name.end()), c.mode)) << c.name;
  }
  EXPECT_TRUE(tk_check_access1(dir.c_str(), GENERIC_WRITE));
  EXPECT_FALSE(tk_check_access1((dir + "/none").c_str(), GENERIC_WRITE));
  std::wstring wdir(dir.begin(), dir.end());
  EXPECT_TRUE(tk_check_access2(wdir.c_str(), GENERIC_WRITE));
}

TEST(FileChecks, PathTestsLeaveTheWorkingDirectoryAlone) {
  std::string dir = test_env::make_temp_dir();
  std::string before = cwd();
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {{dir, true}, {dir + "/none", false}, {"", true}, {"/proc/self/exe", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.exists, tk_is_path_exist(c.path)) << c.path;
    EXPECT_EQ(before, cwd());
  }
  EXPECT_TRUE(tk_is_path_exist(std::wstring(dir.begin(), dir.end())));

  {
    tk_temp_chdir enter(dir);
    EXPECT_TRUE(enter.ok());
    EXPECT_EQ(dir, cwd());
  }
  EXPECT_EQ(before, cwd());
  {
    tk_temp_chdir fail(dir + "/none");
    EXPECT_FALSE(fail.ok());
  }
  EXPECT_EQ(before, cwd());
}

}  // namespace
