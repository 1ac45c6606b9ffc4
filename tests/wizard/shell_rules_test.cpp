// The wizard's rules that need no window: the progress figure, the command line of quick launch,
// the display check before Qt starts, and where help pages are found.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "GUI2/display_check.h"
#include "GUI2/help_files.h"
#include "GUI2/progress_percent.h"
#include "GUI2/quick_launch_args.h"
#include "tests/support/test_env.h"

namespace {

TEST(ProgressPercent, TablesDoneAndTheShareOfTheCurrentTableClampedForTheBar) {
  struct percent_case {
    progress_counts counts;
    std::uint64_t percent;
    int bar;
  };
  const percent_case cases[] = {
      {{0, 0, 0, 0}, 0, 0},                                                    // no tables
      {{0, 0, 5, 10}, 0, 0},                                                   // records but no tables
      {{2, 4, 300, 1000}, 57, 57},                                             // 50 + floor(30 / 4)
      {{1, 3, 0, 0}, 33, 33},                                                  // no records: tables only
      {{4, 4, 100, 100}, 125, 100},                                            // the last table's counters linger
      {{0, 1, 999, 1000}, 99, 99},                                             // never rounded up to full
      {{3, 3, 0, 0}, 100, 100},     {{0, 2, 1ull << 40, 1ull << 40}, 50, 50},  // large record counts
  };
  for (const percent_case& c : cases) {
    SCOPED_TRACE(std::to_string(c.counts.tables_done) + "/" + std::to_string(c.counts.tables_total) + " " +
                 std::to_string(c.counts.records_done) + "/" + std::to_string(c.counts.records_total));
    EXPECT_EQ(progress_percent(c.counts), c.percent);
    EXPECT_EQ(progress_bar_value(c.counts), c.bar);
  }
}

TEST(QuickLaunchArgs, OneArgumentIsAUtf8ProfilePathAndAnythingElseIsAUsageError) {
  using mode = quick_launch_args::mode;
  struct args_case {
    std::vector<const char*> argv;
    mode what;
    std::wstring profile;
    std::string message = {};
  };
  const args_case cases[] = {
      {{"vandry"}, mode::wizard, L""},
      {{"vandry", ""}, mode::wizard, L""},
      {{"vandry", "/tmp/job.vdy"}, mode::quick_launch, L"/tmp/job.vdy"},
      {{"vandry", "/tmp/my job.vdy"}, mode::quick_launch, L"/tmp/my job.vdy"},
      {{"vandry", "/tmp/my", "job.vdy"}, mode::usage, L"", "'job.vdy' is not understood.\nUsage: vandry [PROFILE]"},
      {{"vandry", "a", "b", "c"}, mode::usage, L"", "'b c' is not understood.\nUsage: vandry [PROFILE]"},
      {{"vandry", "--help"}, mode::usage, L"", "'--help' is not understood.\nUsage: vandry [PROFILE]"},
      {{"vandry", "-x"}, mode::usage, L"", "'-x' is not understood.\nUsage: vandry [PROFILE]"},
      {{"vandry", "job.vdy", "-q"}, mode::usage, L"", "'-q' is not understood.\nUsage: vandry [PROFILE]"},
      {{"vandry", "./-job.vdy"}, mode::quick_launch, L"./-job.vdy"},
      {{"vandry", "\"/tmp/job.vdy\""}, mode::quick_launch, L"\"/tmp/job.vdy\""},
      {{"vandry", "/tmp/caf\xC3\xA9.vdy"}, mode::quick_launch, L"/tmp/caf\u00E9.vdy"},
      {{"vandry", "/tmp/caf\xE9.vdy"}, mode::bad_path, L""},           // Latin-1
      {{"vandry", "/tmp/\xC0\xAF.vdy"}, mode::bad_path, L""},          // overlong '/'
      {{"vandry", "/tmp/\xED\xA0\x80.vdy"}, mode::bad_path, L""},      // a surrogate
      {{"vandry", "/tmp/\xF4\x90\x80\x80.vdy"}, mode::bad_path, L""},  // above U+10FFFF
      {{"vandry", "/tmp/\xE2\x82"}, mode::bad_path, L""},              // cut short
  };
  for (const args_case& c : cases) {
    SCOPED_TRACE(c.argv.size() > 1 ? c.argv[1] : "(none)");
    const quick_launch_args args = read_quick_launch_args(static_cast<int>(c.argv.size()), c.argv.data());
    EXPECT_EQ(args.what, c.what);
    EXPECT_EQ(args.profile, c.profile);
    EXPECT_EQ(args.message.empty(), c.what == mode::wizard || c.what == mode::quick_launch);
    if (!c.message.empty()) {
      EXPECT_EQ(args.message, c.message);
    }
  }
}

// A listening socket stands in for a display server.
struct listening_socket {
  explicit listening_socket(const std::string& path) {
    fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 4) != 0) {
      ADD_FAILURE() << "cannot listen on " << path;
    }
  }
  ~listening_socket() { ::close(fd); }
  int fd = -1;
};

TEST(DisplayCheck, ThePlatformQtWillUseMustReachItsServer) {
  const std::string runtime = test_env::make_temp_dir();
  listening_socket wayland(runtime + "/wayland-test");
  struct display_case {
    const char* name;
    display_environment env;
    bool available;
  };
  const display_case cases[] = {
      {"nothing at all", {"", "", "", ""}, false},
      {"offscreen", {"offscreen", "", "", ""}, true},
      {"minimal with options", {"minimal:enable_fonts", "", "", ""}, true},
      {"xcb without DISPLAY", {"xcb", "", "", ""}, false},
      {"xcb on a display nobody serves", {"xcb", ":65000", "", ""}, false},
      {"a malformed DISPLAY", {"", ":x", "", ""}, false},
      {"wayland served", {"wayland", "", "wayland-test", runtime}, true},
      {"wayland not served", {"wayland", "", "wayland-gone", runtime}, false},
      {"default platform, wayland served", {"", "", "wayland-test", runtime}, true},
      {"list falls back to offscreen", {"xcb;offscreen", "", "", ""}, true},
      {"list of unreachable servers", {"wayland;xcb", ":65000", "wayland-gone", runtime}, false},
  };
  for (const display_case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(display_available(c.env), c.available);
  }
}

TEST(DisplayCheck, ThePlatformOptionOverridesTheEnvironment) {
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  const char* argv[] = {"vandry", "-platform", "offscreen", "job.vdy"};
  EXPECT_EQ(read_display_environment(4, argv).platform, "offscreen");
  EXPECT_EQ(read_display_environment(1, argv).platform, "xcb");
  ::unsetenv("QT_QPA_PLATFORM");
}

TEST(HelpFiles, TopicPageElseIndexAndNothingWithoutTheIndex) {
  const std::string folder = test_env::make_temp_dir();
  EXPECT_EQ(help_page(folder, 1018), std::nullopt);
  std::ofstream(folder + "/1018.html") << "welcome";
  EXPECT_EQ(help_page(folder, 1018), std::nullopt) << "a topic page without the index is no installed help";
  std::ofstream(folder + "/index.html") << "index";
  EXPECT_EQ(help_page(folder, 1018), folder + "/1018.html");
  EXPECT_EQ(help_page(folder, 1014), folder + "/index.html");
  EXPECT_EQ(help_page(folder, std::nullopt), folder + "/index.html");
}

}  // namespace
