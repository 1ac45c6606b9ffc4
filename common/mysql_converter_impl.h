// The converter's MySQL side: the process's MySQL engine, the dump options and the server's
// connection texts; connecting, checking a database name against the server's rules, dropping
// the destination database, and the profile section of these settings.
#pragma once

#include <string>

#include "SQL/dump_options.h"
#include "SQL/sql_engine.h"

class udb_profile;

class mysql_converter_impl {
 public:
  // Builds (and so registers) the engine; port "3306".
  mysql_converter_impl();
  virtual ~mysql_converter_impl();

  mysql_converter_impl(const mysql_converter_impl&) = delete;
  mysql_converter_impl& operator=(const mysql_converter_impl&) = delete;

  // Connects the engine with the stored texts. A port text that is no number above 0 is a
  // tk_exception (kind 1) "Invalid port number"; the engine's failures pass through.
  void connect_mysql_server();
  // Throws a tk_exception (kind 1) when the connected server would refuse the database name.
  void check_mysql_db_name(const std::wstring& name);
  // Drops the database on the server; sql_exception on failure.
  void del_mysql_base(const std::wstring& name);
  // Stores the four texts trimmed of blanks; an empty port becomes "3306".
  void store_mysql_settings(const std::string& host, const std::string& user, const std::string& password,
                            const std::string& port);

  // The "MySQL settings" section (texts as UTF-8, dump flags as "1"/"0").
  void load_profile(const udb_profile& profile);
  void store_profile(udb_profile& profile) const;

  // The port text as a number: plain digits only, 1 to 65535; 0 for any other text.
  static std::uint32_t parse_port(const std::string& text);

  sql_engine engine;
  dump_options dump;
  std::string host;           // UTF-8
  std::string user;           // UTF-8
  std::string password;       // UTF-8
  std::string port = "3306";  // as typed
};
