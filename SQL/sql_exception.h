// Exceptions of the MySQL target: a failed client-library call, a server asking for an
// authentication protocol the program cannot speak, and a prepared statement that failed.
#pragma once

#include <mysql.h>

#include "TK/tk_exception.h"

// The client library's current error: its text, and as code 0x400000 | the error number.
class sql_exception : public tk_exception {
 public:
  // The error of the sql_engine singleton's connection.
  sql_exception();
  // The error of the given connection.
  explicit sql_exception(MYSQL* handle);
};

class sql_auth_not_supported_exception : public tk_exception {
 public:
  sql_auth_not_supported_exception();
};

// A prepared statement (a row with values too large for statement text) could not be prepared,
// bound, fed or run; the server's own text is in the log. Code 0x400000 + 3001.
class sql_prep_stmt_failed_exception : public tk_exception {
 public:
  sql_prep_stmt_failed_exception();
};
