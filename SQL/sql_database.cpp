// One database on the live server: tables, statements and paged reads.
#include "SQL/sql_database.h"

#include <cinttypes>

#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_init.h"
#include "SQL/sql_key_limits.h"
#include "SQL/sql_record.h"
#include "SQL/sql_schema.h"
#include "SQL/sql_table.h"
#include "SQL/sql_text_scope.h"
#include "SQL/sql_tmp_recordset.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_recordset.h"

namespace {

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kNoViews = 0x80;
constexpr std::uint32_t kFullTablesVersion = 0x00050001;     // 5.0.1: views listed among tables
constexpr std::uint32_t kEngineKeywordVersion = 0x00040017;  // 4.0.23: ENGINE= for TYPE=
constexpr std::uint32_t kInnoDbVersion = 0x00031723;         // 3.23.35

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

std::wstring first_column(udb_record* row, size_t column) {
  if (row == nullptr || row->fields.size() <= column) throw tk_mail_assertion("sql_db", 90);
  return row->fields[column]->to_wstring();
}

// The table list of new servers: base tables only. Table names take the text path whatever
// their binary flag says.
class sql_list_tables_rs : public sql_tmp_recordset {
 public:
  sql_list_tables_rs(sql_connection& connection, const std::string& statement)
      : sql_tmp_recordset(connection, statement) {
    tk_log1(tk_log_detail, "sql_list_tables_rs::ctor");
    if (field_count_ == 2) {
      fields_[0].flags = 0;
      initialize();
    } else {
      tk_log1(tk_log_detail, "Failed to create sql_list_tables_rs");
    }
  }
};

}  // namespace

sql_database::sql_database(const std::wstring& name_, sql_connection& connection, std::uint32_t mode_)
    : udb_database(name_, mode_, false), connection_(connection) {
  tk_log2(tk_log_detail, L"sql_database::sql_database(%ls, mode=%u)", name.c_str(), mode);
  init_tables();
  if (mode & kNoViews) return;
  try {
    init_views();
  } catch (const sql_exception& e) {
    tk_log1(tk_log_event, "Failed to initialize views:\n%s", e.what());
  }
}

void sql_database::init_tables() {
  tk_log1(tk_log_detail, "sql_database::init_tables");
  if (engine().version < kFullTablesVersion) {
    tk_log1(tk_log_detail, "Extracting tables in old way");
    MYSQL_RES* result = connection_.list_tables();
    if (result == nullptr) throw sql_exception(connection_);
    sql_tmp_recordset tables(connection_, result);
    for (tables.reset(); !tables.is_eof(); tables.next()) {
      const std::wstring table = first_column(tables.get_item(), 0);
      tk_log2(tk_log_detail, L"Got table name: '%ls'", table.c_str());
      table_names.push_back(table);
    }
    return;
  }
  tk_log1(tk_log_detail, "Extracting tables in new way");
  sql_list_tables_rs tables(connection_, "show full tables where Table_type='BASE TABLE'");
  for (tables.reset(); !tables.is_eof(); tables.next()) {
    const std::wstring table = first_column(tables.get_item(), 0);
    tk_log2(tk_log_detail, L"Got table name: '%ls'", table.c_str());
    table_names.push_back(table);
  }
}

void sql_database::init_views() {
  tk_log1(tk_log_detail, "sql_database::init_views");
  sql_text_scope text;
  std::unique_ptr<udb_recordset> rows =
      query(L"SELECT table_name, view_definition FROM information_schema.views WHERE table_schema=" +
            to_mysql_wstr(name, VT_BSTR));
  if (!rows) return;
  for (rows->reset(); !rows->is_eof(); rows->next()) {
    const std::wstring view = first_column(rows->get_item(), 0);
    tk_log2(tk_log_detail, L"Got query name: '%ls'", view.c_str());
    const std::wstring sql = first_column(rows->get_item(), 1);
    tk_log2(tk_log_detail, L"Got query SQL: '%ls'", sql.c_str());
    views.emplace_back(view, refine_view_out(sql));
  }
}

