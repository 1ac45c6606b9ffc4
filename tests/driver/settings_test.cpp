// The converter's settings: the per-user store in both programs, the connection texts, the
// database-name rule, the log-file and dump-path checks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "TK/tk_logger.h"
#include "common/common_check_dest.h"
#include "converter/vandry_converter.h"
#include "tests/driver/driver_test_util.h"

namespace {

TEST(Settings, DefaultsWithoutStoredValues) {
  fresh_config_home();
  vandry_converter c(converter_program::wizard);
  EXPECT_TRUE(c.direct);
  EXPECT_TRUE(c.convert_views);
  EXPECT_EQ(c.bool_map, 0u);
  EXPECT_EQ(c.port, "3306");
  EXPECT_EQ(c.dump.line_break, 0u);
  EXPECT_TRUE(c.dump.new_version);
  EXPECT_TRUE(c.dump.add_lock);
  EXPECT_TRUE(c.dump.insert_comments);
  EXPECT_FALSE(c.dump.create_database);
  EXPECT_TRUE(c.dump.create_table);
  EXPECT_FALSE(c.skip_idx);
  EXPECT_FALSE(c.tab_def);
  EXPECT_FALSE(c.use_ugl);
  EXPECT_TRUE(c.src.empty() && c.dest.empty() && c.host.empty() && c.acc_pswd.empty());
  EXPECT_EQ(vandry_converter::instance(), &c);
  // A second converter does not take the registration.
  vandry_converter second(converter_program::console);
  EXPECT_EQ(vandry_converter::instance(), &c);
}

TEST(Settings, WizardStoresEverythingConsoleLoadsItsPartOnly) {
  fresh_config_home();
  {
    vandry_converter w(converter_program::wizard);
    w.acc_pswd = L"p\u00E4ss";
    w.bool_map = 7;
    w.convert_views = false;
    w.dest = L"/tmp/out.sql";
    w.direct = false;
    w.engine.charset = L"latin1";
    w.engine.engine = L"MyISAM";
    w.dump = dump_options();
    w.dump.line_break = 1;
    w.dump.new_version = false;
    w.dump.add_lock = false;
    w.dump.insert_comments = false;
    w.dump.create_database = true;
    w.dump.create_table = false;
    w.host = "db.example";
    w.log_file = "/tmp/x.log";
    w.port = "3307";
    w.password = "secret";
    w.skip_idx = true;
    w.src = L"/data/nwind.mdb";
    w.sysdb = L"/data/system.mdw";
    w.tab_def = true;
    w.ugl_user = L"admin";
    w.ugl_password = L"pw";
    w.use_ugl = true;
    w.user = "root";
  }
  {
    vandry_converter console(converter_program::console);
    EXPECT_EQ(console.engine.charset, L"latin1");
    EXPECT_EQ(console.engine.engine, L"MyISAM");
    EXPECT_EQ(console.dump.line_break, 1u);
    EXPECT_FALSE(console.dump.new_version);
    EXPECT_FALSE(console.dump.add_lock);
    EXPECT_FALSE(console.dump.insert_comments);
    EXPECT_TRUE(console.dump.create_database);
    EXPECT_FALSE(console.dump.create_table);
    // The rest comes from the command line.
    EXPECT_TRUE(console.src.empty());
    EXPECT_TRUE(console.host.empty());
    EXPECT_TRUE(console.direct);
    console.src = L"changed by the console";
    console.engine.charset = L"utf8mb4";
  }
  vandry_converter w(converter_program::wizard);
  EXPECT_EQ(w.acc_pswd, L"p\u00E4ss");
  EXPECT_EQ(w.bool_map, 7u);
  EXPECT_FALSE(w.convert_views);
  EXPECT_EQ(w.dest, L"/tmp/out.sql");
  EXPECT_FALSE(w.direct);
  EXPECT_EQ(w.engine.charset, L"latin1") << "the console stores nothing";
  EXPECT_EQ(w.host, "db.example");
  EXPECT_EQ(w.log_file, "/tmp/x.log");
  EXPECT_EQ(w.port, "3307");
  EXPECT_EQ(w.password, "secret");
  EXPECT_TRUE(w.skip_idx);
  EXPECT_EQ(w.src, L"/data/nwind.mdb");
  EXPECT_EQ(w.sysdb, L"/data/system.mdw");
  EXPECT_TRUE(w.tab_def);
  EXPECT_EQ(w.ugl_user, L"admin");
  EXPECT_EQ(w.ugl_password, L"pw");
  EXPECT_TRUE(w.use_ugl);
  EXPECT_EQ(w.user, "root");
}

TEST(Settings, ConnectionTextsAndPort) {
  fresh_config_home();
  vandry_converter c(converter_program::console);
  c.store_mysql_settings(" host ", " u ", " p w ", "  ");
  EXPECT_EQ(c.host, "host");
  EXPECT_EQ(c.user, "u");
  EXPECT_EQ(c.password, "p w");
  EXPECT_EQ(c.port, "3306");
  c.store_mysql_settings("h", "u", "p", " 3307 ");
  EXPECT_EQ(c.port, "3307");

  struct Case {
    const char* text;
    std::uint32_t port;
  } cases[] = {
      {"3306", 3306}, {"65535", 65535}, {"1", 1},      {"03306", 3306},    {"  +3307", 0}, {"+3307", 0},
      {" 3306", 0},   {"3308abc", 0},   {"3306.9", 0}, {"abc", 0},         {"0", 0},       {"", 0},
      {"-3306", 0},   {"65536", 0},     {"70000", 0},  {"99999999999", 0},
  };
  for (const Case& k : cases) EXPECT_EQ(mysql_converter_impl::parse_port(k.text), k.port) << k.text;

  // A port that is no number is refused before anything is sent.
  c.port = "abc";
  try {
    c.connect_mysql_server();
    ADD_FAILURE() << "connected";
  } catch (const tk_exception& e) {
    EXPECT_STREQ(e.what(), "Invalid port number");
    EXPECT_EQ(e.kind(), tk_kind_error);
  }
}

TEST(Settings, DatabaseNameRuleFollowsServerVersion) {
  fresh_config_home();
  vandry_converter c(converter_program::wizard);
  struct Case {
    std::uint32_t version;
    const wchar_t* name;
    const char* refusal;  // null: accepted
  } cases[] = {
      {0x00050000, L"1shop", nullptr},
      {0x00050000, L"my db", nullptr},
      {0x00050000, L"a/b",
       "Not a valid MySQL database name. Use alphanumeric characters\r\n(A-Z, a-z, 0-9), '_', '$' and spaces to "
       "compose new database name."},
      {0x00032300, L"1shop",
       "Not a valid MySQL database name. It cannot consist only of numbers\nor start with a digit and must "
       "differ from any MySQL keyword. Use\nalphanumeric symbols (A-Z, a-z, 0-9), '_' and '$' to compose\nnew "
       "database name."},
  };
  for (const Case& k : cases) {
    c.engine.version = k.version;
    try {
      c.check_mysql_db_name(k.name);
      EXPECT_EQ(k.refusal, nullptr) << "accepted";
    } catch (const tk_exception& e) {
      ASSERT_NE(k.refusal, nullptr) << e.what();
      EXPECT_STREQ(e.what(), k.refusal);
    }
  }
}

TEST(Settings, LogFileAndDumpPathChecks) {
  const std::string dir = test_env::make_temp_dir();
  const std::string readonly = dir + "/ro.txt";
  std::ofstream(readonly) << "x";
  ASSERT_EQ(::chmod(readonly.c_str(), 0444), 0);
  struct Case {
    std::string path;
    const char* log_error;   // null: accepted
    const char* dump_error;  // null: accepted
  } cases[] = {
      {dir + "/new.txt", nullptr, nullptr},
      {dir, "Logfile name specifies an existing path.", "Destination name should specify a file, not folder."},
      {readonly, "Logfile name specifies an existing read-only file.",
       "Destination name specifies an existing read-only file."},
      {dir + "/none/new.txt", "Logfile path does not exist.\nPlease verify the correct path was given.",
       "Destination path does not exist.\nPlease verify the correct path was given."},
  };
  tk_logger logger(nullptr, false, 3, false);
  fresh_config_home();
  vandry_converter c(converter_program::console);
  for (const Case& k : cases) {
    try {
      c.set_logfile(k.path);
      EXPECT_EQ(k.log_error, nullptr) << k.path;
    } catch (const tk_exception& e) {
      ASSERT_NE(k.log_error, nullptr) << e.what();
      EXPECT_STREQ(e.what(), k.log_error);
    }
    EXPECT_EQ(c.log_file, k.path);
    try {
      common_check_dest(widen(k.path));
      EXPECT_EQ(k.dump_error, nullptr) << k.path;
    } catch (const tk_exception& e) {
      ASSERT_NE(k.dump_error, nullptr) << e.what();
      EXPECT_STREQ(e.what(), k.dump_error);
    }
  }
  // An empty log path keeps the logger's file.
  c.set_logfile("");
  EXPECT_TRUE(c.log_file.empty());
  tk_log1(tk_log_event, "still written");
  std::ifstream in(dir + "/new.txt");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "still written\r");
}

}  // namespace
