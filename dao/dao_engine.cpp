// The Access engine: engine choice by file format, workgroup security, opening databases, and
// the workgroup-file test.
#include "dao/dao_engine.h"

#include <sys/stat.h>

#include <vector>

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_file.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/acc_dao_version.h"
#include "dao/dao_bstr.h"
#include "dao/dao_database.h"
#include "dao/dao_exception.h"
#include "platform/oleaut/objbase.h"

const dao_engine_class dao_engine_classes[4] = {
    {dao_code_acc97_alt, CLSID_DAODBEngine35, IID__DAODBEngine},
    {dao_code_acc97, CLSID_DAODBEngine35, IID__DAODBEngine},
    {dao_code_acc2000, CLSID_DAODBEngine36, IID__DAODBEngine},
    {dao_code_acc2007, CLSID_DAODBEngine120, IID__DAODBEngine},
};

namespace {

constexpr const char* dao_missing =
    "Failed to load Data Access Objects (DAO) support library.\nMicrosoft Access installation is "
    "required to proceed with\nthe application.\n";

// The engine's answer when its support library cannot be loaded (DAO error 3633).
constexpr HRESULT dao_support_missing = static_cast<HRESULT>(0x800A0E31);
constexpr const char* dao_missing_for_version =
    "Failed to load Data Access Objects (DAO) support library.\n%s installation is required to proceed\nwith "
    "the application.\n";

// The mode of a database this side creates: writable, new tables only, relationships not read
// (a new file has none); 0x02 as the engine has always passed it.
constexpr dao_open_mode dao_create_mode = 0x72;

std::string ansi(const std::wstring& text) { return tk_unicode_to_mbcs(text, tk_ansi_code_page); }

// A folder, a device or a pipe named as the database would block the read for ever or feed it
// without end: it is refused before anything opens it. A missing file is left to the open,
// which reports it in its own words.
void check_database_file(const std::string& path) {
  struct stat state;
  if (::stat(path.c_str(), &state) == 0 && !S_ISREG(state.st_mode)) {
    throw tk_exception(
        "'%s' is not a regular file: a folder, a device or a pipe cannot be read as an MS Access "
        "database.",
        path, tk_kind_error);
  }
}

// The live engines of this thread, oldest first: an engine is used on the thread that made it.
thread_local std::vector<dao_engine*> thread_engines;

}  // namespace

dao_engine::dao_engine(bool release_on_destroy, int com_ready)
    : release_on_destroy_(release_on_destroy), com_ready_(com_ready) {
  tk_log1(tk_log_detail, "dao_engine::ctor");
  thread_engines.push_back(this);
  // The engine classes are found through the COM class table, where the Jet engine puts them.
  dao_register_engine();
  if (!com_ready_ && FAILED(CoInitialize(nullptr))) {
    thread_engines.pop_back();
    throw dao_exception();
  }
}

dao_engine::~dao_engine() {
  tk_log1(tk_log_detail, "dao_engine::dtor");
  if (release_on_destroy_ && engine_code_ != dao_code_none) uninitialize();
  if (workspace_) workspace_->Release();
  workspace_ = nullptr;
  // An engine kept past its holder (release_on_destroy false) is given up here all the same:
  // nothing else could release it.
  if (db_engine_) db_engine_->Release();
  db_engine_ = nullptr;
  if (!com_ready_) CoUninitialize();
  std::erase(thread_engines, this);
}

dao_engine* dao_engine::current() { return thread_engines.empty() ? get_instance() : thread_engines.back(); }

void dao_engine::uninitialize() {
  tk_log1(tk_log_detail, "dao_engine::uninitialize");
  if (db_engine_) db_engine_->Release();
  db_engine_ = nullptr;
  engine_code_ = dao_code_none;
}

