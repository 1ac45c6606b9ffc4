// Column lists, indexes and catalog rows of the system tables, as Access 2000 creates them.
#include "platform/jet/write/jet_system_tables.h"

#include <algorithm>

namespace jet {

namespace {

struct column_spec {
  const wchar_t* name;
  int type;
  int number;
  int length;
  std::uint8_t flags;
};

// Flags Access gives the system tables' columns: fixed 0x13, variable 0x12, owner SIDs 0x32.
constexpr std::uint8_t sys_fixed = 0x13;
constexpr std::uint8_t sys_var = 0x12;
constexpr std::uint8_t sys_sid = 0x32;
constexpr int sys_text = 510;

// Accounts of a new database (two-byte SIDs: the engine's own, the administrators' and the
// users' groups, the creator), as an engine-made blank file holds them.
const jet_bytes sid_engine = {0x65, 0x89};
const jet_bytes sid_creator = {0x64, 0x8B};
const jet_bytes sid_admins = {0x65, 0x8E};
const jet_bytes sid_users = {0x65, 0x8B};

// Columns in the order the definition stores them (by name).
const column_spec msysobjects[] = {
    {L"Connect", jet_memo, 9, 0, sys_var},
    {L"Database", jet_memo, 8, 0, sys_var},
    {L"DateCreate", jet_datetime, 4, 8, sys_fixed},
    {L"DateUpdate", jet_datetime, 5, 8, sys_fixed},
    {L"Flags", jet_long, 7, 4, sys_fixed},
    {L"ForeignName", jet_text, 10, sys_text, sys_var},
    {L"Id", jet_long, 0, 4, sys_fixed},
    {L"Lv", jet_ole, 13, 0, sys_var},
    {L"LvExtra", jet_ole, 16, 0, sys_var},
    {L"LvModule", jet_ole, 15, 0, sys_var},
    {L"LvProp", jet_ole, 14, 0, sys_var},
    {L"Name", jet_text, 2, sys_text, sys_var},
    {L"Owner", jet_binary, 6, sys_text, sys_sid},
    {L"ParentId", jet_long, 1, 4, sys_fixed},
    {L"RmtInfoLong", jet_ole, 12, 0, sys_var},
    {L"RmtInfoShort", jet_binary, 11, sys_text, sys_var},
    {L"Type", jet_int, 3, 2, sys_fixed},
};
const column_spec msysaces[] = {
    {L"ACM", jet_long, 2, 4, sys_fixed},
    {L"FInheritable", jet_bool, 3, 1, sys_fixed},
    {L"ObjectId", jet_long, 0, 4, sys_fixed},
    {L"SID", jet_binary, 1, sys_text, sys_sid},
};
const column_spec msysqueries[] = {
    {L"Attribute", jet_byte, 1, 1, sys_fixed},  {L"Expression", jet_memo, 5, 0, sys_var},
    {L"Flag", jet_int, 6, 2, sys_fixed},        {L"LvExtra", jet_long, 7, 4, sys_fixed},
    {L"Name1", jet_text, 3, sys_text, sys_var}, {L"Name2", jet_text, 4, sys_text, sys_var},
    {L"ObjectId", jet_long, 0, 4, sys_fixed},   {L"Order", jet_binary, 2, sys_text, sys_var},
};
const column_spec msysrelationships[] = {
    {L"ccolumn", jet_long, 2, 4, sys_fixed},
    {L"grbit", jet_long, 1, 4, sys_fixed},
    {L"icolumn", jet_long, 3, 4, sys_fixed},
    {L"szColumn", jet_text, 5, sys_text, sys_var},
    {L"szObject", jet_text, 4, sys_text, sys_var},
    {L"szReferencedColumn", jet_text, 7, sys_text, sys_var},
    {L"szReferencedObject", jet_text, 6, sys_text, sys_var},
    {L"szRelationship", jet_text, 0, sys_text, sys_var},
};

struct index_spec {
  std::vector<int> columns;
  std::uint8_t flags;
};
struct logical_spec {
  const wchar_t* name;
  int number;
  int real;
  std::uint8_t type;
};

// Hands out the rows of the shared map page in the order Access uses: per table its owned and
// free maps, its long-value columns' pairs (by column number), then one row per real index.
class map_rows {
 public:
  jet_row_pointer next() { return {jet_system_map_page, static_cast<std::uint8_t>(row_++)}; }
  std::uint32_t next_index_page() { return page_++; }

