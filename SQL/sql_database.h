// A database on the live server as the engine opens or creates it: its name, the connection and
// its table names. The table, view, index and foreign-key operations are the server-database
// layer's; until that layer exists they are internal errors, never silent.
#pragma once

#include <mysql.h>

#include <cstdint>
#include <memory>
#include <string>

#include "UDB/udb_database.h"

class sql_database : public udb_database {
 public:
  // mode: bit 0x80 set means the views are not needed. The connection stays the engine's.
  sql_database(const std::wstring& name, MYSQL* handle, std::uint32_t mode);

  std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& schema,
                                              const udb_indexes& indexes) override;
  std::unique_ptr<udb_recordset> get_query(const std::wstring& name, const std::wstring& sql,
                                           std::uint32_t flags) override;
  std::unique_ptr<udb_recordset> get_table(const std::wstring& table,
                                           std::uint32_t open_mode) override;
  // True when the server runs the statement.
  bool test_query(const std::wstring& sql) override;

 private:
  void read_table_names();

  MYSQL* handle_;
};
