// A live-server table: its definition read back, rows appended, updated and deleted by key.
#include "SQL/sql_table.h"

#include <algorithm>
#include <cwchar>
#include <memory>

#include "OLE/ole_exceptions.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_fk_parser.h"
#include "SQL/sql_rows_text.h"
#include "SQL/sql_sync.h"
#include "SQL/sql_text_scope.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_validator.h"

namespace {

constexpr std::uint32_t kFkVersion = 0x0003172C;  // 3.23.44: foreign keys
constexpr std::uint32_t kColumnsOnly = 0x60;
constexpr std::uint32_t kBatchLimit = 500000;  // bytes of one multi-row statement
constexpr std::uint32_t kLargeRow = 1000000;   // rows above this go one by one, long data apart

const char kNotConforming[] =
    "The structure of data source does not conform to the destination table. For more "
    "information see Troubleshooting article of the product documentation.";

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

std::wstring backticked(const std::wstring& name) { return L"`" + tk_wstring::replace_all(name, L"`", L"``") + L"`"; }

std::wstring text_of(const udb_record& row, size_t column) {
  return column < row.fields.size() ? row.fields[column]->to_wstring() : std::wstring();
}

bool same_text_no_case(const std::wstring& a, const wchar_t* b) { return udb_same_name(a, b); }

// Values MariaDB and MySQL print for a default of the current moment.
std::uint32_t now_default_kind(const std::wstring& text) {
  if (same_text_no_case(text, L"CURRENT_TIMESTAMP") || same_text_no_case(text, L"current_timestamp()") ||
      same_text_no_case(text, L"now()"))
    return ftd_marker_now;
  if (same_text_no_case(text, L"curdate()") || same_text_no_case(text, L"current_date()") ||
      same_text_no_case(text, L"current_date"))
    return ftd_marker_today;
  if (same_text_no_case(text, L"curtime()") || same_text_no_case(text, L"current_time()") ||
      same_text_no_case(text, L"current_time"))
    return ftd_marker_clock;
  return ftd_marker_none;
}

// Row fields under the names they take as columns (validator-safe names); lookups ignore case.
class sql_field_finder {
 public:
  explicit sql_field_finder(const udb_record& row) {
    tk_log1(tk_log_trace, "sql_field_finder::ctor");
    std::unique_ptr<udb_validator> validator = engine().create_fn_validator(row);
    tk_log1(tk_log_trace, "sql_field_finder::initialize");
    for (const auto& field : row.fields) {
      std::wstring name = field->name;
      if (!validator->is_acceptable(name)) {
        name = validator->get_safe_name(field->name);
        tk_log2(tk_log_trace, L"GOT SAFE NAME: %ls->%ls", field->name.c_str(), name.c_str());
        validator->add_existing_name(name);
      }
      names_.push_back(name);
      fields_.push_back(field->name);
    }
  }

  // The field of a column: the field the names map says the column was made of (source, when
  // the column's name had to change), else the field whose column name is exactly the column's,
  // else the one whose name equals it ignoring case. -1 when none is, or when several differ
  // only in case: columns whose names differ only in case each take their own field.
  int get_field_idx(const std::wstring& column, const std::wstring& source) const {
    tk_log2(tk_log_trace, L"sql_field_finder::get_field_idx(%ls)", column.c_str());
    if (source != column) {
      for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i] == source) return static_cast<int>(i);
    }
    int twin = -1;
    int twins = 0;
    for (size_t i = 0; i < names_.size(); ++i) {
      if (names_[i] == column) return static_cast<int>(i);
      if (udb_same_name(names_[i], column)) {
        twin = static_cast<int>(i);
        ++twins;
      }
    }
    return twins == 1 ? twin : -1;
  }

 private:
  std::vector<std::wstring> names_;
  std::vector<std::wstring> fields_;  // the fields' own names
};

std::string rows_message(const std::vector<std::pair<std::uint64_t, sql_exception>>& rows) {
  std::string message;
  for (const auto& [number, error] : rows) {
    if (!message.empty()) message += "\n";
    message += "Row " + std::to_string(number) + ": " + error.what();
  }
  return message;
}

}  // namespace

sql_rows_exception::sql_rows_exception(std::vector<std::pair<std::uint64_t, sql_exception>> rows_)
    : tk_exception(rows_message(rows_), tk_kind_continuable), rows(std::move(rows_)) {}

sql_table::sql_table(sql_database* database_, const std::wstring& table, udb_relationships* relationships_,
                     std::uint32_t open_flags)
    : sql_recordset(database_, table, relationships_) {
  tk_log1(tk_log_detail, "sql_table::ctor");
  initialize(open_flags);
}

