// Factories of the DAO objects, so that each class stays in its own file and the others reach
// it only through its interface.
#pragma once

#include <memory>
#include <vector>

#include "platform/jet/jet_dao_model.h"

namespace dao_impl {

// The rows a recordset walks: a table through the row cursor, or rows made in memory.
class row_source {
 public:
  virtual ~row_source() = default;
  virtual const std::vector<dao_column_meta>& columns() const = 0;
  virtual long count() = 0;
  // Before the first row.
  virtual void rewind() = 0;
  virtual bool next() = 0;
  virtual HRESULT value(std::size_t column, VARIANT* out) = 0;
  // True once rows were skipped because they could not be read.
  virtual bool damaged() const { return false; }
  // Reports why rows are missing into `errors` (the default: the file `name` is corrupt).
  virtual HRESULT report_damage(const error_sink& errors, const std::wstring& name) const;
};

// Where a recordset stands; its fields read their values through it.
struct cursor_state {
  std::unique_ptr<row_source> source;
  error_sink errors;
  bool open = true;
  bool on_row = false;
  bool bof = true;
  bool eof = true;
  long position = -1;  // of the current row
};
using cursor_ptr = std::shared_ptr<cursor_state>;

DAOProperties* make_properties(std::vector<dao_prop> props, error_sink errors);
// A field with a fixed description; its Value reads the current row of `cursor` when given.
_DAOField* make_field(std::shared_ptr<const dao_column_meta> meta, cursor_ptr cursor, std::size_t column,
                      error_sink errors);
DAOFields* make_fields(std::vector<ref<_DAOField>> fields, error_sink errors);
DAORecordset* make_recordset(std::unique_ptr<row_source> source, std::wstring name, short type, error_sink errors);

// Rows held in memory, with the columns that describe them.
std::unique_ptr<row_source> memory_rows(std::vector<dao_column_meta> columns,
                                        std::vector<std::vector<jet::jet_value>> rows);
// The rows of a stored table through the row cursor; null when its definition or its pages
// cannot be read, and then `damage`, when given, says what failed.
std::unique_ptr<row_source> table_rows(context_ptr ctx, const jet::jet_object& table, std::wstring* damage = nullptr);
// What a table whose definition cannot be read reports.
inline const std::wstring dao_no_definition = L"its definition cannot be read";

// The schema objects of an open database.
DAOTableDefs* make_tabledefs(context_ptr ctx);
_DAOTableDef* make_tabledef(context_ptr ctx, const jet::jet_object& table);
DAOQueryDefs* make_querydefs(context_ptr ctx);
// `name` empty: a temporary definition over `sql`.
_DAOQueryDef* make_querydef(context_ptr ctx, const jet::jet_object* saved, std::wstring name, std::wstring sql);
DAORelations* make_relations(context_ptr ctx);

// Opens a recordset over an SQL text. The forms the Access source asks most often are served
// straight from the row cursor: "SELECT * FROM [t]", "select count(*) from (SELECT * FROM [t])"
// and the query of MSysRelationships ordered by szRelationship; the rest goes to open_jet_sql.
HRESULT open_sql(const context_ptr& ctx, const std::wstring& sql, DAORecordset** out);

// A recordset over general Jet SQL, run by the query engine; its errors are DAO's.
HRESULT open_jet_sql(const context_ptr& ctx, const std::wstring& sql, DAORecordset** out);

// The rows of a table by name; null (with a DAO error filled) when there is no such table.
HRESULT open_table_rows(const context_ptr& ctx, const std::wstring& name, std::unique_ptr<row_source>& out);

// The description of the columns of a stored table, with their properties.
bool table_columns(const context_ptr& ctx, const jet::jet_object& table, std::vector<dao_column_meta>& out,
                   jet::jet_table_def* def = nullptr);

// Complex columns: the DAO type of one, and the Value of a row's complex id as a Recordset of
// its values (VT_DISPATCH). `cache` holds the column's flat table once read.
class complex_values;
short complex_dao_type(const dao_complex_column& c);
HRESULT complex_value(const context_ptr& ctx, const dao_column_meta& meta, const jet::jet_value& v,
                      std::shared_ptr<complex_values>& cache, VARIANT* out);

}  // namespace dao_impl
