// The dump file as a destination database: header, table blocks, indexes, drops and statements.
// Foreign keys and views are in dmp_relations.cpp; rows in dmp_recordset.cpp.
#include "SQL/dmp_database.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SQL/dmp_recordset.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_init.h"
#include "SQL/sql_key_limits.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_properties.h"
#include "platform/win/local_time.h"

namespace {

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

// The file name without folder and extension: the default database name.
std::string base_name(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

}  // namespace

dmp_database::dmp_database(const std::wstring& path, const dump_options* options)
    : udb_database(path, 1, false), path_utf8_(tk_unicode_to_utf8(path)), options_(*options) {
  tk_log2(tk_log_detail, L"dmp_database::ctor(%ls)", path.c_str());
  sql_engine& sql = engine();
  sql.version = options_.new_version ? sql_version::v4_1_0 : sql_version::dump_old;
  // A dump for current servers names utf8mb4 from its first line: it is for servers that know
  // it, and that give DATETIME columns the current moment as default (TIMESTAMP would refuse
  // every date before 1970).
  sql.dump_load_version = options_.new_version ? sql_version::v5_6_5 : 0;
  tk_log1(tk_log_trace, "b_new_ver=%d", int(options_.new_version));

  // The old dump (or whatever the path names) is touched only by the rename of a whole new dump;
  // a folder, a link, a device or a pipe is never replaced.
  struct stat old_state;
  const bool replacing = ::lstat(path_utf8_.c_str(), &old_state) == 0;
  if (replacing && S_ISDIR(old_state.st_mode)) fail("Cannot create the dump file", EISDIR);
  if (replacing && !S_ISREG(old_state.st_mode)) {
    fail("Cannot create the dump file", 0, "not a regular file (a link, a device or a pipe)");
  }
  temp_ = std::make_unique<tk_temp_file>(path_utf8_ + ".tmp", "", 0666);
  if (!temp_->is_open()) {
    tk_log1(tk_log_detail, "Failed to open file");
    fail("Cannot create the dump file", temp_->error());
  }
  // A replaced dump keeps its permissions (a private dump stays private).
  errno = 0;
  if (replacing && ::fchmod(temp_->fd(), old_state.st_mode & 07777) != 0) fail("Cannot create the dump file", errno);
  file_.reset(temp_->release_to_stream("wb"));
  if (!file_) fail("Cannot create the dump file", errno);
  write_header(path);
}

dmp_database::~dmp_database() {
  if (file_) tk_log1(tk_log_event, "The dump file '%s' was not finished: it is left out", path_utf8_.c_str());
  file_.reset();
  temp_.reset();
}

void dmp_database::write_header(const std::wstring& path) {
  const char* eol = options_.get_line_end();
  if (options_.insert_comments) {
    std::wstring shown = path;
    for (wchar_t& c : shown) {
      if (c == L'\\') c = L'/';
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char date[32];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", int(now.wMonth) % 100, int(now.wDay) % 100,
                  int(now.wYear) % 10000);
    write("# File name: " + tk_unicode_to_utf8(shown) + eol);
    write(std::string("# Creation date: ") + date + eol);
    write("# Created by " + options_.creator + eol);
    write(std::string("# --------------------------------------------------") + eol);
  }
  // Every text of the file is UTF-8 whatever the tables' character set, so the session reads
  // it as UTF-8; the old servers know no utf8mb4.
  write(std::string(eol) + "SET NAMES " + (options_.new_version ? "utf8mb4" : "utf8") + ";" + eol);
  if (options_.new_version) {
    // Loading the dump again over an earlier copy drops referenced tables first.
    write(std::string("SET FOREIGN_KEY_CHECKS = 0;") + eol);
  }

  if (options_.create_database && options_.create_table) {
    std::string name = options_.database_name.empty() ? base_name(path_utf8_) : options_.database_name;
    if (options_.new_version) name = tk_unicode_to_utf8(sql_engine::quote_name(tk_utf8_to_unicode(name)));
    const std::string charset = tk_unicode_to_utf8(engine().table_charset());
    write(std::string(eol) + "DROP DATABASE IF EXISTS " + name + ";" + eol);
    write("CREATE DATABASE " + name + (charset.empty() ? "" : " character set " + charset) + ";" + eol);
    write("USE " + name + ";" + eol);
  }
}

void dmp_database::close() {
  if (!file_) {
    if (!failure_.empty()) throw tk_exception(failure_, tk_kind_error);
    return;
  }
  if (failure_.empty()) {
    const char* eol = options_.get_line_end();
    try {
      if (engine().lock_tables_open) {
        unlock_tables("dmp_database::~dmp_database - right before unlock tables");
      }
      if (options_.new_version) write(std::string("SET FOREIGN_KEY_CHECKS = 1;") + eol);
    } catch (const tk_exception&) {
      file_.reset();
      temp_.reset();
      throw;
    }
  }
  std::FILE* file = file_.release();
  errno = 0;
  int error = 0;
  if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0) error = errno;
  if (std::fclose(file) != 0 && error == 0) error = errno;
  if (!failure_.empty()) {
    temp_.reset();
    throw tk_exception(failure_, tk_kind_error);
  }
  if (error != 0) {
    temp_.reset();
    fail("Cannot finish the dump file", error);
  }
  // The path may have become a link or a device while the run went on: only a regular file is
  // replaced.
  struct stat state;
  if (::lstat(path_utf8_.c_str(), &state) == 0 && !S_ISREG(state.st_mode)) {
    temp_.reset();
    fail("Cannot finish the dump file", 0, "not a regular file (a folder, a link, a device or a pipe)");
  }
  errno = 0;
  if (!temp_->rename_to(path_utf8_)) {
    error = errno;
    temp_.reset();
    fail("Cannot finish the dump file", error);
  }
  temp_.reset();
}

