// The MySQL side of the converter.
#include "common/mysql_converter_impl.h"

#include <cctype>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "UDB/udb_validator.h"

namespace {

const std::wstring kSection = L"MySQL settings";

std::wstring flag_text(bool on) { return on ? L"1" : L"0"; }

// A text setting read from the profile: `assign_empty` also takes an empty or missing value.
void load_text(const udb_profile& profile, const wchar_t* key, std::string& field, bool assign_empty) {
  const std::wstring value = profile.get_value(kSection, key);
  if (value.empty() && !assign_empty) return;
  field = tk_unicode_to_utf8(value);
}

void load_flag(const udb_profile& profile, const wchar_t* key, bool& field) {
  const std::wstring value = profile.get_value(kSection, key);
  if (!value.empty()) field = value == L"1";
}

}  // namespace

mysql_converter_impl::mysql_converter_impl() { tk_log1(tk_log_detail, "mysql_converter_impl::ctor"); }

mysql_converter_impl::~mysql_converter_impl() { tk_log1(tk_log_detail, "mysql_converter_impl::dtor"); }

std::uint32_t mysql_converter_impl::parse_port(const std::string& text) {
  // Only plain digits: a port read up to the first other character ("3306abc", "3306.9") would
  // connect somewhere the user did not name.
  if (text.empty() || text.size() > 5) return 0;
  std::uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value > 65535 ? 0 : value;
}

void mysql_converter_impl::connect_mysql_server() {
  tk_log1(tk_log_detail, "mysql_converter_impl::connect_mysql_server");
  const std::uint32_t number = parse_port(port);
  if (number == 0) throw tk_exception("Invalid port number", tk_kind_error);
  engine.connect(host, user, password, number);
}

void mysql_converter_impl::check_mysql_db_name(const std::wstring& name) {
  tk_log2(tk_log_detail, L"mysql_converter_impl::check_mysql_db_name(%ls)", name.c_str());
  tk_log1(tk_log_trace, "is_old_version(%08X)", engine.version);
  std::unique_ptr<udb_validator> validator = engine.create_dn_validator();
  if (validator->is_acceptable(name)) return;
  if (engine.is_old_version()) {
    throw tk_exception(
        "Not a valid MySQL database name. It cannot consist only of numbers\nor start with a digit and must "
        "differ from any MySQL keyword. Use\nalphanumeric symbols (A-Z, a-z, 0-9), '_' and '$' to compose\nnew "
        "database name.",
        tk_kind_error);
  }
  throw tk_exception(
      "Not a valid MySQL database name. Use alphanumeric characters\r\n(A-Z, a-z, 0-9), '_', '$' and spaces to "
      "compose new database name.",
      tk_kind_error);
}

void mysql_converter_impl::del_mysql_base(const std::wstring& name) {
  tk_log2(tk_log_detail, L"mysql_converter_impl::del_mysql_base (%ls)", name.c_str());
  engine.db_delete(name);
}

void mysql_converter_impl::store_mysql_settings(const std::string& host_text, const std::string& user_text,
                                                const std::string& password_text, const std::string& port_text) {
  tk_log1(tk_log_trace, "mysql_converter_impl::store_mysql_settings(%s,%s,***,%s)", host_text.c_str(),
          user_text.c_str(), port_text.c_str());
  user = tk_trim(user_text);
  password = tk_trim(password_text);
  host = tk_trim(host_text);
  port = tk_trim(port_text);
  if (port.empty()) port = "3306";
}

void mysql_converter_impl::load_profile(const udb_profile& profile) {
  tk_log1(tk_log_detail, "mysql_converter_impl::load_profile");
  load_text(profile, L"host", host, true);
  load_text(profile, L"user", user, false);
  load_text(profile, L"password", password, false);
  load_text(profile, L"port", port, false);
  const std::wstring line_break = profile.get_value(kSection, L"dump line break");
  if (!line_break.empty()) dump.line_break = line_break == L"1" ? 1 : 0;
  load_flag(profile, L"dump new version", dump.new_version);
  load_flag(profile, L"dump add lock to insert", dump.add_lock);
  load_flag(profile, L"dump insert comments", dump.insert_comments);
  load_flag(profile, L"dump create database", dump.create_database);
  load_flag(profile, L"dump create table", dump.create_table);
}

void mysql_converter_impl::store_profile(udb_profile& profile) const {
  tk_log1(tk_log_detail, "mysql_converter_impl::store_profile");
  profile.add_value(kSection, L"host", tk_utf8_to_unicode(host));
  profile.add_value(kSection, L"user", tk_utf8_to_unicode(user));
  profile.add_value(kSection, L"password", tk_utf8_to_unicode(password));
  profile.add_value(kSection, L"port", tk_utf8_to_unicode(port));
  profile.add_value(kSection, L"dump line break", flag_text(dump.line_break == 1));
  profile.add_value(kSection, L"dump new version", flag_text(dump.new_version));
  profile.add_value(kSection, L"dump add lock to insert", flag_text(dump.add_lock));
  profile.add_value(kSection, L"dump insert comments", flag_text(dump.insert_comments));
  profile.add_value(kSection, L"dump create database", flag_text(dump.create_database));
  profile.add_value(kSection, L"dump create table", flag_text(dump.create_table));
}