sql_table::~sql_table() {
  tk_log1(tk_log_detail, "sql_table::dtor");
  try {
    flush();
  } catch (const tk_exception& e) {
    tk_log2(tk_log_event, L"Table '%ls': ERROR '%s'", table_name.c_str(), e.what());
  }
  // No batch may outlive the table that answers for its rows.
  settle();
}

bool sql_table::is_transactional() const { return udb_same_name(storage_engine_, L"InnoDB"); }

std::string sql_table::quoted_table() const {
  return tk_unicode_to_utf8(engine().is_old_version() ? table_name : backticked(table_name));
}

void sql_table::initialize(std::uint32_t open_flags) {
  tk_log1(tk_log_detail, "sql_table::initialize(%u)", open_flags);
  const bool old = engine().is_old_version();
  {
    sql_text_scope text;
    std::unique_ptr<udb_recordset> rows =
        sql_db->query(L"SHOW COLUMNS FROM " + (old ? table_name : backticked(table_name)));
    for (; rows && !rows->is_eof(); rows->next()) {
      const udb_record& row = *rows->get_item();
      const std::wstring name = text_of(row, 0);
      const std::wstring type = text_of(row, 1);
      const std::wstring def = row.fields.size() >= 2 ? text_of(row, row.fields.size() - 2) : L"";
      tk_log2(tk_log_detail, L"Field '%ls' has type: %ls", name.c_str(), type.c_str());
      t_ftd* column = schema.get_field1(name);
      if (column == nullptr) continue;
      int a = 0, b = 0;
      if (std::swscanf(type.c_str(), L"varchar(%d)", &a) == 1) {
        tk_log1(tk_log_detail, "Refining type/size for varchar(%d)", a);
        column->vartype = VT_BSTR;
        column->size = static_cast<std::uint32_t>(a);
      } else if (std::swscanf(type.c_str(), L"float(%d,%d)", &a, &b) == 2) {
        tk_log1(tk_log_detail, "Refining type for FLOAT(%d,%d)", a, b);
        if (a != 0 && b != 0 && a > b) {
          column->vartype = VT_DECIMAL;
          column->precision = static_cast<std::uint32_t>(a);
          column->scale = static_cast<std::uint32_t>(b);
        }
      } else if (tk_ends_with(type, L"text", true) || tk_ends_with(type, L"TEXT", true)) {
        tk_log1(tk_log_detail, "Change type from BLOB to TEXT");
        column->vartype = VT_BSTR;
      }
      tk_log2(tk_log_detail, L"Got default value: %ls", def.c_str());
      if (!column->not_null && def.empty()) continue;
      tk_log1(tk_log_detail, "Default value's type: %08X", static_cast<unsigned>(column->vartype));
      if (column->vartype == VT_DATE) {
        if (def.empty() || def == L"0000-00-00" || def == L"0000-00-00 00:00:00" || def == L"00000000000000") {
          tk_log1(tk_log_detail, "Skip empty def.values for date column");
          column->not_null = false;
        } else if (const std::uint32_t kind = now_default_kind(def)) {
          tk_log1(tk_log_detail, "Special processing for CURRENT_TIMESTAMP");
          column->dw_reserved = kind;
        }
      } else if (column->vartype == VT_BOOL) {
        tk_log1(tk_log_detail, "Special processing for boolean");
        if (same_text_no_case(def, L"b'0'")) column->default_value = ole_variant(false);
        if (same_text_no_case(def, L"b'1'")) column->default_value = ole_variant(true);
      } else if (!def.empty()) {
        // A default the server computes, such as "(1 + 1)", is no value of the column's kind.
        try {
          column->default_value =
              get_variant(ole_needs_quotes(column->vartype) ? VARTYPE(VT_BSTR) : column->vartype, def.c_str());
        } catch (const ole_cast_exception&) {
          tk_log2(tk_log_detail, L"Skip incorrect default value [%ls] for field '%ls'", def.c_str(), name.c_str());
        }
      }
    }
  }
  if ((open_flags & ~kColumnsOnly) == 0) {
    tk_log1(tk_log_detail, "Mode=no_indexes, nothing to do");
    return;
  }
  for (const udb_index& index : read_indexes(*sql_db, table_name)) add_index(index);
  if (engine().version < kFkVersion) return;
  tk_log1(tk_log_detail, "Extracting foreign keys");
  std::unique_ptr<udb_recordset> rows = sql_db->query(L"SHOW CREATE TABLE " + sql_engine::get_safe_name(table_name));
  for (; rows && !rows->is_eof(); rows->next()) {
    const udb_record& row = *rows->get_item();
    if (row.fields.empty()) continue;
    const std::wstring text = row.fields.back()->to_wstring();
    // The storage engine decides how a refused multi-row INSERT leaves the table.
    const size_t at = text.rfind(L") ENGINE=");
    if (at != std::wstring::npos) {
      const size_t from = at + 9;
      storage_engine_ = text.substr(from, text.find(L' ', from) - from);
    }
    udb_relationships parsed;
    sql_fk_parser(table_name, tk_unicode_to_utf8(text)).do_parse(parsed);
    if (relationships == nullptr) continue;
    // A table opened again must not list its foreign keys twice.
    for (const udb_relationship& fk : parsed) {
      bool known = false;
      for (const udb_relationship& have : *relationships)
        known = known || (udb_same_name(have.table, fk.table) && udb_same_name(have.name, fk.name));
      if (!known) relationships->push_back(fk);
    }
  }
}

