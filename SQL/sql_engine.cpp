// The MySQL engine: connection, session set-up, databases, server lists and version gates.
#include "SQL/sql_engine.h"

#include <algorithm>

#include <cstdio>
#include <cstdlib>

#include "SQL/sql_database.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_mariadb_connection.h"
#include "SQL/sql_validators.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_properties.h"

namespace {

// A streamed result, freed when the walk ends.
struct sql_result {
  explicit sql_result(sql_connection& c) : connection(c), result(c.use_result()) {}
  ~sql_result() {
    if (result) connection.free_result(result);
  }
  sql_result(const sql_result&) = delete;
  sql_result& operator=(const sql_result&) = delete;
  sql_connection& connection;
  MYSQL_RES* result;
};

std::wstring column_text(MYSQL_ROW row, const unsigned long* lengths, unsigned i) {
  if (row[i] == nullptr) return {};
  return tk_utf8_to_unicode(std::string(row[i], lengths[i]));
}

}  // namespace

bool sql_parse_server_version(const char* text, std::uint32_t& version) {
  int major = 0, minor = 0, patch = 0;
  if (text == nullptr || std::sscanf(text, "%d.%d.%d", &major, &minor, &patch) < 3) return false;
  version = ((static_cast<std::uint32_t>(major) << 8 | static_cast<std::uint32_t>(minor)) << 8) |
            static_cast<std::uint32_t>(patch);
  return true;
}

sql_engine::sql_engine() : connection_(std::make_unique<sql_mariadb_connection>()) {
  tk_log1(tk_log_trace, "sql_engine::initialize");
}

std::unique_ptr<sql_connection> sql_engine::replace_connection(std::unique_ptr<sql_connection> next) {
  std::swap(connection_, next);
  return next;
}

sql_engine::~sql_engine() {
  tk_log1(tk_log_detail, "sql_engine::dtor");
  if (is_connected) {
    try {
      execute("SET FOREIGN_KEY_CHECKS = 1");
    } catch (const tk_exception& e) {
      tk_log1(tk_log_detail, "Cannot turn ON foreign key check: %s", e.what());
    }
  }
  tk_log1(tk_log_detail, "sql_engine::dtor - END");
}

void sql_engine::execute(const std::string& statement) {
  if (!connection_->query(statement)) throw sql_exception(*connection_);
}

void sql_engine::try_execute(const char* statement, tk_log_level level, const char* failure_format) {
  try {
    execute(statement);
  } catch (const tk_exception& e) {
    tk_log1(level, failure_format, e.what());
  }
}

void sql_engine::connect(const std::string& host, const std::string& user, const std::string& password, unsigned port) {
  // The password never reaches the log.
  tk_log1(tk_log_detail, "sql_engine::connect(%s,%s,%s,%u)", host.c_str(), user.c_str(), tk_log_secret(password), port);
  if (is_connected) {
    tk_log1(tk_log_detail, "Connection was established already - disconnecting first...");
    connection_->close();
    is_connected = false;
  }
  max_allowed_packet = 0;
  key_collations_.clear();
  settings_.host = host;
  settings_.user = user;
  settings_.password = password;
  settings_.port = port;
  settings_.io_timeout_seconds = io_timeout_seconds;
  tk_log1(tk_log_event, "Connecting to MySQL server...");
  if (!connection_->connect(settings_)) throw sql_exception(*connection_);
  is_connected = true;
  dump_load_version = 0;

  // utf8 is the three-byte utf8mb3 on MariaDB and MySQL 8: a four-byte character (emoji) could
  // not pass even into a utf8mb4 column. Servers from 5.5.3 on know utf8mb4.
  const bool knows_utf8mb4 = connection_->server_version() >= 50503;
  tk_log1(tk_log_detail, "Setting UTF-8 collation...");
  try {
    execute(knows_utf8mb4 ? "SET NAMES utf8mb4" : "SET NAMES UTF8");
  } catch (const tk_exception& e) {
    tk_log1(tk_log_event, "Failed to set UTF-8 collation");
    tk_log1(tk_log_detail, "Cannot set UTF-8 collation: %s", e.what());
  }
  tk_log1(tk_log_detail, "Setting wait_timeout...");
  try {
    execute(
        "set session wait_timeout=cast(if(@@session.wait_timeout < 28800,28800,"
        "@@session.wait_timeout) as unsigned);");
  } catch (const tk_exception& e) {
    tk_log1(tk_log_event, "Failed to set wait_timeout");
    tk_log1(tk_log_detail, "Cannot set wait_timeout: %s", e.what());
  }

  const std::string version_text = connection_->server_info();
  if (version_text.empty()) return;
  tk_log1(tk_log_detail, "Got MySQL server version: %s", version_text.c_str());
  if (!sql_parse_server_version(version_text.c_str(), version)) {
    tk_log1(tk_log_event, "Invalid MySQL version: %s", version_text.c_str());
    throw tk_mail_assertion("sql_engi", 373);
  }
  tk_log1(tk_log_trace, "Hex version: %08X", version);
  if (version == sql_version::v4_1_0 && !password.empty()) {
    throw sql_auth_not_supported_exception();
  }
  try_execute("SET FOREIGN_KEY_CHECKS = 0", tk_log_detail, "Cannot turn off foreign key check: %s");
}

