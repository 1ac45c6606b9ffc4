// An existing destination on the select-databases page: the answer is recorded, and only the run
// clears the destination.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "GUI2/overwrite_dlg3.h"
#include "GUI2/wizard_front_end.h"
#include "tests/support/test_mysql.h"
#include "tests/wizard/settings_pages_env.h"

namespace {

const char kDatabase[] = "wizard_existing";

std::vector<std::string> tables_of(MYSQL* conn) {
  std::vector<std::string> names;
  for (const test_env::mysql_row& row :
       test_env::query_rows(conn, std::string("SELECT table_name FROM information_schema.tables WHERE table_schema='") +
                                      kDatabase + "' ORDER BY 1")) {
    names.push_back(row[0].value_or(""));
  }
  return names;
}

// Answers the overwrite dialog once it shows: the radio to check (0 for none) and the button.
void answer_overwrite(int radio, int button, std::wstring& text, std::wstring& caption) {
  later([=, &text, &caption] {
    ui_control_host* dialog = modal_dialog();
    ASSERT_NE(dialog, nullptr);
    text = dialog->get_text(overwrite_dlg3::text_id);
    caption = dialog->window()->windowTitle().toStdWString();
    EXPECT_EQ(dialog->get_check(1329), ui_checked);
    if (radio != 0) click(dialog, radio);
    click(dialog, button);
  });
}

TEST(SettingsOverwrite, ExistingDatabaseIsOnlyDroppedByTheRun) {
  const test_env::server_address server = test_env::test_server();
  MYSQL* conn = test_env::connect_mysql(server);
  ASSERT_NE(conn, nullptr);
  test_env::query_rows(conn, std::string("DROP DATABASE IF EXISTS ") + kDatabase);
  test_env::query_rows(conn, std::string("CREATE DATABASE ") + kDatabase);
  test_env::query_rows(conn, std::string("CREATE TABLE ") + kDatabase + ".keepme (a INT)");

  struct answer_case {
    const char* name;
    int radio;
    int button;
    int page;            // the page shown after Next
    std::uint32_t mode;  // the mode afterwards (it was 2)
  } cases[] = {
      {"cancel", 0, 2, 106, mode_skip_tables},
      {"merge", 1332, 1, 110, mode_merge},
      {"overwrite", 1329, 1, 110, mode_overwrite_database},
  };
  for (const answer_case& c : cases) {
    SCOPED_TRACE(c.name);
    wizard_env env;
    env.use_test_server();
    env.converter.direct = true;
    env.converter.conversion_mode = mode_skip_tables;
    std::wstring text, caption;
    env.run(106, [&] {
      env.pages.databases.set_text(sel_file_page::source_id, wide(testdata("access/real/nwind.mdb")));
      env.pages.databases.set_text(sel_file_page::dest_id, wide(kDatabase));
      answer_overwrite(c.radio, c.button, text, caption);
      env.press(ui_id_next);
      EXPECT_EQ(env.page(), c.page);
    });
    EXPECT_EQ(text,
              L"The destination database already exists. Select one of the\noptions below. Click 'Help' button for "
              L"more information.");
    EXPECT_EQ(caption, L"Ostrelle 8.3 Warning");
    EXPECT_EQ(env.converter.conversion_mode, c.mode);
    // The wizard left without running: the database is as it was.
    EXPECT_EQ(tables_of(conn), std::vector<std::string>{"keepme"});
    if (std::string(c.name) != "overwrite") continue;
    // Starting the run clears the destination first.
    ASSERT_TRUE(env.converter.check_dest_first);
    env.converter.run();
    EXPECT_EQ(tables_of(conn), std::vector<std::string>{});
  }
  test_env::query_rows(conn, std::string("DROP DATABASE IF EXISTS ") + kDatabase);
  mysql_close(conn);
}

TEST(SettingsOverwrite, HelpLeavesTheDialogOpen) {
  const test_env::server_address server = test_env::test_server();
  MYSQL* conn = test_env::connect_mysql(server);
  ASSERT_NE(conn, nullptr);
  test_env::query_rows(conn, std::string("CREATE DATABASE IF NOT EXISTS ") + kDatabase + "_help");
  wizard_env env;
  env.use_test_server();
  env.converter.direct = true;
  env.run(106, [&] {
    env.pages.databases.set_text(sel_file_page::source_id, wide(testdata("access/real/nwind.mdb")));
    env.pages.databases.set_text(sel_file_page::dest_id, wide(std::string(kDatabase) + "_help"));
    later([&] {
      ui_control_host* dialog = modal_dialog();
      ASSERT_NE(dialog, nullptr);
      click(dialog, overwrite_dlg3::help_id);
      EXPECT_EQ(modal_dialog(), dialog);
      click(dialog, 2);
    });
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 106);
  });
  EXPECT_EQ(env.help_opened(), std::vector<std::string>{"1013.html"});
  test_env::query_rows(conn, std::string("DROP DATABASE IF EXISTS ") + kDatabase + "_help");
  mysql_close(conn);
}

std::string content(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SettingsOverwrite, ExistingDumpIsKeptUntilTheRun) {
  const std::string folder = test_env::make_temp_dir();
  const std::string dump = folder + "/old.sql";
  struct answer_case {
    const char* name;
    int answer;
    int page;
  } cases[] = {{"no", ui_id_no, 106}, {"yes", ui_id_yes, 110}};
  for (const answer_case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(dump, std::ios::trunc) << "-- the old dump\n";
    wizard_env env;
    env.converter.direct = false;
    env.boxes.answers = {c.answer};
    env.run(106, [&] {
      env.pages.databases.set_text(sel_file_page::source_id, wide(testdata("access/real/nwind.mdb")));
      env.pages.databases.set_text(sel_file_page::dest_id, wide(dump));
      env.press(ui_id_next);
      EXPECT_EQ(env.page(), c.page);
    });
    ASSERT_EQ(env.boxes.taken().size(), 1u);
    EXPECT_EQ(env.boxes.taken()[0].text, L"Destination file already exists. Overwrite?");
    EXPECT_EQ(env.boxes.taken()[0].default_answer, ui_id_no);
    EXPECT_EQ(content(dump), "-- the old dump\n");
    if (c.answer != ui_id_yes) continue;
    env.converter.run();
    EXPECT_EQ(content(dump).find("-- the old dump"), std::string::npos);
  }
}

TEST(SettingsOverwrite, DestinationFailingAtTheRunIsARunError) {
  const std::string folder = test_env::make_temp_dir();
  const std::string dump = folder + "/later.sql";
  wizard_env env;
  wizard_front_end front(env.shell, env.shell.errors());
  env.converter.direct = false;
  env.run(106, [&] {
    env.pages.databases.set_text(sel_file_page::source_id, wide(testdata("access/real/nwind.mdb")));
    env.pages.databases.set_text(sel_file_page::dest_id, wide(dump));
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 110);
  });
  // Between the page and the run the path became a folder.
  std::filesystem::create_directory(dump);
  env.converter.run();
  const std::vector<std::string> errors = env.shell.errors().entries();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Destination name should specify a file, not folder."), std::string::npos) << errors[0];
  EXPECT_EQ(env.converter.tables_written, 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dump));
}

}  // namespace
