// VDYAGENT never touches a file it was not asked to write: a dump target that is the source, a
// link, a device or a pipe; a log file that is the source or the dump; a source that is no file;
// a run stopped by a signal. Each case checks the source, the old dump and the folders after.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/console/cmdline_cases.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

constexpr int usage_exit = 255;
const char old_dump_text[] = "-- an earlier dump\n";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> folder_files(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t mode_of(const std::string& path) {
  struct stat state {};
  ::lstat(path.c_str(), &state);
  return state.st_mode;
}

// What a run may touch, set up in a fresh folder: a writable copy of an Access file with a hard
// link to it, a private earlier dump with a symbolic link to it, and a pipe; the temporary folder
// of the run is a folder of its own.
struct run_folder {
  std::string dir = test_env::make_temp_dir();
  std::string temp = test_env::make_temp_dir();
  std::string source = dir + "/source.mdb";
  std::string source_link = dir + "/hard-link.mdb";
  std::string old_dump = dir + "/old.sql";
  std::string dump_link = dir + "/link.sql";
  std::string pipe = dir + "/pipe";
  std::string source_bytes;
  std::vector<std::string> files;

  explicit run_folder(const std::string& access_file) {
    std::filesystem::copy_file(test_env::testdata_path(access_file), source);
    ::chmod(source.c_str(), 0644);
    source_bytes = read_file(source);
    ::link(source.c_str(), source_link.c_str());
    std::ofstream(old_dump) << old_dump_text;
    ::chmod(old_dump.c_str(), 0600);
    ::symlink(old_dump.c_str(), dump_link.c_str());
    ::mkfifo(pipe.c_str(), 0600);
    // The run's settings folder (the program's own).
    std::filesystem::create_directory(dir + "/.config");
    files = folder_files(dir);
  }

  // The source and the old dump as they were, no file added or left behind, nothing left in the
  // temporary folder.
  void expect_untouched(bool dump_replaced = false) const {
    EXPECT_TRUE(read_file(source) == source_bytes) << "the source changed";
    EXPECT_EQ(mode_of(source) & 07777, 0644u);
    if (!dump_replaced) {
      EXPECT_EQ(read_file(old_dump), old_dump_text);
    }
    EXPECT_EQ(mode_of(old_dump) & 07777, 0600u);
    EXPECT_TRUE(S_ISLNK(mode_of(dump_link)));
    EXPECT_TRUE(S_ISFIFO(mode_of(pipe)));
    EXPECT_EQ(folder_files(dir), files);
    EXPECT_EQ(folder_files(temp), std::vector<std::string>{});
  }
};

// The temporary folder the program gets, for the life of the object.
class temp_folder_env {
 public:
  explicit temp_folder_env(const std::string& folder) {
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    ::setenv("TMPDIR", folder.c_str(), 1);
  }
  ~temp_folder_env() {
    if (had_) {
      ::setenv("TMPDIR", saved_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  temp_folder_env(const temp_folder_env&) = delete;
  temp_folder_env& operator=(const temp_folder_env&) = delete;

 private:
  bool had_ = false;
  std::string saved_;
};

std::string error_text(const std::string& message) { return "Error:\n" + message + "\n"; }

TEST(VdyagentFileSafety, RefusedTargetsLogFilesAndSourcesTouchNothing) {
  const std::string not_a_target = "Destination name should specify a regular file, not a link, device or pipe.";
  const std::string no_source =
      "' is not a regular file: a folder, a device or a pipe cannot be read as an MS Access "
      "database.";
  struct file_case {
    const char* what;
    // The arguments, from the folder of the run.
    std::vector<std::string> (*args)(const run_folder&);
    std::string err;  // the start of standard error
  };
  const file_case cases[] = {
      {"dump over the source",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.source, "--dump", "--dest=" + f.source};
       },
       error_text("Destination name specifies the source MS Access database.")},
      {"dump over a hard link to the source",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.source, "--dump", "--dest=" + f.source_link};
       },
       error_text("Destination name specifies the source MS Access database.")},
      {"dump over a symbolic link",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.source, "--dump", "--dest=" + f.dump_link};
       },
       error_text(not_a_target)},
      {"dump into a pipe",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.source, "--dump", "--dest=" + f.pipe};
       },
       error_text(not_a_target)},
      {"dump over a device",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.source, "--dump", "--dest=/dev/null"};
       },
       error_text(not_a_target)},
      {"log file that is the source, named before it",
       [](const run_folder& f) {
         return std::vector<std::string>{"--logfile=" + f.source_link, "--src=" + f.source, "--dump",
                                         "--dest=" + f.dir + "/new.sql"};
       },
       error_text("Logfile name specifies the source MS Access database.")},
      {"log file that is the source of a server conversion",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.source, "--dest=northwind", "--logfile=" + f.source};
       },
       error_text("Logfile name specifies the source MS Access database.")},
      {"log file that is the old dump",
       [](const run_folder& f) {
         return std::vector<std::string>{"--logfile=" + f.old_dump, "--src=" + f.source, "--dump",
                                         "--dest=" + f.old_dump};
       },
       error_text("Logfile name specifies the destination dump file.")},
      {"log file that is the dump still to be made",
       [](const run_folder& f) {
         return std::vector<std::string>{
             "--src=" + f.source, "--dump", "--dest=" + f.dir + "/new.sql",
             "--logfile=" + f.dir + "/../" + std::filesystem::path(f.dir).filename().string() + "/new.sql"};
       },
       error_text("Logfile name specifies the destination dump file.")},
      {"source that is a pipe",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.pipe, "--dump", "--dest=" + f.old_dump};
       },
       "Error:\n'"},
      {"source that is a folder",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=" + f.dir, "--dump", "--dest=" + f.old_dump};
       },
       "Error:\n'"},
      {"source that is a device",
       [](const run_folder& f) {
         return std::vector<std::string>{"--src=/dev/zero", "--dump", "--dest=" + f.old_dump};
       },
       "Error:\n'/dev/zero" + no_source},
  };
  for (const file_case& c : cases) {
    SCOPED_TRACE(c.what);
    const run_folder folder("access/jet3/testV1997.mdb");
    const temp_folder_env temp(folder.temp);
    const program_result r = run_vdyagent(c.args(folder), folder.dir);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << r.err;
    EXPECT_NE(r.err.find(c.err == "Error:\n'" ? no_source : c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exit_code, usage_exit) << r.out << r.err;
    folder.expect_untouched();
  }
}

