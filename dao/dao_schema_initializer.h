// The columns of a new Access table from a table description: names Access accepts (with the
// map of the ones that changed), then one DAO Field per column with its type, flags and default.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_names_map.h"
#include "UDB/udb_schema.h"
#include "dao/dao_validator.h"
#include "platform/jet/dao.h"

class dao_schema_initializer : public udb_schema {
 public:
  // Chooses the destination names at once; table_def is borrowed for initialize.
  dao_schema_initializer(_DAOTableDef* table_def, const udb_schema& source);

  // Creates and appends one Field per destination column. DAO failures raise dao_exception.
  void initialize();

  // A default text as an Access expression: the text in double quotes, inner double quotes
  // doubled (or in apostrophes when it holds double quotes and no apostrophe).
  static std::wstring quote_def_value(const std::wstring& text);

  // Source column name -> destination name, for the columns whose names changed.
  const udb_names_map::name_map& column_map() const { return column_map_; }

 private:
  void set_default(_DAOField* field, const t_ftd& column);
  void set_decimal_shape(_DAOField* field, const t_ftd& column);

  _DAOTableDef* table_def_;
  dao_fn_validator validator_;
  udb_names_map::name_map column_map_;
  std::vector<std::unique_ptr<t_ftd>> columns_;
};