std::unique_ptr<dmp_database> sql_engine::create_dump(const std::wstring& path, const dump_options* options) {
  tk_log2(tk_log_detail, L"Creating MySQL dump file '%ls'", path.c_str());
  return std::make_unique<dmp_database>(path, options);
}

void dmp_database::fail(const char* what, int error, const char* detail) {
  std::string message = std::string(what) + " '" + path_utf8_ + "'";
  if (detail != nullptr) {
    message += ": " + std::string(detail);
  } else if (error != 0) {
    message += ": " + std::string(std::strerror(error));
  }
  if (failure_.empty()) failure_ = message;
  throw tk_exception(message, tk_kind_error);
}

void dmp_database::write(const std::string& text) {
  if (!failure_.empty()) throw tk_exception(failure_, tk_kind_error);
  if (!file_) fail("The dump file is closed", 0);
  errno = 0;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) {
    fail("Cannot write the dump file", errno);
  }
}

void dmp_database::write(const std::wstring& text) { write(tk_unicode_to_utf8(text)); }

void dmp_database::unlock_tables(const char* log_line) {
  engine().lock_tables_open = false;
  tk_log1(tk_log_detail, "%s", log_line);
  write(std::string("UNLOCK TABLES;") + options_.get_line_end());
}

void dmp_database::write_statement(const std::string& statement) {
  const char* eol = options_.get_line_end();
  const bool function = tk_string::starts_with(statement, "CREATE FUNCTION ", false);
  if (function) write(std::string("DELIMITER $$") + eol);
  write(statement);
  write(std::string(";") + eol);
  if (function) write(std::string("$$") + eol + "DELIMITER ;" + eol);
}

std::unique_ptr<udb_recordset> dmp_database::create_table(const std::wstring& table_name, const udb_schema& schema,
                                                          const udb_indexes& indexes) {
  tk_log2(tk_log_detail, L"dmp_database::create_table(%ls)", table_name.c_str());
  if (is_table_exist(table_name)) throw tk_mail_assertion("sql_dump", 428);
  sql_engine& sql = engine();
  const std::wstring eol = options_.get_wline_end();

  std::wstring storage = sql_table_property(table_name, L"engine");
  if (storage.empty()) storage = options_.new_version ? sql.engine : L"MyISAM";

  // The server refuses a table whose row it counts too wide, on load as on a live server.
  const sql_sized_columns sized(table_name, schema, indexes, storage,
                                options_.new_version ? sql_dump_row_version : sql.version);
  std::wstring auto_increment_name;
  sql_schema_initializer columns(table_name, sized.get_schema(), indexes, auto_increment_name);
  if (auto joined = joined_columns.find(table_name); joined != joined_columns.end())
    columns.joined_columns = joined->second;
  std::vector<std::wstring> column_chunks;
  columns.get_init_chunks(column_chunks,
                          sql.properties == nullptr ? nullptr : sql.properties->get_by_target_name(table_name));

  if (sql.lock_tables_open) unlock_tables("dmp_database::create_table - right before unlock tables");

  if (options_.create_table) {
    if (options_.insert_comments) {
      write(eol + L"#" + eol + L"# Table structure for table '" + table_name + L"'" + eol + L"#" + eol + eol);
    }
    delete_tab(table_name);
  }

  std::wstring statement =
      L"CREATE TABLE " + (options_.new_version ? sql_engine::get_safe_name(table_name) : table_name) + L" (" + eol;
  for (std::size_t i = 0; i < column_chunks.size(); ++i) {
    if (i > 0) statement += L"," + eol;
    statement += L"  " + column_chunks[i];
  }
  udb_indexes written;
  const std::uint32_t max_key =
      options_.new_version ? sql_max_key_bytes(storage, sql_dump_key_version) : sql_max_key_bytes(storage, sql.version);
  if (!column_chunks.empty() && (!indexes.empty() || !auto_increment_name.empty())) {
    sql_indexes_initializer index_clauses(columns, indexes, auto_increment_name, max_key);
    std::vector<std::wstring> index_chunks;
    index_clauses.get_init_chunks(index_chunks);
    for (const std::wstring& chunk : index_chunks) statement += L"," + eol + L"  " + chunk;
    written = index_clauses.get_written_indexes();
  }

  if (options_.create_table) {
    tk_log1(tk_log_trace, "Right before inserting CREATE TABLE statement");
    statement += eol + L")" + (options_.new_version ? L" ENGINE=" : L" TYPE=") + storage;
    const std::wstring charset = sql_table_property(table_name, L"character set");
    if (!charset.empty()) statement += L" character set " + charset;
    write(statement + L";" + eol);
  }

  if (options_.insert_comments) {
    write(eol + L"#" + eol + L"# Dumping data for table '" + table_name + L"'" + eol + L"#" + eol + eol);
  }
  if (options_.add_lock) {
    write(L"LOCK TABLES " + (options_.new_version ? sql_engine::get_safe_name(table_name) : table_name) + L" WRITE;" +
          eol);
    sql.lock_tables_open = true;
  }

  table_names.push_back(table_name);
  tk_log2(tk_log_detail, L"udb_names_map::add_fn_map(%ls)", table_name.c_str());
  names_map.add_fn_map(table_name, columns.get_column_map());
  table_indexes.emplace(table_name, indexes);
  written_indexes_[table_name] = written;
  key_room_[table_name] = sql_key_room_of(columns, max_key);
  std::vector<std::wstring>& created = created_columns_[table_name];
  for (const auto& field : columns.get_target_schema().fields) created.push_back(field->name);
  return std::make_unique<dmp_recordset>(this, table_name, columns.get_target_schema());
}