TEST(VdyagentFileSafety, AReplacedDumpKeepsItsModeAndTheWorkgroupFileGoes) {
  const run_folder folder("access/jet3/testV1997.mdb");
  const temp_folder_env temp(folder.temp);
  const program_result r = run_vdyagent({"--src=" + folder.source, "--dump", "--dest=" + folder.old_dump}, folder.dir);
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(read_file(folder.old_dump).find("CREATE TABLE"), std::string::npos);
  folder.expect_untouched(true);
}

TEST(VdyagentFileSafety, AStoppedRunLeavesTheOldDumpAndNoTemporaryFile) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    const run_folder folder("access/jet3/testV1997.mdb");
    const temp_folder_env temp(folder.temp);
    // Stopped once the new dump has rows in it, well before its end.
    auto half_written = [&folder] {
      for (const std::string& name : folder_files(folder.dir)) {
        if (name.rfind("old.sql.tmp", 0) == 0 && std::filesystem::file_size(folder.dir + "/" + name) > 100000)
          return true;
      }
      return false;
    };
    const program_result r = run_signalled(
        VDYAGENT_PATH,
        {"--src=" + test_env::testdata_path("bench/orders-200k.accdb"), "--dump", "--dest=" + folder.old_dump},
        folder.dir, half_written, signal);
    EXPECT_EQ(r.signal, signal) << r.out << r.err;
    folder.expect_untouched();
  }
}

}  // namespace
}  // namespace console_test