std::unique_ptr<udb_recordset> sql_database::create_table(const std::wstring& table, const udb_schema& schema,
                                                          const udb_indexes& indexes) {
  tk_log2(tk_log_detail, L"sql_database::create_table(%ls)", table.c_str());
  if (mode & kReadOnly) throw tk_mail_assertion("sql_db", 410);
  if (is_table_exist(table)) return with_guid_columns(get_table(table, 8), schema);

  sql_engine& sql = engine();
  udb_properties* mutator = sql.properties ? sql.properties->get_by_target_name(table) : nullptr;
  std::wstring storage = sql_table_property(table, L"engine");
  if (storage.empty()) storage = sql.version < kInnoDbVersion ? L"MyISAM" : sql.engine;

  // The server refuses a table whose row it counts too wide.
  const sql_sized_columns sized(table, schema, indexes, storage, sql.version);

  std::wstring statement = L"CREATE TABLE " + sql_engine::get_safe_name(table) + L" (";
  std::wstring auto_increment_name;
  sql_schema_initializer columns(table, sized.get_schema(), indexes, auto_increment_name);
  if (auto joined = joined_columns.find(table); joined != joined_columns.end()) columns.joined_columns = joined->second;
  // The collation of key columns may take a question to the server: no rows may be waiting.
  settle();
  std::vector<std::wstring> chunks;
  columns.get_init_chunks(chunks, mutator);
  for (size_t i = 0; i < chunks.size(); ++i) statement += (i ? L", " : L"") + chunks[i];
  if (!indexes.empty() || !auto_increment_name.empty()) {
    sql_indexes_initializer keys(columns, indexes, auto_increment_name, sql_max_key_bytes(storage, sql.version));
    std::vector<std::wstring> key_chunks;
    keys.get_init_chunks(key_chunks);
    for (const std::wstring& chunk : key_chunks) statement += L", " + chunk;
  }
  statement += L")";
  const std::wstring charset = sql_table_property(table, L"character set");
  if (!charset.empty()) statement += L" character set " + charset;
  statement += (sql.version >= kEngineKeywordVersion ? L" ENGINE=" : L" TYPE=") + storage;

  tk_log2(tk_log_detail, L"Run SQL-query: %ls\n", statement.c_str());
  query_append(tk_unicode_to_utf8(statement));

  table_names.push_back(table);
  tk_log2(tk_log_detail, L"udb_names_map::add_fn_map(%ls)", table.c_str());
  names_map.add_fn_map(table, columns.get_column_map());
  std::vector<std::wstring>& created = created_columns_[table];
  for (const auto& field : columns.get_target_schema().fields) created.push_back(field->name);
  return with_guid_columns(get_table(table, 2), columns.get_target_schema());
}

std::unique_ptr<udb_recordset> sql_database::with_guid_columns(std::unique_ptr<udb_recordset> table,
                                                               const udb_schema& written) {
  if (!table) return table;
  for (const t_ftd* column : written.fields) {
    if (column->vartype != VT_BSTR || column->dw_reserved != ftd_marker_datetime) continue;
    t_ftd* target = table->schema.get_field_exact(column->name);
    if (target != nullptr && target->vartype == VT_BSTR) target->dw_reserved = ftd_marker_datetime;
  }
  return table;
}

bool sql_database::delete_tab(const std::wstring& table) {
  tk_log2(tk_log_detail, L"sql_database::delete_tab (%ls)", table.c_str());
  if (mode & kReadOnly) throw tk_mail_assertion("sql_db", 520);
  if (!is_table_exist(table)) throw tk_mail_assertion("sql_db", 521);
  query_append(tk_unicode_to_utf8(L"DROP TABLE IF EXISTS " + sql_engine::get_safe_name(table) + L" CASCADE"));
  return udb_database::delete_tab(table);
}

