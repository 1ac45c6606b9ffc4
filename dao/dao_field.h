// dao_field: one value of an Access row read through a DAO Field, with the column's name, size
// and flags; dates moved into the value's date member and time-only values printed without
// Access's day zero. Also the map from DAO column types to the value kinds the system uses.
#pragma once

#include <string>

#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"
#include "dao/ole_com_ptr.h"
#include "platform/jet/dao.h"

class dao_field : public udb_field {
 public:
  // value_required: a failing Value read raises dao_exception (a row's field). Without it the
  // read may fail and the value stays empty (a column of a table definition has no value).
  // A null Field is an internal error.
  explicit dao_field(_DAOField* field, bool value_required = true);
  // Reads the value again, as on the row the recordset stands on now; the column's name, size
  // and flags stay. A value that cannot be read raises dao_exception.
  void reload();

  // The VARTYPE of a DAO column type (what the schema readers give each column).
  static VARTYPE get_vartype(short dao_type);
  // A multi-value column: a list of values per row, carried as one text.
  static bool is_multi_value(short dao_type);
  // The DAO column type a new Access column of this descriptor gets (dao_write_types.cpp).
  // Raises ole_type_exception for a kind Access cannot hold.
  static int get_native_type(const t_ftd& column);

  // An empty value answers the kind of its DAO column type; otherwise the value's own kind.
  VARTYPE get_type() const override;
  std::string to_string() const override;
  std::wstring to_wstring() const override;

 private:
  // The value of an attachment column: its current file's first field.
  void read_attachment();
  // Replaces the attachment's stored value by the file it wraps; a value not in that form stays
  // as stored, with kept_as_stored saying why.
  void unwrap_attachment();
  // The value of a multi-value column: its values joined by "; " in their stored order, as
  // Access shows them; NULL when the row has none.
  void read_multi_values();

  // The value as the constructor's value_required asks.
  void read_value(bool value_required);

  ole_com_ptr<_DAOField> field_;
  short dao_type_ = 0;
};
