// The libmariadb connection: statements, results, prepared statements with long data.
#include "SQL/sql_mariadb_connection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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
  close_bulk_statement();
  // Closed exactly once, connected or not, so that the options the handle holds are freed too.
  mysql_close(&mysql_);
}

void sql_mariadb_connection::init_handle() {
  mysql_init(&mysql_);
  mysql_options(&mysql_, MYSQL_READ_DEFAULT_GROUP, "QB MySQL Lib");
  // The server may ask for a local file only during load_rows, and then gets the rows in
  // memory: a server that asks at any other time, or names another file, gets nothing.
  const unsigned int local_files = 1;
  mysql_options(&mysql_, MYSQL_OPT_LOCAL_INFILE, &local_files);
  mysql_set_local_infile_handler(&mysql_, rows_init, rows_read, rows_end, rows_error, &rows_);
}

int sql_mariadb_connection::rows_init(void** state, const char* file_name, void* source) {
  auto* rows = static_cast<rows_source*>(source);
  *state = rows;
  if (!rows->open || file_name == nullptr || std::strcmp(file_name, sql_rows_file_name) != 0) return 1;
  rows->at = 0;
  return 0;
}

int sql_mariadb_connection::rows_read(void* state, char* buffer, unsigned int length) {
  auto* rows = static_cast<rows_source*>(state);
  if (!rows->open) return -1;
  const std::size_t n = std::min<std::size_t>(length, rows->rows.size() - rows->at);
  std::memcpy(buffer, rows->rows.data() + rows->at, n);
  rows->at += n;
  return static_cast<int>(n);
}

void sql_mariadb_connection::rows_end(void*) {}

int sql_mariadb_connection::rows_error(void*, char* message, unsigned int length) {
  std::snprintf(message, length, "only the rows of the conversion are sent as a local file");
  return 2000;  // CR_UNKNOWN_ERROR
}

bool sql_mariadb_connection::load_rows(std::string_view statement, std::string_view rows) {
  clear_statement_error();
  rows_ = rows_source{rows, 0, true};
  const bool ok = mysql_real_query(&mysql_, statement.data(), statement.size()) == 0;
  rows_ = rows_source{};
  return ok;
}

bool sql_mariadb_connection::can_insert_rows() const {
  // Bulk execution is the server's to offer (MariaDB from 10.2), not only the library's.
  unsigned long extended = 0;
  if (mariadb_get_infov(const_cast<MYSQL*>(&mysql_), MARIADB_CONNECTION_EXTENDED_SERVER_CAPABILITIES, &extended))
    return false;
  return (extended & (MARIADB_CLIENT_STMT_BULK_OPERATIONS >> 32)) != 0;
}

void sql_mariadb_connection::close_bulk_statement() {
  if (bulk_statement_ != nullptr) mysql_stmt_close(bulk_statement_);
  bulk_statement_ = nullptr;
  bulk_statement_text_.clear();
}

void sql_mariadb_connection::end_rows() { close_bulk_statement(); }

