// The converter object: construction, the settings store and profiles.
#include "converter/vandry_converter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TK/tk_format.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"

namespace {

const char kSettingsPath[] = "Software\\Quellbrook\\Ostrelle";
const std::wstring kGeneric = L"Generic settings";
const std::wstring kMySql = L"MySQL settings";

// The profile file is created, or made, readable by its owner alone before anything is written
// to it: it holds passwords. The profile writer keeps an existing file's permissions.
bool make_private(const std::wstring& path, bool& created) {
  std::string native;
  if (!tk_unicode_to_ansi3(path.c_str(), native)) return false;
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    created = true;
    ::close(fd);
    return true;
  }
  created = false;
  return errno == EEXIST && ::chmod(native.c_str(), 0600) == 0;
}

}  // namespace

vandry_converter::vandry_converter(converter_program program) : tk_serializer(kSettingsPath), program(program) {
  tk_log1(tk_log_detail, "vandry_converter::ctor");
  // The tables are created with the user's table and column rules: the engine finds them here.
  engine.set_properties(static_cast<sql_db_mutator*>(this));
  serialize(false);
}

vandry_converter::~vandry_converter() {
  tk_log1(tk_log_detail, "vandry_converter::dtor");
  if (program == converter_program::wizard && !keep_stored_settings) serialize(true);
}

std::string vandry_converter::get_title() { return tk_format("Ostrelle %d.%d %s", 8, 3, ""); }

bool vandry_converter::serialize(bool store) {
  tk_log1(tk_log_trace, "serialize( %d )", store ? 1 : 0);
  if (open() != 0) return false;
  bool ok = true;
  const bool wizard = program == converter_program::wizard;
  // On load a value that has a default takes it first, so a missing value gives the default.
  auto flag = [&](const char* name, bool& field, bool fallback) {
    if (!store) field = fallback;
    ok = exchange(name, field, store) && ok;
  };
  auto number = [&](const char* name, std::uint32_t& field, std::uint32_t fallback) {
    if (!store) field = fallback;
    ok = exchange(name, field, store) && ok;
  };
  auto text = [&](const char* name, std::string& field) { ok = exchange(name, field, store) && ok; };
  auto wide = [&](const wchar_t* name, std::wstring& field) { ok = exchange(name, field, store) && ok; };

  if (wizard) {
    wide(L"acc_pswd", acc_pswd);
    number("bool_map", bool_map, 0);
    flag("convert_views", convert_views, true);
    wide(L"dest", dest);
    flag("direct", direct, true);
  }
  wide(L"char_set", engine.charset);
  wide(L"tab_type", engine.engine);
  number("dmp_line_br", dump.line_break, 0);
  flag("dmp_new_ver", dump.new_version, true);
  flag("dmp_loc_wri", dump.add_lock, true);
  flag("dmp_ins_com", dump.insert_comments, true);
  flag("dmp_ins_db", dump.create_database, false);
  flag("dmp_ins_tab", dump.create_table, true);
  if (wizard) {
    text("host", host);
    text("log_file", log_file);
    if (!store) port = "3306";
    text("port", port);
    text("pswd", password);
    flag("skip_idx", skip_idx, false);
    wide(L"src", src);
    wide(L"sys_db path", sysdb);
    flag("tab_def", tab_def, false);
    wide(L"ugl_user", ugl_user);
    wide(L"ugl_password", ugl_password);
    flag("use_ugl", use_ugl, false);
    text("user", user);
  }
  close();
  return ok;
}

bool vandry_converter::load_profile(const std::wstring& path) {
  udb_profile profile;
  if (!profile.load(path)) return false;
  return load_settings(profile);
}

bool vandry_converter::load_settings(udb_profile& profile) {
  if (!udb_converter::load_profile(profile)) return false;
  acc_converter_impl::load_profile(profile);
  mysql_converter_impl::load_profile(profile);
  if (!sql_db_mutator::load(profile)) return false;
  const std::wstring direct_mode = profile.get_value(kMySql, L"direct mode");
  if (!direct_mode.empty()) direct = direct_mode == L"1";
  const std::wstring mapping = profile.get_value(kGeneric, L"boolean mapping");
  if (!mapping.empty()) bool_map = mapping == L"1" ? 1 : 0;
  const std::wstring charset = profile.get_value(kGeneric, L"character set");
  if (!charset.empty()) sql_engine::get_instance()->charset = charset;
  const std::wstring storage = profile.get_value(kGeneric, L"storage engine");
  if (!storage.empty()) sql_engine::get_instance()->engine = storage;
  // The rules' own storage engine and character set for the whole database are the more
  // particular choice: they override the general settings.
  engine.set_properties(static_cast<sql_db_mutator*>(this));
  return true;
}

bool vandry_converter::store_profile(const std::wstring& path) {
  udb_profile profile;
  if (!store_settings(profile) || !sql_db_mutator::store(profile)) return false;
  bool created = false;
  if (!make_private(path, created)) {
    tk_log2(tk_log_event, L"Cannot save the profile %ls", path.c_str());
    return false;
  }
  if (profile.store(path)) return true;
  if (created) {
    std::string native;
    if (tk_unicode_to_ansi3(path.c_str(), native)) ::unlink(native.c_str());
  }
  return false;
}

bool vandry_converter::store_settings(udb_profile& profile) {
  if (!udb_converter::store_profile(profile)) return false;
  acc_converter_impl::store_profile(profile);
  mysql_converter_impl::store_profile(profile);
  profile.add_value(kMySql, L"direct mode", direct ? L"1" : L"0");
  profile.add_value(kGeneric, L"boolean mapping", bool_map != 0 ? L"1" : L"0");
  profile.add_value(kGeneric, L"character set", sql_engine::get_instance()->charset);
  profile.add_value(kGeneric, L"storage engine", sql_engine::get_instance()->engine);
  return true;
}
