// A server connection for tests that forwards every call to a real one and fails the n-th call of
// a chosen kind with a chosen error: a refused statement, a lost connection, a timeout.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "SQL/sql_connection.h"

namespace test_env {

enum class sql_call { query, send_query, read_query_result, fetch_row, execute_prepared, select_db };

// One planned failure. Only calls of `kind` are counted, and with a prefix only those whose
// statement starts with it (read_query_result and fetch_row count whatever was sent).
struct sql_fault {
  sql_call kind = sql_call::query;
  unsigned nth = 1;  // 1: the next such call
  std::string statement_prefix;
  unsigned error_number = 0;
  std::string error_text;
};

class sql_fault_connection : public sql_connection {
 public:
  explicit sql_fault_connection(std::unique_ptr<sql_connection> inner);

  // Arms one failure, replacing any that has not fired. A lost-connection error number (2006,
  // 2013) also fails every later call with 2006 until connect succeeds, as a real one would.
  void fail(const sql_fault& fault);
  // Every connect fails with 2002 "Can't connect", as for a server that is gone for good.
  bool refuse_connect = false;
  // How many failures fired and how many connects were tried.
  unsigned fired = 0;
  unsigned connects = 0;
  // Whether LOAD DATA from memory reaches the real connection (off: the writer sends INSERT);
  // a load counts as a query of its LOAD DATA statement.
  bool forward_loads = false;
  // Likewise for INSERT with array binding (off: LOAD DATA or INSERT); a bulk INSERT counts as
  // a query of its statement.
  bool forward_bulk_inserts = false;

  // Hands back the connection it forwards to, leaving this one without.
  std::unique_ptr<sql_connection> release_inner() { return std::move(inner_); }

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
  bool can_load_rows() const override;
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
  // True when this call is to fail: the error is then in place.
  bool fails(sql_call kind, std::string_view statement);
  void set_error(unsigned number, const std::string& text);

  std::unique_ptr<sql_connection> inner_;
  std::optional<sql_fault> fault_;
  unsigned seen_ = 0;  // calls that counted towards the armed failure
  bool dead_ = false;
  unsigned error_number_ = 0;  // an injected error, while the next call has not cleared it
  std::string error_text_;
};

}  // namespace test_env
