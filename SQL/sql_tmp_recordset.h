// A forward-only walk over one server result (metadata statements, sql_database::query), holding
// at most 1000 rows at a time so that a result of any size costs bounded memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_connection.h"
#include "UDB/udb_recordset.h"

class sql_tmp_recordset : public udb_recordset {
 public:
  static constexpr std::uint32_t cache_size = 1000;

  // Takes ownership of a result the connection streams and fetches its first rows.
  sql_tmp_recordset(sql_connection& connection, MYSQL_RES* result);
  // Runs statement (UTF-8) on the connection; a refused statement is a sql_exception, a
  // statement without rows gives an empty recordset. Rows are fetched by initialize or by the
  // first is_eof.
  sql_tmp_recordset(sql_connection& connection, const std::string& statement);
  ~sql_tmp_recordset() override;

  // A reader cannot write: an internal error.
  void append_record(udb_record& record) override;
  udb_record* get_item() override;
  // Refills the cache when the position has passed it; true when no row is left.
  bool is_eof() override;
  void next() override { ++position_; }
  // Back to the first row of the cache: rows already dropped cannot be read again.
  void reset() override { position_ = 0; }

  void initialize();

 protected:
  std::uint32_t field_count_ = 0;
  MYSQL_FIELD* fields_ = nullptr;  // owned by the result

 private:
  void fill_cache();
  void clean_cache();

  std::uint32_t position_ = 0;
  sql_connection& connection_;
  MYSQL_RES* result_ = nullptr;
  std::vector<std::unique_ptr<udb_record>> cache_;
};
