// The Access engine: the format's version byte, the choice of engine class with its fallbacks,
// the blank workgroup file, the workgroup-file test, workgroup set-up, COM pointers, BSTRs and
// the engine registration.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/acc_dao_version.h"
#include "dao/dao_bstr.h"
#include "dao/dao_exception.h"
#include "dao/ole_com_ptr.h"
#include "platform/oleaut/objbase.h"
#include "tests/dao/dao_source_util.h"

using dao_source_test::utf8;

namespace {

std::string write_file(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::string path = dir + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of `size` bytes whose version byte (offset 20) is `version`.
std::vector<std::uint8_t> header(std::size_t size, int version) {
  std::vector<std::uint8_t> bytes(size, 0);
  if (size > 20) bytes[20] = static_cast<std::uint8_t>(version);
  return bytes;
}

std::string not_access(const std::string& path) { return "File '" + path + "' does not comply with MS Access format."; }

TEST(acc_dao_version, version_byte_gives_the_engine_code) {
  std::string dir = test_env::make_temp_dir();
  const struct {
    const char* label;
    std::size_t size;
    int byte;
    std::optional<std::uint32_t> code;  // none: refused as no Access file
  } cases[] = {
      {"Access 97", 4096, 0, 1u},   {"Access 2000", 4096, 1, 0u}, {"Access 2007", 4096, 2, 3u},
      {"Access 2010", 4096, 3, 3u}, {"Access 2013", 4096, 4, 3u}, {"Access 2016", 4096, 5, 3u},
      {"Access 2019", 4096, 6, 3u}, {"unknown 7", 4096, 7, {}},   {"unknown 0xFF", 4096, 0xFF, {}},
      {"19 bytes", 19, 0, {}},      {"20 bytes", 20, 0, {}},      {"21 bytes", 21, 1, 0u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::string path = write_file(dir, c.label, header(c.size, c.byte));
    acc_dao_version v(tk_utf8_to_unicode(path));
    if (c.code) {
      EXPECT_EQ(v.get_version(), *c.code);
    } else {
      try {
        v.get_version();
        ADD_FAILURE() << "no exception";
      } catch (const tk_exception& e) {
        EXPECT_EQ(e.message(), not_access(path));
        EXPECT_EQ(e.kind(), tk_kind_error);
      }
    }
  }
  std::string missing = dir + "/missing.mdb";
  try {
    acc_dao_version(tk_utf8_to_unicode(missing)).get_version();
    ADD_FAILURE() << "no exception";
  } catch (const tk_exception& e) {
    EXPECT_EQ(e.message(), not_access(missing));
  }
}

TEST(acc_dao_version, real_files) {
  const struct {
    const char* file;
    std::uint32_t code;
  } cases[] = {
      {"access/real/nwind.mdb", 1},      {"access/jet4/testV2000.mdb", 0},         {"access/ace/testV2007.accdb", 3},
      {"access/ace/testV2010.accdb", 3}, {"access/encrypted/db2013-enc.accdb", 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(acc_dao_version(tk_utf8_to_unicode(test_env::testdata_path(c.file))).get_version(), c.code) << c.file;
}

// The COM class table with chosen engine classes refused, the others handing out one real
// engine made before any class was replaced.
class refusing_classes : public ::testing::Test {
 protected:
  static _DAODBEngine* real() {
    static _DAODBEngine* engine = [] {
      dao_register_engine();
      CoInitialize(nullptr);
      void* p = nullptr;
      EXPECT_EQ(CoCreateInstance(CLSID_DAODBEngine35, nullptr, CLSCTX_ALL, IID__DAODBEngine, &p), S_OK);
      return static_cast<_DAODBEngine*>(p);
    }();
    return engine;
  }
  static void refuse(std::vector<CLSID> refused) {
    _DAODBEngine* engine = real();
    for (const CLSID& clsid : {CLSID_DAODBEngine35, CLSID_DAODBEngine36, CLSID_DAODBEngine120}) {
      bool no = false;
      for (const CLSID& r : refused) no = no || r == clsid;
      com_register_class(clsid, [engine, no](REFIID riid, void** ppv) -> HRESULT {
        *ppv = nullptr;
        return no ? REGDB_E_CLASSNOTREG : engine->QueryInterface(riid, ppv);
      });
    }
  }
  void TearDown() override { refuse({}); }
};

TEST_F(refusing_classes, engine_fallback_order) {
  std::string dir = test_env::make_temp_dir();
  const CLSID e35 = CLSID_DAODBEngine35, e36 = CLSID_DAODBEngine36, e120 = CLSID_DAODBEngine120;
  enum outcome { loads, dao_missing, engine_required };
  const struct {
    const char* label;
    int version_byte;
    std::vector<CLSID> refused;
    outcome result;
    dao_engine_code code;
  } cases[] = {
      {"97 file, every engine", 0, {}, loads, dao_code_acc97},
      {"97 file without DAO 3.5", 0, {e35}, loads, dao_code_acc2000},
      {"97 file with only the 2007+ engine", 0, {e35, e36}, loads, dao_code_acc2007},
      {"97 file without engines", 0, {e35, e36, e120}, dao_missing, dao_code_none},
      {"2000 file, every engine", 1, {}, loads, dao_code_acc2000},
      {"2000 file without DAO 3.6", 1, {e36}, loads, dao_code_acc2007},
      {"2000 file never takes DAO 3.5", 1, {e36, e120}, dao_missing, dao_code_none},
      {"2007 file", 2, {e35, e36}, loads, dao_code_acc2007},
      {"2013 file", 4, {}, loads, dao_code_acc2007},
      {"2007 file without its engine", 3, {e120}, engine_required, dao_code_none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    refuse(c.refused);
    std::string path = write_file(dir, "f.mdb", header(4096, c.version_byte));
    dao_engine engine(true, 0);
    switch (c.result) {
      case loads:
        engine.set_version_smart(tk_utf8_to_unicode(path));
        EXPECT_EQ(engine.get_engine_code(), c.code);
        EXPECT_NE(engine.get_db_engine(), nullptr);
        break;
      case dao_missing:
        try {
          engine.set_version_smart(tk_utf8_to_unicode(path));
          ADD_FAILURE() << "no exception";
        } catch (const tk_exception& e) {
          EXPECT_EQ(e.message(),
                    "Failed to load Data Access Objects (DAO) support library.\nMicrosoft Access installation "
                    "is required to proceed with\nthe application.\n");
        }
        break;
      case engine_required:
        EXPECT_THROW(engine.set_version_smart(tk_utf8_to_unicode(path)), dao_required_exception);
        break;
    }
  }
}

TEST_F(refusing_classes, set_version_if_reports_a_refused_class_and_unloads_first) {
  refuse({CLSID_DAODBEngine120});
  dao_engine engine(true, 0);
  EXPECT_TRUE(engine.set_version_if(dao_code_acc97_alt));
  EXPECT_EQ(engine.get_engine_code(), dao_code_acc97_alt);
  EXPECT_FALSE(engine.set_version_if(dao_code_acc2007));
  EXPECT_EQ(engine.get_engine_code(), dao_code_none);
  EXPECT_EQ(engine.get_db_engine(), nullptr);
  EXPECT_THROW(engine.set_version_if(dao_code_none), tk_mail_assertion);
}

// The files of a folder, by name.
std::vector<std::string> folder_files(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(dao_generator, blank_workgroup_is_a_new_private_file_in_the_temporary_folder_and_goes_with_its_engine) {
  const std::string temp = test_env::make_temp_dir();
  const std::string work = test_env::make_temp_dir();
  const char* saved_tmpdir = std::getenv("TMPDIR");
  const std::string saved = saved_tmpdir != nullptr ? saved_tmpdir : "";
  ASSERT_EQ(::setenv("TMPDIR", temp.c_str(), 1), 0);
  tk_temp_chdir in(work);
  ASSERT_TRUE(in.ok());
  // The name an earlier version used, planted as a link to a file of the user's.
  write_file(work, "victim", {7});
  ASSERT_EQ(::symlink("victim", (work + "/~tmp0000").c_str()), 0);
  const struct {
    dao_engine_code code;
    std::uint64_t size;
  } cases[] = {{dao_code_acc2000, 143360}, {dao_code_acc2007, 143360}, {dao_code_acc97, 131072}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    std::string name;
    {
      dao_engine engine(true, 0);
      ASSERT_TRUE(engine.set_version_if(c.code));
      engine.set_anonymous_sys_db();
      name = engine.get_generator().get_name();
      EXPECT_EQ(name.rfind(temp + "/", 0), 0u) << name;
      struct stat state;
      ASSERT_EQ(::lstat(name.c_str(), &state), 0);
      EXPECT_TRUE(S_ISREG(state.st_mode));
      EXPECT_EQ(state.st_mode & 0777, 0600u);
      EXPECT_EQ(static_cast<std::uint64_t>(state.st_size), c.size);
      EXPECT_TRUE(dao_check_sysdb(tk_utf8_to_unicode(name)));
      dao_bstr system_db;
      ASSERT_EQ(engine.get_db_engine()->get_SystemDB(system_db.out()), S_OK);
      EXPECT_EQ(system_db.text(), tk_utf8_to_unicode(name));
      // A second engine at the same time gets a file of its own.
      dao_engine other(true, 0);
      ASSERT_TRUE(other.set_version_if(c.code));
      other.set_anonymous_sys_db();
      EXPECT_NE(other.get_generator().get_name(), name);
      // The engine's lock file beside it goes too.
      write_file(temp, name.substr(temp.size() + 1) + ".ldb", {1});
      // A database opens with the blank workgroup in place.
      std::unique_ptr<udb_database> db =
          engine.open_db(tk_utf8_to_unicode(test_env::testdata_path("access/real/nwind.mdb")), 0xE1, L"");
      EXPECT_FALSE(db->table_names.empty());
    }
    EXPECT_TRUE(folder_files(temp).empty());
    EXPECT_EQ(folder_files(work), (std::vector<std::string>{"victim", "~tmp0000"}));
    EXPECT_EQ(read_bytes(work + "/victim"), std::vector<std::uint8_t>{7});
  }
  if (saved_tmpdir != nullptr) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  // Without an engine there is nothing to make a workgroup for.
  dao_engine engine(true, 0);
  EXPECT_THROW(engine.set_anonymous_sys_db(), tk_mail_assertion);
}

TEST(dao_check_sysdb, workgroup_files_and_others) {
  std::string dir = test_env::make_temp_dir();
  std::vector<std::uint8_t> access2 = header(1040, 0);
  access2[0] = 1;
  std::memcpy(access2.data() + 1030, "Rich", 4);
  std::vector<std::uint8_t> access2_alt = header(1040, 0);
  std::memcpy(access2_alt.data(), "\x77\x2C\x53\x20", 4);
  std::vector<std::uint8_t> rich_bad_word = access2;
  rich_bad_word[1038] = 1;
  std::vector<std::uint8_t> short_jet = dao_blank_workgroup(dao_code_acc2000);
  short_jet.resize(20);
  const struct {
    const char* label;
    std::vector<std::uint8_t> bytes;
    bool workgroup;
  } cases[] = {
      {"blank Access 2000 workgroup", dao_blank_workgroup(dao_code_acc2000), true},
      {"blank Access 97 workgroup", dao_blank_workgroup(dao_code_acc97), true},
      {"Access 2.0 system database", access2, true},
      {"Access 2.0 second signature", access2_alt, true},
      {"Access 2.0 signature with a wrong word", rich_bad_word, false},
      {"workgroup header cut at 20 bytes", short_jet, false},
      {"a few bytes", {1, 2, 3}, false},
      {"empty", {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(dao_check_sysdb(tk_utf8_to_unicode(write_file(dir, "f", c.bytes))), c.workgroup);
  }
  for (const char* database : {"access/real/nwind.mdb", "access/jet4/testV2000.mdb", "access/ace/testV2010.accdb"})
    EXPECT_FALSE(dao_check_sysdb(tk_utf8_to_unicode(test_env::testdata_path(database)))) << database;
  EXPECT_THROW(dao_check_sysdb(tk_utf8_to_unicode(dir + "/missing")), tk_exception);
}

TEST(dao_engine, workgroup_set_up) {
  std::string dir = test_env::make_temp_dir();
  std::wstring workgroup = tk_utf8_to_unicode(write_file(dir, "system.mdw", dao_blank_workgroup(dao_code_acc2000)));
  std::wstring nwind = tk_utf8_to_unicode(test_env::testdata_path("access/real/nwind.mdb"));
  {
    // No file or no user: nothing to set up, and a later call may still do it.
    dao_engine engine(true, 0);
    engine.set_ugl_info(L"", L"admin", L"");
    engine.set_ugl_info(workgroup, L"", L"");
    ASSERT_TRUE(engine.set_version_if(dao_code_acc97));
    engine.set_ugl_info(workgroup, L"admin", L"");
    dao_bstr system_db;
    ASSERT_EQ(engine.get_db_engine()->get_SystemDB(system_db.out()), S_OK);
    EXPECT_EQ(system_db.text(), workgroup);
    EXPECT_NE(engine.open_db(nwind, dao_open_read_only, L""), nullptr);
    // One workspace per engine.
    EXPECT_THROW(engine.set_ugl_info(workgroup, L"admin", L""), tk_mail_assertion);
  }
  {
    // A database is not a workgroup file: the engine's own error, as DAO numbers it.
    dao_engine engine(true, 0);
    ASSERT_TRUE(engine.set_version_if(dao_code_acc97));
    try {
      engine.set_ugl_info(nwind, L"admin", L"");
      ADD_FAILURE() << "no exception";
    } catch (const dao_exception& e) {
      EXPECT_EQ(e.code(), 0x10000u | 3028u);
      EXPECT_EQ(e.kind(), tk_kind_continuable);
      EXPECT_FALSE(e.message().empty());
    }
  }
}

// Passwords are masked in the log as the server password is, at every level, whatever becomes
// of the set-up.
TEST(dao_engine, workgroup_password_never_reaches_the_log) {
  std::string dir = test_env::make_temp_dir();
  std::wstring workgroup = tk_utf8_to_unicode(write_file(dir, "system.mdw", dao_blank_workgroup(dao_code_acc2000)));
  const std::string log_path = dir + "/run.log";
  const std::string password = "Sesame-42";
  // The database password of an encrypted file goes the same way.
  const std::string database_password = "Test123";
  {
    tk_logger log(log_path.c_str(), true, tk_log_trace, false);
    dao_engine engine(true, 0);
    ASSERT_TRUE(engine.set_version_if(dao_code_acc2007));
    try {
      engine.set_ugl_info(workgroup, L"admin", tk_utf8_to_unicode(password));
    } catch (const tk_exception&) {
      // A password the workgroup refuses is the engine's error; only the log matters here.
    }
    const std::string encrypted = test_env::testdata_path("access/encrypted/db2007-enc.accdb");
    EXPECT_NE(engine.open_db(tk_utf8_to_unicode(encrypted), dao_open_read_only, tk_utf8_to_unicode(database_password)),
              nullptr);
  }
  std::ifstream in(log_path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("dao_engine::set_ugl_info(" + utf8(workgroup) + ",admin,********)"), std::string::npos) << text;
  EXPECT_EQ(text.find(password), std::string::npos) << text;
  EXPECT_EQ(text.find(database_password), std::string::npos) << text;
}

TEST(dao_engine, failed_open_carries_the_dao_error) {
  dao_engine engine(true, 0);
  ASSERT_TRUE(engine.set_version_if(dao_code_acc2000));
  std::string missing = test_env::make_temp_dir() + "/missing.mdb";
  try {
    engine.open_db(tk_utf8_to_unicode(missing), dao_open_read_only, L"");
    ADD_FAILURE() << "no exception";
  } catch (const dao_exception& e) {
    EXPECT_EQ(e.code(), 0x10BD0u);  // DAO error 3024: file not found
    EXPECT_EQ(e.kind(), tk_kind_continuable);
    EXPECT_NE(e.message().find("missing.mdb"), std::string::npos) << e.message();
  }
  // Out of order: opening with no engine loaded.
  dao_engine unloaded(true, 0);
  EXPECT_THROW(unloaded.open_db(tk_utf8_to_unicode(missing), dao_open_read_only, L""), tk_mail_assertion);
}

TEST(dao_connect_value, password_with_separator_goes_in_braces) {
  struct {
    const wchar_t* password;
    const wchar_t* value;
  } cases[] = {
      {L"Test123", L"Test123"}, {L"", L""},          {L"Test123;x", L"{Test123;x}"},
      {L"a;b}c", L"{a;b}}c}"},  {L"{x}", L"{{x}}}"}, {L"x}", L"x}"},
  };
  for (const auto& c : cases) EXPECT_EQ(dao_connect_value(c.password), c.value) << utf8(c.password);
}

TEST(dao_engine, registration_stays_with_the_first_engine) {
  ASSERT_FALSE(dao_engine::exists());
  auto first = std::make_unique<dao_engine>(true, 0);
  {
    dao_engine second(true, 0);
    EXPECT_EQ(dao_engine::get_instance(), first.get());
    // The second engine's failures still carry its own DAO error.
    ASSERT_TRUE(second.set_version_if(dao_code_acc2000));
    try {
      second.open_db(tk_utf8_to_unicode(test_env::make_temp_dir() + "/missing.mdb"), dao_open_read_only, L"");
      ADD_FAILURE() << "no exception";
    } catch (const dao_exception& e) {
      EXPECT_EQ(e.code(), 0x10BD0u);
    }
  }
  EXPECT_EQ(dao_engine::get_instance(), first.get());
  first.reset();
  EXPECT_FALSE(dao_engine::exists());
  // A DAO error with no engine registered is an internal error, not a crash.
  EXPECT_THROW(dao_exception(), tk_mail_assertion);
}

TEST(ole_com_ptr, holds_one_reference) {
  dao_register_engine();
  CoInitialize(nullptr);
  ole_com_ptr<_DAODBEngine> empty;
  EXPECT_THROW(empty->Idle(VARIANT{}), tk_mail_assertion);
  void* p = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DAODBEngine120, nullptr, CLSCTX_ALL, IID__DAODBEngine, &p), S_OK);
  auto* raw = static_cast<_DAODBEngine*>(p);
  // Counted relative to what the class table handed out: another test may share the object.
  ULONG held = raw->AddRef();
  raw->Release();
  {
    ole_com_ptr<_DAODBEngine> shared(raw);
    EXPECT_EQ(raw->AddRef(), held + 1);
    raw->Release();
  }
  EXPECT_EQ(raw->AddRef(), held);
  raw->Release();
  raw->Release();
  CoUninitialize();
}

TEST(dao_bstr, texts) {
  dao_bstr empty_wide{std::wstring()};
  ASSERT_NE(static_cast<BSTR>(empty_wide), nullptr);
  EXPECT_EQ(SysStringLen(empty_wide), 0u);
  dao_bstr with_nul{std::wstring(L"a\0b", 3)};
  EXPECT_EQ(SysStringLen(with_nul), 3u);
  EXPECT_EQ(dao_bstr(std::string("Umsätze")).text(), L"Umsätze");
  dao_bstr out;
  EXPECT_EQ(static_cast<BSTR>(out), nullptr);
  EXPECT_EQ(out.text(), L"");
}

}  // namespace