udb_indexes sql_table::read_indexes(sql_database& database, const std::wstring& table) {
  udb_indexes indexes;
  std::unique_ptr<udb_recordset> rows = database.query(L"SHOW INDEX FROM " + sql_engine::get_safe_name(table));
  for (; rows && !rows->is_eof(); rows->next()) {
    const udb_record& row = *rows->get_item();
    if (row.fields.size() < 5) continue;
    const bool unique = !row.fields[1]->to_bool();
    const std::wstring index_name = text_of(row, 2);
    const bool primary = index_name == L"PRIMARY";
    const std::wstring column = text_of(row, 4);
    tk_log2(tk_log_detail, L"Got index '%ls' (primary=%d, unique=%d)", index_name.c_str(), primary ? 1 : 0,
            unique ? 1 : 0);
    // The server lists an index's columns in key order, one row each.
    const int found = indexes.find(index_name);
    if (found < 0) {
      udb_index index(index_name, unique, primary);
      index.fields.push_back(column);
      indexes.push_back(index);
    } else {
      indexes[static_cast<size_t>(found)].fields.push_back(column);
    }
  }
  return indexes;
}

sql_table::column_pairs sql_table::match_columns(const udb_record& row, tk_log_level log_level) const {
  column_pairs pairs;
  if (schema.fields.size() <= row.fields.size()) {
    tk_log1(tk_log_trace, "Size of schema is less or equal to the size of record");
    sql_field_finder finder(row);
    for (const t_ftd* column : schema.fields) {
      const int idx = finder.get_field_idx(column->name, sql_db->names_map.get_fn_orig_name(table_name, column->name));
      if (idx < 0) {
        tk_log2(log_level, L"Field %ls not found in appending record", column->name.c_str());
        throw tk_exception(kNotConforming, tk_kind_continuable);
      }
      pairs.emplace_back(row.fields[static_cast<size_t>(idx)].get(), column);
    }
    return pairs;
  }
  tk_log1(tk_log_trace, "Size of record is less than size of schema");
  std::unique_ptr<udb_validator> validator = engine().create_fn_validator(row);
  for (const auto& field : row.fields) {
    std::wstring name = field->name;
    if (!validator->is_acceptable(name)) {
      name = validator->get_safe_name(field->name);
      validator->add_existing_name(name);
    }
    tk_log2(tk_log_trace, L"Name=%ls, mapped name=%ls", field->name.c_str(), name.c_str());
    // Where the name had to change (a twin in another case among them), the names map knows
    // the column; otherwise the column of exactly that name.
    const std::wstring mapped = sql_db->names_map.get_fn_mapped_name(table_name, field->name, true);
    const t_ftd* column = schema.get_field_exact(mapped != field->name ? mapped : name);
    if (column == nullptr) {
      tk_log2(log_level, L"Field %ls not found", name.c_str());
      throw tk_exception(kNotConforming, tk_kind_continuable);
    }
    pairs.emplace_back(field.get(), column);
  }
  return pairs;
}

const sql_table::column_pairs& sql_table::match_cached(const udb_record& row) {
  bool same = matched_names_.size() == row.fields.size();
  for (size_t i = 0; same && i < row.fields.size(); ++i) same = matched_names_[i] == row.fields[i]->name;
  if (!same) {
    const column_pairs pairs = match_columns(row, tk_log_trace);
    matched_names_.clear();
    for (const auto& field : row.fields) matched_names_.push_back(field->name);
    matched_.clear();
    matched_kinds_.clear();
    for (const auto& [field, column] : pairs) {
      size_t at = 0;
      while (row.fields[at].get() != field) ++at;
      matched_.emplace_back(at, column);
      matched_kinds_.push_back(sql_bulk_kind_of(column_type(column)));
    }
    matched_head_ = "INSERT INTO " + quoted_table() + "(" + column_list(pairs, false) + ")";
  }
  row_pairs_.clear();
  for (const auto& [at, column] : matched_) row_pairs_.emplace_back(row.fields[at].get(), column);
  return row_pairs_;
}

