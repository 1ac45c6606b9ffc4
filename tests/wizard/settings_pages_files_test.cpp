// The dump file, workgroup and select-databases pages: options, the checks of Next in their
// order, the destination suggestion and the overwrite dialog.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "GUI2/overwrite_dlg3.h"
#include "tests/support/test_mysql.h"
#include "tests/wizard/settings_pages_env.h"

namespace {

namespace fs = std::filesystem;

TEST(SettingsDumpPage, OptionsAndTheirDependencies) {
  wizard_env env;
  env.converter.direct = false;
  env.converter.dump = dump_options();
  env.converter.dump.create_database = true;
  dump_page& p = env.pages.dump;
  env.run(102, [&] {
    EXPECT_EQ(p.get_check(dump_page::new_version_id), ui_checked);
    EXPECT_EQ(p.get_check(dump_page::windows_breaks_id), ui_checked);
    // Without CREATE TABLE there is no CREATE DATABASE; its own choice is kept.
    click(&p, dump_page::create_table_id);
    EXPECT_FALSE(p.is_enabled(dump_page::create_database_id));
    EXPECT_EQ(p.get_check(dump_page::create_database_id), ui_checked);
    // Each radio pair keeps the other's choice.
    click(&p, dump_page::unix_breaks_id);
    click(&p, dump_page::old_version_id);
    EXPECT_EQ(p.get_check(dump_page::unix_breaks_id), ui_checked);
    EXPECT_EQ(p.get_check(dump_page::windows_breaks_id), ui_unchecked);
    EXPECT_EQ(p.get_check(dump_page::old_version_id), ui_checked);
    EXPECT_EQ(p.get_check(dump_page::new_version_id), ui_unchecked);
    click(&p, dump_page::comments_id);
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 105);
  });
  const dump_options& d = env.converter.dump;
  EXPECT_FALSE(d.create_table);
  EXPECT_TRUE(d.create_database);
  EXPECT_FALSE(d.insert_comments);
  EXPECT_FALSE(d.new_version);
  EXPECT_EQ(d.line_break, 1u);
  EXPECT_EQ(env.converter.engine.version, dump_page::old_version);

  env.run(102, [&] {
    EXPECT_FALSE(p.is_enabled(dump_page::create_database_id));
    click(&p, dump_page::new_version_id);
    click(&p, dump_page::windows_breaks_id);
    env.press(ui_id_back);
    EXPECT_EQ(env.page(), 103);
  });
  EXPECT_TRUE(env.converter.dump.new_version);
  EXPECT_EQ(env.converter.dump.line_break, 0u);
  EXPECT_EQ(env.converter.engine.version, dump_page::new_version);
}

// A file with the signature of a workgroup information file.
std::string workgroup_file(const std::string& folder) {
  const std::string path = folder + "/system.mdw";
  std::string bytes(64, '\0');
  const char signature[] = "Jet System DB  ";
  std::copy(signature, signature + 15, bytes.begin() + 4);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

const std::wstring kNoWorkgroupFile =
    L"Workgroup information file does not exist.\r\nPlease verify the correct path was given.";
const std::wstring kNotWorkgroupFile =
    L"The file does not comply with MS Access workgroup information\r\nfile format. Leave all the fields empty on "
    L"this wizard page if your\r\ndatabase is not protected with MS Access user-level security.";

TEST(SettingsWorkgroupPage, ChecksInTheirOrder) {
  const std::string folder = test_env::make_temp_dir();
  const std::wstring mdw = wide(workgroup_file(folder));
  const std::wstring nwind = wide(testdata("access/real/nwind.mdb"));
  struct ugl_case {
    const char* name;
    bool box;
    std::wstring file;
    std::wstring user;
    std::wstring box_text;  // empty: the next page shows
  } cases[] = {
      {"box clear", false, L"/no/such.mdw", L"admin", L""},
      {"missing file", true, L"/no/such.mdw", L"admin", kNoWorkgroupFile},
      {"not a workgroup file", true, nwind, L"admin", kNotWorkgroupFile},
      {"path without user", true, mdw, L"", L"You should enter user name"},
      {"user without path", true, L"", L"admin", L"You should enter path to MS Access workgroup information file"},
      {"file and user", true, mdw, L"admin", L""},
      {"both empty", true, L"", L"", L""},
  };
  for (const ugl_case& c : cases) {
    SCOPED_TRACE(c.name);
    wizard_env env;
    ugl_page& p = env.pages.workgroup;
    env.run(105, [&] {
      if (c.box) click(&p, ugl_page::use_ugl_id);
      p.set_text(ugl_page::sysdb_id, c.file);
      p.set_text(ugl_page::user_id, c.user);
      env.press(ui_id_next);
      EXPECT_EQ(env.page(), c.box_text.empty() ? 106 : 105);
      EXPECT_EQ(p.get_text(ugl_page::sysdb_id), c.file);
    });
    EXPECT_EQ(env.boxes.texts(),
              c.box_text.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.box_text});
  }
}

