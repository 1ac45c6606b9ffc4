// The user's changes to one column (name, type, length, default, character set, or drop it),
// applied to the column's descriptor before the table is created and to each of its values.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_exceptions.h"
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_field.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_schema.h"

// What a field mutator does with its column.
enum udb_mutator_action : std::uint32_t {
  udb_keep_native_type = 0,  // keep the column; only the descriptor's native type text changes
  udb_apply_all = 1,         // apply every change to descriptors and records
  udb_drop_column = 2,       // leave the column out of schemas and records
};

// FIELD is the target's field class (copies of mutated values are made as FIELD), NATIVE the
// target's type mapping. The target supplies, for ADL:
//   std::wstring native_type_text(const NATIVE&)      the column type text of a mapping
//   VARTYPE native_vartype(const NATIVE&)             the kind of values a mapping holds
template <class FIELD, class NATIVE>
class udb_field_mutator : public udb_properties {
 public:
  using field_type = FIELD;
  using native_type = NATIVE;

  udb_field_mutator(const std::wstring& new_name, const NATIVE& native, std::uint32_t /*unused*/, std::uint32_t action)
      : new_name(new_name), native(native), action(action) {
    tk_log2(tk_log_trace, L"udb_field_mutator::ctor1(%ls)", new_name.c_str());
  }

  // The mapping as text properties: new_name, type, default_value, character_set, length,
  // scale, precision.
  property_map& get_properties() override {
    property_map& map = udb_properties::get_properties();
    map.clear();
    map[L"new_name"] = new_name;
    map[L"type"] = native.type;
    map[L"default_value"] = native.default_value;
    map[L"character_set"] = native.character_set;
    map[L"length"] = std::to_wstring(native.length);
    map[L"scale"] = std::to_wstring(native.scale);
    map[L"precision"] = std::to_wstring(native.precision);
    return map;
  }

  // A column has no children.
  udb_properties* get_by_source_name(const std::wstring&) override { return nullptr; }
  udb_properties* get_by_target_name(const std::wstring&) override { return nullptr; }

  // A new copy of d (the caller owns it) that carries the mapping's column type text.
  virtual t_ftd* make_modified_descriptor(const t_ftd* d) {
    if (d == nullptr) return nullptr;
    t_ftd* copy = new t_ftd(*d);
    copy->native_type = native_type_text(native);
    return copy;
  }

  void modify1(t_ftd& d) const {
    tk_log1(tk_log_detail, "udb_field_mutator::modify1");
    if (!new_name.empty()) d.name = new_name;
    if (vartype != VT_NULL) d.vartype = vartype;
    d.native_type = native_type_text(native);
    tk_log2(tk_log_trace, L"\tf.native_type=%ls", d.native_type.c_str());
    d.size = static_cast<std::uint32_t>(native.length);
    tk_log1(tk_log_trace, "\tf.size=%u", d.size);
    tk_log1(tk_log_trace, "\told dw_reserved=%u, new dw_reserved=%u", d.dw_reserved, dw_reserved);
    d.dw_reserved = dw_reserved;
    d.default_value = native.default_value;
    if (native.precision != 0 || native.scale != 0) {
      tk_log1(tk_log_trace, "Setting new prec/scale: (%d,%d)", native.precision, native.scale);
      d.precision = static_cast<std::uint32_t>(native.precision);
      d.scale = static_cast<std::uint32_t>(native.scale);
    }
  }

  void modify2(udb_field& f) const {
    tk_log1(tk_log_detail, "udb_field_mutator::modify2");
    // An empty new name keeps the column's name, as in the schema; otherwise no row would match
    // its table any more.
    if (!new_name.empty()) f.name = new_name;
    if (must_convert(f.get_type())) {
      try {
        f.change_type(vartype);
      } catch (const ole_cast_exception&) {
        throw tk_exception(std::string("Data conversion is not supported for given type mapping"), 0);
      }
    }
    f.size = static_cast<std::uint32_t>(native.length);
  }

  // Destination column name; empty keeps the source name.
  std::wstring new_name;
  // Kind of the column's values; VT_NULL leaves the kind alone.
  VARTYPE vartype = VT_NULL;
  // Copied into the descriptor's type hint.
  std::uint32_t dw_reserved = 0;
  NATIVE native;
  std::uint32_t action;

 private:
  // Values are converted to the column's kind, except where that would lose them: a NULL stays
  // NULL, and bytes never become text (a text stops at the first zero byte).
  bool must_convert(VARTYPE held) const {
    if (vartype == VT_NULL || held == VT_EMPTY || held == VT_NULL) return false;
    const bool held_binary = held == (VT_ARRAY | VT_UI1) || held == VT_BLOB || held == VT_BLOB_OBJECT;
    if (held_binary && vartype == VT_BSTR) return false;
    return true;
  }
};