bool dao_engine::set_version_if(dao_engine_code code) {
  tk_log1(tk_log_detail, "dao_engine::set_version_if(%u)", static_cast<unsigned>(code));
  if (engine_code_ != dao_code_none || db_engine_) uninitialize();
  const dao_engine_class* row = nullptr;
  for (const auto& c : dao_engine_classes)
    if (c.code == code) {
      row = &c;
      break;
    }
  if (!row) throw tk_mail_assertion("dao_eng", 70);
  void* object = nullptr;
  HRESULT hr = CoCreateInstance(row->clsid, nullptr, CLSCTX_ALL, row->iid, &object);
  if (FAILED(hr) || object == nullptr) {
    tk_log1(tk_log_detail, "CoCreateInstance failed: hr=%08X\n", static_cast<unsigned>(hr));
    return false;
  }
  tk_log1(tk_log_detail, "CoCreateInstance succeeded!");
  db_engine_ = static_cast<_DAODBEngine*>(object);
  engine_code_ = row->code;
  return true;
}

void dao_engine::set_version_smart(const std::wstring& path) {
  tk_log1(tk_log_detail, "dao_engine::set_version_smart(%s)", ansi(path).c_str());
  check_database_file(ansi(path));
  std::uint32_t v = acc_dao_version(path).get_version();
  tk_log1(tk_log_detail, "Got DAO version: %u", static_cast<unsigned>(v));
  switch (v) {
    case dao_code_acc2007:
      if (!set_version_if(dao_code_acc2007)) throw dao_required_exception();
      return;
    case dao_code_acc2000:
      if (set_version_if(dao_code_acc2000) || set_version_if(dao_code_acc2007)) return;
      break;
    case dao_code_acc97:
      if (set_version_if(dao_code_acc97) || set_version_if(dao_code_acc2000) || set_version_if(dao_code_acc2007))
        return;
      break;
    default: break;
  }
  throw tk_exception(dao_missing, tk_kind_error);
}

void dao_engine::set_ugl_info(const std::wstring& workgroup_file, const std::wstring& user,
                              const std::wstring& password) {
  // The password never reaches the log.
  tk_log1(tk_log_detail, "dao_engine::set_ugl_info(%s,%s,%s)", ansi(workgroup_file).c_str(), ansi(user).c_str(),
          tk_log_secret(password));
  if (workspace_) throw tk_mail_assertion("dao_eng", 116);
  if (workgroup_file.empty() || user.empty()) return;
  if (!db_engine_) throw tk_mail_assertion("dao_eng", 118);
  dao_check(db_engine_->put_SystemDB(dao_bstr(workgroup_file)));
  // UseType left out, as DAO's three-argument CreateWorkspace does.
  VARIANT use_type;
  VariantInit(&use_type);
  use_type.vt = VT_ERROR;
  use_type.scode = DISP_E_PARAMNOTFOUND;
  dao_check(db_engine_->CreateWorkspace(dao_bstr(std::wstring(L"New Workspace")), dao_bstr(user),
                                        dao_bstr(dao_bstr::secret{password}), use_type, &workspace_));
  if (!workspace_) throw tk_exception(tk_kind_error);
}

void dao_engine::set_anonymous_sys_db() {
  tk_log1(tk_log_detail, "dao_engine::set_anonymous_sys_db");
  if (engine_code_ == dao_code_none || !db_engine_) throw tk_mail_assertion("dao_eng", 134);
  try {
    std::vector<std::uint8_t> image = dao_blank_workgroup(engine_code_);
    if (!image.empty()) generator_.do_generate(static_cast<std::uint32_t>(image.size()), image.data());
    dao_check(db_engine_->put_SystemDB(dao_bstr(generator_.get_name())));
  } catch (const tk_exception& e) {
    // The open goes on with the engine's own workgroup: no workgroup is better than no open.
    tk_log1(tk_log_detail, "Error: %s", e.what());
  }
}

