// The server page (connecting on Next) and the conversion settings page, against the private
// server.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include "SQL/sql_connection.h"
#include "tests/support/sql_fault_connection.h"
#include "tests/wizard/settings_pages_env.h"

namespace {

const std::wstring kAccessDenied =
    L"Access denied. Verify the user name and password are correct, and you have\nthe necessary privileges to "
    L"connect to the target MySQL server.";
const std::wstring kCannotConnect =
    L"Cannot connect to the MySQL server. Check to verify that MySQL server\nis launched and the correct "
    L"host/port values were given.";
const std::wstring kProtocol =
    L"The program does not support authentication protocol requested by server.\nSee 'Troubleshooting' article "
    L"of the product documentation.";

TEST(SettingsServerPage, ConnectsOnNextOrStaysWithTheReason) {
  const test_env::server_address server = test_env::test_server();
  const std::wstring port = std::to_wstring(server.port);
  struct connect_case {
    const char* name;
    std::wstring password;
    std::wstring port;
    std::wstring box;  // empty: the next page shows
  } cases[] = {
      {"right account", wide(server.password), port, L""},
      {"wrong password", L"not-the-password", port, kAccessDenied},
      {"closed port", wide(server.password), L"1", kCannotConnect},
      {"letters", wide(server.password), L"abc", L"Invalid port number"},
      {"zero", wide(server.password), L"0", L"Invalid port number"},
      // Digits followed by other text are not a port: connecting to a port other than the one
      // typed would reach some other server.
      {"digits then letters", wide(server.password), port + L"abc", L"Invalid port number"},
  };
  for (const connect_case& c : cases) {
    SCOPED_TRACE(c.name);
    wizard_env env;
    env.converter.direct = true;
    mysql_settings_page& p = env.pages.server;
    env.run(123, [&] {
      click(&p, mysql_settings_page::remote_id);
      p.set_text(mysql_settings_page::host_id, L"127.0.0.1");
      p.set_text(mysql_settings_page::port_id, c.port);
      p.set_text(mysql_settings_page::user_id, wide(server.user));
      p.set_text(mysql_settings_page::password_id, c.password);
      env.press(ui_id_next);
      EXPECT_EQ(env.page(), c.box.empty() ? 105 : 123);
      if (!c.box.empty()) {
        // The user stays with what was typed.
        EXPECT_EQ(p.get_text(mysql_settings_page::password_id), c.password);
        EXPECT_EQ(p.get_text(mysql_settings_page::port_id), c.port);
      }
    });
    if (c.box.empty()) {
      EXPECT_TRUE(env.boxes.texts().empty());
      EXPECT_GE(env.converter.engine.version, 0x050000u);
    } else {
      EXPECT_EQ(env.boxes.texts(), std::vector<std::wstring>{c.box});
    }
    EXPECT_TRUE(env.help_opened().empty());
  }
}

TEST(SettingsServerPage, LocalStoresTheSocketWhateverTheDisabledFieldsShow) {
  wizard_env env;
  env.converter.host = "db.example";
  env.converter.port = "3310";
  mysql_settings_page& p = env.pages.server;
  env.run(123, [&] {
    EXPECT_EQ(p.get_check(mysql_settings_page::remote_id), ui_checked);
    click(&p, mysql_settings_page::local_id);
    EXPECT_FALSE(p.is_enabled(mysql_settings_page::host_id));
    EXPECT_EQ(p.get_text(mysql_settings_page::host_id), L"db.example");
    env.press(ui_id_back);
    EXPECT_EQ(env.page(), 103);
  });
  EXPECT_EQ(env.converter.host, "");
  EXPECT_EQ(env.converter.port, "3306");

  // An empty port field is the default port.
  env.run(123, [&] {
    click(&p, mysql_settings_page::remote_id);
    p.set_text(mysql_settings_page::port_id, L"");
    env.press(ui_id_back);
  });
  EXPECT_EQ(env.converter.host, "db.example");
  EXPECT_EQ(env.converter.port, "3306");
}

// A connection that the server refuses for its authentication protocol.
class protocol_refusal : public test_env::sql_fault_connection {
 public:
  protocol_refusal(std::unique_ptr<sql_connection> inner, unsigned number)
      : sql_fault_connection(std::move(inner)), number_(number) {}
  bool connect(const sql_connect_settings&) override { return false; }
  unsigned error_number() const override { return number_; }
  std::string error_text() const override { return "Client does not support authentication protocol"; }

