// A reader over a whole server table or the result of a query text, fetched in pages of 256
// rows with LIMIT offset,count so that the row count is known and memory stays bounded.
#pragma once

#include <cstdint>
#include <string>

#include "SQL/sql_database.h"
#include "UDB/udb_recordset.h"

class sql_recordset : public udb_recordset {
 public:
  // Over a table: the schema from the result's columns, the row count, the first page.
  sql_recordset(sql_database* database, const std::wstring& table, udb_relationships* relationships);
  // Over a query text under a name.
  sql_recordset(sql_database* database, const std::wstring& name, const std::wstring& sql,
                udb_relationships* relationships);
  ~sql_recordset() override;

  // A reader cannot write: an internal error.
  void append_record(udb_record& record) override;
  udb_record* get_item() override;
  bool is_eof() override;
  void next() override;
  // Steps back inside the current page only.
  void prev() override;
  // Rereads the row count and the first page.
  void reset() override;

  // SELECT COUNT(*) of the table or query; -1 when the answer is no number.
  std::int32_t get_rec_count();

 protected:
  sql_database* sql_db;
  udb_relationships* relationships;

  // The client-library type code (MYSQL_FIELD::type) of a column of the schema; -1 for a
  // descriptor this reader did not make.
  int column_type(const t_ftd* column) const;

 private:
  void initialize();
  void clean();
  void load_page(std::uint32_t offset);

  // Descriptors of the schema, owned here.
  std::vector<std::unique_ptr<t_ftd>> columns_;
  std::vector<int> column_types_;  // of each of columns_
  std::uint32_t position_ = 0;
  std::uint32_t page_index_ = 0;
  sql_database::page page_;
};
