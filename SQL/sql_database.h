// One database on the live server as the data model's database: its tables (created, dropped,
// emptied, opened for reading and writing), statements run plain, appended, tested or prepared
// with long data, paged reads, and the views and foreign keys made from the source.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_connection.h"
#include "UDB/udb_database.h"

class sql_table;
class udb_field;
class udb_record;
class sql_tmp_recordset;
struct sql_fk_step;

class sql_database : public udb_database {
 public:
  // Rows of a paged read.
  static constexpr std::uint32_t page_size = 256;
  using page = std::array<std::unique_ptr<udb_record>, page_size>;

  // Reads the table names and, unless mode bit 0x80 is set, the views with their definitions.
  // connection: the sql_engine's, not owned. A refused table list is a sql_exception; a refused
  // view list is only logged.
  sql_database(const std::wstring& name, sql_connection& connection, std::uint32_t mode);

  // An existing table (names compare ignoring case) is opened as it is, never changed. Mode
  // bit 0x01 (read-only) is an internal error.
  std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  bool delete_tab(const std::wstring& table) override;
  void empty_table(const std::wstring& table) override;
  // A reader over the query text; the caller owns it.
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           std::uint32_t flags) override;
  // A sql_table over a known table (an unknown one is an internal error); flags: the open
  // flags, any bit outside 0x60 reads the indexes and foreign keys too.
  std::unique_ptr<udb_recordset> get_table(const std::wstring& table, std::uint32_t open_mode) override;
  // Null for a statement without a result set. Throws sql_exception.
  std::unique_ptr<udb_recordset> query(const std::wstring& statement) override;
  // True when the server runs the statement; never throws for a server error.
  bool test_query(const std::wstring& sql) override;
  void create_views(const view_list& views) override;
  void create_relationships(const udb_relationships& relationships) override;

  // Runs a UTF-8 statement that yields no rows. Throws sql_exception.
  void query_append(const std::string& statement);
  // Runs a UTF-8 statement whose "?" markers stand, in order, for long_values; their bytes
  // (a byte string's own, a text's UTF-8) go to the server as long data in pieces. row_size is
  // only logged. Throws sql_prep_stmt_failed_exception, or sql_exception when the connection
  // was lost.
  void prepared_statement(const std::string& statement, const std::vector<const udb_field*>& long_values,
                          std::uint32_t row_size);
  // Runs a statement and answers its streamed result, null when it has none. A refused
  // statement or a failed result is a sql_exception.
  MYSQL_RES* do_query2(const std::wstring& statement);

  // The MySQL view body of an Access select query.
  std::wstring refine_view_in(const std::wstring& sql);
  // A view definition as the server reports it, without its leading comment and without this
  // database's name before object names.
  std::wstring refine_view_out(const std::wstring& definition);

  sql_connection& connection() const { return connection_; }

  // The table whose last batch the server is still storing while the next one is built. Every
  // statement of this database first waits for that batch (sql_table::settle), so the
  // connection is never asked two things at once. Null when nothing is in flight.
  void set_streaming_table(sql_table* table) { streaming_table_ = table; }
  void settle();

  // One page of a table or query read with LIMIT offset,count; the result is freed with it.
  class sql_limited_query {
   public:
    sql_limited_query(sql_database& database, const std::wstring& text, std::uint32_t offset, std::uint32_t count,
                      bool is_query);
    ~sql_limited_query();
    sql_limited_query(const sql_limited_query&) = delete;
    sql_limited_query& operator=(const sql_limited_query&) = delete;

    // Replaces the page's rows by those of the result; slots after the last row are empty.
    // schema: the reader's columns, or null to describe rows by the result's columns.
    void store_to(page* records, const udb_schema* schema);
    MYSQL_RES* result() const { return result_; }

   private:
    sql_connection& connection_;
    MYSQL_RES* result_ = nullptr;
  };

 private:
  // The server describes a GUID column as a plain VARCHAR: the table learns from the columns it
  // was made of which of its columns hold GUIDs, so that their values are written in the same
  // GUID form as in a dump.
  static std::unique_ptr<udb_recordset> with_guid_columns(std::unique_ptr<udb_recordset> table,
                                                          const udb_schema& written);
  // The name under which the server lists `table` (names match ignoring case, but the server's
  // may be case-sensitive); null when it lists no such table.
  const std::wstring* listed_name(const std::wstring& table) const;
  // The indexes of the tables the relationships join (target names, as the server has them).
  std::map<std::wstring, udb_indexes> read_fk_indexes(const udb_relationships& relationships);
  // Runs one statement of the foreign-key plan; a constraint the table did not keep is a
  // tk_exception, a refused index only a log line.
  void carry_out(const sql_fk_step& step);
  void init_tables();
  void init_views();

  sql_connection& connection_;
  sql_table* streaming_table_ = nullptr;
  // The columns of each table created through this object: views spell out t.* from them.
  std::map<std::wstring, std::vector<std::wstring>> created_columns_;
};
