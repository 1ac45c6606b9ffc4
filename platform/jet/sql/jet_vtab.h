// The SQLite virtual table over a jet_sql_table: SQLite reads Access tables through the row
// cursor, value by value, with nothing copied. Equality lookups (the joins of saved queries) use
// an index of row ordinals per column, built on first use when the source can seek.
#pragma once

#include <vector>

#include "platform/jet/sql/jet_sql_catalog.h"

struct sqlite3;

// The tables a connection has declared; "CREATE VIRTUAL TABLE x USING jet_table(<index>)" names
// one by its index here.
struct jet_vtab_registry {
  std::vector<jet_sql_table*> tables;
};

// Registers the module "jet_table" on a connection. The registry must outlive the connection.
int jet_register_vtab_module(sqlite3* db, jet_vtab_registry* registry);
