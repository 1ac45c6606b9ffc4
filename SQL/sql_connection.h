// The one way the MySQL side talks to a server: a small connection interface (statements,
// streamed results, prepared statements with long data, errors) that the engine owns.
#pragma once

#include <mysql.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "SQL/sql_bulk_rows.h"

// A value sent as long data of a prepared statement: its bytes, as text or as a BLOB.
struct sql_long_value {
  std::string_view bytes;
  bool is_text = false;
};

// What a connection is opened with. The read and write time-outs bound the wait for a server
// that stops answering: a statement or an answer that takes longer ends as a lost connection.
struct sql_connect_settings {
  std::string host;
  std::string user;
  std::string password;
  unsigned port = 0;
  unsigned connect_timeout_seconds = 10;
  unsigned io_timeout_seconds = 3600;
};

// The file name a LOAD DATA LOCAL statement of load_rows names; no file of that name is read.
inline constexpr const char* sql_rows_file_name = "ostrelle-rows";

// Error numbers of a connection that is gone: the server went away between statements, was lost
// during one (also when a read or write timed out), or was lost with an extended reason.
bool sql_is_connection_lost(unsigned error_number);

// Calls return true on success; after a failure error_number and error_text tell why. Results
// are the client library's own, read with mysql_num_fields and its siblings, and handed back to
// free_result. Used by one thread at a time.
class sql_connection {
 public:
  virtual ~sql_connection() = default;

  // Opens the connection, closing an open one first.
  virtual bool connect(const sql_connect_settings& settings) = 0;
  virtual void close() = 0;

  // Runs a statement (its bytes with their length, so a NUL inside does not cut it).
  virtual bool query(std::string_view statement) = 0;
  // Sends a statement without waiting; read_query_result waits for the server's answer.
  virtual bool send_query(std::string_view statement) = 0;
  virtual bool read_query_result() = 0;
  // The result of the last statement, streamed or read whole; null without one (or on error:
  // see error_number).
  virtual MYSQL_RES* use_result() = 0;
  virtual MYSQL_RES* store_result() = 0;
  // The next row; null at the end or on error (see error_number).
  virtual MYSQL_ROW fetch_row(MYSQL_RES* result) = 0;
  virtual void free_result(MYSQL_RES* result) = 0;
  // The table list of servers before 5.0.1.
  virtual MYSQL_RES* list_tables() = 0;
  virtual bool select_db(const std::string& name) = 0;
  // Prepares the statement, whose "?" markers stand in order for values, sends each value as
  // long data and runs it.
  virtual bool execute_prepared(std::string_view statement, const std::vector<sql_long_value>& values) = 0;

  // Rows in LOAD DATA's default text form, fed from memory to a "LOAD DATA LOCAL INFILE"
  // statement naming the file sql_rows_file_name; a connection that cannot (the default) says
  // so with can_load_rows, and load_rows then fails.
  virtual bool can_load_rows() const { return false; }
  virtual bool load_rows(std::string_view /*statement*/, std::string_view /*rows*/) { return false; }
  // The same rows, split (sql_split_rows), through a prepared INSERT with one "?" per column,
  // run once for the whole batch with array binding: MariaDB's bulk execution, which costs the
  // server less than LOAD DATA. Each value goes as text, which the server converts as it
  // converts a LOAD DATA field. A connection or server without it (MySQL) says so with
  // can_insert_rows, and insert_rows then fails. The request is never larger than the INSERT
  // text of the same rows. The statement stays prepared for the next batch of the same text,
  // until end_rows, select_db, connect or close, or a failure.
  virtual bool can_insert_rows() const { return false; }
  virtual bool insert_rows(std::string_view /*statement*/, const sql_bulk_rows& /*rows*/) { return false; }
  virtual void end_rows() {}
  // Of the last statement: the server's warnings and the rows it changed.
  virtual unsigned warning_count() { return 0; }
  virtual std::uint64_t affected_rows() { return 0; }
  // The character set of the connection's texts, as the server names it.
  virtual std::string character_set() { return {}; }

  virtual unsigned error_number() const = 0;
  virtual std::string error_text() const = 0;
  // The server version as the number MMmmpp and as the server's text.
  virtual unsigned long server_version() = 0;
  virtual std::string server_info() = 0;
};
