// dao_recordset: a forward cursor over the rows of one Access table or SQL text, with the
// columns described as a schema (types, sizes, defaults, date markers, descriptions) and, for a
// table, its indexes.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"
#include "dao/ole_com_ptr.h"
#include "platform/jet/dao.h"

class dao_database;
class dao_exception;
class dao_record;

class dao_recordset : public udb_recordset {
 public:
  // Over a table; takes its own references to both objects.
  dao_recordset(dao_database* database, const std::wstring& table, DAORecordset* recordset, _DAOTableDef* table_def);
  // Over an SQL text with its row count.
  dao_recordset(dao_database* database, const std::wstring& name, const std::wstring& sql, DAORecordset* recordset,
                _DAOQueryDef* query_def, std::uint32_t count);
  ~dao_recordset() override;

  // The current row, owned by the recordset until the next get_item or its destruction.
  udb_record* get_item() override;
  bool is_eof() override { return eof_ != 0; }
  void next() override;
  void prev() override;
  // Back to the first row; a second walk sees every row again.
  void reset() override;
  // Adds the record as a new row, field i into column i (dao_recordset_append.cpp). A value that
  // makes the row too large for Access is left out and reported through the database's error
  // handler; any other failure drops the pending row and raises.
  void append_record(udb_record& record) override;

  void init_schema(_DAOTableDef* table_def);
  void init_schema(_DAOQueryDef* query_def);
  void init_indexes(_DAOTableDef* table_def);

  std::int32_t get_record_count() const { return record_count_; }

 private:
  void read_eof();
  // Steps of append_record.
  void put_column(const t_ftd& column, const ole_variant& value);
  void leave_out(const t_ftd& column, std::int64_t row, const dao_exception& e);
  void commit(std::int64_t row, std::vector<bool>& holds_value);
  // The schema's descriptors from a table's (of_table) or a query's Fields.
  void read_columns(DAOFields* fields, bool of_table);
  // Appends one column descriptor, which the recordset keeps alive for its schema.
  void add_column(std::unique_ptr<t_ftd> column);
  // Tells the current record's values that may be read wrong why, so that the run reports them.
  void mark_value_faults();

  std::int32_t record_count_ = 0;
  VARIANT_BOOL eof_ = 0;
  std::unique_ptr<dao_record> current_record_;
  ole_com_ptr<DAORecordset> recordset_;
  ole_com_ptr<_DAOTableDef> table_def_;
  ole_com_ptr<_DAOQueryDef> query_def_;
  std::vector<std::unique_ptr<t_ftd>> columns_;
  // The columns whose values may be read wrong (a calculated column's unknown result type), by
  // position, with why: usually none, so that a row costs nothing here.
  std::vector<std::pair<std::size_t, std::string>> value_faults_;
};
