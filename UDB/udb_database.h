// The abstract database every side implements (the Access source, a live MySQL server, the SQL
// dump file), with the state they share: name, mode word, table names, views, the names map and
// the relationships. Operations a side does not support are internal errors, never silent.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_index.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_relationship.h"
#include "UDB/udb_schema.h"

class tk_exception;
class udb_recordset;

class udb_database {
 public:
  using view_list = std::vector<std::pair<std::wstring, std::wstring>>;  // (view name, SQL text)

  // mode: the open-mode word, whose bits each side defines. case_sensitive: table names compare
  // exactly when set, ignoring case otherwise (every side of the system passes false).
  udb_database(const std::wstring& name, std::uint32_t mode, bool case_sensitive);
  udb_database(const udb_database&) = delete;
  udb_database& operator=(const udb_database&) = delete;
  virtual ~udb_database();

  // Partitioned tables: no side supports them (an internal error).
  virtual std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& schema,
                                                      const udb_indexes& indexes, std::uint32_t partitions);
  // Creates the table and answers a recordset to write its rows into; the caller owns it.
  virtual std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& schema,
                                                      const udb_indexes& indexes) = 0;
  virtual void create_index(const std::wstring& table, std::uint32_t word, const udb_index& index);
  // create_index for each index in list order.
  virtual void create_indexes(const std::wstring& table, std::uint32_t word, const udb_indexes& indexes);
  virtual void create_views(const view_list& views);
  virtual void delete_fk(const udb_relationship& foreign_key);
  virtual void delete_idx(const std::wstring& table, const udb_index& index);
  // Removes the first matching name from table_names; false when there is none. Sides drop the
  // table first and then call this.
  virtual bool delete_tab(const std::wstring& table);
  // Runs "delete from <table>" through query; the table name goes in as given.
  virtual void empty_table(const std::wstring& table);
  // A recordset over a stored query; the caller owns it.
  virtual std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                                   std::uint32_t flags) = 0;
  // Empties the given list.
  void clear_names(std::vector<std::wstring>& names);
  // A recordset over a table, opened by mode; the caller owns it (null: nothing to read).
  virtual std::unique_ptr<udb_recordset> get_table(const std::wstring& table, std::uint32_t open_mode) = 0;
  // Runs a statement and answers its result; the base has no way to (an internal error).
  virtual std::unique_ptr<udb_recordset> query(const std::wstring& statement);
  virtual bool test_query(const std::wstring& sql) = 0;
  virtual void create_relationships(const udb_relationships& relationships);
  // Finishes what was written: a side whose output is whole only once closed (a dump file, a
  // new Access file) puts it in place here and throws when it cannot. A destructor cannot
  // report, so whoever writes into a database closes it before releasing it. Nothing to do for
  // a database only read, or one whose every statement took effect at once.
  virtual void close();
  std::vector<std::wstring>& get_table_names() { return table_names; }
  virtual bool is_table_exist(const std::wstring& table);

  void add_tn_mapping(const std::wstring& source_table, const std::wstring& target_table);

  std::uint32_t mode;
  std::wstring name;        // a file path for Access, a schema name for MySQL
  std::wstring extra_text;  // for the sides that use it
  bool case_sensitive;
  view_list views;
  std::vector<std::wstring> table_names;  // in the order they were added
  udb_names_map names_map;
  udb_relationships relationships;
  std::uint32_t extra_word = 0;  // for the sides that use it
  // Columns of each table still to be created (by the names create_table is given) that a
  // foreign key joins, at either end: a side that compares the text of unique keys in a way of
  // its own gives them that comparison too, or the server refuses the key. Filled by the driver.
  std::map<std::wstring, std::set<std::wstring>> joined_columns;

  // Where a failure of one view or one foreign key (or a foreign key left out) is reported
  // before the next is tried: context names the object ("View 'x'"). The driver sets it to its
  // error handler, which may end the run by throwing; unset, the failure is only logged.
  std::function<void(const std::string& context, const tk_exception& error)> report_error;

 protected:
  void report(const std::string& context, const tk_exception& error);

 private:
  bool same_table(const std::wstring& a, const std::wstring& b) const;
};
