// A database on the live server: name, connection and table names.
#include "SQL/sql_database.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"

sql_database::sql_database(const std::wstring& name, MYSQL* handle, std::uint32_t mode)
    : udb_database(name, mode, false), handle_(handle) {
  tk_log2(2, L"sql_database::sql_database(%ls, mode=%u)", name.c_str(), mode);
  read_table_names();
}

void sql_database::read_table_names() {
  // Servers from 5.0.1 list views among tables; only base tables are tables here.
  const bool full_tables = tk_singleton<sql_engine>::get_instance()->version >= 0x00050001;
  const std::string statement =
      full_tables ? "show full tables where Table_type='BASE TABLE'" : "show tables";
  if (mysql_real_query(handle_, statement.data(), statement.size()) != 0) {
    throw sql_exception(handle_);
  }
  MYSQL_RES* result = mysql_use_result(handle_);
  if (result == nullptr) throw sql_exception(handle_);
  while (MYSQL_ROW row = mysql_fetch_row(result)) {
    const unsigned long* lengths = mysql_fetch_lengths(result);
    if (row[0] != nullptr) table_names.push_back(tk_utf8_to_unicode(std::string(row[0], lengths[0])));
  }
  mysql_free_result(result);
}

std::unique_ptr<udb_recordset> sql_database::create_table(const std::wstring&, const udb_schema&,
                                                          const udb_indexes&) {
  throw tk_mail_assertion("sql_db", 40);
}

std::unique_ptr<udb_recordset> sql_database::get_query(const std::wstring&, const std::wstring&,
                                                       std::uint32_t) {
  throw tk_mail_assertion("sql_db", 45);
}

std::unique_ptr<udb_recordset> sql_database::get_table(const std::wstring&, std::uint32_t) {
  throw tk_mail_assertion("sql_db", 49);
}

bool sql_database::test_query(const std::wstring& sql) {
  const std::string statement = tk_unicode_to_utf8(sql);
  if (mysql_real_query(handle_, statement.data(), statement.size()) != 0) return false;
  // Drain every result so the connection is ready for the next statement.
  do {
    if (MYSQL_RES* result = mysql_store_result(handle_)) mysql_free_result(result);
  } while (mysql_next_result(handle_) == 0);
  return true;
}
