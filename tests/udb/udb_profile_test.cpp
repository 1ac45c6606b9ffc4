// Profile files: their text form, the round trip, load failures and safe saving.
#include "UDB/udb_profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "TK/tk_exception.h"
#include "tests/support/test_env.h"

namespace {

namespace fs = std::filesystem;

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_bytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::wstring wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

udb_profile::pairs pairs_of(const udb_profile& p, const std::wstring& section) {
  auto it = p.sections.find(section);
  return it == p.sections.end() ? udb_profile::pairs{} : it->second;
}

TEST(udb_profile, new_profile_text) {
  const std::string path = test_env::make_temp_dir() + "/new.vdy";
  ASSERT_TRUE(udb_profile().store(wide(path)));
  EXPECT_EQ(read_bytes(path),
            "[Available Queries]\r\n\r\n[Generic settings]\r\n\r\n"
            "[Selected Tables]\r\n\r\n[Selected Views]\r\n\r\n");
}

TEST(udb_profile, written_text_of_each_shape) {
  udb_profile p;
  p.add_value(L"Selected Tables", L"Orders", L"");
  p.add_value(L"Selected Tables", L"Big ones", L"SELECT * FROM Orders WHERE a = 'x'");
  p.add_value(L"Generic settings", L"logfile", L"");
  p.add_value(L"MySQL settings", L"host", L"db.example");
  p.add_list_item(L"Type Mappings", L"database:");
  p.add_list_item(L"Type Mappings", L"  - name: Größe");
  const std::string path = test_env::make_temp_dir() + "/shapes.vdy";
  ASSERT_TRUE(p.store(wide(path)));
  EXPECT_EQ(read_bytes(path),
            "[Available Queries]\r\n\r\n"
            "[Generic settings]\r\nlogfile=\r\n\r\n"
            "[MySQL settings]\r\nhost=db.example\r\n\r\n"
            "[Selected Tables]\r\nOrders\r\nBig ones=SELECT * FROM Orders WHERE a = 'x'\r\n\r\n"
            "[Selected Views]\r\n\r\n"
            "[Type Mappings]\r\ndatabase:\r\n  - name: Gr\xc3\xb6\xc3\x9f"
            "e\r\n");
}

TEST(udb_profile, round_trip) {
  udb_profile p;
  const std::wstring long_query = L"SELECT " + std::wstring(6000, L'x') + L" FROM t";  // > 4095 bytes
  p.add_value(L"Available Queries", L"Long", long_query);
  p.add_value(L"Available Queries", L"Spaced", L"  value with blanks  ");
  p.add_value(L"Selected Tables", L"Orders", L"");
  p.add_value(L"Selected Tables", L"Order Details", L"");
  p.add_value(L"Selected Views", L"V", L"SELECT a=b, c FROM t");
  p.add_value(L"Generic settings", L"src", L"/data/Umsätze 2024.mdb");
  p.add_value(L"Generic settings", L"empty", L"");
  p.add_value(L"Generic settings", L"src", L"second pair, same key");
  p.add_value(L"MS Access settings", L"database password", L"пароль=1");
  p.add_list_item(L"Type Mappings", L"database:");
  p.add_list_item(L"Type Mappings", L"  tables:");
  p.add_list_item(L"Type Mappings", L"    - name: Größe  ");
  const std::string path = test_env::make_temp_dir() + "/round.vdy";
  ASSERT_TRUE(p.store(wide(path)));

  udb_profile q;
  ASSERT_TRUE(q.load(wide(path)));
  for (const auto& [name, section] : p.sections) EXPECT_EQ(pairs_of(q, name), section) << "section";
  EXPECT_EQ(q.lists.at(L"Type Mappings"), p.lists.at(L"Type Mappings"));
  EXPECT_EQ(q.get_value(L"Generic settings", L"src"), L"/data/Umsätze 2024.mdb");
  EXPECT_EQ(q.get_value(L"Generic settings", L"missing"), L"");
  EXPECT_EQ(q.get_value(L"No such section", L"src"), L"");
  // A bare table name is also kept as a list line of its section.
  EXPECT_EQ(q.get_list(L"Selected Tables"), (udb_profile::lines{L"Orders", L"Order Details"}));
}

TEST(udb_profile, saving_a_loaded_profile_again_changes_nothing) {
  // Reading keeps every section's lines in the list of its name too; a profile loaded and
  // saved (again and again) must still hold each pair and each line once.
  struct {
    const char* what;
    std::string file;
    std::string saved;  // empty: the file as it was
  } cases[] = {
      {"sections of each shape",
       "[Available Queries]\r\nQ=SELECT a = b FROM t\r\n\r\n[Generic settings]\r\nlogfile=\r\nsrc=/data/x.mdb  \r\n\r\n"
       "[Selected Tables]\r\nOrders\r\nBig ones=SELECT * FROM Orders\r\n\r\n[Selected Views]\r\n\r\n",
       ""},
      {"list of indented lines",
       "[Available Queries]\r\n\r\n[Generic settings]\r\n\r\n[Selected Tables]\r\n\r\n[Selected Views]\r\n\r\n"
       "[Type Mappings]\r\ndatabase:\r\n  tables:\r\n    - name: Gr\xc3\xb6\xc3\x9f"
       "e  \r\n      new_name=x\r\n",
       ""},
      {"written by hand: its lines are kept as they stand", "[Other]\nbare\n  k=v\n[Selected Tables]\nOrders\n",
       "[Available Queries]\r\n\r\n[Generic settings]\r\n\r\n[Selected Tables]\r\nOrders\r\n\r\n"
       "[Selected Views]\r\n\r\n[Other]\r\nbare\r\n  k=v\r\n"},
  };
  const std::string dir = test_env::make_temp_dir();
  for (const auto& c : cases) {
    const std::string path = dir + "/again.vdy";
    write_bytes(path, c.file);
    udb_profile first;
    ASSERT_TRUE(first.load(wide(path))) << c.what;
    for (int cycle = 1; cycle <= 3; ++cycle) {
      udb_profile p;
      ASSERT_TRUE(p.load(wide(path))) << c.what;
      EXPECT_EQ(p.sections, first.sections) << c.what << ", cycle " << cycle;
      EXPECT_EQ(p.lists, first.lists) << c.what << ", cycle " << cycle;
      ASSERT_TRUE(p.store(wide(path))) << c.what;
      EXPECT_EQ(read_bytes(path), c.saved.empty() ? c.file : c.saved) << c.what << ", cycle " << cycle;
    }
  }
}

TEST(udb_profile, a_list_named_like_a_section_settles_after_one_save) {
  udb_profile p;
  p.add_value(L"Shared", L"k", L"v");
  p.add_list_item(L"Shared", L"  item");
  const std::string path = test_env::make_temp_dir() + "/shared.vdy";
  ASSERT_TRUE(p.store(wide(path)));
  udb_profile once;
  ASSERT_TRUE(once.load(wide(path)));
  EXPECT_EQ(pairs_of(once, L"Shared"), (udb_profile::pairs{{L"k", L"v"}, {L"item", L""}}));
  ASSERT_TRUE(once.store(wide(path)));
  const std::string saved = read_bytes(path);
  udb_profile twice;
  ASSERT_TRUE(twice.load(wide(path)));
  EXPECT_EQ(twice.sections, once.sections);
  EXPECT_EQ(twice.lists, once.lists);
  ASSERT_TRUE(twice.store(wide(path)));
  EXPECT_EQ(read_bytes(path), saved);
}

TEST(udb_profile, line_rules) {
  struct {
    const char* what;
    std::string file;
    std::wstring section;
    udb_profile::pairs pairs;
  } cases[] = {
      {"blanks after = stay in the value", "[S]\r\na = b\r\n", L"S", {{L"a", L" b"}}},
      {"blanks that end a value stay", "[S]\r\npassword=se cret  \r\n", L"S", {{L"password", L"se cret  "}}},
      {"split at the first =", "[S]\r\na=b=\r\n", L"S", {{L"a", L"b="}}},
      {"LF line ends", "[S]\na=1\nb=2\n", L"S", {{L"a", L"1"}, {L"b", L"2"}}},
      {"no line end at the end", "[S]\r\na=1", L"S", {{L"a", L"1"}}},
      {"header continues a section", "[S]\r\na=1\r\n[T]\r\n[S]\r\nb=2\r\n", L"S", {{L"a", L"1"}, {L"b", L"2"}}},
      {"blank lines skipped, header trimmed", "  [S]  \r\n\r\n   \r\nx\r\n", L"S", {{L"x", L""}}},
      {"empty section name", "[]\r\na=1\r\n", L"", {{L"a", L"1"}}},
      {"4095-byte line", "[S]\r\nk=" + std::string(4093, 'v') + "\r\n", L"S", {{L"k", std::wstring(4093, L'v')}}},
      {"long line read whole",
       "[S]\r\nk=" + std::string(100000, 'v') + "\r\n",
       L"S",
       {{L"k", std::wstring(100000, L'v')}}},
  };
  const std::string dir = test_env::make_temp_dir();
  for (const auto& c : cases) {
    const std::string path = dir + "/case.vdy";
    write_bytes(path, c.file);
    udb_profile p;
    ASSERT_TRUE(p.load(wide(path))) << c.what;
    EXPECT_EQ(pairs_of(p, c.section), c.pairs) << c.what;
  }
}

TEST(udb_profile, list_lines_keep_their_blanks) {
  const std::string path = test_env::make_temp_dir() + "/list.vdy";
  write_bytes(path, "[Type Mappings]\r\ndatabase:\r\n    - name: a b  \r\n  new_name=x\r\n");
  udb_profile p;
  ASSERT_TRUE(p.load(wide(path)));
  EXPECT_EQ(p.get_list(L"Type Mappings"), (udb_profile::lines{L"database:", L"    - name: a b  ", L"  new_name=x"}));
  EXPECT_EQ(pairs_of(p, L"Type Mappings"),
            (udb_profile::pairs{{L"database:", L""}, {L"- name: a b", L""}, {L"new_name", L"x"}}));
}

TEST(udb_profile, load_refusals) {
  struct {
    const char* what;
    std::string file;
  } cases[] = {
      {"pair before any section", "key=value\r\n[S]\r\na=1\r\n"},
      {"line before any section", "loose\r\n"},
      {"byte-order mark before the header", "\xEF\xBB\xBF[S]\r\na=1\r\n"},
  };
  const std::string dir = test_env::make_temp_dir();
  for (const auto& c : cases) {
    const std::string path = dir + "/bad.vdy";
    write_bytes(path, c.file);
    udb_profile p;
    EXPECT_FALSE(p.load(wide(path))) << c.what;
    EXPECT_EQ(p.sections.size(), 4u) << c.what << ": nothing added";
    EXPECT_TRUE(p.lists.empty()) << c.what;
  }
}

TEST(udb_profile, devices_and_overlong_lines_are_refused) {
  const std::string dir = test_env::make_temp_dir();
  const std::string long_line = dir + "/long.vdy";
  write_bytes(long_line, "[S]\r\nk=" + std::string(udb_profile::max_line, 'v') + "\r\n");
  struct {
    std::string path;
    const char* message;
  } cases[] = {
      {"/dev/zero", "Profile is not a regular file. Please verify the correct path/name was given."},
      {long_line, "Profile line 2 is longer than 1048576 bytes."},
  };
  for (const auto& c : cases) {
    udb_profile p;
    try {
      p.load(wide(c.path));
      ADD_FAILURE() << c.path << " loaded";
    } catch (const tk_exception& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.kind(), tk_kind_error);
    }
  }
}

