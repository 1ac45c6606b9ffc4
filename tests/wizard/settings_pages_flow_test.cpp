// The settings pages as a whole: the routes through them for both targets, and Load Settings.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>

#include "tests/wizard/settings_pages_env.h"

namespace {

struct step {
  int button;    // ui_id_next or ui_id_back
  int expected;  // the page shown afterwards
};

// Fills a page as a user would before pressing Next on it.
void fill(wizard_env& env, int page, bool direct, const std::string& dest) {
  const test_env::server_address server = test_env::test_server();
  if (page == 103) click(&env.pages.welcome, direct ? welcome_page::direct_id : welcome_page::dump_id);
  if (page == 123) {
    mysql_settings_page& p = env.pages.server;
    click(&p, mysql_settings_page::remote_id);
    p.set_text(mysql_settings_page::host_id, L"127.0.0.1");
    p.set_text(mysql_settings_page::port_id, std::to_wstring(server.port));
    p.set_text(mysql_settings_page::user_id, wide(server.user));
    p.set_text(mysql_settings_page::password_id, wide(server.password));
  }
  if (page == 106) {
    env.pages.databases.set_text(sel_file_page::source_id, wide(testdata("access/real/nwind.mdb")));
    env.pages.databases.set_text(sel_file_page::dest_id, wide(dest));
  }
}

// Alt and a label's underlined letter move the focus to the label's field; on a check box or a
// radio they press it, as a click would.
TEST(SettingsPagesFlow, AltAndTheUnderlinedLetterReachTheControl) {
  struct key_case {
    int page;
    Qt::Key key;
    int focused;  // the control that has the focus afterwards
    int checked;  // a check box or radio checked by the key; 0 for a label
  };
  const key_case cases[] = {
      {105, Qt::Key_W, ugl_page::sysdb_id, 0},
      {105, Qt::Key_U, ugl_page::user_id, 0},
      {105, Qt::Key_P, ugl_page::password_id, 0},
      {110, Qt::Key_M, conversion_settings::charset_list_id, 0},
      {110, Qt::Key_E, conversion_settings::engine_list_id, 0},
      {110, Qt::Key_O, conversion_settings::bool_list_id, 0},
      {110, Qt::Key_K, conversion_settings::skip_idx_id, conversion_settings::skip_idx_id},
      {123, Qt::Key_U, mysql_settings_page::user_id, 0},
      {123, Qt::Key_P, mysql_settings_page::password_id, 0},
      {123, Qt::Key_H, mysql_settings_page::host_id, 0},
      {123, Qt::Key_O, mysql_settings_page::port_id, 0},
      {123, Qt::Key_L, mysql_settings_page::local_id, mysql_settings_page::local_id},
      {127, Qt::Key_S, sel_tables_page::selected_id, 0},
  };
  wizard_env env;
  env.converter.direct = false;
  env.converter.src = wide(testdata("access/real/nwind.mdb"));
  env.converter.use_ugl = true;
  // Connected, so that the character-set list this fills (once per process) is the server's, as
  // the conversion page's own tests expect.
  env.use_test_server();
  for (const key_case& c : cases) {
    SCOPED_TRACE(std::to_string(c.page) + " Alt+" + QKeySequence(c.key).toString().toStdString());
    env.run(c.page, [&] {
      ui_page* page = env.sheet().current_page();
      ASSERT_NE(page, nullptr);
      ASSERT_EQ(page->dialog_id(), c.page);
      env.sheet().activateWindow();
      QTest::keyClick(page->focusWidget() != nullptr ? page->focusWidget() : page, c.key, Qt::AltModifier);
      EXPECT_TRUE(wait_for([&] { return page->focused() == c.focused; }, 5000)) << "focused: " << page->focused();
      if (c.checked != 0) {
        EXPECT_TRUE(wait_for([&] { return page->get_check(c.checked) == ui_checked; }, 5000));
      }
    });
  }
}

TEST(SettingsPagesFlow, RoutesOfBothTargets) {
  const std::string folder = test_env::make_temp_dir();
  struct route {
    bool direct;
    std::string dest;
    std::vector<step> steps;
  } routes[] = {
      {true,
       "wizard_route_new",
       {{ui_id_next, 123},
        {ui_id_next, 105},
        {ui_id_next, 106},
        {ui_id_next, 110},
        {ui_id_next, 127},
        {ui_id_back, 110},
        {ui_id_back, 106},
        {ui_id_back, 105},
        {ui_id_back, 123},
        {ui_id_back, 103}}},
      {false,
       folder + "/route.sql",
       {{ui_id_next, 102},
        {ui_id_next, 105},
        {ui_id_next, 106},
        {ui_id_next, 110},
        {ui_id_back, 106},
        {ui_id_back, 105},
        {ui_id_back, 102},
        {ui_id_back, 103}}},
  };
  for (const route& r : routes) {
    SCOPED_TRACE(r.direct ? "server" : "dump");
    wizard_env env;
    env.run(103, [&] {
      for (const step& s : r.steps) {
        if (s.button == ui_id_next) fill(env, env.page(), r.direct, r.dest);
        env.press(s.button);
        ASSERT_EQ(env.page(), s.expected)
            << (env.boxes.texts().empty() ? "" : tk_unicode_to_utf8(env.boxes.texts().back()));
      }
    });
    EXPECT_TRUE(env.boxes.texts().empty());
    EXPECT_EQ(env.converter.direct, r.direct);
    EXPECT_EQ(env.converter.dest, wide(r.dest));
  }
}

// A profile written by the converter itself, changed by `edit` (whole lines replaced).
std::wstring profile_with(wizard_env& env, const std::string& folder, const std::string& name,
                          const std::function<void(std::string&)>& edit = {}) {
  const std::string path = folder + "/" + name;
  EXPECT_TRUE(env.converter.store_profile(wide(path)));
  if (edit) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    edit(text);
    std::ofstream(path, std::ios::trunc) << text;
  }
  return wide(path);
}

