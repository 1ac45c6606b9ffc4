// The libmariadb connection: statements, results, prepared statements with long data.
#include "SQL/sql_mariadb_connection.h"

#include <algorithm>
#include <memory>

#include "TK/tk_logger.h"

namespace {

// Long values travel as prepared-statement long data in pieces of this size.
constexpr std::size_t kLongDataPiece = 131072;

// The statement handle, closed on every way out.
struct stmt_closer {
  void operator()(MYSQL_STMT* stmt) const { mysql_stmt_close(stmt); }
};

}  // namespace

bool sql_is_connection_lost(unsigned error_number) {
  return error_number == 2006 || error_number == 2013 || error_number == 2055;
}

sql_mariadb_connection::sql_mariadb_connection() { init_handle(); }

sql_mariadb_connection::~sql_mariadb_connection() {
  // Closed exactly once, connected or not, so that the options the handle holds are freed too.
  mysql_close(&mysql_);
}

void sql_mariadb_connection::init_handle() {
  mysql_init(&mysql_);
  mysql_options(&mysql_, MYSQL_READ_DEFAULT_GROUP, "QB MySQL Lib");
}

bool sql_mariadb_connection::connect(const sql_connect_settings& s) {
  clear_statement_error();
  // A handle that has tried a connection once takes a new one only when initialised again.
  if (used_) close();
  used_ = true;
  const unsigned connect_timeout = s.connect_timeout_seconds;
  const unsigned io_timeout = s.io_timeout_seconds;
  mysql_options(&mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &connect_timeout);
  mysql_options(&mysql_, MYSQL_OPT_READ_TIMEOUT, &io_timeout);
  mysql_options(&mysql_, MYSQL_OPT_WRITE_TIMEOUT, &io_timeout);
  return mysql_real_connect(&mysql_, s.host.empty() ? nullptr : s.host.c_str(), s.user.c_str(),
                            s.password.c_str(), nullptr, s.port, nullptr,
                            CLIENT_REMEMBER_OPTIONS) != nullptr;
}

void sql_mariadb_connection::close() {
  mysql_close(&mysql_);
  init_handle();
  used_ = false;
}

bool sql_mariadb_connection::query(std::string_view statement) {
  clear_statement_error();
  return mysql_real_query(&mysql_, statement.data(), statement.size()) == 0;
}

bool sql_mariadb_connection::send_query(std::string_view statement) {
  clear_statement_error();
  return mysql_send_query(&mysql_, statement.data(), statement.size()) == 0;
}

bool sql_mariadb_connection::read_query_result() {
  clear_statement_error();
  return mysql_read_query_result(&mysql_) == 0;
}

MYSQL_RES* sql_mariadb_connection::use_result() {
  clear_statement_error();
  return mysql_use_result(&mysql_);
}

MYSQL_RES* sql_mariadb_connection::store_result() {
  clear_statement_error();
  return mysql_store_result(&mysql_);
}

MYSQL_ROW sql_mariadb_connection::fetch_row(MYSQL_RES* result) { return mysql_fetch_row(result); }

void sql_mariadb_connection::free_result(MYSQL_RES* result) { mysql_free_result(result); }

MYSQL_RES* sql_mariadb_connection::list_tables() {
  clear_statement_error();
  return mysql_list_tables(&mysql_, nullptr);
}

bool sql_mariadb_connection::select_db(const std::string& name) {
  clear_statement_error();
  return mysql_select_db(&mysql_, name.c_str()) == 0;
}

bool sql_mariadb_connection::execute_prepared(std::string_view statement,
                                              const std::vector<sql_long_value>& values) {
  clear_statement_error();
  std::unique_ptr<MYSQL_STMT, stmt_closer> stmt(mysql_stmt_init(&mysql_));
  auto fail = [&](const char* step) {
    statement_errno_ = stmt ? mysql_stmt_errno(stmt.get()) : mysql_errno(&mysql_);
    statement_error_ = stmt ? mysql_stmt_error(stmt.get()) : mysql_error(&mysql_);
    tk_log1(tk_log_detail, "%s failed: error=%s", step, statement_error_.c_str());
    return false;
  };
  if (!stmt) return fail("mysql_stmt_init");
  if (mysql_stmt_prepare(stmt.get(), statement.data(), statement.size()) != 0)
    return fail("mysql_stmt_prepare");
  // A marker the caller did not count (or a value without a marker) would shift every value.
  if (mysql_stmt_param_count(stmt.get()) != values.size()) {
    statement_error_ = "parameter count differs from the long values";
    tk_log1(tk_log_detail, "Binding failed: error=%s", statement_error_.c_str());
    return false;
  }
  std::vector<MYSQL_BIND> binds(values.size());
  std::vector<unsigned long> lengths(values.size(), 0);
  for (std::size_t k = 0; k < values.size(); ++k) {
    binds[k] = MYSQL_BIND{};
    binds[k].length = &lengths[k];
    // Text goes as a character string in the connection's character set, bytes as a BLOB.
    binds[k].buffer_type = values[k].is_text ? MYSQL_TYPE_STRING : MYSQL_TYPE_BLOB;
  }
  if (!binds.empty() && mysql_stmt_bind_param(stmt.get(), binds.data()) != 0)
    return fail("Binding");
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::string_view bytes = values[k].bytes;
    for (std::size_t pos = 0; pos < bytes.size();) {
      const std::size_t piece = std::min(kLongDataPiece, bytes.size() - pos);
      if (mysql_stmt_send_long_data(stmt.get(), static_cast<unsigned>(k), bytes.data() + pos,
                                    piece) != 0)
        return fail("mysql_stmt_send_long_data");
      pos += piece;
    }
  }
  if (mysql_stmt_execute(stmt.get()) != 0) return fail("mysql_stmt_execute");
  return true;
}

unsigned sql_mariadb_connection::error_number() const {
  if (statement_errno_ != 0 || !statement_error_.empty()) return statement_errno_;
  return mysql_errno(const_cast<MYSQL*>(&mysql_));
}

std::string sql_mariadb_connection::error_text() const {
  if (statement_errno_ != 0 || !statement_error_.empty()) return statement_error_;
  return mysql_error(const_cast<MYSQL*>(&mysql_));
}

unsigned long sql_mariadb_connection::server_version() { return mysql_get_server_version(&mysql_); }

std::string sql_mariadb_connection::server_info() {
  const char* text = mysql_get_server_info(&mysql_);
  return text == nullptr ? std::string() : std::string(text);
}
