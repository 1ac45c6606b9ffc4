// The field of a MySQL result row: a udb_field whose value is built from the column data the
// client library returns.
#pragma once

#include <string>

#include "UDB/udb_field.h"

class t_ftd;

class sql_field : public udb_field {
 public:
  // From a result column: its client-library type code, data length, flags and data (null for
  // SQL NULL). The wide form takes data the caller already widened from UTF-8.
  sql_field(const std::wstring& name, int mysql_type, unsigned long length, unsigned flags, const wchar_t* data);
  sql_field(const std::wstring& name, int mysql_type, unsigned long length, unsigned flags, const char* data);
  // For the column a descriptor describes, from narrow data: binary kinds take the bytes (text
  // while the engine's blob_to_text flag is on), every other kind is read from the text.
  sql_field(const t_ftd& descriptor, unsigned long size, const char* data);
  // A copy of any field, made as a sql_field (the column mutators work on such copies).
  explicit sql_field(const udb_field& that);
  sql_field(const sql_field& that) = default;
};
