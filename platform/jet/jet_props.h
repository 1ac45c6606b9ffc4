// Property blobs (the LvProp column of MSysObjects): the named properties of a table and of
// each of its columns, with their stored types, as Access keeps them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_types.h"

namespace jet {

struct jet_property {
  std::wstring name;
  int type = 0;  // jet_col_type of the value
  jet_value value;
  bool ddl = false;  // set by DDL (cannot be deleted by the user)
};

// The properties of one object: `owner` is empty for the table (or query) itself and the
// column name for a column's block.
struct jet_property_block {
  std::wstring owner;
  std::vector<jet_property> properties;
};

// Parses a property blob; a damaged blob yields the blocks read before the damage.
std::vector<jet_property_block> jet_parse_properties(const jet_file& file, const jet_bytes& blob);

}  // namespace jet
