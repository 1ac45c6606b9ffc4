// The SQL dump file as a destination database: every operation writes the MySQL statements a
// live server would run, so that the file can be loaded into a server later.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "SQL/dump_options.h"
#include "SQL/sql_key_limits.h"
#include "TK/tk_temp_file.h"
#include "UDB/udb_database.h"
#include "UDB/udb_index.h"

class dmp_recordset;

// Made by sql_engine::create_dump; the caller owns it. Every dmp_recordset it returns must be
// deleted before it, and the sql_engine singleton must outlive both.
class dmp_database : public udb_database {
 public:
  // Creates a new file beside the path and writes the header into it; the file at the path
  // itself stays as it is until close(). The options are copied. A path that names anything but
  // a regular file or nothing (a folder, a link, a device, a pipe), or a file that cannot be
  // created or written, is a tk_exception of kind 1 naming the file and the reason.
  dmp_database(const std::wstring& path, const dump_options* options);
  // Without close() the dump is abandoned: the new file is removed and an old file at the path
  // is left untouched.
  ~dmp_database() override;

  // Writes what a finished dump ends with (the last UNLOCK TABLES, foreign-key checks back on),
  // closes the new file and renames it over the path, with the mode of the file it replaces. A
  // failed write, close or rename (a full disk) is a tk_exception of kind 1, and the file at the
  // path is then untouched. The run calls it before it reports the dump as written. Later calls
  // do nothing, or throw again when the dump failed.
  void close() override;

  using udb_database::create_table;
  std::unique_ptr<udb_recordset> create_table(const std::wstring& table_name, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  void create_index(const std::wstring& table_name, std::uint32_t word, const udb_index& index) override;
  // Views are written in an order the server can create them in: a view after the views it
  // selects from.
  void create_views(const view_list& views) override;
  void delete_fk(const udb_relationship& relationship) override;
  void delete_idx(const std::wstring& table_name, const udb_index& index) override;
  bool delete_tab(const std::wstring& table_name) override;
  // A dump has no stored queries: null.
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           std::uint32_t flags) override;
  // A dump file cannot be read back: an internal error.
  std::unique_ptr<udb_recordset> get_table(const std::wstring& table_name, std::uint32_t open_mode) override;
  // Writes the statement; there is no result (null).
  std::unique_ptr<udb_recordset> query(const std::wstring& statement) override;
  bool test_query(const std::wstring& statement) override;
  void create_relationships(const udb_relationships& relationships) override;

  // The MySQL view body of an Access select query: blanks collapsed, source names replaced by
  // target names, brackets as backticks, Access functions renamed, Jet's own syntax in MySQL's
  // words, duplicate result columns named; ends with ";".
  std::wstring refine_view_in(const std::wstring& sql);

  // Writes one statement with ";" and the line end; a CREATE FUNCTION goes between DELIMITER
  // lines, since its body holds semicolons of its own.
  void write_statement(const std::string& statement);

  // Writes text as it stands (UTF-8); a failed write is a tk_exception of kind 1.
  void write(const std::string& text);
  void write(const std::wstring& text);

  const dump_options& get_options() const { return options_; }

  // The indexes given to create_table, under source names, by table name.
  std::map<std::wstring, udb_indexes> table_indexes;

 private:
  struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  void write_header(const std::wstring& path);
  void unlock_tables(const char* log_line);
  // Throws the failure; it also stays recorded, so that close() reports a dump that lost
  // text even when the exception was swallowed on the way (a recordset's destructor).
  // `detail` (when given) says why instead of the text of `error`.
  [[noreturn]] void fail(const char* what, int error, const char* detail = nullptr);

  // The new file until it is renamed over the path; removed with it when the dump is abandoned.
  std::unique_ptr<tk_temp_file> temp_;
  std::unique_ptr<std::FILE, file_closer> file_;
  std::string path_utf8_;
  std::string failure_;
  dump_options options_;
  // The indexes each created table got in its CREATE TABLE, under target names: what foreign
  // keys can lean on.
  std::map<std::wstring, udb_indexes> written_indexes_;
  // The keys each created table can take: an index a foreign key needs is added only where
  // the server will take it, since one refused statement stops the load of the whole file.
  std::map<std::wstring, sql_key_room> key_room_;
  // The columns of each created table, under target names: views spell out t.* from them.
  std::map<std::wstring, std::vector<std::wstring>> created_columns_;
};
