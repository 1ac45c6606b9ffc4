// Quick launch end to end, in the program's own function: a profile naming nwind.mdb converted
// into a dump and into the private server, every value checked against mdb-export; a missing,
// unreadable or undecodable profile, a usage error or a profile that selects no tables gets its
// message, converts nothing and leaves the stored settings and the destination alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTimer>
#include <fstream>
#include <iterator>

#include "GUI2/quick_launch_args.h"
#include "GUI2/wizard_program.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_utils.h"
#include "tests/console/mysql_client.h"
#include "tests/support/test_env.h"
#include "tests/support/value_check.h"
#include "tests/wizard/shell_test_util.h"

namespace {

const std::vector<std::string> kTables = {"Customers", "Orders", "Shippers"};

bool exists(const std::string& path) {
  struct stat state;
  return ::stat(path.c_str(), &state) == 0;
}

struct QuickLaunchRun : ::testing::Test {
  void SetUp() override { ::setenv("XDG_CONFIG_HOME", config.c_str(), 1); }

  // Runs the program on these arguments, pressing Finish when the finish page shows.
  int run(std::vector<const char*> args) {
    QTimer finisher;
    QObject::connect(&finisher, &QTimer::timeout, [] {
      if (wizard_shell::exists() && wizard_shell::get_instance()->sheet().current_page_id() == 116)
        wizard_shell::get_instance()->sheet().press_button(ui_id_finish);
    });
    finisher.start(20);
    args.insert(args.begin(), "vandry");
    return wizard_program(static_cast<int>(args.size()), args.data());
  }
  std::string profile(const std::string& name, const std::string& settings) {
    std::string text =
        "[Generic settings]\r\nsrc=" + source + "\r\nmode=0\r\n" + settings + "\r\n[Selected Tables]\r\n";
    for (const std::string& t : kTables) text += t + "\r\n";
    const std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  void expect_same_values(const std::string& database) {
    console_test::mysql_client sql(server);
    ASSERT_TRUE(sql.ok());
    for (const std::string& table : kTables) {
      SCOPED_TRACE(table);
      value_check::expect_same_values(sql.handle(), {source, "", table, database, table, true});
    }
  }
  std::string settings_file() const { return config + "/Quellbrook/Ostrelle/settings"; }

  std::string dir = test_env::make_temp_dir();
  std::string config = dir + "/config";
  std::string source = test_env::testdata_path("access/real/nwind.mdb");
  test_env::server_address server = test_env::test_server();
  box_recorder boxes;
};

TEST_F(QuickLaunchRun, AProfileIntoADumpConvertsEveryValue) {
  const std::string dump = dir + "/north wind.sql";
  const std::string job = profile("job.vdy", "dest=" + dump + "\r\n\r\n[MySQL settings]\r\ndirect mode=0\r\n");
  EXPECT_EQ(run({job.c_str()}), 0);
  EXPECT_TRUE(boxes.texts().empty());
  EXPECT_TRUE(exists(settings_file())) << "the settings are stored after teardown";

  console_test::mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  sql.execute("DROP DATABASE IF EXISTS wizard_quick_dump");
  sql.execute("CREATE DATABASE wizard_quick_dump CHARACTER SET utf8mb4");
  ASSERT_EQ(console_test::load_dump(server, "wizard_quick_dump", dump), "");
  expect_same_values("wizard_quick_dump");
}

TEST_F(QuickLaunchRun, AProfileIntoTheServerConvertsEveryValue) {
  const std::string job =
      profile("job.vdy", "dest=wizard_quick_server\r\n\r\n[MySQL settings]\r\ndirect mode=1\r\nhost=" + server.host +
                             "\r\nport=" + std::to_string(server.port) + "\r\nuser=" + server.user +
                             "\r\npassword=" + server.password + "\r\n");
  EXPECT_EQ(run({job.c_str()}), 0);
  EXPECT_TRUE(boxes.texts().empty());
  expect_same_values("wizard_quick_server");
}

TEST_F(QuickLaunchRun, CancelDuringARealRunStopsItAndEndsWithFailure) {
  const std::string big = test_env::testdata_path("bench/orders-200k.accdb");
  const std::string dump = dir + "/orders.sql";
  const std::string job = dir + "/orders.vdy";
  std::ofstream(job, std::ios::binary) << "[Generic settings]\r\nsrc=" << big << "\r\ndest=" << dump
                                       << "\r\nmode=0\r\n\r\n[MySQL settings]\r\ndirect mode=0\r\n\r\n"
                                       << "[Selected Tables]\r\nOrders\r\n";
  boxes.answers = {ui_id_yes};
  QTimer canceller;
  bool pressed = false;
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    if (pressed || !wizard_shell::exists()) return;
    ui_property_sheet& sheet = wizard_shell::get_instance()->sheet();
    ui_page* page = sheet.current_page();
    // Once the run is copying rows: its log box shows the table's line.
    if (page != nullptr && page->dialog_id() == 108 && !page->get_text(1016).empty()) {
      pressed = true;
      sheet.press_button(ui_id_cancel);
    }
  });
  canceller.start(20);
  EXPECT_EQ(run({job.c_str()}), 1);
  EXPECT_TRUE(pressed);
  EXPECT_EQ(boxes.texts(), std::vector<std::wstring>{L"Are you sure you want to exit the wizard?"});
}