TEST(udb_profile, missing_file_and_directory) {
  const std::string dir = test_env::make_temp_dir();
  for (const std::string& path : {dir + "/absent.vdy", dir}) {
    udb_profile p;
    try {
      p.load(wide(path));
      ADD_FAILURE() << path << " loaded";
    } catch (const tk_exception& e) {
      EXPECT_STREQ(e.what(), "Profile does not exist. Please verify the correct path/name was given.");
    }
  }
}

TEST(udb_profile, save_replaces_and_keeps_permissions) {
  const std::string dir = test_env::make_temp_dir();
  const std::string path = dir + "/p.vdy";
  write_bytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  udb_profile p;
  p.add_value(L"Generic settings", L"mode", L"3");
  ASSERT_TRUE(p.store(wide(path)));
  udb_profile q;
  ASSERT_TRUE(q.load(wide(path)));
  EXPECT_EQ(q.get_value(L"Generic settings", L"mode"), L"3");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no leftovers";
}

TEST(udb_profile, failed_save_keeps_the_old_profile) {
  const std::string dir = test_env::make_temp_dir();
  const std::string path = dir + "/p.vdy";
  const std::string old_text = "[Generic settings]\r\nmode=1\r\n\r\n";
  write_bytes(path, old_text);

  udb_profile big;
  big.add_value(L"Available Queries", L"Q", std::wstring(100000, L'q'));
  // The file-size limit makes the writes fail for real, as a full disk would; only the child
  // process runs under it.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      4096, 4096
    };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(big.store(wide(path)) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "store reported success";
  EXPECT_EQ(read_bytes(path), old_text);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no leftovers";

  EXPECT_FALSE(big.store(wide(dir + "/no such folder/p.vdy")));
}

}  // namespace
