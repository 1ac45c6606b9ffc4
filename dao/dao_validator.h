// Column and index names for new Access tables: whether a name can be used as it stands, and a
// safe, unique replacement when it cannot. Access sets no length limit of its own here.
#pragma once

#include <string>

#include "UDB/udb_index.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"

// The rules Access applies to column and index names alike.
class dao_validator : public udb_validator {
 public:
  dao_validator();

  // Refuses an empty name and one that begins or ends with a blank, then the base's rules.
  bool is_acceptable(const std::wstring& name) override;
  // Drops brackets and outer blanks before the base lower-cases, replaces and numbers the name.
  std::wstring get_safe_name(const std::wstring& name) override;
};

// Column names; every column of the schema counts as taken.
class dao_fn_validator : public dao_validator {
 public:
  explicit dao_fn_validator(const udb_schema& schema);
};

// Index names, where ':' is refused too; every index of the list counts as taken.
class dao_in_validator : public dao_validator {
 public:
  explicit dao_in_validator(const udb_indexes& indexes);
};