void sql_database::empty_table(const std::wstring& table) {
  // Doubled inner backticks keep a name with a backtick one name.
  udb_database::empty_table(L"`" + tk_wstring::replace_all(table, L"`", L"``") + L"`");
}

const std::wstring* sql_database::listed_name(const std::wstring& table) const {
  for (const std::wstring& listed : table_names)
    if (udb_same_name(listed, table)) return &listed;
  return nullptr;
}

std::unique_ptr<udb_recordset> sql_database::get_table(const std::wstring& table, std::uint32_t open_mode) {
  tk_log2(tk_log_detail, L"sql_database::get_table(%ls)", table.c_str());
  // The table is opened under the name the server lists.
  if (const std::wstring* listed = listed_name(table))
    return std::make_unique<sql_table>(this, *listed, &relationships, open_mode);
  tk_log2(tk_log_detail, L"Table '%ls' does not exists", table.c_str());
  throw tk_mail_assertion("sql_db", 156);
}

std::unique_ptr<udb_recordset> sql_database::get_query(const std::wstring& query_name, const std::wstring& sql,
                                                       std::uint32_t) {
  tk_log2(tk_log_detail, L"sql_database::get_query(%ls,%ls)", query_name.c_str(), sql.c_str());
  return std::make_unique<sql_recordset>(this, query_name, sql, &relationships);
}

void sql_database::settle() {
  if (streaming_table_ != nullptr) streaming_table_->settle();
}

MYSQL_RES* sql_database::do_query2(const std::wstring& statement) {
  tk_log2(tk_log_trace, L"sql_database::do_query2(%ls)", statement.c_str());
  settle();
  const std::string utf8 = tk_unicode_to_utf8(statement);
  // A refused statement or a result that cannot be read (a lost connection) must not reach the
  // client library as a null result.
  if (!connection_.query(utf8)) {
    tk_log1(tk_log_event, "QUERY=%s", utf8.c_str());
    throw sql_exception(connection_);
  }
  MYSQL_RES* result = connection_.use_result();
  if (result == nullptr && connection_.error_number() != 0) {
    tk_log1(tk_log_event, "QUERY=%s", utf8.c_str());
    throw sql_exception(connection_);
  }
  return result;
}

std::unique_ptr<udb_recordset> sql_database::query(const std::wstring& statement) {
  tk_log2(tk_log_detail, L"sql_database::query(%ls)", statement.c_str());
  MYSQL_RES* result = do_query2(statement);
  if (result == nullptr) return nullptr;
  return std::make_unique<sql_tmp_recordset>(connection_, result);
}

bool sql_database::test_query(const std::wstring& sql) {
  tk_log2(tk_log_detail, L"sql_database::query(%ls)", sql.c_str());
  settle();
  const std::string statement = tk_unicode_to_utf8(sql);
  const bool ok = connection_.query(statement);
  if (MYSQL_RES* result = connection_.use_result()) connection_.free_result(result);
  return ok;
}

void sql_database::query_append(const std::string& statement) {
  tk_log1(tk_log_detail, "sql_database::query_append(q_len=%d)", static_cast<int>(statement.size()));
  tk_log1(tk_log_detail, "(%s)", statement.c_str());
  tk_log1(tk_log_trace, "sql_database::do_query1(%s)", statement.c_str());
  settle();
  const bool refused = !connection_.query(statement);
  MYSQL_RES* result = refused ? nullptr : connection_.use_result();
  if (refused || connection_.error_number() != 0) {
    tk_log1(tk_log_event, "QUERY=%s", statement.c_str());
    sql_exception error(connection_);
    if (result != nullptr) connection_.free_result(result);
    throw error;
  }
  if (result != nullptr) connection_.free_result(result);
}