std::unique_ptr<udb_database> dao_engine::open_db(const std::wstring& path, std::uint32_t mode,
                                                  const std::wstring& password) {
  std::string apath = ansi(path);
  tk_log1(tk_log_detail, "dao_engine::open_db(%s, mode=%u)", apath.c_str(), static_cast<unsigned>(mode));
  tk_log1(tk_log_event, "Opening MS Access database '%s'", apath.c_str());
  if (engine_code_ == dao_code_none || !db_engine_) throw tk_mail_assertion("dao_eng", 152);
  check_database_file(apath);
  ole_variant exclusive((mode & dao_open_exclusive) != 0);
  ole_variant read_only((mode & dao_open_read_only) != 0);
  // The connect text carries the password: made as a secret, so that no log line shows it.
  const std::wstring connect_text = password.empty() ? std::wstring() : L";pwd=" + dao_connect_value(password);
  dao_bstr connect_bstr(dao_bstr::secret{connect_text});
  VARIANT connect;
  VariantInit(&connect);
  connect.vt = VT_BSTR;
  connect.bstrVal = connect_bstr;  // still owned by connect_bstr
  tk_log1(tk_log_detail, "Open database using DAO engine");
  ole_com_ptr<DAODatabase> database;
  dao_check(db_engine_->OpenDatabase(dao_bstr(path), exclusive.get_variant(), read_only.get_variant(), connect,
                                     database.out()),
            database);
  tk_log1(tk_log_detail, "Right after OpenDatabase call");
  return std::make_unique<dao_database>(path, database.get(), mode);
}

std::unique_ptr<udb_database> dao_engine::create_db(const std::wstring& name) {
  std::string aname = ansi(name);
  tk_log1(tk_log_detail, "dao_engine::create_db (%s)", aname.c_str());
  tk_log1(tk_log_event, "Creating MS Access database '%s'", aname.c_str());
  if (engine_code_ == dao_code_none) throw tk_mail_assertion("dao_eng", 163);
  if (!db_engine_) throw tk_mail_assertion("dao_eng", 166);
  dao_bstr locale(std::wstring(L";LANGID=0x0409;CP=1252;COUNTRY=0"));
  ole_variant option(0);
  ole_com_ptr<DAODatabase> database;
  HRESULT hr = db_engine_->CreateDatabase(dao_bstr(name), locale, option.get_variant(), database.out());
  tk_log1(tk_log_detail, "CreateDatabase returns %08X", static_cast<unsigned>(hr));
  if (hr == dao_support_missing)
    throw tk_exception(dao_missing_for_version,
                       engine_code_ == dao_code_acc2000 ? "Microsoft Access 2000" : "Microsoft Access 95/97",
                       tk_kind_error);
  dao_check(hr, database);
  return std::make_unique<dao_database>(name, database.get(), dao_create_mode);
}

std::wstring dao_connect_value(const std::wstring& password) {
  if (password.find(L';') == std::wstring::npos && (password.empty() || password.front() != L'{')) return password;
  std::wstring value = L"{";
  for (wchar_t c : password) {
    value += c;
    if (c == L'}') value += L'}';
  }
  return value + L"}";
}

bool dao_check_sysdb(const std::wstring& path) {
  std::string apath = ansi(path);
  tk_log1(tk_log_detail, "dao_check_sysdb(%s)", apath.c_str());
  tk_stdio_file file(apath, tk_file_read);
  std::uint64_t size = file.get_length();
  if (size >= 1040) {
    char rich[4];
    file.get_at(1030, rich, 4);
    bool old_signature = std::string(rich, 4) == "Rich" && file.get_word(0) == 1 && file.get_word(1038) == 0;
    if (!old_signature) {
      std::uint8_t head[4];
      file.get_at(0, head, 4);
      old_signature = head[0] == 0x77 && head[1] == 0x2C && head[2] == 0x53 && head[3] == 0x20;
    }
    if (old_signature) {
      tk_log1(tk_log_detail, "Got MS Access 2.0 system database");
      return true;
    }
  }
  if (size <= 20) {
    tk_log1(tk_log_detail, "Invalid file size");
    return false;
  }
  char header[16];
  file.get_at(4, header, 16);
  if (std::string(header, 16) == std::string("Jet System DB  \0", 16)) return true;
  tk_log1(tk_log_detail, "Failed to find header");
  return false;
}