void sql_engine::reconnect() {
  tk_log1(tk_log_event, "Reconnecting to MySQL server...");
  const sql_connect_settings last = settings_;
  const std::string database = database_;
  connect(last.host, last.user, last.password, last.port);
  if (!database.empty() && !connection_->select_db(database)) throw sql_exception(*connection_);
  database_ = database;
}

std::string sql_engine::quoted_db_name(const std::wstring& name) const {
  // A database name is never cut: a shorter one would be another database.
  return tk_unicode_to_utf8(is_old_version() ? name : quote_name(name));
}

std::unique_ptr<udb_database> sql_engine::create_db(const std::wstring& name) {
  tk_log2(tk_log_detail, L"sql_engine::create_db (%ls)", name.c_str());
  tk_log2(tk_log_event, L"Creating MySQL database '%ls'", name.c_str());
  const std::string statement =
      "CREATE DATABASE " + quoted_db_name(name) + " character set " + tk_unicode_to_utf8(table_charset());
  tk_log1(tk_log_detail, "Run SQL-query: %s", statement.c_str());
  execute(statement);
  return open_db(name, 2, std::wstring());
}

std::unique_ptr<udb_database> sql_engine::open_db(const std::wstring& name, std::uint32_t mode,
                                                  const std::wstring& /*password*/) {
  tk_log2(tk_log_detail, L"sql_engine::open_db (%ls)", name.c_str());
  tk_log2(tk_log_event, L"Opening MySQL database '%ls'", name.c_str());
  const std::string database = tk_unicode_to_utf8(name);
  if (!connection_->select_db(database)) throw sql_exception(*connection_);
  database_ = database;
  return std::make_unique<sql_database>(name, *connection_, mode);
}

void sql_engine::db_delete(const std::wstring& name) {
  tk_log2(tk_log_detail, L"sql_engine::db_delete(%ls)", name.c_str());
  tk_log2(tk_log_event, L"Deleting MySQL database '%ls'", name.c_str());
  try_execute("SET FOREIGN_KEY_CHECKS = 0", tk_log_detail, "Cannot turn off foreign key check: %s");
  execute("DROP DATABASE " + quoted_db_name(name));
  try_execute("SET FOREIGN_KEY_CHECKS = 1", tk_log_detail, "Cannot turn on foreign key check: %s");
}

bool sql_engine::is_db_exist(const std::wstring& name) {
  tk_log2(tk_log_trace, L"sql_engine::is_db_exist(%ls)", name.c_str());
  const bool exists = connection_->select_db(tk_unicode_to_utf8(name));
  tk_log1(tk_log_trace, "n_result=%d", exists ? 0 : 1);
  return exists;
}

void sql_engine::set_properties(udb_properties* p) {
  tk_log1(tk_log_trace, "sql_engine::set_properties");
  udb_engine::set_properties(p);
  if (p == nullptr) return;
  // A set that names no storage engine or character set leaves the ones the user chose
  // elsewhere (the command line, the profile's general settings) in place.
  const udb_properties::property_map& map = p->get_properties();
  if (auto it = map.find(L"engine"); it != map.end() && !it->second.empty()) {
    tk_log2(tk_log_trace, L"Set tab.type='%ls'", it->second.c_str());
    engine = it->second;
  }
  if (auto it = map.find(L"character set"); it != map.end() && !it->second.empty()) charset = it->second;
}

