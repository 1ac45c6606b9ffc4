// One row of a server result as a data-model record: each column becomes a sql_field, read as
// text (UTF-8 to wide) or kept as raw bytes according to its type and binary flag.
#pragma once

#include <mysql.h>

#include <cstdint>

#include "UDB/udb_field.h"

class udb_schema;

class sql_record : public udb_record {
 public:
  // A fetched row described by the result's columns: character and BLOB columns without the
  // binary flag (every one of them while the engine reads BLOBs as text) become wide text; the
  // rest, and SQL NULL, keep the client library's bytes. fields must not be null.
  sql_record(std::uint32_t count, const MYSQL_FIELD* fields, const unsigned long* lengths, MYSQL_ROW row);
  // A fetched row described by a schema: column i is read as the schema's i-th column says.
  sql_record(std::uint32_t count, const udb_schema& schema, const unsigned long* lengths, MYSQL_ROW row);
};