void replace(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

TEST(SettingsPagesFlow, LoadSettingsRoundTripThroughTheFileDialogs) {
  const std::string folder = test_env::make_temp_dir();
  wizard_env env;
  env.converter.direct = false;
  env.converter.src = L"/data/a.mdb";
  env.converter.dest = L"/out/a.sql";
  env.converter.bool_map = 1;
  env.converter.items = {{L"Orders", L""}};
  env.converter.user = "writer";
  const std::wstring path = profile_with(env, folder, "round.vdy");
  env.converter.direct = true;
  env.converter.src.clear();
  env.converter.bool_map = 0;
  env.converter.items.clear();
  env.files.answers.push_back(path);
  env.run(103, [&] {
    ASSERT_EQ(env.pages.welcome.get_check(welcome_page::direct_id), ui_checked);
    click(&env.pages.welcome, welcome_page::load_id);
    settle();
    // The page shows the loaded scenario at once.
    EXPECT_EQ(env.pages.welcome.get_check(welcome_page::dump_id), ui_checked);
  });
  ASSERT_EQ(env.files.requests.size(), 1u);
  EXPECT_EQ(env.files.requests[0].title, L"Select Profile");
  EXPECT_TRUE(env.boxes.texts().empty());
  EXPECT_FALSE(env.converter.direct);
  EXPECT_EQ(env.converter.src, L"/data/a.mdb");
  EXPECT_EQ(env.converter.bool_map, 1u);
  EXPECT_EQ(env.converter.user, "writer");
  EXPECT_EQ(env.converter.items, (udb_converter::item_list{{L"Orders", L""}}));
}

TEST(SettingsPagesFlow, LoadedListsReplaceTheSelection) {
  const std::string folder = test_env::make_temp_dir();
  wizard_env env;
  env.converter.items = {{L"Orders", L""}, {L"Old query", L"SELECT 1"}};
  env.converter.selected_views = {{L"v1", L"SELECT 2"}};
  const std::wstring first = profile_with(env, folder, "first.vdy");
  env.converter.items = {{L"Customers", L""}};
  env.converter.selected_views.clear();
  const std::wstring second = profile_with(env, folder, "second.vdy");
  env.converter.items.clear();
  env.files.answers = {first, second};
  env.run(103, [&] {
    click(&env.pages.welcome, welcome_page::load_id);
    click(&env.pages.welcome, welcome_page::load_id);
    settle();
  });
  EXPECT_TRUE(env.boxes.texts().empty());
  EXPECT_EQ(env.converter.items, (udb_converter::item_list{{L"Customers", L""}}));
  EXPECT_TRUE(env.converter.selected_views.empty());
}

TEST(SettingsPagesFlow, ProfileThatFailsChangesNothing) {
  const std::string folder = test_env::make_temp_dir();
  wizard_env env;
  env.converter.src = L"/data/new.mdb";
  env.converter.items = {{L"FromProfile", L""}};
  env.converter.conversion_mode = mode_merge;
  const std::wstring bad_mode =
      profile_with(env, folder, "mode.vdy", [](std::string& t) { replace(t, "mode=3", "mode=7"); });
  std::filesystem::create_directory(folder + "/folder.vdy");
  const std::wstring unreadable = wide(folder + "/folder.vdy");
  const std::wstring missing = wide(folder + "/missing.vdy");

  struct failing {
    const char* name;
    std::wstring path;
    std::wstring message_part;
  } cases[] = {
      {"unknown mode", bad_mode, L"The profile names an unknown conversion mode '7'"},
      {"a folder", unreadable, L"Cannot load conversion settings from '" + unreadable + L"'"},
      {"missing file", missing, L"Cannot load conversion settings from '" + missing + L"'"},
  };
  for (const failing& c : cases) {
    SCOPED_TRACE(c.name);
    env.converter.src = L"/data/kept.mdb";
    env.converter.items = {{L"Kept", L""}};
    env.converter.conversion_mode = mode_skip_tables;
    env.converter.direct = true;
    env.boxes.boxes.clear();
    env.files.answers = {c.path};
    env.run(103, [&] {
      click(&env.pages.welcome, welcome_page::load_id);
      settle();
    });
    ASSERT_EQ(env.boxes.texts().size(), 1u);
    EXPECT_NE(env.boxes.texts()[0].find(c.message_part), std::wstring::npos)
        << tk_unicode_to_utf8(env.boxes.texts()[0]);
    EXPECT_EQ(env.boxes.taken()[0].icon, ui_box_icon::error);
    EXPECT_EQ(env.converter.src, L"/data/kept.mdb");
    EXPECT_EQ(env.converter.items, (udb_converter::item_list{{L"Kept", L""}}));
    EXPECT_EQ(env.converter.conversion_mode, mode_skip_tables);
    EXPECT_TRUE(env.converter.direct);
  }
}

}  // namespace
