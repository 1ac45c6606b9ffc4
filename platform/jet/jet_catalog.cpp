// Reading MSysObjects into the catalog, and the case-insensitive name comparison it sorts by.
#include "platform/jet/jet_catalog.h"

#include <algorithm>

#include "platform/jet/jet_cursor.h"
#include "platform/win/string_compare.h"

namespace jet {

int jet_compare_names(const std::wstring& a, const std::wstring& b) {
  // Access matches names the way the system compares text without regard to case.
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

int jet_find_column(const std::vector<jet_column>& columns, const std::wstring& name) {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (jet_compare_names(columns[i].name, name) == 0) return static_cast<int>(i);
  return -1;
}

namespace {

const jet_object* find_in(const std::vector<jet_object>& list, const std::wstring& name) {
  for (const auto& o : list)
    if (jet_compare_names(o.name, name) == 0) return &o;
  return nullptr;
}

std::wstring text_of(const jet_value& v) {
  if (const auto* s = std::get_if<std::wstring>(&v)) return *s;
  return {};
}

std::int64_t int_of(const jet_value& v) {
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (const auto* i = std::get_if<std::int16_t>(&v)) return *i;
  if (const auto* i = std::get_if<std::uint8_t>(&v)) return *i;
  return 0;
}

}  // namespace

const jet_object* jet_catalog::find_table(const std::wstring& name) const { return find_in(tables, name); }
const jet_object* jet_catalog::find_query(const std::wstring& name) const { return find_in(queries, name); }

bool jet_read_catalog(const jet_file& file, jet_catalog& out, std::wstring* damage) {
  jet_cursor cur(file, jet_catalog_page);
  auto damaged = [&] {
    if (damage) *damage = L"its list of tables cannot be read whole, " + cur.damage();
    return false;
  };
  if (!cur.valid()) return damaged();
  const auto& cols = cur.columns();
  int c_id = jet_find_column(cols, L"Id"), c_parent = jet_find_column(cols, L"ParentId"),
      c_name = jet_find_column(cols, L"Name"), c_type = jet_find_column(cols, L"Type"),
      c_flags = jet_find_column(cols, L"Flags"), c_prop = jet_find_column(cols, L"LvProp"),
      c_connect = jet_find_column(cols, L"Connect"), c_db = jet_find_column(cols, L"Database"),
      c_foreign = jet_find_column(cols, L"ForeignName");
  if (c_id < 0 || c_name < 0 || c_type < 0) return false;
  out.tables.clear();
  out.queries.clear();
  auto at = [&](int c) { return c < 0 ? jet_value(jet_null{}) : cur.value(static_cast<std::size_t>(c)); };
  while (cur.next()) {
    jet_object o;
    o.id = static_cast<std::int32_t>(int_of(at(c_id)));
    o.parent_id = static_cast<std::int32_t>(int_of(at(c_parent)));
    o.name = text_of(at(c_name));
    // Forms, reports, macros and modules carry 0x8000 in their type; without it, 4 is an
    // ODBC-linked table, but with it a report.
    o.type = static_cast<int>(int_of(at(c_type)));
    o.flags = static_cast<std::uint32_t>(int_of(at(c_flags)));
    if (o.type != jet_obj_table && o.type != jet_obj_odbc_table && o.type != jet_obj_linked_table &&
        o.type != jet_obj_query)
      continue;
    if (c_prop >= 0) o.properties = cur.bytes(static_cast<std::size_t>(c_prop));
    o.connect = text_of(at(c_connect));
    o.database = text_of(at(c_db));
    o.foreign_name = text_of(at(c_foreign));
    (o.type == jet_obj_query ? out.queries : out.tables).push_back(std::move(o));
  }
  // A catalog with rows or property blobs missing would lose tables or their settings unseen.
  if (cur.damaged()) return damaged();
  auto by_name = [](const jet_object& a, const jet_object& b) { return jet_compare_names(a.name, b.name) < 0; };
  std::stable_sort(out.tables.begin(), out.tables.end(), by_name);
  std::stable_sort(out.queries.begin(), out.queries.end(), by_name);
  return true;
}

}  // namespace jet
