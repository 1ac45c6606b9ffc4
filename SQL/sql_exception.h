// Exceptions of the MySQL target: a failed client-library call, a server asking for an
// authentication protocol the program cannot speak, and a prepared statement that failed.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_exception.h"

class sql_connection;

// The client library's current error: its text, and as code 0x400000 | the error number.
class sql_exception : public tk_exception {
 public:
  // The error of the sql_engine singleton's connection.
  sql_exception();
  // The error of the given connection.
  explicit sql_exception(const sql_connection& connection);

  // The connection is gone (server gone away, lost during a statement, a read or write that
  // timed out): every later statement fails alike until it is connected again.
  bool is_connection_lost() const;
};

class sql_auth_not_supported_exception : public tk_exception {
 public:
  sql_auth_not_supported_exception();
};

// A prepared statement (a row with values too large for statement text) could not be prepared,
// bound, fed or run; the message ends with the server's reason when there is one. Code
// 0x400000 + 3001. The row it was for is lost, the connection still serves.
class sql_prep_stmt_failed_exception : public tk_exception {
 public:
  explicit sql_prep_stmt_failed_exception(const std::string& reason = std::string());
};

// A row whose statement is larger than the server accepts in one packet (max_allowed_packet):
// it is not sent, since the server would close the connection. The message gives both sizes.
class sql_packet_too_large_exception : public tk_exception {
 public:
  sql_packet_too_large_exception(std::uint64_t statement_bytes, std::uint32_t max_allowed_packet);
};
