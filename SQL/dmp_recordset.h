// The row writer of one table of a dump file: each appended record becomes INSERT text, many
// rows to a statement while rows are small, one statement a row once a large row was met.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "UDB/udb_recordset.h"

class dmp_database;

// Made by dmp_database::create_table; the caller owns it and deletes it before the database.
// Deleting it writes the rows still collected.
class dmp_recordset : public udb_recordset {
 public:
  // schema: the table's columns under their target names; each descriptor is copied.
  dmp_recordset(dmp_database* database, const std::wstring& table_name, const udb_schema& schema);
  ~dmp_recordset() override;

  // Writes one row. The record holds the row's values under their source column names.
  // A record that does not fit the table is a tk_exception of kind 0; nothing of it is written.
  void append_record(udb_record& record) override;
  udb_record* get_item() override { return nullptr; }
  bool is_eof() override { return true; }

  // Writes the rows still collected as one statement.
  void flush();

 private:
  void fast_append(udb_record& record);
  // The position in record of the field of each column the row writes: the open batch's
  // columns when pending, else the table's columns the record has (matched_columns_).
  // A column the open batch needs and the record lacks is a tk_exception of kind 0.
  const std::vector<std::size_t>* match_fields(const udb_record& record, bool pending);
  void slow_append(udb_record& record);
  // Writes one value larger than the field-size limit straight into the file, in pieces.
  void stream_value(const udb_field& field, const t_ftd& column);
  std::string quoted_name(const std::wstring& name) const;
  // The name a column's values carry in the source records. Looked up once per column: the
  // names map does not change while a table's rows are written.
  const std::wstring& source_name(const t_ftd* column);

  dmp_database* dump_;
  std::vector<std::unique_ptr<t_ftd>> columns_;
  // The INSERT being collected (UTF-8); empty when no batch is open.
  std::string append_buffer_;
  // The columns of the open batch: those its first record has.
  std::vector<const t_ftd*> reduced_schema_;
  std::unordered_map<const t_ftd*, std::wstring> source_names_;
  // The matching of the last row that opened a batch, kept while rows bring the same names.
  bool matched_valid_ = false;
  std::vector<std::wstring> matched_names_;
  std::vector<const t_ftd*> matched_columns_;
  std::vector<std::size_t> matched_at_;
  std::vector<std::size_t> once_at_;
};
