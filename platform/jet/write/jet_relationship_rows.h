// What a relationship leaves in the system tables: its MSysRelationships rows (one per column
// pair), its MSysObjects row under the Relationships container and its MSysACEs rows, and the
// names and cascade bytes of the two foreign-key index entries an enforced relationship adds to
// the table definitions. Values are by column number, as the row builder takes them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/jet_types.h"

namespace jet {

// DAO relation attribute bits as MSysRelationships keeps them (grbit).
constexpr std::int32_t jet_relation_dont_enforce = 0x2;
constexpr std::int32_t jet_relation_update_cascade = 0x100;
constexpr std::int32_t jet_relation_delete_cascade = 0x1000;

struct jet_relationship_rows_input {
  std::wstring name;
  std::wstring table;          // the referenced table
  std::wstring foreign_table;  // the table holding the foreign key
  // (referenced column, foreign column), in key order.
  std::vector<std::pair<std::wstring, std::wstring>> columns;
  std::int32_t attributes = 0;
};

std::vector<std::vector<jet_value>> jet_relationship_rows(const jet_relationship_rows_input& r);

// The MSysObjects row of a relationship: Type 8 under the Relationships container.
std::vector<jet_value> jet_relationship_catalog_row(const std::wstring& name, std::int32_t id, double created);
// Its MSysACEs rows: the creator with the rights the container hands on to an owner, the users
// with full rights, as Access-made files hold them.
std::vector<std::vector<jet_value>> jet_relationship_ace_rows(std::int32_t id);

// The catalog id of the n-th relationship (from 0): synthetic ids count up from 0x80000000.
std::int32_t jet_relationship_id(std::size_t n);

// The name Access gives the referenced table's side of a relationship: ".r" and a letter
// counted from 'A' by the index entry's number.
std::wstring jet_referenced_side_name(int logical_number);

// The cascade bytes of both index entries: updates, deletes.
std::uint8_t jet_relationship_cascade_updates(std::int32_t attributes);
std::uint8_t jet_relationship_cascade_deletes(std::int32_t attributes);

}  // namespace jet
