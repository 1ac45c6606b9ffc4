// The connection to a live server through libmariadb: the only code that holds a MYSQL handle.
#pragma once

#include "SQL/sql_connection.h"

class sql_mariadb_connection : public sql_connection {
 public:
  // Initialises the handle; options are read from the option-file group "QB MySQL Lib".
  sql_mariadb_connection();
  ~sql_mariadb_connection() override;

  sql_mariadb_connection(const sql_mariadb_connection&) = delete;
  sql_mariadb_connection& operator=(const sql_mariadb_connection&) = delete;

  bool connect(const sql_connect_settings& settings) override;
  void close() override;
  bool query(std::string_view statement) override;
  bool send_query(std::string_view statement) override;
  bool read_query_result() override;
  MYSQL_RES* use_result() override;
  MYSQL_RES* store_result() override;
  MYSQL_ROW fetch_row(MYSQL_RES* result) override;
  void free_result(MYSQL_RES* result) override;
  MYSQL_RES* list_tables() override;
  bool select_db(const std::string& name) override;
  bool execute_prepared(std::string_view statement,
                        const std::vector<sql_long_value>& values) override;
  unsigned error_number() const override;
  std::string error_text() const override;
  unsigned long server_version() override;
  std::string server_info() override;

 private:
  void init_handle();
  // A failed prepared statement keeps its error here; any other call clears it.
  void clear_statement_error() { statement_errno_ = 0; statement_error_.clear(); }

  MYSQL mysql_;
  bool used_ = false;  // a connection was tried on the handle
  unsigned statement_errno_ = 0;
  std::string statement_error_;
};
