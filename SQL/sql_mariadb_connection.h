// The connection to a live server through libmariadb: the only code that holds a MYSQL handle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  bool execute_prepared(std::string_view statement, const std::vector<sql_long_value>& values) override;
  bool can_load_rows() const override { return true; }
  bool load_rows(std::string_view statement, std::string_view rows) override;
  bool can_insert_rows() const override;
  bool insert_rows(std::string_view statement, const sql_bulk_rows& rows) override;
  void end_rows() override;
  unsigned warning_count() override;
  std::uint64_t affected_rows() override;
  std::string character_set() override;
  unsigned error_number() const override;
  std::string error_text() const override;
  unsigned long server_version() override;
  std::string server_info() override;

 private:
  void init_handle();
  // A failed prepared statement keeps its error here; any other call clears it.
  void clear_statement_error() {
    statement_errno_ = 0;
    statement_error_.clear();
    bulk_ran_ = false;
  }
  void close_bulk_statement();

  // What the server may read while load_rows runs; nothing at any other time.
  struct rows_source {
    std::string_view rows;
    std::size_t at = 0;
    bool open = false;
  };
  static int rows_init(void** state, const char* file_name, void* source);
  static int rows_read(void* state, char* buffer, unsigned int length);
  static void rows_end(void* state);
  static int rows_error(void* state, char* message, unsigned int length);

  MYSQL mysql_;
  rows_source rows_;
  bool used_ = false;  // a connection was tried on the handle
  unsigned statement_errno_ = 0;
  std::string statement_error_;

  // The prepared INSERT of insert_rows, kept for the next batch of the same statement, and the
  // binds of its last batch.
  MYSQL_STMT* bulk_statement_ = nullptr;
  std::string bulk_statement_text_;
  std::vector<MYSQL_BIND> bulk_binds_;
  // What the last insert_rows did, for affected_rows and warning_count.
  bool bulk_ran_ = false;
  std::uint64_t bulk_affected_ = 0;
  unsigned bulk_warnings_ = 0;
};
