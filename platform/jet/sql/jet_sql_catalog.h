// What Jet SQL needs of the database it runs over: the tables as row cursors and the saved
// queries as text. The Jet engine stand-in implements it over its file reader; SQLite reads the
// tables through a virtual table over these cursors, so no table is copied.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_sql_value.h"

struct jet_sql_column {
  std::wstring name;
  int type = jet_type_text;  // jet_dao_type
};

// A forward cursor over one table's rows. A new cursor stands before the first row.
class jet_sql_cursor {
 public:
  virtual ~jet_sql_cursor() = default;
  // Moves to the next row; false at the end (and on a read failure, which the source logs).
  virtual bool next() = 0;
  // The current row's value of a column (index into jet_sql_table::columns()).
  virtual jet_sql_value value(std::size_t column) = 0;
  // A number that identifies the current row (its ordinal, or where the row is stored), unique
  // and stable for the life of the source.
  virtual std::uint64_t position() const = 0;
  // Moves to the row of a given position, as position() reported it. A source that cannot seek
  // answers false; joins then scan the table instead of looking rows up.
  virtual bool seek(std::uint64_t ordinal) {
    (void)ordinal;
    return false;
  }
};

// One table of the database.
class jet_sql_table {
 public:
  virtual ~jet_sql_table() = default;
  virtual const std::vector<jet_sql_column>& columns() const = 0;
  virtual std::unique_ptr<jet_sql_cursor> open_cursor() = 0;
  // The number of rows, for the query planner; an estimate is enough.
  virtual std::uint64_t row_count() const = 0;
  // True when its cursors can seek(): joins on this table then look rows up by key through an
  // index of row ordinals that is built on first use, instead of scanning per outer row.
  virtual bool supports_seek() const { return false; }
};

// The tables and saved queries by name. Names compare without regard to case.
class jet_sql_catalog {
 public:
  virtual ~jet_sql_catalog() = default;
  // The table of that name (linked and system tables included), or null when there is none.
  // The catalog keeps the source alive for as long as it lives.
  virtual jet_sql_table* find_table(const std::wstring& name) = 0;
  // The SQL text (QueryDef.SQL) of the saved query of that name, or nothing.
  virtual std::optional<std::wstring> find_query(const std::wstring& name) = 0;
  // The canonical spelling of a table or query name, as stored.
  virtual std::wstring stored_name(const std::wstring& name) { return name; }
};
