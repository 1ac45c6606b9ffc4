// Turns a key text (elements "<column>value</column>", values with &lt; &gt; &amp;) into the
// condition of a WHERE clause for one table of the live server.
#pragma once

#include <string>

class udb_database;

class sql_sync {
 public:
  explicit sql_sync(udb_database* database);

  // The condition, each column backticked and each value escaped (text) or checked to be a
  // number (numeric and binary columns), terms joined by " and "; empty for a key text without
  // elements. A column the table lacks, or a value that is no number where one must be, is a
  // tk_exception (kind 0).
  std::wstring get_filter_subquery(const std::wstring& table, const std::wstring& key_text);

 private:
  udb_database* database_;
};