const std::vector<std::wstring>& sql_engine::get_charsets() {
  static std::vector<std::wstring> charsets;
  tk_log1(tk_log_detail, "sql_engine::get_charsets");
  if (!charsets.empty()) return charsets;
  if (!is_connected) {
    tk_log1(tk_log_trace, "MySQL is NOT connected");
    charsets = {L"big5 - Big5 Traditional Chinese",
                L"dec8 - DEC West European",
                L"cp850 - DOS West European",
                L"hp8 - HP West European",
                L"koi8r - KOI8-R Relcom Russian",
                L"latin1 - cp1252 West European",
                L"latin2 - ISO 8859-2 Central European",
                L"swe7 - 7bit Swedish",
                L"ascii - US ASCII",
                L"ujis - EUC-JP Japanese",
                L"sjis - Shift-JIS Japanese",
                L"hebrew - ISO 8859-8 Hebrew",
                L"tis620 - TIS620 Thai",
                L"euckr - EUC-KR Korean",
                L"koi8u - KOI8-U Ukrainian",
                L"gb2312 - GB2312 Simplified Chinese",
                L"greek - ISO 8859-7 Greek",
                L"cp1250 - Windows Central European",
                L"gbk - GBK Simplified Chinese",
                L"latin5 - ISO 8859-9 Turkish",
                L"armscii8 - ARMSCII-8 Armenian",
                L"utf8 - UTF-8 Unicode",
                L"utf8mb4 - UTF-8 Unicode",
                L"ucs2 - UCS-2 Unicode",
                L"cp866 - DOS Russian",
                L"keybcs2 - DOS Kamenicky Czech-Slovak",
                L"macce - Mac Central European",
                L"macroman - Mac West European",
                L"cp852 - DOS Central European",
                L"latin7 - ISO 8859-13 Baltic",
                L"cp1251 - Windows Cyrillic",
                L"cp1256 - Windows Arabic",
                L"cp1257 - Windows Baltic",
                L"binary - Binary pseudo charset",
                L"geostd8 - GEOSTD8 Georgian",
                L"cp932 - SJIS for Windows Japanese",
                L"eucjpms - UJIS for Windows Japanese"};
    return charsets;
  }
  tk_log1(tk_log_trace, "MySQL is connected");
  for_each_pair("SHOW CHARACTER SET", [](const std::wstring& name, const std::wstring& text) {
    const std::wstring entry = name + L" - " + text;
    tk_log2(tk_log_detail, L"name=%ls", entry.c_str());
    charsets.push_back(entry);
  });
  return charsets;
}

const std::vector<std::wstring>& sql_engine::get_storage_engines() {
  static std::vector<std::wstring> engines;
  tk_log1(tk_log_detail, "sql_engine::get_storage_engines");
  if (!engines.empty()) return engines;
  if (!is_connected) {
    tk_log1(tk_log_trace, "MySQL is NOT connected");
    engines = {L"MyISAM",  L"MEMORY", L"InnoDB",     L"BerkeleyDB", L"BLACKHOLE",  L"EXAMPLE",
               L"ARCHIVE", L"CSV",    L"ndbcluster", L"FEDERATED",  L"MRG_MYISAM", L"ISAM"};
    return engines;
  }
  tk_log1(tk_log_trace, "MySQL is connected");
  for_each_pair("SHOW ENGINES", [](const std::wstring& name, const std::wstring& support) {
    if (support != L"NO") engines.push_back(name);
  });
  return engines;
}

void sql_engine::for_each_pair(const std::string& statement,
                               const std::function<void(const std::wstring&, const std::wstring&)>& take) {
  // A failed statement or a result of fewer columns leaves the list as it is.
  if (!connection_->query(statement)) return;
  sql_result result(*connection_);
  if (result.result == nullptr || mysql_num_fields(result.result) < 2) return;
  while (MYSQL_ROW row = connection_->fetch_row(result.result)) {
    const unsigned long* lengths = mysql_fetch_lengths(result.result);
    take(column_text(row, lengths, 0), column_text(row, lengths, 1));
  }
}

