// The MySQL side's engine: the one client connection and its session, the server version and the
// version gates built on it, the conversion's MySQL settings and the identifier helpers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_connection.h"
#include "TK/tk_logger.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_engine.h"

class udb_validator;
class dmp_database;
struct dump_options;
class udb_record;
class udb_schema;
class udb_indexes;

// Server versions are coded 0x00MMmmpp; these are the ones the MySQL target tests.
namespace sql_version {
constexpr std::uint32_t v4_1_0 = 0x00040100;    // backticks, ENGINE=, larger index limits
constexpr std::uint32_t dump_old = 0x00031401;  // what a dump for old servers pretends to be
constexpr std::uint32_t v5_5_3 = 0x00050503;    // utf8mb4
constexpr std::uint32_t v5_6_5 = 0x00050605;    // DATETIME defaults to the current moment
}  // namespace sql_version

// The coded version 0x00MMmmpp of a server's version text ("5.7.44-log", "10.11.19-MariaDB-...");
// false when the text does not start with three numbers.
bool sql_parse_server_version(const char* text, std::uint32_t& version);

// One per process, registered as the tk_singleton<sql_engine>; it must outlive every database,
// recordset and dump made through it. Used by one thread at a time.
class sql_engine : public udb_engine, public tk_singleton<sql_engine> {
 public:
  // Values above this many bytes are sent or written on their own.
  static constexpr std::uint32_t max_field_size = 1048576;

  // Makes the libmariadb connection (options read from the option-file group "QB MySQL Lib").
  // Does not connect.
  sql_engine();
  // Turns foreign-key checks back on and closes the connection; never throws.
  ~sql_engine() override;

  sql_engine(const sql_engine&) = delete;
  sql_engine& operator=(const sql_engine&) = delete;

  // Connects (closing an open connection first), sets up the session (UTF-8, at least 8 hours of
  // idle time, no foreign-key checks) and reads the server version. Throws sql_exception or
  // sql_auth_not_supported_exception.
  void connect(const std::string& host, const std::string& user, const std::string& password, unsigned port);
  // Connects again with the settings of the last connect and selects the database last opened;
  // for a run whose connection was lost. Throws sql_exception.
  void reconnect();

  std::unique_ptr<udb_database> create_db(const std::wstring& name) override;
  std::unique_ptr<udb_database> open_db(const std::wstring& name, std::uint32_t mode,
                                        const std::wstring& password) override;
  void db_delete(const std::wstring& name) override;
  bool is_db_exist(const std::wstring& name) override;
  // Keeps the set: the table and column rules are looked up in it by target name. Takes
  // "engine" and "character set" from it when it names them; absent ones stay as they are.
  void set_properties(udb_properties* properties) override;

  // "name - description" of every character set, and the storage engines the server supports.
  // Built-in lists while not connected. Kept for the rest of the process once filled.
  const std::vector<std::wstring>& get_charsets();
  const std::vector<std::wstring>& get_storage_engines();

  // The server's max_allowed_packet, read once; 0 while not connected.
  std::uint32_t get_max_allowed_packet();

  // The name between backticks with every backtick inside doubled, cut to 63 characters first
  // when longer than 64; an empty name comes back empty.
  static std::wstring get_safe_name(const std::wstring& name);
  // The whole name between backticks with every backtick inside doubled.
  static std::wstring quote_name(const std::wstring& name);

  // True for servers before 4.1.0 (bare names, old validators, TYPE=).
  bool is_old_version() const;

  // Identifier validators for this server version, seeded with the names already taken.
  std::unique_ptr<udb_validator> create_fn_validator(const udb_record& record) const;
  std::unique_ptr<udb_validator> create_fn_validator(const udb_schema& schema) const;
  std::unique_ptr<udb_validator> create_in_validator(const udb_indexes& indexes) const;
  std::unique_ptr<udb_validator> create_tn_validator(const std::vector<std::wstring>& tables,
                                                     const std::vector<std::wstring>& views) const;
  std::unique_ptr<udb_validator> create_dn_validator() const;

  void set_blob_to_text(bool on);

  // A new dump file at path, written for the server version the options choose (which becomes
  // this engine's version); the caller owns it. Defined with the dump writer.
  std::unique_ptr<dmp_database> create_dump(const std::wstring& path, const dump_options* options);

  // Sends one statement (UTF-8, with its length, so a NUL inside does not cut it). Throws
  // sql_exception.
  void execute(const std::string& statement);

  // The connection every statement of the engine and its databases goes through.
  sql_connection& connection() { return *connection_; }
  // Puts another connection in place (a wrapper around the current one, say) and answers the
  // one it replaces. Only between statements, and before any database is opened: a database
  // keeps the connection it was opened with.
  std::unique_ptr<sql_connection> replace_connection(std::unique_ptr<sql_connection> next);

  // Seconds a statement or its answer may take before the connection counts as lost: long
  // enough for the slowest statement a conversion sends (an ALTER TABLE of a large table, a
  // batch of rows). Read at connect.
  unsigned io_timeout_seconds = 3600;

  // Character set of created databases and of text columns as the user chose it; empty (the
  // default) lets table_charset choose the best the target holds.
  std::wstring charset;
  // The character set created databases and text columns get: `charset` when one is chosen,
  // else utf8mb4 where the target knows it (feature_version from 5.5.3 on), else utf8 (which
  // on MariaDB and MySQL 8 is the three-byte utf8mb3 and refuses emoji).
  std::wstring table_charset() const;
  // The server version whose column features (character sets, DATETIME defaults) the
  // statements may use: `version`, or for a dump for current servers dump_load_version.
  std::uint32_t feature_version() const;
  // The collation text columns of unique keys get in that character set, so that they keep
  // apart what Access keeps apart (accents, not case): on a live server its accent-sensitive,
  // case-insensitive collation where the server lists one, else the binary one where listed,
  // else none (the default); in a dump, which may be loaded into any server, the binary one.
  // Empty for the binary character set. The server's answer is kept until the next connect.
  std::wstring key_collation(const std::wstring& charset);
  // Storage engine of created tables.
  std::wstring engine = L"InnoDB";
  // Dump only: a LOCK TABLES has been written and not yet closed.
  bool lock_tables_open = false;
  bool is_connected = false;
  // Multi-row INSERT batching allowed; cleared for good by the first row over 1000000 bytes.
  bool fast_insert = true;
  // BLOB columns are read back as text.
  bool blob_to_text = false;
  // Text columns get the BINARY attribute. Nothing sets it but the constructor.
  bool case_sensitive = false;
  // Server version coded 0x00MMmmpp (4.1.0 = 0x00040100); a dump writes its own.
  std::uint32_t version = 0;
  // Dump only: the oldest server a dump for current servers loads into. Its statements take
  // the forms of `version`, but it names utf8mb4 and may give DATETIME columns the current
  // moment as default; 0 for a live server and for a dump for old servers.
  std::uint32_t dump_load_version = 0;

 private:
  // The statements whose failure only gets logged.
  void try_execute(const char* statement, tk_log_level level, const char* failure_format);
  std::string quoted_db_name(const std::wstring& name) const;
  // Runs a SHOW statement and hands its first two columns of every row to take.
  void for_each_pair(const std::string& statement,
                     const std::function<void(const std::wstring&, const std::wstring&)>& take);

  std::unique_ptr<sql_connection> connection_;
  sql_connect_settings settings_;
  std::string database_;  // the database last opened, UTF-8
  std::uint32_t max_allowed_packet = 0;
  std::map<std::wstring, std::wstring> key_collations_;  // character set -> key_collation
};