std::string sql_table::column_list(const column_pairs& pairs, bool always_quote) const {
  const bool quote = always_quote || !engine().is_old_version();
  std::string list;
  for (size_t k = 0; k < pairs.size(); ++k) {
    if (k > 0) list += ", ";
    list += tk_unicode_to_utf8(quote ? backticked(pairs[k].second->name) : pairs[k].second->name);
  }
  return list;
}

std::size_t sql_table::batch_limit() {
  if (batch_limit_ == 0) {
    sql_db->settle();  // the engine asks the server on the same connection
    // The statement must also fit the server's packet, with room for the protocol's header.
    const std::uint32_t packet = engine().get_max_allowed_packet();
    batch_limit_ = packet > 4096 ? std::min<std::size_t>(kBatchLimit, packet - 4096) : kBatchLimit;
  }
  return batch_limit_;
}

void sql_table::retry_rows(const sql_row_batch& rows, const std::string& head, const sql_exception& error) {
  // A lost connection fails every row alike: the table ends with that one error, never with a
  // report per row.
  if (error.is_connection_lost()) {
    lose_rows(rows.size(), error);
    return;
  }
  tk_log2(tk_log_detail, L"Table '%ls': batch refused, retrying row by row: %s", table_name.c_str(), error.what());
  std::size_t refused = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    try {
      sql_db->query_append(head + " VALUES" + std::string(rows.values(k)));
    } catch (const sql_exception& e) {
      if (e.is_connection_lost()) {
        // Inside the table's transaction the rows stored before this one go with it.
        lose_rows(in_transaction_ ? rows.size() - refused : rows.size() - k, e);
        return;
      }
      ++refused;
      deferred_.emplace_back(rows.number(k), e);
      if (row_count > 0) --row_count;
    }
  }
}

void sql_table::lose_rows(std::size_t count, const sql_exception& error) {
  // The server rolls back a transaction that never committed: every row stored in it is gone.
  count += uncommitted_rows_;
  uncommitted_rows_ = 0;
  in_transaction_ = false;
  row_count = row_count > count ? row_count - count : 0;
  row_count = row_count > pending_.size() ? row_count - pending_.size() : 0;
  pending_.clear();
  if (!lost_) lost_ = error;
}

void sql_table::settle() noexcept {
  if (in_flight_.empty()) return;
  sql_db->set_streaming_table(nullptr);
  try {
    if (sender_.busy()) {
      finish_load();
      return;
    }
    sql_row_batch rows = std::move(in_flight_);
    in_flight_.clear();
    sql_connection& connection = sql_db->connection();
    if (connection.read_query_result()) return;
    retry_rows(rows, in_flight_head_, sql_exception(connection));
  } catch (const std::exception& e) {
    tk_log2(tk_log_event, L"Table '%ls': ERROR '%s'", table_name.c_str(), e.what());
  }
}

namespace {

// A name that may stand unquoted in a statement: letters, digits and underscores.
bool is_plain_name(const std::string& name) {
  bool plain = !name.empty();
  for (char c : name)
    plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
  return plain;
}

}  // namespace

bool sql_table::may_load_rows() {
  if (load_rows_state_ == 0) {
    load_rows_state_ = 2;
    sql_connection& connection = sql_db->connection();
    if (!engine().is_old_version()) {
      // The character set's name reaches the LOAD DATA statement: only a plain name.
      load_charset_ = connection.character_set();
      // Array binding costs the server less than LOAD DATA; MySQL has only LOAD DATA.
      bulk_rows_ = connection.can_insert_rows();
      if (bulk_rows_ || (connection.can_load_rows() && is_plain_name(load_charset_))) load_rows_state_ = 1;
    }
  }
  return load_rows_state_ == 1;
}

void sql_table::insert_batch(const sql_row_batch& rows, const std::string& head) {
  const std::string statement = rows.insert_statement(head);
  sql_connection& connection = sql_db->connection();
  if (!connection.query(statement)) retry_rows(rows, head, sql_exception(connection));
}

bool sql_table::pending_loadable() { return !pending_.empty() && pending_loadable_ && may_load_rows(); }

