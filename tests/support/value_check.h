// Every value of a converted table checked against the Access file it came from: the server's
// rows, column by column, against mdb-export and, where libmdb reads a value wrong, our own reader.
#pragma once

#include <mysql.h>

#include <string>

namespace value_check {

// Where a converted table lives and where its source is.
struct table_pair {
  std::string access_file;      // absolute path of the .mdb / .accdb
  std::string access_password;  // the database password; empty for none
  std::string access_table;     // the table's name in the Access file
  std::string database;         // the MySQL database holding the converted table
  std::string mysql_table;      // its name there (usually the Access name)
  // False for files libmdb cannot open (Office encryption): our own reader is the only reference.
  bool readable_by_mdbtools = true;
};

// Fails the current test (ADD_FAILURE) for every column whose values on the server differ from
// the source's: the same rows, NULL apart from an empty text, dates and times to the second,
// Currency and Decimal digit for digit, Double and Single bit for bit, binary byte for byte.
// Columns are matched by name; complex (attachment and multi-value) columns are left out.
// A Replication ID is compared by its 32 hexadecimal digits. Values are compared as one sorted list per column, so the
// order in which the server returns the rows does not matter.
void expect_same_values(MYSQL* server, const table_pair& pair);

}  // namespace value_check
