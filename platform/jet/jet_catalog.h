// The catalog of an Access file, read from its MSysObjects table: tables (local, linked,
// ODBC-linked, system), saved queries and their flags, connect strings and property blobs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_types.h"

namespace jet {

// Object types as MSysObjects stores them.
enum jet_object_type : int {
  jet_obj_table = 1,
  jet_obj_odbc_table = 4,
  jet_obj_query = 5,
  jet_obj_linked_table = 6,
};

// MSysObjects flag bits that matter to a reader.
constexpr std::uint32_t jet_flag_system = 0x80000000u;
constexpr std::uint32_t jet_flag_system_alt = 0x00000002u;
constexpr std::uint32_t jet_flag_hidden = 0x00000008u;

struct jet_object {
  std::int32_t id = 0;
  std::int32_t parent_id = 0;
  std::wstring name;
  int type = 0;  // jet_object_type
  std::uint32_t flags = 0;
  jet_bytes properties;       // LvProp
  std::wstring connect;       // linked tables: the connect string
  std::wstring database;      // linked tables: the file linked into
  std::wstring foreign_name;  // linked tables: the table's name in that file

  // The table's definition page (local tables only).
  std::uint32_t page() const { return static_cast<std::uint32_t>(id) & 0x00FFFFFFu; }
  bool is_system() const { return (flags & (jet_flag_system | jet_flag_system_alt)) != 0; }
};

struct jet_catalog {
  // Tables of every kind and saved queries, each in name order without regard to case.
  std::vector<jet_object> tables;
  std::vector<jet_object> queries;

  // Null when there is no such name (compared without regard to case).
  const jet_object* find_table(const std::wstring& name) const;
  const jet_object* find_query(const std::wstring& name) const;
};

// The definition page of MSysObjects, the same in every format.
constexpr std::uint32_t jet_catalog_page = 2;

// False when MSysObjects cannot be read whole (a damaged or non-Access file); `damage`, when
// given, then says what could not be read.
bool jet_read_catalog(const jet_file& file, jet_catalog& out, std::wstring* damage = nullptr);

// Name comparison without regard to case (simple case folding), then by code point: -1, 0, 1.
int jet_compare_names(const std::wstring& a, const std::wstring& b);

// The column of `columns` named `name` (without regard to case), or -1.
int jet_find_column(const std::vector<jet_column>& columns, const std::wstring& name);

}  // namespace jet
