// Column descriptors and schemas.
#include "UDB/udb_schema.h"

#include "TK/tk_logger.h"
#include "UDB/udb_field.h"
#include "UDB/udb_name_compare.h"

namespace {
void log_descriptor(const t_ftd& d) {
  tk_log2(tk_log_trace, L"\tfield name='%ls', vartype=%d, size=%d, b_not_null=%d, reserved=%d", d.name.c_str(),
          static_cast<int>(d.vartype), static_cast<int>(d.size), d.not_null ? 1 : 0, static_cast<int>(d.dw_reserved));
}
}  // namespace

t_ftd::t_ftd(const udb_field& field, const ole_variant& default_value_, std::uint32_t dw_reserved_)
    : size(field.get_size()),
      name(field.name),
      vartype(field.get_type()),
      auto_increment(field.auto_increment),
      not_null(field.not_null),
      default_value(default_value_),
      dw_reserved(dw_reserved_) {
  tk_log1(tk_log_trace, "t_ftd::ctor1");
  log_descriptor(*this);
}

t_ftd::t_ftd(std::uint32_t size_, const std::wstring& name_, VARTYPE vartype_, bool not_null_, bool auto_increment_,
             const ole_variant& default_value_, std::uint32_t dw_reserved_, const std::wstring& native_type_)
    : size(size_),
      name(name_),
      vartype(vartype_),
      native_type(native_type_),
      auto_increment(auto_increment_),
      not_null(not_null_),
      default_value(default_value_),
      dw_reserved(dw_reserved_) {
  tk_log1(tk_log_trace, "t_ftd::ctor2");
  log_descriptor(*this);
}

udb_schema::udb_schema(bool case_sensitive_) : case_sensitive(case_sensitive_) {
  tk_log1(tk_log_trace, "udb_schema::ctor");
}

udb_schema::~udb_schema() {
  tk_log1(tk_log_trace, "udb_schema::dtor");
  tk_log1(tk_log_trace, "udb_schema::dtor - at the end");
}

t_ftd* udb_schema::lookup(const std::wstring& name) const {
  for (t_ftd* d : fields)
    if (d != nullptr && udb_same_name(d->name, name)) return d;
  return nullptr;
}

bool udb_schema::find_field(const std::wstring& name) const {
  tk_log2(tk_log_trace, L"udb_schema::find_field(%ls)", name.c_str());
  tk_log1(tk_log_trace, "Schema size=%d", static_cast<int>(fields.size()));
  const bool found = lookup(name) != nullptr;
  tk_log1(tk_log_trace, found ? "Field found!!!" : "Field NOT found!!!");
  return found;
}

t_ftd* udb_schema::get_field1(const std::wstring& name) const {
  tk_log2(tk_log_trace, L"udb_schema::get_field1(%ls)", name.c_str());
  t_ftd* d = lookup(name);
  if (d == nullptr) tk_log2(tk_log_detail, L"Field '%ls' not found", name.c_str());
  return d;
}

t_ftd* udb_schema::get_field_exact(const std::wstring& name) const {
  t_ftd* twin = nullptr;
  int twins = 0;
  for (t_ftd* d : fields) {
    if (d == nullptr) continue;
    if (d->name == name) return d;
    if (udb_same_name(d->name, name)) {
      twin = d;
      ++twins;
    }
  }
  return twins == 1 ? twin : nullptr;
}

t_ftd* udb_schema::get_field2(const std::wstring& name) const {
  tk_log2(tk_log_trace, L"udb_schema::get_field2(%ls)", name.c_str());
  t_ftd* d = lookup(name);
  if (d == nullptr) tk_log2(tk_log_detail, L"Field '%ls' not found", name.c_str());
  return d;
}

std::int32_t udb_schema::get_field_size(const std::wstring& name) const {
  if (const t_ftd* d = lookup(name)) return static_cast<std::int32_t>(d->size);
  tk_log2(tk_log_event, L"Field '%ls' not found", name.c_str());
  return -1;
}

VARTYPE udb_schema::get_field_type(const std::wstring& name) const {
  if (const t_ftd* d = lookup(name)) return d->vartype;
  tk_log2(tk_log_detail, L"Field '%ls' not found", name.c_str());
  return VT_NULL;
}
