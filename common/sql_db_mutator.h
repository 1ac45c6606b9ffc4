// The user's table and column changes for a MySQL target: kept by the converter, applied by the
// run to names, column definitions, rows and indexes, and saved in a profile as the text lines
// of the list "Type Mappings".
#pragma once

#include <set>
#include <string>

#include "SQL/sql_field_mutator.h"
#include "SQL/sql_native_type.h"
#include "UDB/udb_db_mutator.h"

class t_ftd;
class udb_indexes;
class udb_profile;

class sql_db_mutator : public udb_db_mutator<sql_table_mutator> {
 public:
  sql_db_mutator() = default;
  ~sql_db_mutator() override = default;

  // Replaces every rule by those of the profile's "Type Mappings" list. False (rules left
  // cleared) when a line stands out of place or is not one of the list's lines. A type that is
  // not one of the type table's names, a length, precision or scale that is not a whole number
  // in the type's range, or a character set or storage engine that is not a plain word throws
  // tk_exception (kind 1) naming the table, the column and the value; no rule is then kept.
  bool load(udb_profile& profile);
  // Appends the rules to the profile's "Type Mappings" list.
  bool store(udb_profile& profile) const;
  // Forgets every rule, the database-wide ones too.
  void clear();

  // The mutator registered under exactly that destination name, or null.
  sql_table_mutator* find_by_new_name(const std::wstring& name);
  // The MySQL type a source column gets when the user changes nothing: the type name without
  // sizes, the column's length, precision and scale as its type text has them, and its default
  // as the source gives it (empty when the conversion drops it). A column mutator holding exactly
  // this makes the same column.
  void get_default_native_type(const t_ftd& column, sql_native_type& native) const;
  // A set of names no operation fills; one for the whole program.
  static const std::set<std::wstring>& get_names();
};

// Applies a table's rules to its index list: deleted columns leave every index, renamed ones
// take their new names. An index whose columns are all deleted is left with no columns.
void modify3(const sql_table_mutator& table, udb_indexes& indexes);

// The index list without the indexes that modify3 left with no columns: nothing can be built
// on them.
void drop_empty_indexes(udb_indexes& indexes);
