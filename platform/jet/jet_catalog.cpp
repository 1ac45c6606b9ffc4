// Reading MSysObjects into the catalog, and the case-insensitive name comparison it sorts by.
#include "platform/jet/jet_catalog.h"

#include <algorithm>

#include "platform/jet/jet_cursor.h"

namespace jet {

wchar_t jet_fold_case(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<wchar_t>(c + 32);
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x178) {
    // Latin Extended-A pairs: even upper, odd lower, except the ranges shifted by one.
    bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (shifted) return (c % 2 == 1) ? static_cast<wchar_t>(c + 1) : c;
    return (c % 2 == 0) ? static_cast<wchar_t>(c + 1) : c;
  }
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<wchar_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
  return c;
}

int jet_compare_names(const std::wstring& a, const std::wstring& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    wchar_t x = jet_fold_case(a[i]), y = jet_fold_case(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
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

bool jet_read_catalog(const jet_file& file, jet_catalog& out) {
  jet_cursor cur(file, jet_catalog_page);
  if (!cur.valid()) return false;
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
  auto by_name = [](const jet_object& a, const jet_object& b) { return jet_compare_names(a.name, b.name) < 0; };
  std::stable_sort(out.tables.begin(), out.tables.end(), by_name);
  std::stable_sort(out.queries.begin(), out.queries.end(), by_name);
  return true;
}

}  // namespace jet
