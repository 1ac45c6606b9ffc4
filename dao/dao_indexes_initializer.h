// The indexes of a new Access table from a table description: names Access accepts, columns
// renamed as the column names were, then one DAO Index per index with its fields and flags.
// Indexes Access cannot hold (more than 10 columns, a column that cannot be indexed, more than
// 32 a table) are left out, and each is reported with its table's and its own name.
#pragma once

#include <functional>
#include <string>

#include "TK/tk_exception.h"

#include "UDB/udb_index.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_validator.h"
#include "dao/dao_validator.h"
#include "platform/jet/dao.h"

class dao_schema_initializer;

class dao_indexes_initializer {
 public:
  // Where an index left out is reported ("Table 'x', index 'y'" and why); the database hands
  // it to the run's error handler. Unset, the index is only logged.
  using reporter = std::function<void(const std::string& context, const tk_exception& error)>;

  // Chooses names and columns at once; table_def, columns and column_map are borrowed and
  // must outlive initialize.
  dao_indexes_initializer(_DAOTableDef* table_def, const dao_schema_initializer& columns, const udb_indexes& source,
                          const udb_names_map::name_map* column_map, reporter report = {});

  // Creates and appends one Index per destination index. DAO failures raise dao_exception.
  void initialize();

  const udb_indexes& indexes() const { return indexes_; }

 private:
  std::wstring mapped_name(const std::wstring& column) const;
  void report_left_out(const std::wstring& index, const std::string& why) const;

  _DAOTableDef* table_def_;
  udb_indexes indexes_;
  dao_in_validator validator_;
  const dao_schema_initializer* columns_;
  const udb_names_map::name_map* column_map_;
  t_names_map renamed_;  // column_map_, looked up without regard to case
  std::wstring table_;
  reporter report_;
};
