// Options of the SQL dump-file target: what the dump writer puts into the file and how.
// The driver owns one instance, fills it from the user's settings and hands it to the writer.
#pragma once

#include <cstdint>
#include <string>

struct dump_options {
  dump_options();

  // Line end of every line written: 0 means CR LF, any other value LF.
  // Default: 0. Registry value "dmp_line_br".
  std::uint32_t line_break = 0;

  // Write for servers from 4.1.0 on (backticked names, ENGINE=, foreign keys); false writes the
  // forms older servers take. Default: true. Registry value "dmp_new_ver".
  bool new_version = true;

  // Surround each table's rows with LOCK TABLES ... WRITE / UNLOCK TABLES.
  // Default: true. Registry value "dmp_loc_wri".
  bool add_lock = true;

  // Write the header comments and the comment blocks before each table.
  // Default: true. Registry value "dmp_ins_com".
  bool insert_comments = true;

  // Write DROP DATABASE / CREATE DATABASE / USE at the top; only together with create_table.
  // Default: false. Registry value "dmp_ins_db".
  bool create_database = false;

  // Write DROP TABLE / CREATE TABLE for each table.
  // Default: true. Registry value "dmp_ins_tab".
  bool create_table = true;

  // Text after "# Created by " in the header (product name and version, set by the driver).
  // Default: empty.
  std::string creator;

  // Database name of the database block; empty means the dump file's base name.
  // Default: empty.
  std::string database_name;

  // The line end that line_break chooses.
  const char* get_line_end() const;
  const wchar_t* get_wline_end() const;
};
