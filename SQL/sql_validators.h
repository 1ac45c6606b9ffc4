// Identifier rules of MySQL for database, table, view, column and index names: the new family for
// servers from 4.1.0 on (names between backticks) and the old family for older servers (bare names).
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_validator.h"

class udb_record;
class udb_schema;
class udb_indexes;

// The characters MySQL names may not hold: the first 8 for every name, all 14 for database,
// table and view names (they become file names on the server).
extern const wchar_t sql_forbidden_chars[14];

// Reserved words of the old servers, lower case.
extern const std::vector<std::wstring> sql_old_reserved_words;

// Names up to 64 characters without a leading or trailing blank and without forbidden characters.
class sql_new_validator : public udb_validator {
 public:
  explicit sql_new_validator(bool full);
  bool is_acceptable(const std::wstring& name) override;
  std::wstring get_safe_name(const std::wstring& name) override;
};

class sql_new_tn_validator : public sql_new_validator {
 public:
  sql_new_tn_validator(const std::vector<std::wstring>& tables, const std::vector<std::wstring>& views);
};

class sql_new_fn_validator : public sql_new_validator {
 public:
  explicit sql_new_fn_validator(const udb_record& record);
  explicit sql_new_fn_validator(const udb_schema& schema);
};

class sql_new_in_validator : public sql_new_validator {
 public:
  explicit sql_new_in_validator(const udb_indexes& indexes);
};

// Letters, digits, '_' and '$' only; not digits only; not a reserved word.
class sql_old_validator : public udb_validator {
 public:
  sql_old_validator();
  bool is_acceptable(const std::wstring& name) override;
  std::wstring get_safe_name(const std::wstring& name) override;
};

// A database name also may not start with a digit.
class sql_old_dn_validator : public sql_old_validator {
 public:
  bool is_acceptable(const std::wstring& name) override;
};

class sql_old_tn_validator : public sql_old_validator {
 public:
  sql_old_tn_validator(const std::vector<std::wstring>& tables, const std::vector<std::wstring>& views);
};

class sql_old_fn_validator : public sql_old_validator {
 public:
  explicit sql_old_fn_validator(const udb_record& record);
  explicit sql_old_fn_validator(const udb_schema& schema);
};

class sql_old_in_validator : public sql_old_validator {
 public:
  explicit sql_old_in_validator(const udb_indexes& indexes);
};
