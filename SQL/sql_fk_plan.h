// The foreign keys of a conversion as statements to run, in order, and a reason for each
// relationship left out: one set of rules that the dump file and the live server both carry out.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "SQL/sql_key_limits.h"
#include "UDB/udb_index.h"

class udb_names_map;
class udb_relationship;
class udb_relationships;
class udb_validator;

// What the target holds before its foreign keys are made, all under target names.
struct sql_fk_target {
  std::vector<std::wstring> tables;
  // The indexes of each table, their fields under target column names.
  std::map<std::wstring, udb_indexes> indexes;
  // The keys each table can take. A table without an entry is left to the server to judge
  // (a live server answers at once; a dump file must not hold a statement that stops its load).
  std::map<std::wstring, sql_key_room> key_room;
};

struct sql_fk_step {
  enum class kind { add_index, add_constraint };
  kind what = kind::add_index;
  std::size_t relationship = 0;  // position in the relationship list
  std::wstring table;            // the table the statement alters
  std::wstring ref_table;        // add_constraint: the referenced table
  std::wstring constraint;       // add_constraint: the constraint's name
  std::wstring statement;        // without the final ";"
};

struct sql_fk_left_out {
  std::size_t relationship = 0;
  std::wstring reason;
};

struct sql_fk_plan {
  std::vector<sql_fk_step> steps;
  std::vector<sql_fk_left_out> left_out;
};

// Each relationship becomes an ADD CONSTRAINT, after an ADD INDEX on its columns and on the
// referenced columns wherever no index of the table leads with them (the server demands both).
// Tables and columns go under their target names from names. A relationship is left out when
// one of its tables is not on the target, or when a table that needs an index cannot take it.
// constraint_names: an empty index-name validator of the target server; constraint names are
// unique within a database, so a repeated or unacceptable name gets a generated one.
sql_fk_plan sql_plan_foreign_keys(const udb_relationships& relationships, const udb_names_map& names,
                                  const sql_fk_target& target, udb_validator& constraint_names);

// What the user is shown for a foreign key that was not made, and the object it names.
std::string sql_fk_failure_text(const std::string& reason);
std::wstring sql_fk_failure_context(const udb_relationship& relationship);