std::uint32_t sql_engine::get_max_allowed_packet() {
  tk_log1(tk_log_trace, "sql_engine::get_max_allowed_packet");
  if (max_allowed_packet != 0 || !is_connected) return max_allowed_packet;
  execute("SHOW VARIABLES LIKE 'max_allowed_packet'");
  sql_result result(*connection_);
  if (result.result == nullptr) throw sql_exception(*connection_);
  if (MYSQL_ROW row = connection_->fetch_row(result.result);
      row != nullptr && mysql_num_fields(result.result) >= 2 && row[1] != nullptr) {
    max_allowed_packet = static_cast<std::uint32_t>(std::strtoul(row[1], nullptr, 10));
  }
  // Drain the rest so the connection is ready for the next statement.
  while (connection_->fetch_row(result.result) != nullptr) {
  }
  tk_log1(tk_log_trace, "max_packet_size=%u", max_allowed_packet);
  return max_allowed_packet;
}

std::wstring sql_engine::get_safe_name(const std::wstring& name) {
  tk_log2(tk_log_trace, L"sql_engine::get_safe_name(%ls)", name.c_str());
  // An empty name stays empty: an index without a name is left for the server to name.
  if (name.empty()) return name;
  const std::wstring result = quote_name(name.size() > 64 ? name.substr(0, 63) : name);
  tk_log2(tk_log_trace, L"Returns [%ls]", result.c_str());
  return result;
}

std::wstring sql_engine::quote_name(const std::wstring& name) {
  // A name that merely starts with a backtick is still a name: leaving it bare would let its
  // text close the quotes and run on as SQL.
  std::wstring result = L"`";
  for (wchar_t c : name) {
    result += c;
    if (c == L'`') result += L'`';
  }
  return result + L"`";
}

std::uint32_t sql_engine::feature_version() const { return std::max(version, dump_load_version); }

std::wstring sql_engine::table_charset() const {
  if (!charset.empty()) return charset;
  return feature_version() >= sql_version::v5_5_3 ? L"utf8mb4" : L"utf8";
}

bool sql_engine::is_old_version() const {
  tk_log1(tk_log_trace, "is_old_version(%08X)", version);
  return version < sql_version::v4_1_0;
}

std::unique_ptr<udb_validator> sql_engine::create_fn_validator(const udb_record& record) const {
  tk_log1(tk_log_trace, "sql_engine::create_fn_validator( const udb_record& )");
  if (is_old_version()) return std::make_unique<sql_old_fn_validator>(record);
  return std::make_unique<sql_new_fn_validator>(record);
}

std::unique_ptr<udb_validator> sql_engine::create_fn_validator(const udb_schema& schema) const {
  tk_log1(tk_log_trace, "sql_engine::create_fn_validator( const udb_schema& )");
  if (is_old_version()) return std::make_unique<sql_old_fn_validator>(schema);
  return std::make_unique<sql_new_fn_validator>(schema);
}

std::unique_ptr<udb_validator> sql_engine::create_in_validator(const udb_indexes& indexes) const {
  tk_log1(tk_log_trace, "sql_engine::create_in_validator");
  if (is_old_version()) return std::make_unique<sql_old_in_validator>(indexes);
  return std::make_unique<sql_new_in_validator>(indexes);
}

std::unique_ptr<udb_validator> sql_engine::create_tn_validator(const std::vector<std::wstring>& tables,
                                                               const std::vector<std::wstring>& views) const {
  tk_log1(tk_log_trace, "sql_engine::create_tn_validator");
  if (is_old_version()) return std::make_unique<sql_old_tn_validator>(tables, views);
  return std::make_unique<sql_new_tn_validator>(tables, views);
}

std::unique_ptr<udb_validator> sql_engine::create_dn_validator() const {
  tk_log1(tk_log_trace, "sql_engine::create_dn_validator");
  if (is_old_version()) return std::make_unique<sql_old_dn_validator>();
  return std::make_unique<sql_new_validator>(true);
}

void sql_engine::set_blob_to_text(bool on) {
  tk_log1(tk_log_trace, "sql_engine::set_blob_to_text(%d)", on ? 1 : 0);
  blob_to_text = on;
}
