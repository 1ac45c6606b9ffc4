// The rows of Access's relationship catalogue, one per column pair, gathered into foreign keys:
// consecutive rows of one relationship name make one multi-column key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_relationship.h"

struct dao_relationship_row {
  std::wstring name;        // szRelationship
  std::wstring column;      // szColumn: of the referencing table
  std::wstring table;       // szObject: the referencing table
  std::wstring ref_table;   // szReferencedObject
  std::wstring ref_column;  // szReferencedColumn
  std::uint32_t grbit = 0;  // rules of the relationship
};

class dao_relationship_rows {
 public:
  // Rows arrive sorted by relationship name; table, referenced table and rules come from the
  // first row of each relationship, the columns from all of them in row order.
  void add(const dao_relationship_row& row, udb_relationships& out);
  // Completes the last relationship.
  void finish(udb_relationships& out);

 private:
  void complete(udb_relationships& out);

  dao_relationship_row first_;
  std::vector<std::wstring> fields_, ref_fields_;
  bool open_ = false;
};