void sql_database::prepared_statement(const std::string& statement, const std::vector<const udb_field*>& long_values,
                                      std::uint32_t row_size) {
  tk_log1(tk_log_trace, "sql_database::prepared_statement(%s, %d)", statement.c_str(),
          static_cast<int>(long_values.size()));
  settle();
  // The bytes of each value (a byte string's own, a text's UTF-8), kept until the run ends.
  std::vector<std::string> storage(long_values.size());
  std::vector<sql_long_value> values(long_values.size());
  for (size_t k = 0; k < long_values.size(); ++k) {
    const BYTE* data = nullptr;
    const std::uint32_t size = long_values[k]->get_bytes1(data, storage[k]);
    tk_log1(tk_log_trace, "Reading field #%d (size=%u)", static_cast<int>(k), size);
    values[k].bytes = std::string_view(reinterpret_cast<const char*>(data), size);
    values[k].is_text = long_values[k]->get_type() == VT_BSTR;
  }
  if (connection_.execute_prepared(statement, values)) return;
  tk_log1(tk_log_event, "QUERY=%s", statement.c_str());
  tk_log1(tk_log_event, "mysql_stmt_execute failed: error=%s", connection_.error_text().c_str());
  tk_log1(tk_log_event, "row size=%u", row_size);
  // A lost connection fails every later statement too: it ends the table, not just this row.
  if (sql_is_connection_lost(connection_.error_number())) throw sql_exception(connection_);
  throw sql_prep_stmt_failed_exception(connection_.error_text());
}

sql_database::sql_limited_query::sql_limited_query(sql_database& database, const std::wstring& text,
                                                   std::uint32_t offset, std::uint32_t count, bool is_query)
    : connection_(database.connection()) {
  tk_log2(tk_log_trace, L"sql_database::sql_limited_query::sql_limited_query(%ls)", text.c_str());
  std::wstring statement = L"SELECT * FROM ";
  if (is_query) {
    tk_log1(tk_log_trace, "...as query");
    statement += L"(" + text + L") as temp___table";
  } else {
    tk_log1(tk_log_trace, "...as table");
    statement += engine().is_old_version() ? text : sql_engine::get_safe_name(text);
  }
  statement += L" LIMIT " + std::to_wstring(offset) + L"," + std::to_wstring(count);
  result_ = database.do_query2(statement);
  tk_log1(tk_log_trace, "sql_limited_query - at the end");
}

sql_database::sql_limited_query::~sql_limited_query() {
  tk_log1(tk_log_detail, "sql_database::sql_limited_query::~sql_limited_query");
  if (result_ != nullptr) connection_.free_result(result_);
}

void sql_database::sql_limited_query::store_to(page* records, const udb_schema* schema) {
  tk_log1(tk_log_trace, "sql_database::sql_limited_query::store_to(n_max_records=%u)", page_size);
  if (records == nullptr) throw tk_mail_assertion("sql_db", 65);
  for (auto& slot : *records) slot.reset();
  if (result_ == nullptr) return;
  const auto count = static_cast<std::uint32_t>(mysql_num_fields(result_));
  MYSQL_FIELD* fields = mysql_fetch_fields(result_);
  const bool by_schema = schema != nullptr && !schema->fields.empty();
  tk_log1(tk_log_trace, by_schema ? "Schema is NOT empty" : "Schema is empty, build via f_info");
  for (std::uint32_t i = 0; i < page_size; ++i) {
    MYSQL_ROW row = connection_.fetch_row(result_);
    if (row == nullptr) {
      // The end of the rows, or a connection lost in the middle of them.
      if (connection_.error_number() != 0) throw sql_exception(connection_);
      break;
    }
    const unsigned long* lengths = mysql_fetch_lengths(result_);
    if (by_schema) {
      (*records)[i] = std::make_unique<sql_record>(count, *schema, lengths, row);
    } else {
      (*records)[i] = std::make_unique<sql_record>(count, fields, lengths, row);
    }
  }
}
