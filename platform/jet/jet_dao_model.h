// What the DAO classes of one open database share: the file, its catalog, the engine's error
// list, and the description of a column as DAO reports it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/jet/dao.h"
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_dao_errors.h"
#include "platform/jet/jet_dao_support.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_props.h"

class jet_reader_catalog;
class jet_sql_engine;

namespace dao_impl {

// A column of complex type (attachments, multi-value lists) and where its values live: a
// hidden "flat" table whose rows point back to the row's complex id.
struct dao_complex_column {
  std::int32_t table_id = 0;  // MSysObjects id of the table the column belongs to
  std::wstring column;
  std::int32_t flat_table_id = 0;
  std::wstring type_table;  // the template table: MSysComplexType_Attachment, _Text...
};

struct dao_context {
  error_sink errors;
  std::unique_ptr<jet::jet_file> file;
  jet::jet_catalog catalog;
  std::wstring name;                                // the path as given to OpenDatabase
  std::vector<dao_complex_column> complex_columns;  // from MSysComplexColumns (ACE only)
  // The saved queries' texts and the Jet SQL engine, made on first use: most conversions never
  // run a query. Declared after the file, so they go before it.
  std::unique_ptr<jet_reader_catalog> sql_catalog;
  std::unique_ptr<jet_sql_engine> sql_engine;
  dao_context();
  ~dao_context();
};

// The context's query catalog and engine, made on first use.
jet_reader_catalog& query_catalog(dao_context& ctx);
jet_sql_engine& query_engine(dao_context& ctx);

// Reads MSysComplexColumns into ctx.complex_columns; a file without it has none.
void load_complex_columns(dao_context& ctx);
const dao_complex_column* find_complex_column(const dao_context& ctx, std::int32_t table_id,
                                              const std::wstring& column);
using context_ptr = std::shared_ptr<dao_context>;

// A named property with its value.
struct dao_prop {
  std::wstring name;
  short type = dbText;
  jet::jet_value value;
};

// One field as DAO describes it.
struct dao_column_meta {
  std::wstring name;
  short type = dbText;
  long size = 0;
  long attributes = 0;
  short ordinal = 0;
  bool required = false;
  bool allow_zero_length = false;
  std::wstring default_value;  // the expression text as stored; empty when none
  std::wstring foreign_name;   // relation fields only
  std::vector<dao_prop> properties;
  jet::jet_column column;                       // the stored definition (type, precision, scale)
  const dao_complex_column* complex = nullptr;  // complex columns only; owned by the context
};

// The DAO type, size and attributes of a stored column.
dao_column_meta describe_column(const jet::jet_file& file, const jet::jet_column& column,
                                const std::vector<jet::jet_property>* stored_properties);

// The property blocks of an object's LvProp: the block for `owner` ("" for the object itself).
const jet::jet_property_block* find_block(const std::vector<jet::jet_property_block>& blocks,
                                          const std::wstring& owner);

// Converts a stored value to the VARIANT that DAO's Field.Value answers (into a cleared `out`).
HRESULT to_variant(const jet::jet_value& value, const jet::jet_column& column, VARIANT* out);

// The DAO type code of a property's stored type.
short dao_type_of(int jet_type);

}  // namespace dao_impl