 private:
  unsigned number_;
};

TEST(SettingsServerPage, ProtocolErrorsOpenTheirHelp) {
  for (unsigned number : {1249u, 1250u, 1251u}) {
    SCOPED_TRACE(number);
    wizard_env env;
    env.converter.engine.replace_connection(
        std::make_unique<protocol_refusal>(env.converter.engine.replace_connection(nullptr), number));
    env.run(123, [&] {
      click(&env.pages.server, mysql_settings_page::remote_id);
      env.pages.server.set_text(mysql_settings_page::host_id, L"127.0.0.1");
      env.pages.server.set_text(mysql_settings_page::port_id, L"3306");
      env.press(ui_id_next);
      EXPECT_EQ(env.page(), 123);
    });
    EXPECT_EQ(env.boxes.texts(), std::vector<std::wstring>{kProtocol});
    EXPECT_EQ(env.help_opened(), std::vector<std::string>{"1022.html"});
  }
}

// The conversion settings page's lists and what it stores.
struct prefix_case {
  const char* stored;
  const char* shown;  // the list text selected; "" for none
  const char* kept;   // the character set stored back
};

void check_charsets(wizard_env& env, const std::vector<prefix_case>& cases) {
  conversion_settings& p = env.pages.conversion;
  for (const prefix_case& c : cases) {
    SCOPED_TRACE(c.stored);
    env.converter.engine.charset = wide(c.stored);
    env.run(110, [&] {
      const int current = p.list_current(conversion_settings::charset_list_id);
      const std::wstring shown = current < 0 ? L"" : p.list_text(conversion_settings::charset_list_id, current);
      EXPECT_EQ(shown.substr(0, shown.find(L' ')), wide(c.shown));
      env.press(ui_id_next);
    });
    EXPECT_EQ(env.converter.engine.charset, wide(c.kept));
  }
}

TEST(SettingsConversionPage, ServerListsSelectByPrefixFromTheSecondEntry) {
  wizard_env env;
  env.use_test_server();
  env.converter.direct = true;
  check_charsets(env, {{"utf8", "utf8mb3", "utf8mb3"},
                       {"UTF16", "utf16", "utf16"},
                       {"latin1", "latin1", "latin1"},
                       {"nosuchset", "", "nosuchset"},
                       {"", "Automatic", ""}});
  // The first name (after the automatic entry) is chosen only when no later one matches.
  conversion_settings& p = env.pages.conversion;
  EXPECT_EQ(p.list_text(conversion_settings::charset_list_id, 0), conversion_settings::automatic_charset);
  const std::wstring first = p.list_text(conversion_settings::charset_list_id, 1);
  check_charsets(env, {{tk_unicode_to_utf8(first.substr(0, first.find(L' '))).c_str(),
                        tk_unicode_to_utf8(first.substr(0, first.find(L' '))).c_str(),
                        tk_unicode_to_utf8(first.substr(0, first.find(L' '))).c_str()}});
  env.converter.engine.engine = L"myisam";
  env.run(110, [&] {
    const int current = p.list_current(conversion_settings::engine_list_id);
    ASSERT_GE(current, 0);
    EXPECT_EQ(p.list_text(conversion_settings::engine_list_id, current), L"MyISAM");
    env.press(ui_id_next);
  });
  EXPECT_EQ(env.converter.engine.engine, L"MyISAM");
}

TEST(SettingsConversionPage, DumpUsesTheBuiltInListsFilledOnce) {
  wizard_env env;
  env.converter.direct = false;
  env.converter.bool_map = 1;
  env.converter.convert_views = true;
  conversion_settings& p = env.pages.conversion;
  int first_count = 0;
  env.run(110, [&] {
    first_count = p.list_count(conversion_settings::charset_list_id);
    EXPECT_GT(first_count, 1);
    EXPECT_EQ(p.list_current(conversion_settings::bool_list_id), 1);
    EXPECT_TRUE(p.is_enabled(conversion_settings::views_id));
    click(&p, conversion_settings::skip_idx_id);
    env.press(ui_id_next);
  });
  EXPECT_TRUE(env.converter.skip_idx);
  EXPECT_TRUE(env.converter.convert_views);
  // A server that cannot make views disables the box; its check is stored as it stands.
  env.converter.direct = true;
  env.converter.engine.version = 0x040100;
  env.run(110, [&] {
    EXPECT_FALSE(p.is_enabled(conversion_settings::views_id));
    EXPECT_EQ(p.get_check(conversion_settings::views_id), ui_checked);
    EXPECT_EQ(p.list_count(conversion_settings::charset_list_id), first_count);
    env.press(ui_id_back);
  });
  EXPECT_TRUE(env.converter.convert_views);
  EXPECT_EQ(env.converter.bool_map, 1u);
  // Nothing stored shows the automatic entry; choosing it after a name stores nothing again.
  env.converter.engine.charset.clear();
  env.run(110, [&] {
    EXPECT_EQ(p.get_text(conversion_settings::charset_list_id), conversion_settings::automatic_charset);
    env.press(ui_id_next);
  });
  EXPECT_EQ(env.converter.engine.charset, L"");
  env.converter.engine.charset = L"latin1";
  env.run(110, [&] {
    EXPECT_EQ(p.get_text(conversion_settings::charset_list_id).substr(0, 6), L"latin1");
    auto* list = qobject_cast<QComboBox*>(p.control(conversion_settings::charset_list_id));
    ASSERT_NE(list, nullptr);
    // As a user picks it: the keyboard moves the list to its first entry.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    env.press(ui_id_next);
  });
  EXPECT_EQ(env.converter.engine.charset, L"");
}

}  // namespace
