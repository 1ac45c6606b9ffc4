// System-table rows and index-entry details of a relationship, as Access 2000 writes them.
#include "platform/jet/write/jet_relationship_rows.h"

#include "platform/jet/write/jet_system_tables.h"

namespace jet {

namespace {

constexpr std::int16_t catalog_type_relationship = 8;
// The rights the Relationships container hands on: to the creator as owner, and to the users.
constexpr std::int32_t ace_owner_rights = 983294;

}  // namespace

std::vector<std::vector<jet_value>> jet_relationship_rows(const jet_relationship_rows_input& r) {
  std::vector<std::vector<jet_value>> rows;
  const auto count = static_cast<std::int32_t>(r.columns.size());
  for (std::int32_t i = 0; i < count; ++i) {
    const auto& [referenced, foreign] = r.columns[static_cast<std::size_t>(i)];
    // szRelationship, grbit, ccolumn, icolumn, szObject, szColumn, szReferencedObject,
    // szReferencedColumn.
    rows.push_back({r.name, r.attributes, count, i, r.foreign_table, foreign, r.table, referenced});
  }
  return rows;
}

std::vector<jet_value> jet_relationship_catalog_row(const std::wstring& name, std::int32_t id, double created) {
  std::vector<jet_value> row(17, jet_null{});
  row[0] = id;
  row[1] = jet_catalog_relationships;
  row[2] = name;
  row[3] = catalog_type_relationship;
  row[4] = jet_date{created};
  row[5] = jet_date{created};
  row[6] = jet_creator_sid();
  row[7] = std::int32_t{0};
  return row;
}

std::vector<std::vector<jet_value>> jet_relationship_ace_rows(std::int32_t id) {
  return {{id, jet_creator_sid(), ace_owner_rights, false},
          {id, jet_users_sid(), static_cast<std::int32_t>(jet_ace_full_access), false}};
}

std::int32_t jet_relationship_id(std::size_t n) {
  return static_cast<std::int32_t>(0x80000000u + static_cast<std::uint32_t>(n));
}

std::wstring jet_referenced_side_name(int logical_number) {
  return std::wstring(L".r") + static_cast<wchar_t>(L'A' + logical_number);
}

std::uint8_t jet_relationship_cascade_updates(std::int32_t attributes) {
  return (attributes & jet_relation_update_cascade) != 0 ? 1 : 0;
}
std::uint8_t jet_relationship_cascade_deletes(std::int32_t attributes) {
  return (attributes & jet_relation_delete_cascade) != 0 ? 1 : 0;
}

}  // namespace jet
