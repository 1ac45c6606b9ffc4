// The property blob of a new table (MSysObjects.LvProp): the column properties the DAO layer
// sets — Required, AllowZeroLength and DefaultValue — in the form Access stores them.
#pragma once

#include <vector>

#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_writer.h"

namespace jet {

// One block per column, in column order: Required always, AllowZeroLength on Text and Memo
// columns, DefaultValue when the column has one (as Access's own table designer writes them).
// Empty when there are no columns: a table without properties has no blob. A default too long
// for the format (over 32,763 characters) is refused with 3001 "Invalid argument.".
jet_bytes jet_build_property_blob(const std::vector<jet_new_column>& columns);

}  // namespace jet
