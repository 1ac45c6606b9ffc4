// The views of a conversion as statements to run, in order, and a reason for each saved query
// left out: one set of rules that the dump file and the live server both carry out.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

class udb_names_map;
class udb_validator;

using sql_view_list = std::vector<std::pair<std::wstring, std::wstring>>;  // (name, Access SQL)
// The target columns of each created table (target names), what views spell t.* out from.
using sql_table_columns = std::map<std::wstring, std::vector<std::wstring>>;

struct sql_view_step {
  std::size_t query = 0;   // position in the query list
  std::wstring name;       // the view's target name
  std::wstring statement;  // CREATE OR REPLACE VIEW ...; the body ends with ";"
};

struct sql_view_left_out {
  std::size_t query = 0;
  std::wstring reason;
};

struct sql_view_plan {
  std::vector<sql_view_step> steps;
  std::vector<sql_view_left_out> left_out;
  // (query name, generated view name) for the queries whose names the server cannot take; the
  // target adds them to its names map, so that later text refers to the views by these names.
  std::vector<std::pair<std::wstring, std::wstring>> renamed;
};

// The MySQL view body of an Access select query: blanks collapsed, source names replaced by
// target names, brackets as backticks, Access functions and Jet syntax in MySQL's words,
// duplicate result columns named; ends with ";".
std::wstring sql_view_body(const std::wstring& sql, const udb_names_map& names, const sql_table_columns& columns);

// Each select query becomes a CREATE OR REPLACE VIEW, a view after the views it selects from.
// A name the server cannot take gets a generated one (view_names: an empty table-name
// validator of the target server). Queries that cannot be views are left out with the reason.
sql_view_plan sql_plan_views(const sql_view_list& queries, const udb_names_map& names, const sql_table_columns& columns,
                             udb_validator& view_names);
