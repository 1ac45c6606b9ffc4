// Temporary files: created new and private to their name, renamed into place, and removed however
// the process ends (its destructor, exit(), SIGINT, SIGTERM, SIGHUP), and the file identity test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "TK/tk_temp_file.h"
#include "tests/support/test_env.h"

namespace {

bool exists(const std::string& path) {
  struct stat state;
  return ::lstat(path.c_str(), &state) == 0;
}

TEST(tk_temp_file, goes_however_the_process_ends) {
  const struct {
    const char* what;
    int signal;    // 0: the process calls exit()
    bool ignored;  // the process was started with the signal ignored
  } cases[] = {{"exit()", 0, false},
               {"SIGINT", SIGINT, false},
               {"SIGTERM", SIGTERM, false},
               {"SIGHUP", SIGHUP, false},
               {"SIGHUP ignored (nohup)", SIGHUP, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // A folder of this test's own: the child's exit() removes the folders test_env made.
    std::string dir = tk_temp_folder() + "/ostrelle-exit-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string kept = dir + "/kept";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (c.ignored) std::signal(c.signal, SIG_IGN);
      tk_temp_file scratch(dir + "/scratch", ".tmp", 0600);
      tk_temp_file renamed(dir + "/renamed", "", 0600);
      if (!scratch.is_open() || !renamed.is_open() || !renamed.close() || !renamed.rename_to(kept)) ::_exit(90);
      if (c.signal == 0) std::exit(3);
      ::write(ready[1], "x", 1);
      ::pause();
      ::_exit(91);
    }
    ::close(ready[1]);
    char byte = 0;
    if (c.signal != 0) {
      ASSERT_EQ(::read(ready[0], &byte, 1), 1);
      ::kill(pid, c.signal);
      if (c.ignored) {
        ::usleep(200000);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "an ignored signal is no end";
        ::kill(pid, SIGKILL);
      }
    }
    ::close(ready[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (c.ignored) {
      std::filesystem::remove_all(dir);
      continue;
    }
    if (c.signal == 0) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
    } else {
      // The process still ends by the signal, as its sender meant.
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;
    }
    EXPECT_TRUE(exists(kept)) << "a file renamed into place stays";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
  }
}

TEST(tk_temp_file, never_opens_what_is_there_and_keeps_nothing_unless_renamed) {
  const std::string dir = test_env::make_temp_dir();
  {
    tk_temp_file file(dir + "/a", ".x", 0640);
    ASSERT_TRUE(file.is_open());
    EXPECT_EQ(file.path().rfind(dir + "/a-", 0), 0u);
    struct stat state;
    ASSERT_EQ(::fstat(file.fd(), &state), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(state.st_mode & 0777, 0640u & ~mask);
    EXPECT_TRUE(file.write_all("bytes"));
    EXPECT_TRUE(file.close());
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
  // A folder that does not exist: no file, and the reason.
  tk_temp_file missing(dir + "/none/a", "", 0600);
  EXPECT_FALSE(missing.is_open());
  EXPECT_EQ(missing.error(), ENOENT);
}

TEST(tk_same_file, links_paths_and_files_still_to_come) {
  const std::string dir = test_env::make_temp_dir();
  const std::string name = std::filesystem::path(dir).filename();
  std::ofstream(dir + "/a") << "a";
  std::ofstream(dir + "/b") << "a";
  ASSERT_EQ(::link((dir + "/a").c_str(), (dir + "/hard").c_str()), 0);
  ASSERT_EQ(::symlink("a", (dir + "/soft").c_str()), 0);
  ASSERT_EQ(::symlink("new", (dir + "/dangling").c_str()), 0);
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {dir + "/a", dir + "/a", true},        {dir + "/a", dir + "/hard", true},
      {dir + "/a", dir + "/soft", true},     {dir + "/a", dir + "/../" + name + "/./a", true},
      {dir + "/a", dir + "/b", false},       {dir + "/new", dir + "/../" + name + "/new", true},
      {dir + "/new", dir + "/other", false}, {dir + "/a", dir + "/new", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tk_same_file(c.a, c.b), c.same) << c.a << " | " << c.b;
  }
}

}  // namespace