void sql_table::stage_batch() {
  if (!bulk_rows_) return;
  // One marker a column: the fields of a row, which hold no bare tab. Text that does not split
  // goes as INSERT (load_batch).
  std::vector<char>& text = pending_load_.text;
  const auto first_row_end = std::find(text.begin(), text.end(), '\n');
  const auto columns = static_cast<unsigned>(1 + std::count(text.begin(), first_row_end, '\t'));
  if (sql_split_rows(pending_load_, columns) && columns == batch_kinds_.size())
    sql_convert_columns(pending_load_, batch_kinds_);
}

void sql_table::load_batch(sql_row_batch& rows) {
  // The column list of the batch's INSERT head "INSERT INTO `t`(`a`, `b`)".
  const std::string table = quoted_table();
  const std::string prefix = "INSERT INTO " + table + "(";
  // Split text fits only a bulk INSERT, and unsplit text only LOAD DATA: a batch staged for
  // the other kind (the server refused the bulk INSERT of the batch before) goes as INSERT.
  if (batch_head_.compare(0, prefix.size(), prefix) != 0 || bulk_rows_ != (pending_load_.columns != 0)) {
    insert_batch(rows, batch_head_);
    return;
  }
  if (bulk_rows_) {
    load_statement_ = batch_head_ + " VALUES (";
    for (unsigned k = 0; k < pending_load_.columns; ++k) load_statement_ += k ? ", ?" : "?";
    load_statement_ += ")";
  } else {
    load_statement_ = std::string("LOAD DATA LOCAL INFILE '") + sql_rows_file_name + "' INTO TABLE " + table +
                      " CHARACTER SET " + load_charset_ + " " + batch_head_.substr(prefix.size() - 1);
  }
  tk_log1(tk_log_trace, "Run SQL query: [%s]", load_statement_.c_str());

  // One transaction for the whole table: a commit per batch costs the server a log flush each
  // time. The savepoint lets a refused batch be undone alone, keeping the batches before it.
  const bool begin = !in_transaction_;
  in_transaction_ = true;
  in_flight_ = std::move(rows);
  rows.clear();
  in_flight_head_ = batch_head_;
  // The server stores this batch while the caller builds the next one; every other statement
  // of the database waits for it first (settle).
  sql_db->set_streaming_table(this);
  sender_.start(sql_db->connection(), begin, load_statement_, pending_load_);
}

void sql_table::finish_load() {
  const sql_batch_sender::outcome outcome = sender_.wait();
  sql_row_batch rows = std::move(in_flight_);
  in_flight_.clear();
  sql_connection& connection = sql_db->connection();
  switch (outcome.failed) {
    case sql_batch_sender::step::begin:
      in_transaction_ = false;
      retry_rows(rows, in_flight_head_, sql_exception(connection));
      return;
    case sql_batch_sender::step::savepoint: abandon_transaction(rows.size(), sql_exception(connection)); return;
    case sql_batch_sender::step::none:
      if (outcome.warnings == 0 && outcome.affected == rows.size()) {
        uncommitted_rows_ += rows.size();
        return;
      }
      break;
    case sql_batch_sender::step::load: {
      const sql_exception error(connection);
      if (error.is_connection_lost()) {
        lose_rows(rows.size(), error);
        return;
      }
      tk_log2(tk_log_detail, L"Table '%ls': %s refused, the rows go as INSERT: %s", table_name.c_str(),
              bulk_rows_ ? "INSERT with array binding" : "LOAD DATA", error.what());
      const unsigned number = connection.error_number();
      if (bulk_rows_) {
        // A server that cannot run the bulk statement at all: later batches go as LOAD DATA.
        if (number == 1295 || number == 2054) {
          bulk_rows_ = false;
          if (!connection.can_load_rows() || !is_plain_name(load_charset_)) load_rows_state_ = 2;
        }
      } else if (number == 1148 || number == 3948 || number == 2068 || number == 4166) {
        // A server that does not take local files at all refuses every later batch alike.
        load_rows_state_ = 2;
      }
      break;
    }
  }
  if (!connection.query("ROLLBACK TO SAVEPOINT batch")) {
    abandon_transaction(rows.size(), sql_exception(connection));
    return;
  }
  // The INSERT runs inside the table's transaction too; a refused statement undoes only itself.
  const std::size_t before = row_count;
  insert_batch(rows, in_flight_head_);
  if (in_transaction_) uncommitted_rows_ += rows.size() - std::min(rows.size(), before - row_count);
}

void sql_table::commit_rows() {
  if (!in_transaction_) return;
  in_transaction_ = false;
  sql_connection& connection = sql_db->connection();
  // The table's batches are over: its bulk statement is not kept past them.
  connection.end_rows();
  if (connection.query("COMMIT")) {
    uncommitted_rows_ = 0;
    return;
  }
  in_transaction_ = true;
  abandon_transaction(0, sql_exception(connection));
}

