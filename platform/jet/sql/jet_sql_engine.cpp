// The SQLite connection behind Jet SQL, and the conversion of its values to typed cells.
#include "platform/jet/sql/jet_sql_engine.h"

#include <sqlite3.h>

#include <cmath>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_sql_functions.h"
#include "platform/jet/sql/jet_sql_parser.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "platform/jet/sql/jet_sql_translator.h"
#include "platform/jet/sql/jet_vtab.h"

namespace {

jet_sql_error sqlite_error(sqlite3* db) {
  jet_sql_error e;
  const char* message = sqlite3_errmsg(db);
  if (!jet_split_function_error(message, e.number, e.description)) {
    e.number = jet_err_engine;
    e.description = L"The query could not be run: " + jet_from_utf8(message ? message : "");
  }
  return e;
}

std::wstring text_of(sqlite3_value* v) {
  const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return jet_from_utf8(std::string_view(s ? s : "", static_cast<size_t>(sqlite3_value_bytes(v))));
}

}  // namespace

jet_sql_value jet_value_from_sqlite(sqlite3_value* v, int type) {
  int stored = sqlite3_value_type(v);
  if (stored == SQLITE_NULL) return jet_sql_value::null();
  if (stored == SQLITE_BLOB) {
    auto* p = static_cast<const std::uint8_t*>(sqlite3_value_blob(v));
    return jet_sql_value::binary(std::vector<std::uint8_t>(p, p + sqlite3_value_bytes(v)));
  }
  bool number = stored == SQLITE_INTEGER || stored == SQLITE_FLOAT;
  switch (type) {
    case jet_type_boolean:
      return number ? jet_sql_value::boolean(sqlite3_value_double(v) != 0) : jet_sql_value::from_text(text_of(v));
    case jet_type_byte:
    case jet_type_integer:
    case jet_type_long:
    case jet_type_big_int:
      if (stored == SQLITE_INTEGER) return jet_sql_value::from_integer(sqlite3_value_int64(v));
      if (stored == SQLITE_FLOAT) {
        double d = std::nearbyint(sqlite3_value_double(v));
        // A value past the integer range stays a number rather than wrapping.
        return std::fabs(d) < 9.2e18 ? jet_sql_value::from_integer(static_cast<std::int64_t>(d))
                                     : jet_sql_value::from_real(d);
      }
      return jet_sql_value::from_text(text_of(v));
    case jet_type_currency:
      if (stored == SQLITE_INTEGER) {
        std::int64_t i = sqlite3_value_int64(v);
        if (i > -922337203685477LL && i < 922337203685477LL) return jet_sql_value::currency(i * 10000);
        return jet_sql_value::from_real(static_cast<double>(i));
      }
      if (stored == SQLITE_FLOAT) {
        double d = sqlite3_value_double(v);
        return std::fabs(d) < 9.2e14 ? jet_sql_value::currency(std::llround(d * 10000.0)) : jet_sql_value::from_real(d);
      }
      return jet_sql_value::from_text(text_of(v));
    case jet_type_single:
    case jet_type_double:
    case jet_type_decimal:
      return number ? jet_sql_value::from_real(sqlite3_value_double(v)) : jet_sql_value::from_text(text_of(v));
    case jet_type_date: {
      if (number) return jet_sql_value::date(sqlite3_value_double(v));
      auto d = jet_parse_date(text_of(v));
      return d ? jet_sql_value::date(*d) : jet_sql_value::from_text(text_of(v));
    }
    default:
      if (stored == SQLITE_INTEGER) return jet_sql_value::from_text(std::to_wstring(sqlite3_value_int64(v)));
      if (stored == SQLITE_FLOAT) return jet_sql_value::from_text(jet_number_text(sqlite3_value_double(v)));
      return jet_sql_value::from_text(text_of(v));
  }
}

jet_query_result::jet_query_result(sqlite3_stmt* statement, std::vector<jet_sql_column> columns, std::string sql)
    : statement_(statement), columns_(std::move(columns)), sql_(std::move(sql)) {}

jet_query_result::~jet_query_result() { sqlite3_finalize(statement_); }

bool jet_query_result::next(std::vector<jet_sql_value>& row, jet_sql_error& error) {
  error = {};
  int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) {
    row.resize(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i)
      row[i] = jet_value_from_sqlite(sqlite3_column_value(statement_, static_cast<int>(i)), columns_[i].type);
    return true;
  }
  if (rc != SQLITE_DONE) error = sqlite_error(sqlite3_db_handle(statement_));
  return false;
}

void jet_query_result::rewind() { sqlite3_reset(statement_); }

jet_sql_engine::jet_sql_engine(jet_sql_catalog& catalog) : catalog_(catalog), registry_(new jet_vtab_registry) {
  int rc = sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK) rc = jet_register_functions(db_);
  if (rc == SQLITE_OK) rc = jet_register_vtab_module(db_, registry_.get());
  if (rc != SQLITE_OK) setup_error_ = {jet_err_engine, L"The query engine could not start."};
}

jet_sql_engine::~jet_sql_engine() { sqlite3_close_v2(db_); }

std::string jet_sql_engine::table_name(jet_sql_table* table) {
  auto found = names_.find(table);
  if (found != names_.end()) return found->second;
  std::string name = "jet_t" + std::to_string(registry_->tables.size());
  registry_->tables.push_back(table);
  std::string sql =
      "CREATE VIRTUAL TABLE temp." + name + " USING jet_table(" + std::to_string(registry_->tables.size() - 1) + ")";
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    jet_sql_error e = sqlite_error(db_);
    throw jet_sql_exception(e.number, e.description);
  }
  names_[table] = name;
  return name;
}

std::vector<jet_sql_value> jet_sql_engine::first_column(const std::string& sql, int type) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    jet_sql_error e = sqlite_error(db_);
    throw jet_sql_exception(e.number, e.description);
  }
  std::vector<jet_sql_value> out;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) out.push_back(jet_value_from_sqlite(sqlite3_column_value(st, 0), type));
  if (rc != SQLITE_DONE) {
    jet_sql_error e = sqlite_error(db_);
    sqlite3_finalize(st);
    throw jet_sql_exception(e.number, e.description);
  }
  sqlite3_finalize(st);
  return out;
}

std::unique_ptr<jet_query_result> jet_sql_engine::open(const std::wstring& sql, jet_sql_error& error) {
  error = setup_error_;
  if (error.number) return nullptr;
  try {
    jet_statement statement = jet_parse_sql(sql);
    jet_translator_services services;
    services.catalog = &catalog_;
    services.table_name = [this](jet_sql_table* t) { return table_name(t); };
    services.first_column = [this](const std::string& s, int type) { return first_column(s, type); };
    jet_translation translation = jet_translate(statement, services);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, translation.sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      error = sqlite_error(db_);
      return nullptr;
    }
    return std::unique_ptr<jet_query_result>(
        new jet_query_result(st, std::move(translation.columns), std::move(translation.sql)));
  } catch (const jet_sql_exception& e) {
    error = e.error();
  } catch (const std::exception&) {
    error = {jet_err_engine, L"The query could not be run: out of memory."};
  }
  return nullptr;
}
