// Column descriptors (t_ftd) and the ordered list of them that describes one table or query
// (udb_schema). The schema refers to descriptors that their creator keeps alive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"

class udb_field;

// The markers t_ftd::dw_reserved carries: a type hint whose meaning depends on the column's
// vartype. The source sets them from what Access knows beyond the type (a date's Format, a
// default of Now()), the server's own columns from their MySQL type; the targets read them.
enum ftd_marker : std::uint32_t {
  ftd_marker_none = 0,
  ftd_marker_datetime = 1,        // on a date: date and time; on text: a GUID held as text
  ftd_marker_date = 2,            // on a date: date only
  ftd_marker_time = 3,            // on a date: time only
  ftd_marker_date_kind_mask = 3,  // the bits of a date's kind (datetime, date, time)
  ftd_marker_text_geometry = 2,   // on text: a geometry, written as well-known text
  ftd_marker_signed = 1,          // on a 64-bit integer the server read: signed
  ftd_marker_unsigned = 2,        // on a 64-bit integer the server read: unsigned
  ftd_marker_geometry = 8,        // on text: a geometry, written as well-known text
  ftd_marker_now = 9,             // on a date: defaults to the current date and time
  ftd_marker_today = 10,          // on a date: defaults to the current date
  ftd_marker_clock = 11,          // on a date: defaults to the current time
  ftd_marker_fixed_width = 16,    // on text: fixed width (CHAR)
  ftd_marker_attachment = 101,    // an attachment column (its files, not a value)
};

// Describes one column as the side it was read from or is written to sees it.
class t_ftd {
 public:
  // From a field of a row: its size, name, type and flags; precision and scale 0.
  t_ftd(const udb_field& field, const ole_variant& default_value, std::uint32_t dw_reserved);
  t_ftd(std::uint32_t size, const std::wstring& name, VARTYPE vartype, bool not_null, bool auto_increment,
        const ole_variant& default_value, std::uint32_t dw_reserved, const std::wstring& native_type);
  t_ftd(const t_ftd&) = default;
  t_ftd& operator=(const t_ftd&) = default;

  std::uint32_t size = 0;  // characters for text, bytes for binary
  std::uint32_t precision = 0;
  std::uint32_t scale = 0;
  std::wstring name;
  VARTYPE vartype = VT_EMPTY;
  // The column type as text of its side (e.g. a MySQL type with its length); empty means the
  // target derives the type.
  std::wstring native_type;
  bool auto_increment = false;
  bool not_null = false;
  ole_variant default_value;  // empty when the column has no default
  // Type hint read by the targets, its meaning by vartype: an ftd_marker.
  std::uint32_t dw_reserved = ftd_marker_none;
  std::wstring description;
};

// The columns of one table in order. It does not own its descriptors: whoever made them keeps
// them alive while a schema refers to them. Names are looked up ignoring case, whatever
// case_sensitive says (that flag is for the owner's table names).
class udb_schema {
 public:
  explicit udb_schema(bool case_sensitive);
  udb_schema(const udb_schema&) = default;
  udb_schema& operator=(const udb_schema&) = default;
  virtual ~udb_schema();

  bool find_field(const std::wstring& name) const;
  // The first descriptor of that name, or null. Two names because different callers use them.
  t_ftd* get_field1(const std::wstring& name) const;
  t_ftd* get_field2(const std::wstring& name) const;
  // The descriptor of exactly that name; else the one whose name equals it ignoring case; null
  // when there is none or several differ from it only in case.
  t_ftd* get_field_exact(const std::wstring& name) const;
  // The column's size, or -1 when the schema has no such column.
  std::int32_t get_field_size(const std::wstring& name) const;
  // The column's VARTYPE, or VT_NULL when the schema has no such column.
  VARTYPE get_field_type(const std::wstring& name) const;

  std::vector<t_ftd*> fields;
  bool case_sensitive;
  // Two words that travel with the schema when the table mutator copies it; 1 when made.
  std::int32_t last_auto_number = 1;
  std::int32_t second_word = 1;

 private:
  t_ftd* lookup(const std::wstring& name) const;
};