void sql_table::abandon_transaction(std::size_t count, const sql_exception& error) {
  // Rows the server still holds uncommitted must not be committed later by a statement that
  // ends the transaction implicitly, once they were reported as lost.
  if (!error.is_connection_lost()) (void)sql_db->connection().query("ROLLBACK");
  lose_rows(count, error);
}

void sql_table::send_batch() {
  // The next batch is made ready before waiting for the one in flight, which the server stores
  // meanwhile: the server then waits only for the statement to arrive.
  bool loadable = pending_loadable();
  if (loadable) stage_batch();
  sql_db->settle();
  // The batch before may have ended loading (its rows then go as INSERT, from their own text),
  // or taken the pending rows with the connection.
  loadable = loadable && may_load_rows();
  // Rows that go any other way are committed on their own: the table's transaction ends first.
  if (!loadable) commit_rows();
  if (pending_.empty()) return;
  batch_room_ = std::min(batch_room_ * 2, batch_limit());
  if (loadable) {
    sql_row_batch rows = std::move(pending_);
    pending_.clear();
    // The next batch takes about as many rows, and at most batch_room_ bytes: room for them
    // saves growing it row by row.
    pending_.reserve_like(rows, batch_room_);
    load_batch(rows);
    return;
  }
  const std::string statement = pending_.insert_statement(batch_head_);
  sql_row_batch rows = std::move(pending_);
  pending_.clear();
  tk_log1(tk_log_trace, "Run SQL query: [%s]", statement.c_str());
  sql_connection& connection = sql_db->connection();
  // The server stores this batch while the caller builds the next one.
  if (!connection.send_query(statement)) {
    retry_rows(rows, batch_head_, sql_exception(connection));
    return;
  }
  in_flight_ = std::move(rows);
  in_flight_head_ = batch_head_;
  sql_db->set_streaming_table(this);
}

void sql_table::check_packet(std::size_t statement_bytes) {
  const std::uint32_t packet = engine().get_max_allowed_packet();
  // The server counts the command byte with the statement, and closes the connection on a
  // packet over its limit: such a row is refused here, and the connection serves the next.
  if (packet != 0 && statement_bytes + 1 > packet) throw sql_packet_too_large_exception(statement_bytes, packet);
}

void sql_table::throw_deferred() {
  if (deferred_.empty()) {
    if (lost_) throw sql_exception(*lost_);
    return;
  }
  std::vector<std::pair<std::uint64_t, sql_exception>> rows = std::move(deferred_);
  deferred_.clear();
  throw sql_rows_exception(std::move(rows));
}

void sql_table::flush() {
  send_batch();
  settle();
  commit_rows();
  throw_deferred();
}

void sql_table::append_record(udb_record& row) {
  tk_log1(tk_log_detail, "sql_table::append_record");
  // Once the connection is lost, no row is sent: the table ends with that error.
  if (lost_) throw_deferred();
  const std::uint64_t number = ++rows_appended_;
  convert_cached(row);
  const auto size = static_cast<std::uint32_t>(row.get_total_size());
  tk_log1(tk_log_trace, "record size=%u", size);
  sql_engine& sql = engine();
  if (size > kLargeRow) {
    tk_log1(tk_log_event, "Row is too big (%u bytes), swtich to slow_append", size);
    sql.fast_insert = false;
  }
  try {
    if (sql.fast_insert && is_transactional()) {
      const std::size_t limit = batch_limit();
      const column_pairs& pairs = match_cached(row);
      const std::string& head = matched_head_;
      // The row's texts are made in buffers the table keeps, which keep their room from row to
      // row.
      std::string& values = row_values_;
      values = "(";
      std::string& fields = row_fields_;
      fields.clear();
      bool loadable = may_load_rows();
      for (size_t k = 0; k < pairs.size(); ++k) {
        if (k > 0) values += ", ";
        const std::string literal = get_fld_append_str(pairs[k].first, pairs[k].second, false);
        values += literal;
        if (loadable) {
          if (k > 0) fields += '\t';
          const VARTYPE type = pairs[k].second->vartype;
          loadable = sql_rows_text_field(literal, ole_is_numeric_type(type) && type != VT_BOOL, fields);
        }
      }
      values += ")";
      if (loadable) fields += '\n';
      tk_log1(tk_log_trace, "*** FAST INSERT MODE ***");
      // A row whose statement alone would exceed the server's packet is refused on its own.
      if (head.size() + 7 + values.size() > limit) check_packet(head.size() + 7 + values.size());
      // A table's first batches are smaller: the server starts storing rows sooner, while the
      // next batch is built, and batches grow to the limit.
      if (batch_room_ == 0) batch_room_ = std::max<std::size_t>(limit / 8, 1);
      if (!pending_.empty() &&
          (head != batch_head_ || head.size() + 7 + pending_.bytes() + 2 + values.size() > batch_room_)) {
        send_batch();
        // The batch before may have taken the connection with it: this row is not sent either.
        if (lost_) throw sql_exception(*lost_);
      }
      if (pending_.empty()) {
        tk_log1(tk_log_detail, "Initialize new query...");
        batch_head_ = head;
        batch_kinds_ = matched_kinds_;
        pending_load_.clear();
        // The batch's text is about as long as its INSERT text: room for it saves growing it.
        pending_load_.text.reserve(batch_room_);
        pending_loadable_ = true;
      }
      // One row without a LOAD DATA form sends the whole batch as INSERT.
      pending_loadable_ = pending_loadable_ && loadable;
      if (pending_loadable_) pending_load_.text.insert(pending_load_.text.end(), fields.begin(), fields.end());
      pending_.add(number, values);
    } else {
      send_batch();
      slow_append(row);
    }
  } catch (const sql_exception& e) {
    // This row's own refusal joins those of earlier batches, in row order; a lost connection
    // ends the table alone.
    settle();
    if (e.is_connection_lost()) {
      lose_rows(0, e);
      throw_deferred();
    }
    if (deferred_.empty()) throw;
    deferred_.emplace_back(number, e);
    throw_deferred();
  }
  ++row_count;
  throw_deferred();
}