TEST(SettingsWorkgroupPage, BoxShowsWhatTheRunWillDo) {
  wizard_env env;
  // A file and a user make the run open the source with the workgroup, whatever the flag says.
  env.converter.use_ugl = false;
  env.converter.sysdb = L"/old/system.mdw";
  env.converter.ugl_user = L"admin";
  env.converter.ugl_password = L"pw";
  ugl_page& p = env.pages.workgroup;
  env.run(105, [&] {
    EXPECT_EQ(p.get_check(ugl_page::use_ugl_id), ui_checked);
    EXPECT_TRUE(p.is_enabled(ugl_page::sysdb_id));
    // Cleared: nothing of the workgroup is left for the run.
    click(&p, ugl_page::use_ugl_id);
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 106);
    env.press(ui_id_back);
    EXPECT_EQ(env.page(), 105);
    EXPECT_EQ(p.get_check(ugl_page::use_ugl_id), ui_unchecked);
    EXPECT_EQ(p.get_text(ugl_page::sysdb_id), L"");
    EXPECT_EQ(p.get_text(ugl_page::user_id), L"");
    EXPECT_EQ(p.get_text(ugl_page::password_id), L"");
  });
  EXPECT_FALSE(env.converter.use_ugl);
  EXPECT_FALSE(env.converter.uses_workgroup());
  EXPECT_EQ(env.converter.ugl_password, L"");
}

const std::wstring kNotAccess =
    L"Cannot recognize MS Access database format. See 'Troubleshooting'\narticle of the product documentation for "
    L"solution.";

TEST(SettingsSelectDatabases, ChecksInTheirOrder) {
  const std::string folder = test_env::make_temp_dir();
  const std::wstring nwind = wide(testdata("access/real/nwind.mdb"));
  const std::wstring encrypted = wide(testdata("access/encrypted/db2007-enc.accdb"));
  const std::wstring text_file = wide(folder + "/notes.mdb");
  std::ofstream(folder + "/notes.mdb") << "not a database, just some text\n";
  const std::wstring read_only = wide(folder + "/locked.sql");
  std::ofstream(folder + "/locked.sql") << "-- old\n";
  ::chmod((folder + "/locked.sql").c_str(), 0444);
  const std::wstring out = wide(folder + "/out.sql");
  struct select_case {
    const char* name;
    bool direct;
    std::wstring src, dest, log;
    std::wstring box_part;  // the start of the one box shown
    std::vector<std::string> help;
  } cases[] = {
      {"empty source", true, L"", L"", L"", L"You should enter MS Access database name", {}},
      {"empty server destination", true, nwind, L"", L"", L"You should enter MySQL database name", {}},
      {"empty dump destination", false, nwind, L"", L"", L"You should enter MySQL dump file name", {}},
      {"missing source", true, L"/no/such.mdb", L"db", L"", L"Source file does not exist.\r\nPlease verify", {}},
      {"text file as source", false, text_file, out, L"", kNotAccess, {"1022.html"}},
      {"wrong database password", false, encrypted, out, L"", L"", {}},
      {"folder as dump", false, nwind, wide(folder), L"", L"Destination name should specify a file, not folder.", {}},
      {"read-only dump", false, nwind, read_only, L"", L"Destination name specifies an existing read-only file.", {}},
      {"log path is a folder", false, nwind, out, wide(folder), L"Logfile name specifies an existing path.", {}},
  };
  for (const select_case& c : cases) {
    SCOPED_TRACE(c.name);
    wizard_env env;
    env.converter.direct = c.direct;
    sel_file_page& p = env.pages.databases;
    env.run(106, [&] {
      p.set_text(sel_file_page::source_id, c.src);
      p.set_text(sel_file_page::dest_id, c.dest);
      p.set_text(sel_file_page::log_id, c.log);
      if (std::string(c.name) == "wrong database password") {
        click(&p, sel_file_page::use_password_id);
        p.set_text(sel_file_page::password_id, L"not-the-password");
      }
      env.press(ui_id_next);
      EXPECT_EQ(env.page(), 106);
      EXPECT_EQ(p.get_text(sel_file_page::source_id), c.src);
      EXPECT_EQ(p.get_text(sel_file_page::dest_id), c.dest);
    });
    const std::vector<std::wstring> texts = env.boxes.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(c.box_part, 0), 0u) << tk_unicode_to_utf8(texts[0]);
    EXPECT_FALSE(texts[0].empty());
    EXPECT_EQ(env.help_opened(), c.help);
    EXPECT_FALSE(env.converter.check_dest_first);
  }
}

