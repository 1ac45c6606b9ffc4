// Reads the foreign keys of a table out of the text of SHOW CREATE TABLE: one relationship per
// "CONSTRAINT `name` FOREIGN KEY (...) REFERENCES `table` (...) rules" line.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_relationship.h"

class sql_fk_parser {
 public:
  // table: the table the text describes; create_table: the server's text (UTF-8).
  sql_fk_parser(const std::wstring& table, const std::string& create_table);

  // Appends one relationship per foreign-key line; other lines are skipped.
  void do_parse(udb_relationships& relationships) const;

  // Appends the names between pairs of backticks (a doubled backtick inside a name is one
  // backtick of the name); an unterminated last name is dropped. Always true.
  static bool get_columns(const std::wstring& text, std::vector<std::wstring>& columns);

 private:
  std::wstring table_;
  std::vector<std::string> lines_;
};