void sql_table::convert_cached(udb_record& row) {
  bool same = converted_names_.size() == row.fields.size();
  for (size_t i = 0; same && i < row.fields.size(); ++i)
    same = row.fields[i] && converted_names_[i] == row.fields[i]->name;
  if (!same) {
    // The first row of a kind is retyped the long way, which also refuses a field without a
    // column; its columns then serve every row that brings the same names.
    convert_record(row);
    converted_names_.clear();
    converted_types_.clear();
    for (const auto& field : row.fields) {
      if (!field) {
        converted_names_.clear();
        converted_types_.clear();
        return;
      }
      const std::wstring mapped =
          database != nullptr ? database->names_map.get_fn_mapped_name(table_name, field->name, true) : field->name;
      const t_ftd* column = schema.get_field1(mapped);
      if (column == nullptr) throw tk_mail_assertion("sql_table", 1);
      converted_names_.push_back(field->name);
      converted_types_.push_back(column->vartype);
    }
    return;
  }
  for (size_t i = 0; i < row.fields.size(); ++i) row.fields[i]->change_type(converted_types_[i]);
}

void sql_table::slow_append(udb_record& row) {
  tk_log1(tk_log_trace, "sql_table::slow_append");
  const auto size = static_cast<std::uint32_t>(row.get_total_size());
  const bool large = size > kLargeRow;
  tk_log1(tk_log_trace, "mysql_db.get_mode()=%u", sql_db->mode);
  const column_pairs pairs = match_columns(row, tk_log_detail);
  std::string statement = "INSERT INTO " + quoted_table() + "(" + column_list(pairs, true) + ") VALUES (";
  std::vector<const udb_field*> long_values;
  for (size_t k = 0; k < pairs.size(); ++k) {
    if (k > 0) statement += ", ";
    const std::string value = get_fld_append_str(pairs[k].first, pairs[k].second, large);
    // The placeholder stands alone; a text "?" would be quoted.
    if (large && value == "?") long_values.push_back(pairs[k].first);
    statement += value;
  }
  statement += ")";
  tk_log1(tk_log_trace, "Run SQL query: %s", statement.c_str());
  if (!large) {
    check_packet(statement.size());
    sql_db->query_append(statement);
    return;
  }
  const std::uint32_t packet = engine().get_max_allowed_packet();
  tk_log1(tk_log_detail, "get_max_allowed_packet=%u", packet);
  if (packet < size) {
    tk_log1(tk_log_detail, "row_tot_size > max_allowed_packet");
    throw sql_packet_too_large_exception(size, packet);
  }
  sql_db->prepared_statement(statement, long_values, size);
}

std::vector<std::pair<std::wstring, std::string>> sql_table::column_terms(const udb_record& row) const {
  std::unique_ptr<udb_validator> validator = engine().create_fn_validator(row);
  std::vector<std::pair<std::wstring, std::string>> terms;
  for (const auto& field : row.fields) {
    std::wstring name = field->name;
    if (!validator->is_acceptable(name)) name = validator->get_safe_name(field->name);
    tk_log2(tk_log_trace, L"Got mappend fn: %ls", name.c_str());
    if (!schema.find_field(name)) {
      tk_log2(tk_log_trace, L"Field '%ls' is not found in schema", name.c_str());
      continue;
    }
    terms.emplace_back(name, tk_unicode_to_utf8(sql_engine::get_safe_name(name)) + "=" + to_mysql_str(field.get()));
  }
  return terms;
}