TEST_F(QuickLaunchRun, ABadProfileOrPathIsReportedAndNothingRuns) {
  ::mkfifo((dir + "/pipe.vdy").c_str(), 0600);
  const std::string missing = dir + "/none.vdy";
  const std::string pipe = dir + "/pipe.vdy";
  const std::string undecodable = dir + "/caf\xE9.vdy";
  struct bad_case {
    const char* name;
    std::vector<const char*> args;
    std::wstring message;
    int status = 1;
  };
  const bad_case cases[] = {
      {"missing",
       {missing.c_str()},
       L"Profile does not exist. Please verify the correct path/name was given. Path: " + tk_utf8_to_unicode(missing)},
      {"unreadable",
       {pipe.c_str()},
       L"Profile is not a regular file. Please verify the correct path/name was given. Path: " +
           tk_utf8_to_unicode(pipe)},
      {"not UTF-8",
       {undecodable.c_str()},
       L"The profile path is not valid UTF-8 text. Please verify the correct path/name was given."},
      {"an option", {"--help"}, L"'--help' is not understood.\nUsage: vandry [PROFILE]", quick_launch_usage_status},
      {"two arguments",
       {missing.c_str(), "-x"},
       L"'-x' is not understood.\nUsage: vandry [PROFILE]",
       quick_launch_usage_status},
      {"a path with a blank, unquoted",
       {"/tmp/my", "job.vdy"},
       L"'job.vdy' is not understood.\nUsage: vandry [PROFILE]",
       quick_launch_usage_status},
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = boxes.taken().size();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run(c.args), c.status);
    const std::vector<std::wstring> shown = boxes.texts();
    ASSERT_EQ(shown.size(), before + 1);
    EXPECT_EQ(shown.back(), c.message);
    const std::string said = ::testing::internal::GetCapturedStderr();
    if (c.status == quick_launch_usage_status) {
      EXPECT_EQ(said, tk_unicode_to_utf8(c.message) + "\n") << "usage errors reach standard error";
    }
    EXPECT_FALSE(exists(settings_file())) << "the stored settings stay untouched";
  }
}

}  // namespace

namespace {

// A profile that selects no tables converts nothing: it must not clear the destination first
// (mode 0 drops the whole database before the run; a dump file is replaced).
TEST_F(QuickLaunchRun, AProfileThatSelectsNoTablesLeavesTheDestinationAlone) {
  console_test::mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  sql.execute("DROP DATABASE IF EXISTS wizard_quick_none");
  sql.execute("CREATE DATABASE wizard_quick_none");
  sql.execute("CREATE TABLE wizard_quick_none.mine (id INT PRIMARY KEY)");
  sql.execute("INSERT INTO wizard_quick_none.mine VALUES (7)");
  const std::string dump = dir + "/kept.sql";
  std::ofstream(dump, std::ios::binary) << "-- the user's own dump\n";

  const std::string into_server = dir + "/server.vdy";
  std::ofstream(into_server, std::ios::binary)
      << "[Generic settings]\r\nsrc=" << source << "\r\ndest=wizard_quick_none\r\nmode=0\r\n\r\n"
      << "[MySQL settings]\r\ndirect mode=1\r\nhost=" << server.host << "\r\nport=" << server.port
      << "\r\nuser=" << server.user << "\r\npassword=" << server.password << "\r\n";
  const std::string into_dump = dir + "/dump.vdy";
  std::ofstream(into_dump, std::ios::binary) << "[Generic settings]\r\nsrc=" << source << "\r\ndest=" << dump
                                             << "\r\nmode=0\r\n\r\n[MySQL settings]\r\ndirect mode=0\r\n"
                                             << "\r\n[Selected Tables]\r\n";
  for (const std::string& job : {into_server, into_dump}) {
    SCOPED_TRACE(job);
    EXPECT_EQ(run({job.c_str()}), 1);
    const std::vector<std::wstring> shown = boxes.texts();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(),
              L"The profile '" + tk_utf8_to_unicode(job) + L"' selects no tables: there is nothing to convert.");
  }
  EXPECT_EQ(sql.column("SELECT id FROM wizard_quick_none.mine"), std::vector<std::string>{"7"});
  std::ifstream kept(dump, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "-- the user's own dump\n");
}

}  // namespace