bool sql_mariadb_connection::insert_rows(std::string_view statement, const sql_bulk_rows& rows) {
  clear_statement_error();
  // No logging here: this runs on the batch sender's thread.
  const unsigned columns = rows.columns;
  if (columns == 0 || rows.rows == 0 || rows.values.size() != rows.rows * columns) {
    statement_error_ = "the rows do not match the columns of the statement";
    return false;
  }
  auto fail = [&] {
    statement_errno_ = bulk_statement_ ? mysql_stmt_errno(bulk_statement_) : mysql_errno(&mysql_);
    statement_error_ = bulk_statement_ ? mysql_stmt_error(bulk_statement_) : mysql_error(&mysql_);
    close_bulk_statement();
    return false;
  };
  // The batches of a table share one statement, prepared once: the server prepares it again
  // itself when the table's definition changed in between. A change of database (select_db)
  // drops it, as the statement names the table without its database.
  if (bulk_statement_ == nullptr || bulk_statement_text_ != statement) {
    close_bulk_statement();
    bulk_statement_ = mysql_stmt_init(&mysql_);
    if (bulk_statement_ == nullptr) return fail();
    if (mysql_stmt_prepare(bulk_statement_, statement.data(), statement.size()) != 0) return fail();
    if (mysql_stmt_param_count(bulk_statement_) != columns) {
      close_bulk_statement();
      statement_error_ = "the statement's markers do not match the columns";
      return false;
    }
    bulk_statement_text_ = statement;
  }
  const std::size_t count = rows.rows;
  unsigned int size = static_cast<unsigned int>(count);
  if (mysql_stmt_attr_set(bulk_statement_, STMT_ATTR_ARRAY_SIZE, &size) != 0) return fail();
  bulk_binds_.assign(columns, MYSQL_BIND{});
  for (unsigned c = 0; c < columns; ++c) {
    MYSQL_BIND& bind = bulk_binds_[c];
    // The library only reads the arrays.
    bind.u.indicator = const_cast<char*>(rows.indicators.data() + c * count);
    bind.buffer_type = c < rows.bound.size() ? rows.bound[c] : MYSQL_TYPE_STRING;
    switch (bind.buffer_type) {
      case MYSQL_TYPE_STRING:
        bind.buffer = const_cast<const char**>(rows.values.data() + c * count);
        bind.length = const_cast<unsigned long*>(rows.lengths.data() + c * count);
        break;
      case MYSQL_TYPE_DATETIME: bind.buffer = const_cast<MYSQL_TIME**>(rows.times_at.data() + rows.first[c]); break;
      default: bind.buffer = const_cast<unsigned char*>(rows.fixed.data() + rows.first[c]); break;
    }
  }
  if (mysql_stmt_bind_param(bulk_statement_, bulk_binds_.data()) != 0) return fail();
  if (mysql_stmt_execute(bulk_statement_) != 0) return fail();
  bulk_affected_ = mysql_stmt_affected_rows(bulk_statement_);
  bulk_warnings_ = mysql_warning_count(&mysql_);
  bulk_ran_ = true;
  return true;
}

unsigned sql_mariadb_connection::warning_count() { return bulk_ran_ ? bulk_warnings_ : mysql_warning_count(&mysql_); }

std::uint64_t sql_mariadb_connection::affected_rows() {
  return bulk_ran_ ? bulk_affected_ : mysql_affected_rows(&mysql_);
}

std::string sql_mariadb_connection::character_set() {
  const char* name = mysql_character_set_name(&mysql_);
  return name == nullptr ? std::string() : std::string(name);
}

bool sql_mariadb_connection::connect(const sql_connect_settings& s) {
  clear_statement_error();
  // A handle that has tried a connection once takes a new one only when initialised again.
  close_bulk_statement();
  if (used_) close();
  used_ = true;
  const unsigned connect_timeout = s.connect_timeout_seconds;
  const unsigned io_timeout = s.io_timeout_seconds;
  mysql_options(&mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &connect_timeout);
  mysql_options(&mysql_, MYSQL_OPT_READ_TIMEOUT, &io_timeout);
  mysql_options(&mysql_, MYSQL_OPT_WRITE_TIMEOUT, &io_timeout);
  return mysql_real_connect(&mysql_, s.host.empty() ? nullptr : s.host.c_str(), s.user.c_str(), s.password.c_str(),
                            nullptr, s.port, nullptr, CLIENT_REMEMBER_OPTIONS) != nullptr;
}

void sql_mariadb_connection::close() {
  close_bulk_statement();
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
  close_bulk_statement();
  return mysql_select_db(&mysql_, name.c_str()) == 0;
}

bool sql_mariadb_connection::execute_prepared(std::string_view statement, const std::vector<sql_long_value>& values) {
  clear_statement_error();
  std::unique_ptr<MYSQL_STMT, stmt_closer> stmt(mysql_stmt_init(&mysql_));
  auto fail = [&](const char* step) {
    statement_errno_ = stmt ? mysql_stmt_errno(stmt.get()) : mysql_errno(&mysql_);
    statement_error_ = stmt ? mysql_stmt_error(stmt.get()) : mysql_error(&mysql_);
    tk_log1(tk_log_detail, "%s failed: error=%s", step, statement_error_.c_str());
    return false;
  };
  if (!stmt) return fail("mysql_stmt_init");
  if (mysql_stmt_prepare(stmt.get(), statement.data(), statement.size()) != 0) return fail("mysql_stmt_prepare");
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
  if (!binds.empty() && mysql_stmt_bind_param(stmt.get(), binds.data()) != 0) return fail("Binding");
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::string_view bytes = values[k].bytes;
    for (std::size_t pos = 0; pos < bytes.size();) {
      const std::size_t piece = std::min(kLongDataPiece, bytes.size() - pos);
      if (mysql_stmt_send_long_data(stmt.get(), static_cast<unsigned>(k), bytes.data() + pos, piece) != 0)
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
