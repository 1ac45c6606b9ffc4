// The fault-injecting server connection of the tests.
#include "tests/support/sql_fault_connection.h"

namespace test_env {

namespace {

constexpr unsigned kGoneAway = 2006;
const char kGoneAwayText[] = "Server has gone away";

}  // namespace

sql_fault_connection::sql_fault_connection(std::unique_ptr<sql_connection> inner) : inner_(std::move(inner)) {}

void sql_fault_connection::fail(const sql_fault& fault) {
  fault_ = fault;
  seen_ = 0;
}

void sql_fault_connection::set_error(unsigned number, const std::string& text) {
  error_number_ = number;
  error_text_ = text;
}

bool sql_fault_connection::fails(sql_call kind, std::string_view statement) {
  set_error(0, "");
  if (dead_) {
    set_error(kGoneAway, kGoneAwayText);
    return true;
  }
  if (!fault_ || fault_->kind != kind) return false;
  if (!fault_->statement_prefix.empty() &&
      statement.substr(0, fault_->statement_prefix.size()) != fault_->statement_prefix)
    return false;
  if (++seen_ < fault_->nth) return false;
  set_error(fault_->error_number, fault_->error_text);
  dead_ = sql_is_connection_lost(fault_->error_number);
  fault_.reset();
  ++fired;
  return true;
}

bool sql_fault_connection::connect(const sql_connect_settings& settings) {
  ++connects;
  set_error(0, "");
  if (refuse_connect) {
    inner_->close();
    set_error(2002, "Can't connect to server (refused by the test)");
    return false;
  }
  if (!inner_->connect(settings)) return false;
  dead_ = false;
  return true;
}

void sql_fault_connection::close() { inner_->close(); }

bool sql_fault_connection::query(std::string_view statement) {
  return !fails(sql_call::query, statement) && inner_->query(statement);
}

bool sql_fault_connection::can_load_rows() const { return forward_loads && inner_->can_load_rows(); }

bool sql_fault_connection::load_rows(std::string_view statement, std::string_view rows) {
  return !fails(sql_call::query, statement) && inner_->load_rows(statement, rows);
}

bool sql_fault_connection::can_insert_rows() const { return forward_bulk_inserts && inner_->can_insert_rows(); }

bool sql_fault_connection::insert_rows(std::string_view statement, const sql_bulk_rows& rows) {
  return !fails(sql_call::query, statement) && inner_->insert_rows(statement, rows);
}

void sql_fault_connection::end_rows() { inner_->end_rows(); }

unsigned sql_fault_connection::warning_count() { return inner_->warning_count(); }

std::uint64_t sql_fault_connection::affected_rows() { return inner_->affected_rows(); }

std::string sql_fault_connection::character_set() { return inner_->character_set(); }

bool sql_fault_connection::send_query(std::string_view statement) {
  return !fails(sql_call::send_query, statement) && inner_->send_query(statement);
}

bool sql_fault_connection::read_query_result() {
  if (dead_) return !fails(sql_call::read_query_result, {});
  // The server's answer is read in any case, so the real connection stays in step.
  const bool ok = inner_->read_query_result();
  return !fails(sql_call::read_query_result, {}) && ok;
}

MYSQL_RES* sql_fault_connection::use_result() {
  set_error(0, "");
  return dead_ ? nullptr : inner_->use_result();
}

MYSQL_RES* sql_fault_connection::store_result() {
  set_error(0, "");
  return dead_ ? nullptr : inner_->store_result();
}

MYSQL_ROW sql_fault_connection::fetch_row(MYSQL_RES* result) {
  if (fails(sql_call::fetch_row, {})) return nullptr;
  return inner_->fetch_row(result);
}

void sql_fault_connection::free_result(MYSQL_RES* result) { inner_->free_result(result); }

MYSQL_RES* sql_fault_connection::list_tables() {
  set_error(0, "");
  if (dead_) {
    set_error(kGoneAway, kGoneAwayText);
    return nullptr;
  }
  return inner_->list_tables();
}

bool sql_fault_connection::select_db(const std::string& name) {
  return !fails(sql_call::select_db, name) && inner_->select_db(name);
}

bool sql_fault_connection::execute_prepared(std::string_view statement, const std::vector<sql_long_value>& values) {
  return !fails(sql_call::execute_prepared, statement) && inner_->execute_prepared(statement, values);
}

unsigned sql_fault_connection::error_number() const {
  return error_number_ != 0 ? error_number_ : inner_->error_number();
}

std::string sql_fault_connection::error_text() const { return error_number_ != 0 ? error_text_ : inner_->error_text(); }

unsigned long sql_fault_connection::server_version() { return inner_->server_version(); }

std::string sql_fault_connection::server_info() { return inner_->server_info(); }

}  // namespace test_env
