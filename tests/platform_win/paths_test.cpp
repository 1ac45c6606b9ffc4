// Lexical absolute paths, splitting and joining, the program's own path, attributes and access.
#include "platform/win/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/win/file_checks.h"
#include "platform/win/last_error.h"
#include "tests/support/test_env.h"

namespace {

std::string cwd() {
  char buf[4096];
  return getcwd(buf, sizeof buf) ? buf : "";
}

TEST(Paths, FullPathIsLexicalAndAbsolute) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"/a/b/c.mdb", "/a/b/c.mdb"},
      {"/a/./b/../c.mdb", "/a/c.mdb"},
      {"//a///b/", "/a/b/"},
      {"/..", "/"},
      {"x/missing.sql", cwd() + "/x/missing.sql"},
      {"", cwd() == "/" ? "/" : cwd()},
  };
  for (const auto& c : cases) {
    char out[4096];
    ASSERT_NE(nullptr, _fullpath(out, c.in.c_str(), sizeof out)) << c.in;
    EXPECT_EQ(c.out, out) << c.in;
  }
  char small[4];
  EXPECT_EQ(nullptr, _fullpath(small, "/abcd", sizeof small));
  EXPECT_EQ(ERANGE, errno);
  wchar_t wide[64];
  ASSERT_NE(nullptr, _wfullpath(wide, L"/d\u00E9j\u00E0/../x.mdb", 64));
  EXPECT_EQ(std::wstring(L"/x.mdb"), wide);
}

TEST(Paths, SplitAndJoin) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  } cases[] = {
      {"/data/nwind.mdb", "/data/", "nwind", ".mdb"},
      {"/data/archive.tar.gz", "/data/", "archive.tar", ".gz"},
      {"/data.d/noext", "/data.d/", "noext", ""},
      {"/data/.hidden", "/data/", "", ".hidden"},
      {"plain", "", "plain", ""},
      {"/dir/", "/dir/", "", ""},
  };
  for (const auto& c : cases) {
    char drive[_MAX_DRIVE] = "x", dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    ASSERT_EQ(0, _splitpath_s(c.path, drive, sizeof drive, dir, sizeof dir, name, sizeof name, ext, sizeof ext));
    EXPECT_STREQ("", drive);
    EXPECT_STREQ(c.dir, dir) << c.path;
    EXPECT_STREQ(c.name, name) << c.path;
    EXPECT_STREQ(c.ext, ext) << c.path;
    char joined[MAX_PATH];
    ASSERT_EQ(0, _makepath_s(joined, sizeof joined, drive, dir, name, ext));
    EXPECT_STREQ(c.path, joined);
  }
  char joined[MAX_PATH];
  EXPECT_EQ(0, _makepath_s(joined, sizeof joined, "", "/out", "dump", "sql"));
  EXPECT_STREQ("/out/dump.sql", joined);
  EXPECT_EQ(ERANGE, _makepath_s(joined, 5, "", "/out", "dump", "sql"));
  EXPECT_STREQ("", joined);
  char dir[4], name[8];
  EXPECT_EQ(ERANGE, _splitpath_s("/long/x", nullptr, 0, dir, sizeof dir, name, sizeof name, nullptr, 0));
  EXPECT_EQ(EINVAL, _splitpath_s("/x", nullptr, 3, nullptr, 0, nullptr, 0, nullptr, 0));

  wchar_t wdir[_MAX_DIR], wname[_MAX_FNAME], wext[_MAX_EXT];
  ASSERT_EQ(0, _wsplitpath_s(L"/d/Ums\u00E4tze.accdb", nullptr, 0, wdir, _MAX_DIR, wname, _MAX_FNAME, wext, _MAX_EXT));
  EXPECT_EQ(std::wstring(L"Ums\u00E4tze"), wname);
  EXPECT_EQ(std::wstring(L".accdb"), wext);
}

TEST(Paths, ModuleFileNameIsThisProgram) {
  char path[4096];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::string(path).substr(std::string(path).rfind('/') + 1), "platform_win_test");
  wchar_t wide[4096];
  EXPECT_EQ(n, GetModuleFileNameW(nullptr, wide, 4096));
  char cut[5];
  EXPECT_EQ(5u, GetModuleFileNameA(nullptr, cut, sizeof cut));
  EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
  EXPECT_EQ(4u, std::string(cut).size());
}

TEST(FileChecks, AttributesAndAccess) {
  std::string dir = test_env::make_temp_dir();
  std::string file = dir + "/f.txt", ro = dir + "/ro.txt";
  std::ofstream(file) << "x";
  std::ofstream(ro) << "x";
  ASSERT_EQ(0, chmod(ro.c_str(), 0444));

  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesA(file.c_str()));
  EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA(ro.c_str()));
  EXPECT_TRUE(GetFileAttributesA(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir + "/none").c_str()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
  std::wstring wfile(file.begin(), file.end());
  EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesW(wfile.c_str()));

  EXPECT_TRUE(check_file_access(dir.c_str(), GENERIC_WRITE));
  EXPECT_FALSE(check_file_access((dir + "/none").c_str(), GENERIC_WRITE));
  if (geteuid() != 0) {  // root may write anywhere
    ASSERT_EQ(0, chmod(dir.c_str(), 0500));
    EXPECT_FALSE(check_file_access(dir.c_str(), GENERIC_WRITE));
    EXPECT_TRUE(check_file_access(dir.c_str(), GENERIC_READ));
    chmod(dir.c_str(), 0700);
  }
}

}  // namespace