 private:
  int row_ = 0;
  std::uint32_t page_ = jet_system_first_index_page;
};

template <std::size_t N>
jet_system_table make(const wchar_t* name, std::uint32_t page, const column_spec (&cols)[N],
                      const std::vector<index_spec>& reals, const std::vector<logical_spec>& logicals, map_rows& rows) {
  jet_system_table t;
  t.name = name;
  t.page = page;
  t.shape.system = true;
  for (const auto& c : cols) {
    jet_column_shape s;
    s.name = c.name;
    s.type = c.type;
    s.number = c.number;
    s.length = c.length;
    s.flags = c.flags;
    s.fixed = (c.flags & 0x01) != 0;
    t.shape.columns.push_back(s);
  }
  t.shape.next_column_number = static_cast<int>(N);
  jet_lay_out_columns(t.shape.columns);
  t.shape.owned_map = rows.next();
  t.shape.free_map = rows.next();
  // Long-value maps are handed out by column number, listed in stored order.
  std::vector<std::pair<int, std::size_t>> lv;
  for (std::size_t i = 0; i < t.shape.columns.size(); ++i)
    if (t.shape.columns[i].type == jet_memo || t.shape.columns[i].type == jet_ole)
      lv.push_back({t.shape.columns[i].number, i});
  std::sort(lv.begin(), lv.end());
  std::vector<jet_long_value_maps> by_number;
  for (const auto& [number, i] : lv) {
    jet_long_value_maps m;
    m.number = number;
    m.owned = rows.next();
    m.free = rows.next();
    by_number.push_back(m);
  }
  for (const auto& c : t.shape.columns)
    for (const auto& m : by_number)
      if (m.number == c.number) t.shape.long_value_maps.push_back(m);
  for (const auto& r : reals) {
    jet_real_index_shape s;
    for (int c : r.columns) s.columns.push_back({c, false});
    s.flags = r.flags;
    s.map = rows.next();
    s.root_page = rows.next_index_page();
    t.shape.real_indexes.push_back(s);
  }
  for (const auto& l : logicals) {
    jet_logical_index_shape s;
    s.name = l.name;
    s.number = l.number;
    s.real = l.real;
    s.type = l.type;
    t.shape.logical_indexes.push_back(s);
  }
  return t;
}

std::vector<jet_value> catalog_row(std::int32_t id, std::int32_t parent, const std::wstring& name, std::int16_t type,
                                   double created, const jet_bytes& owner, std::int32_t flags,
                                   const jet_bytes& properties) {
  std::vector<jet_value> row(17, jet_null{});
  row[0] = id;
  row[1] = parent;
  row[2] = name;
  row[3] = type;
  row[4] = jet_date{created};
  row[5] = jet_date{created};
  row[6] = owner;
  row[7] = flags;
  if (!properties.empty()) row[14] = properties;
  return row;
}

std::vector<jet_value> ace_row(std::int32_t object, const jet_bytes& sid, std::int32_t acm, bool inheritable) {
  return {object, sid, acm, inheritable};
}

}  // namespace

std::vector<jet_system_table> jet_system_tables() {
  map_rows rows;
  std::vector<jet_system_table> out;
  out.push_back(make(L"MSysObjects", 2, msysobjects, {{{1, 2}, 0x81}, {{0}, 0x81}},
                     {{L"Id", 1, 1, jet_logical_primary}, {L"ParentIdName", 0, 0, jet_logical_plain}}, rows));
  out.push_back(make(L"MSysACEs", 3, msysaces, {{{0}, 0x88}}, {{L"ObjectId", 0, 0, jet_logical_plain}}, rows));
  out.push_back(make(L"MSysQueries", 4, msysqueries, {{{0, 1, 2}, 0x81}},
                     {{L"ObjectIdAttribute", 0, 0, jet_logical_primary}}, rows));
  out.push_back(make(L"MSysRelationships", 5, msysrelationships, {{{0}, 0x82}, {{4}, 0x82}, {{6}, 0x82}},
                     {{L"szObject", 1, 1, jet_logical_plain},
                      {L"szReferencedObject", 2, 2, jet_logical_plain},
                      {L"szRelationship", 0, 0, jet_logical_plain}},
                     rows));
  return out;
}

std::vector<std::vector<jet_value>> jet_blank_catalog_rows(double created) {
  const jet_bytes none;
  const std::int32_t sys = jet_catalog_system_flags;
  return {
      catalog_row(jet_catalog_tables, jet_catalog_root, L"Tables", 3, created, sid_engine, sys, none),
      catalog_row(jet_catalog_databases, jet_catalog_root, L"Databases", 3, created, sid_engine, sys, none),
      catalog_row(jet_catalog_relationships, jet_catalog_root, L"Relationships", 3, created, sid_engine, sys, none),
      catalog_row(jet_catalog_msysdb, jet_catalog_databases, L"MSysDb", 2, created, sid_creator, sys, none),
      catalog_row(2, jet_catalog_tables, L"MSysObjects", 1, created, sid_engine, sys, none),
      catalog_row(3, jet_catalog_tables, L"MSysACEs", 1, created, sid_engine, sys, none),
      catalog_row(4, jet_catalog_tables, L"MSysQueries", 1, created, sid_engine, sys, none),
      catalog_row(5, jet_catalog_tables, L"MSysRelationships", 1, created, sid_engine, sys, none),
  };
}

std::vector<std::vector<jet_value>> jet_blank_ace_rows() {
  return {
      ace_row(2, sid_creator, 393216, false),
      ace_row(3, sid_creator, 393216, false),
      ace_row(4, sid_creator, 393216, false),
      ace_row(5, sid_creator, 917504, false),
      ace_row(jet_catalog_tables, sid_admins, 983294, true),
      ace_row(jet_catalog_tables, sid_creator, 393217, false),
      ace_row(jet_catalog_relationships, sid_admins, 983294, true),
      ace_row(jet_catalog_relationships, sid_creator, 393217, false),
      ace_row(jet_catalog_databases, sid_creator, 393216, false),
      ace_row(jet_catalog_msysdb, sid_creator, 393230, false),
      ace_row(jet_catalog_msysdb, sid_users, 14, false),
      ace_row(4, sid_users, 20, false),
      ace_row(5, sid_users, 20, false),
      ace_row(2, sid_users, 20, false),
      ace_row(jet_catalog_tables, sid_users, 1048319, true),
      ace_row(jet_catalog_relationships, sid_users, 1048575, true),
  };
}

const jet_bytes& jet_creator_sid() { return sid_creator; }
const jet_bytes& jet_users_sid() { return sid_users; }

std::vector<jet_value> jet_table_catalog_row(const std::wstring& name, std::uint32_t page, double created,
                                             const jet_bytes& properties) {
  return catalog_row(static_cast<std::int32_t>(page), jet_catalog_tables, name, jet_catalog_type_table, created,
                     sid_creator, 0, properties);
}

std::vector<std::vector<jet_value>> jet_table_ace_rows(std::uint32_t page) {
  const auto id = static_cast<std::int32_t>(page);
  const auto acm = static_cast<std::int32_t>(jet_ace_full_access);
  return {ace_row(id, sid_admins, acm, false), ace_row(id, sid_creator, acm, false),
          ace_row(id, sid_users, acm, false)};
}

}  // namespace jet