void sql_table::update1(udb_record& row) {
  tk_log1(tk_log_trace, "sql_table::update");
  if (key_index < 0 || static_cast<size_t>(key_index) >= indexes.size()) {
    tk_log1(tk_log_trace, "There's no primary/unique key");
    return;
  }
  const udb_index& key = indexes[static_cast<size_t>(key_index)];
  std::string set_list, where_list;
  for (const auto& [name, term] : column_terms(row)) {
    bool in_key = false;
    for (const std::wstring& column : key.fields) in_key = in_key || column == name;
    if (in_key) {
      tk_log2(tk_log_trace, L"Field %ls is a part of UKey", name.c_str());
      where_list += (where_list.empty() ? "" : " AND ") + term;
    } else {
      // Long texts and bytes are set too: a synchronised row must not keep an old memo.
      tk_log2(tk_log_trace, L"Field %ls is NOT a part of UKey", name.c_str());
      set_list += (set_list.empty() ? "" : ", ") + term;
    }
  }
  const std::string statement = "UPDATE " + tk_unicode_to_utf8(sql_engine::get_safe_name(table_name)) + " SET " +
                                set_list + " WHERE " + where_list;
  tk_log1(tk_log_detail, "UPDATE QUERY: %s", statement.c_str());
  if (where_list.empty()) {
    tk_log1(tk_log_trace, "Missing primary/unique key");
    return;
  }
  // Only key columns: the row is what it is already.
  if (set_list.empty()) return;
  try {
    sql_db->query_append(statement);
  } catch (const std::exception& e) {
    tk_log1(tk_log_detail, "ERROR on UPDATE0: %s", e.what());
    throw;
  }
}

void sql_table::update2(udb_record& row, const std::wstring& key_text) {
  tk_log2(tk_log_trace, L"sql_table::update(key=%ls)", key_text.c_str());
  if (key_text.empty()) {
    tk_log1(tk_log_trace, "Missing key for update");
    return;
  }
  try {
    std::string set_list;
    for (const auto& term : column_terms(row)) set_list += (set_list.empty() ? "" : ", ") + term.second;
    const std::wstring condition = sql_sync(sql_db).get_filter_subquery(table_name, key_text);
    if (condition.empty() || set_list.empty()) {
      tk_log1(tk_log_trace, "Missing key for update");
      throw tk_exception("The key of the row to update names no column of the table", tk_kind_continuable);
    }
    const std::string statement = "UPDATE " + tk_unicode_to_utf8(sql_engine::get_safe_name(table_name)) + " SET " +
                                  set_list + " WHERE " + tk_unicode_to_utf8(condition);
    tk_log1(tk_log_detail, "UPDATE QUERY: %s", statement.c_str());
    sql_db->query_append(statement);
  } catch (const std::exception& e) {
    tk_log1(tk_log_event, "ERROR on UPDATE: %s", e.what());
    throw;
  }
}

void sql_table::delete_key(const std::wstring& key_text) {
  tk_log2(tk_log_detail, L"sql_table::delete_key(%ls)", key_text.c_str());
  try {
    const std::wstring condition = sql_sync(sql_db).get_filter_subquery(table_name, key_text);
    // Without a condition nothing is deleted: an empty WHERE must never reach the server.
    if (condition.empty())
      throw tk_exception("The key of the row to delete names no column of the table", tk_kind_continuable);
    sql_db->query_append("delete from " + tk_unicode_to_utf8(sql_engine::get_safe_name(table_name)) + " where " +
                         tk_unicode_to_utf8(condition));
  } catch (const std::exception& e) {
    tk_log1(tk_log_detail, "ERROR on DELETE: %s", e.what());
    throw;
  }
}

void sql_table::delete_key(const udb_record& key) {
  tk_log1(tk_log_trace, "sql_table::delete_key");
  std::string condition;
  for (const auto& term : column_terms(key)) condition += (condition.empty() ? "" : " AND ") + term.second;
  if (condition.empty())
    throw tk_exception("The key of the row to delete names no column of the table", tk_kind_continuable);
  try {
    sql_db->query_append("DELETE FROM " + tk_unicode_to_utf8(sql_engine::get_safe_name(table_name)) + " WHERE " +
                         condition);
  } catch (const std::exception& e) {
    tk_log1(tk_log_detail, "ERROR on DELETE: %s", e.what());
    throw;
  }
}
