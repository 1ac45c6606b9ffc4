// dao_database: one open Access database as a udb_database. Construction lists the tables to
// convert, reads the saved queries as views (SQL rewritten towards MySQL) and the relationships
// as foreign keys; afterwards it opens recordsets over tables and SQL texts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_database.h"
#include "dao/ole_com_ptr.h"
#include "platform/jet/dao.h"

class dao_database : public udb_database {
 public:
  // Takes its own reference to the open database; mode is the open-mode word (dao_engine.h).
  // A null database is an internal error.
  dao_database(const std::wstring& path, DAODatabase* database, std::uint32_t mode);
  ~dao_database() override;

  // Closes the database; for one this side creates, this is when the file is finished and put
  // in place under its name, so a failure here (a full disk, a file that appeared under the
  // name) raises dao_exception. A new database released without it is given up: the
  // destructor logs that the file is left out, and nothing appears under the name.
  void close() override;

  // A recordset over the whole table (bit 0 of flags: read-only, else append-only); null for a
  // linked or system table. A table that is not in table_names is an internal error.
  std::unique_ptr<udb_recordset> get_table(const std::wstring& table, std::uint32_t flags) override;
  // A recordset over an SQL text, its row count taken first.
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           std::uint32_t flags) override;
  // Whether the text opens as a recordset; never raises.
  bool test_query(const std::wstring& sql) override;
  // A new table with the schema's columns (names Access refuses replaced, the changes kept in
  // the names map) and a recordset that appends rows to it; dao_database_write.cpp.
  std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  // The foreign keys as DAO Relations (dao_database_relationships.cpp). A referenced table
  // first gets a unique index on the referenced columns when it has none. A relationship DAO
  // refuses is reported through the error handler under its name; the others are still made.
  void create_relationships(const udb_relationships& relationships) override;
  // The name of such an index: "ui_" and the table's name, cut so that the local time
  // (yymmddhhmmss) after it keeps the whole within 64 characters.
  static std::wstring gen_ui_name(const std::wstring& table);
  // Drops the table from the file and from table_names.
  bool delete_tab(const std::wstring& table) override;
  // A value that could not be written: through the run's error handler, so it is never lost in
  // silence.
  void report_lost_value(const std::string& context, const tk_exception& error) { report(context, error); }

  // The number of rows the SQL text yields.
  std::uint32_t get_query_count(const std::wstring& sql);
  // The navigation-pane tables Access keeps beside the user's, whose relationships are its own.
  static bool is_system_table(const std::wstring& table);

  // Construction steps.
  void init_views();
  void init_fkeys();

  // The views or relationships that could not be read because the file is damaged: the run
  // reports each, since converting without them would pass for a whole conversion.
  std::vector<tk_exception> damaged_parts;

 private:
  bool closed_ = false;
  bool writable_ = false;  // a database this side creates, finished only by close()
  // A temporary (unsaved) query definition over the text, opened with these type and options.
  void open_sql(const std::wstring& sql, short options, ole_com_ptr<_DAOQueryDef>& query_def,
                ole_com_ptr<DAORecordset>& recordset);

  ole_com_ptr<DAODatabase> database_;
  ole_com_ptr<DAOQueryDefs> query_defs_;
  ole_com_ptr<DAOTableDefs> table_defs_;
};

// Tables that are not stored in this file or belong to the engine: Access's linked tables, ODBC
// links, and system objects.
constexpr LONG dao_foreign_or_system_table = dbAttachedTable | dbAttachedODBC | dbSystemObject;
