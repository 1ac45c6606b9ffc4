// The MySQL target's column and table mutators: the generic mutators over sql_field and the
// user's MySQL type mapping (sql_native_type).
#pragma once

#include "SQL/sql_field.h"
#include "SQL/sql_native_type.h"
#include "SQL/sql_types.h"
#include "UDB/udb_field_mutator.h"
#include "UDB/udb_table_mutator.h"

// Hooks the generic mutators find by argument-dependent lookup.
inline std::wstring native_type_text(const sql_native_type& n) { return get_sql_native_type1(n); }
inline VARTYPE native_vartype(const sql_native_type& n) {
  std::uint64_t size = n.length;
  return get_vartype_by_native_name(n.type, size);
}

class sql_field_mutator : public udb_field_mutator<sql_field, sql_native_type> {
 public:
  using udb_field_mutator::udb_field_mutator;
};

class sql_table_mutator : public udb_table_mutator<sql_field_mutator> {
 public:
  using udb_table_mutator::udb_table_mutator;
};
