// The user's choice of MySQL column type for one column: what the column editor, the type-mapping
// files and the profile's "Type Mappings" section hold, and what the column mutators apply.
#pragma once

#include <cstdint>
#include <string>

struct sql_native_type {
  // MySQL type name, one of the names of the type table (sql_types.h), e.g. L"VARCHAR".
  std::wstring type;
  // Default value text, empty for none.
  std::wstring default_value;
  // Character set name, empty for the database's default.
  std::wstring character_set;
  // Length for CHAR/VARCHAR (characters); also becomes the column size in the schema.
  std::uint64_t length = 0;
  std::int32_t scale = 0;
  std::int32_t precision = 0;

  bool operator==(const sql_native_type&) const = default;
};