TEST(SettingsSelectDatabases, DestinationSuggestion) {
  const std::wstring a = L"/data/north.mdb";
  const std::wstring b = L"/data/south.accdb";
  struct suggest_case {
    const char* name;
    bool direct;
    std::wstring typed;   // in the destination before the source changes
    std::wstring source;  // the source when the destination gets the focus
    std::wstring shown;
  } cases[] = {
      {"empty destination", true, L"", a, L"north"},
      {"typed name stays", true, L"mine", a, L"mine"},
      {"dump: empty destination goes beside the source", false, L"", a, L"/data/north.sql"},
      {"dump: typed folder gets the source's name", false, L"/out/", a, L"/out/north.sql"},
      {"dump: typed file name stays", false, L"/out/old.sql", b, L"/out/old.sql"},
  };
  for (const suggest_case& c : cases) {
    SCOPED_TRACE(c.name);
    wizard_env env;
    env.converter.direct = c.direct;
    sel_file_page& p = env.pages.databases;
    env.run(106, [&] {
      p.set_text(sel_file_page::dest_id, c.typed);
      p.set_text(sel_file_page::source_id, c.source);
      p.control(sel_file_page::dest_id)->setFocus();
      settle();
      if (!c.shown.empty()) {
        EXPECT_EQ(p.get_text(sel_file_page::dest_id), c.shown);
      }
    });
  }

  // The page's own suggestion follows a new source, also one chosen with Browse; a typed name
  // survives leaving the page and coming back.
  wizard_env env;
  env.converter.direct = false;
  sel_file_page& p = env.pages.databases;
  env.run(106, [&] {
    p.set_text(sel_file_page::source_id, a);
    p.control(sel_file_page::dest_id)->setFocus();
    settle();
    // Without a folder typed, the suggestion lies beside the source.
    EXPECT_EQ(p.get_text(sel_file_page::dest_id), L"/data/north.sql");
    env.files.answers.push_back(b);
    click(&p, sel_file_page::browse_source_id);
    settle();
    EXPECT_EQ(p.get_text(sel_file_page::source_id), b);
    EXPECT_EQ(p.get_text(sel_file_page::dest_id), L"/data/south.sql") << "the suggestion follows the new source";
    p.set_text(sel_file_page::dest_id, L"/out/typed.sql");
    env.files.answers.push_back(a);
    click(&p, sel_file_page::browse_source_id);
    settle();
    EXPECT_EQ(p.get_text(sel_file_page::dest_id), L"/out/typed.sql");
    p.set_text(sel_file_page::dest_id, L"/out/kept.sql");
    env.press(ui_id_back);
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 106);
    p.control(sel_file_page::source_id)->setFocus();
    p.control(sel_file_page::dest_id)->setFocus();
    settle();
    EXPECT_EQ(p.get_text(sel_file_page::dest_id), L"/out/kept.sql");
  });
  ASSERT_FALSE(env.files.requests.empty());
  EXPECT_EQ(env.files.requests[0].title, L"Select MS Access database to convert");
  EXPECT_EQ(env.files.requests[0].file_name, a);
}

TEST(SettingsSelectDatabases, StoredDumpShowsWithSqlExtension) {
  wizard_env env;
  env.converter.direct = false;
  env.converter.src = L"/data/north.mdb";
  env.converter.dest = L"/out/x.txt";
  env.run(106, [&] { EXPECT_EQ(env.pages.databases.get_text(sel_file_page::dest_id), L"/out/x.sql"); });
}

}  // namespace
