// Quick launch end to end, in the program's own function: a profile naming nwind.mdb converted
// into a dump and into the private server, every value checked against mdb-export; a missing,
// unreadable or undecodable profile gets its message, converts nothing and leaves the stored
// settings alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTimer>
#include <fstream>

#include "GUI2/wizard_program.h"
#include "GUI2/wizard_shell.h"
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
  };
  const bad_case cases[] = {
      {"missing", {missing.c_str()}, L"Profile does not exist. Please verify the correct path/name was given."},
      {"unreadable", {pipe.c_str()}, L"Profile is not a regular file. Please verify the correct path/name was given."},
      {"not UTF-8",
       {undecodable.c_str()},
       L"The profile path is not valid UTF-8 text. Please verify the correct path/name was given."},
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = boxes.taken().size();
    EXPECT_EQ(run(c.args), 1);
    const std::vector<std::wstring> shown = boxes.texts();
    ASSERT_EQ(shown.size(), before + 1);
    EXPECT_EQ(shown.back(), c.message);
    EXPECT_FALSE(exists(settings_file())) << "the stored settings stay untouched";
  }
}

}  // namespace
