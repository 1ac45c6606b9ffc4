// The system tables every Jet 4 file holds (MSysObjects, MSysACEs, MSysQueries,
// MSysRelationships) and the catalog rows of a blank database, as constant descriptions: the
// writer builds a new file from these, never from a template file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_table_shape.h"

namespace jet {

struct jet_system_table {
  std::wstring name;
  std::uint32_t page = 0;  // definition page: 2 to 5
  jet_table_shape shape;   // columns, indexes with their root pages and map rows
};

// Page 6 holds every usage-map row of the system tables; pages 7 to 13 their index roots.
constexpr std::uint32_t jet_system_map_page = 6;
constexpr std::uint32_t jet_system_first_index_page = 7;
constexpr std::uint32_t jet_system_index_pages = 7;
constexpr std::uint32_t jet_system_first_free_page = 14;

// The four system tables with their map rows on page jet_system_map_page, in page order.
std::vector<jet_system_table> jet_system_tables();

// Catalog constants.
constexpr std::int32_t jet_catalog_root = 0x0F000000;
constexpr std::int32_t jet_catalog_tables = 0x0F000001;
constexpr std::int32_t jet_catalog_databases = 0x0F000002;
constexpr std::int32_t jet_catalog_relationships = 0x0F000003;
constexpr std::int32_t jet_catalog_msysdb = 0x10000000;
constexpr std::int32_t jet_catalog_system_flags = static_cast<std::int32_t>(0x80000000u);
constexpr std::int16_t jet_catalog_type_table = 1;
constexpr std::uint32_t jet_ace_full_access = 1048575;

// MSysObjects rows of a blank database (values by column number), dated `created`.
std::vector<std::vector<jet_value>> jet_blank_catalog_rows(double created);
// MSysACEs rows of a blank database.
std::vector<std::vector<jet_value>> jet_blank_ace_rows();

// The MSysObjects row of a user table whose definition starts at `page`.
std::vector<jet_value> jet_table_catalog_row(const std::wstring& name, std::uint32_t page, double created,
                                             const jet_bytes& properties);
// The accounts of a new database: the creator (the owner of every object) and the users' group.
const jet_bytes& jet_creator_sid();
const jet_bytes& jet_users_sid();

// Its MSysACEs rows: one per account the Tables container names.
std::vector<std::vector<jet_value>> jet_table_ace_rows(std::uint32_t page);

}  // namespace jet
