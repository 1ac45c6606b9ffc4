// Turns a parsed Jet statement into SQLite SQL over the "jet_table" virtual tables: names
// resolved against the catalog (unknown ones are parameters, as Jet takes them), Jet operators
// and functions mapped onto ours, and each result column typed as DAO would type it.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_sql_ast.h"
#include "platform/jet/sql/jet_sql_catalog.h"

struct jet_translation {
  std::string sql;
  std::vector<jet_sql_column> columns;
};

struct jet_translator_services {
  jet_sql_catalog* catalog = nullptr;
  // The SQLite name of the virtual table over a source, declared on first use.
  std::function<std::string(jet_sql_table*)> table_name;
  // Runs a query and answers the first column of its rows (the pivot values of a crosstab).
  std::function<std::vector<jet_sql_value>(const std::string& sql, int type)> first_column;
};

// Raises jet_sql_exception: 3061 with the number of parameters (declared ones, form
// references and names that resolve to nothing), 3085 for an unknown function, 3078 for an
// unknown table, 3219 for an action query, and the syntax errors of the parser.
jet_translation jet_translate(const jet_statement& statement, const jet_translator_services& services);