void dmp_database::create_index(const std::wstring& table_name, std::uint32_t, const udb_index& index) {
  tk_log1(tk_log_detail, "dmp_database::create_index");
  const std::wstring table = sql_engine::get_safe_name(table_name);
  if (options_.add_lock) {
    write(L"LOCK TABLES " + table + L" WRITE;" + options_.get_wline_end());
    engine().lock_tables_open = true;
  }
  std::wstring statement;
  if (index.primary) {
    statement = L"ALTER TABLE " + table + L" ADD PRIMARY KEY " + sql_engine::get_safe_name(index.name) + L" (";
  } else {
    statement = std::wstring(L"CREATE ") + (index.unique ? L"UNIQUE " : L"") + L"INDEX " +
                sql_engine::get_safe_name(index.name) + L" ON " + table + L"(";
  }
  for (std::size_t i = 0; i < index.fields.size(); ++i) {
    if (i > 0) statement += L", ";
    statement += sql_engine::get_safe_name(index.fields[i]);
  }
  write(statement + L");\n");
}

bool dmp_database::delete_tab(const std::wstring& table_name) {
  tk_log2(tk_log_detail, L"dmp_database::delete_tab(%ls)", table_name.c_str());
  write(L"DROP TABLE IF EXISTS " + (options_.new_version ? sql_engine::get_safe_name(table_name) : table_name) +
        L" CASCADE;" + options_.get_wline_end());
  if (!is_table_exist(table_name)) return false;
  return udb_database::delete_tab(table_name);
}

void dmp_database::delete_idx(const std::wstring& table_name, const udb_index& index) {
  tk_log2(tk_log_detail, L"dmp_database::delete_idx(%ls.%ls)", table_name.c_str(), index.name.c_str());
  query(L"ALTER TABLE " + sql_engine::get_safe_name(table_name) + L" DROP " +
        (index.primary ? std::wstring(L"PRIMARY KEY") : L"INDEX " + sql_engine::get_safe_name(index.name)));
}

void dmp_database::delete_fk(const udb_relationship& relationship) {
  tk_log2(tk_log_detail, L"dmp_database::delete_fk(%ls)", relationship.name.c_str());
  query(L"ALTER TABLE " + sql_engine::get_safe_name(relationship.table) + L" DROP FOREIGN KEY " +
        sql_engine::get_safe_name(relationship.name));
}

std::unique_ptr<udb_recordset> dmp_database::get_query(const std::wstring&, const std::wstring&, std::uint32_t) {
  return nullptr;
}

std::unique_ptr<udb_recordset> dmp_database::get_table(const std::wstring&, std::uint32_t) {
  // A dump file cannot be read back.
  throw tk_mail_assertion("sql_dump", 153);
}

std::unique_ptr<udb_recordset> dmp_database::query(const std::wstring& statement) {
  write_statement(tk_unicode_to_utf8(statement));
  return nullptr;
}

bool dmp_database::test_query(const std::wstring&) { return false; }
