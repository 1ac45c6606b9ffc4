// A forward-only walk over one server result.
#include "SQL/sql_tmp_recordset.h"

#include "SQL/sql_exception.h"
#include "SQL/sql_record.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

sql_tmp_recordset::sql_tmp_recordset(sql_connection& connection, MYSQL_RES* result)
    : udb_recordset(L""), connection_(connection), result_(result) {
  tk_log1(tk_log_trace, "sql_tmp_recordset::ctor1");
  if (result_ != nullptr) {
    field_count_ = mysql_num_fields(result_);
    fields_ = mysql_fetch_fields(result_);
  }
  tk_log1(tk_log_trace, "n_fields=%u", field_count_);
  try {
    initialize();
  } catch (...) {
    // The destructor does not run for an object that was never made.
    if (result_ != nullptr) connection_.free_result(result_);
    throw;
  }
}

sql_tmp_recordset::sql_tmp_recordset(sql_connection& connection, const std::string& statement)
    : udb_recordset(L""), connection_(connection) {
  tk_log1(tk_log_trace, "sql_tmp_recordset::ctor2(%s)", statement.c_str());
  if (!connection.query(statement)) throw sql_exception(connection);
  result_ = connection.use_result();
  if (result_ == nullptr && connection.error_number() != 0) throw sql_exception(connection);
  if (result_ != nullptr) {
    field_count_ = mysql_num_fields(result_);
    fields_ = mysql_fetch_fields(result_);
  }
  tk_log1(tk_log_trace, "n_fields=%u", field_count_);
}

sql_tmp_recordset::~sql_tmp_recordset() {
  tk_log1(tk_log_trace, "sql_tmp_recordset::dtor");
  clean_cache();
  if (result_ != nullptr) connection_.free_result(result_);
  tk_log1(tk_log_trace, "sql_tmp_recordset::dtor - at the end");
}

void sql_tmp_recordset::append_record(udb_record&) { throw tk_mail_assertion("sql_recs", 392); }

udb_record* sql_tmp_recordset::get_item() { return position_ < cache_.size() ? cache_[position_].get() : nullptr; }

void sql_tmp_recordset::initialize() {
  tk_log1(tk_log_trace, "sql_tmp_recordset::initialize");
  fill_cache();
  tk_log1(tk_log_trace, "sql_tmp_recordset::initialize - END");
}

void sql_tmp_recordset::fill_cache() {
  tk_log1(tk_log_trace, "sql_tmp_recordset::fill_cache");
  if (result_ == nullptr) return;  // a statement without rows
  while (cache_.size() < cache_size) {
    MYSQL_ROW row = connection_.fetch_row(result_);
    if (row == nullptr) {
      // The end of the rows, or a connection lost in the middle of them: never a short list.
      if (connection_.error_number() != 0) throw sql_exception(connection_);
      break;
    }
    cache_.push_back(std::make_unique<sql_record>(field_count_, fields_, mysql_fetch_lengths(result_), row));
  }
  tk_log1(tk_log_trace, "records.size()=%d", static_cast<int>(cache_.size()));
  tk_log1(tk_log_trace, "sql_tmp_recordset::fill_cache - END");
}

void sql_tmp_recordset::clean_cache() {
  tk_log1(tk_log_trace, "sql_tmp_recordset::clean_cache");
  cache_.clear();
}

bool sql_tmp_recordset::is_eof() {
  tk_log1(tk_log_trace, "sql_tmp_recordset::is_eof: pos=%u, records.size=%d", position_,
          static_cast<int>(cache_.size()));
  if (position_ < cache_.size()) return false;
  clean_cache();
  fill_cache();
  position_ = 0;
  tk_log1(tk_log_trace, "New records.size=%d", static_cast<int>(cache_.size()));
  return cache_.empty();
}
