// The DAO objects of a database this side creates: the database over the file writer, table
// definitions and fields being defined, and the recordset rows are appended through.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/jet_dao_errors.h"
#include "platform/jet/jet_dao_support.h"
#include "platform/jet/write/jet_writer.h"

namespace dao_impl {

enum dao_write_state_error_number : long {
  dao_err_no_add_new = 3020,
  dao_err_required = 3314,
  dao_err_zero_length = 3315,
  dao_err_no_fields = 3264,
  dao_err_name_in_collection = 3367,
};

// A table of the new database as it was appended.
struct new_table {
  std::wstring name;
  jet::jet_table_id id = 0;
  std::vector<jet::jet_new_column> columns;
  std::vector<jet::jet_new_index> indexes;  // as the writer took them, in order
  bool deleted = false;
};

// What every object of one new database shares: the writer and the tables defined so far.
struct write_context {
  error_sink errors;
  std::wstring path;
  std::unique_ptr<jet::jet_writer> writer;  // null once the database is closed
  std::vector<new_table> tables;
  std::vector<jet::jet_new_relationship> relations;  // appended to Relations, in order
  // The live table named `name` (without regard to case), or null.
  new_table* find(const std::wstring& name);
  // Reports a writer error through the Errors collection.
  HRESULT fail(const jet::jet_write_error& e) const;
};
using write_context_ptr = std::shared_ptr<write_context>;

// A field being defined, until its table definition is appended.
struct new_field_state {
  jet::jet_new_column column;
  short dao_type = dbText;
  long attributes = dbVariableField | dbUpdatableField;
  bool appended = false;      // to a table definition: its definition no longer changes
  bool index_field = false;   // made by Index.CreateField: Attributes say only the key order
  std::wstring foreign_name;  // a relation's field: the column of the foreign table
};

// An index being defined, until its table takes it (at TableDefs.Append, or at once through
// the Indexes of a table already made).
struct new_index_state {
  std::wstring name;
  std::vector<ref<_DAOField>> fields;
  std::vector<std::shared_ptr<new_field_state>> states;
  bool primary = false;
  bool unique = false;
  bool ignore_nulls = false;
  bool required = false;
  bool appended = false;
};
using new_index_ptr = std::shared_ptr<new_index_state>;

_DAOIndex* make_new_index(new_index_ptr state, error_sink errors);
// The state behind an index made by make_new_index; null for any other object.
new_index_ptr new_index_of(IDispatch* object);
// The index as the writer takes it: the fields' names, descending where an index field's
// Attributes carry dbDescending.
jet::jet_new_index new_index_definition(const new_index_state& index);
// An index the writer has taken, as TableDefs.Item hands it out again (no longer to change).
new_index_ptr appended_index_state(const jet::jet_new_index& index, const error_sink& errors);

_DAOField* make_new_field(std::shared_ptr<new_field_state> state, error_sink errors);
// The state behind a field made by make_new_field; null for any other object.
std::shared_ptr<new_field_state> new_field_of(IDispatch* object);

_DAOTableDef* make_new_tabledef(write_context_ptr ctx, std::wstring name);
DAOTableDefs* make_new_tabledefs(write_context_ptr ctx);
DAORecordset* make_append_recordset(write_context_ptr ctx, std::size_t table);
DAODatabase* make_write_database(write_context_ptr ctx);
// Database.CreateRelation and Database.Relations of a new database.
_DAORelation* make_new_relation(write_context_ptr ctx, jet::jet_new_relationship definition);
DAORelations* make_new_relations(write_context_ptr ctx);

// DBEngine.CreateDatabase: a blank database at `path` (3204 when it exists).
HRESULT create_write_database(const error_sink& errors, const std::wstring& path, DAODatabase** out);

}  // namespace dao_impl
