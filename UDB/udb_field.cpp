// Fields and records.
#include "UDB/udb_field.h"

#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"

udb_field::udb_field() { tk_log1(tk_log_trace, "udb_field::empty ctor"); }

udb_field::udb_field(const std::wstring& name_, std::uint32_t size_, const ole_variant& value, bool not_null_,
                     bool auto_increment_)
    : ole_variant(value), size(size_), name(name_), not_null(not_null_), auto_increment(auto_increment_) {
  tk_log1(tk_log_trace, "udb_field::ctor #2");
  tk_log2(tk_log_trace, L"name=%ls, size=%d", name.c_str(), static_cast<int>(size));
}

udb_field::udb_field(const udb_field& that)
    : ole_variant(that),
      size(that.size),
      name(that.name),
      not_null(that.not_null),
      auto_increment(that.auto_increment),
      kept_as_stored(that.kept_as_stored),
      fraction_dropped(that.fraction_dropped) {
  tk_log1(tk_log_trace, "udb_field::copy ctor");
}

VARTYPE udb_field::get_type() const {
  tk_log1(tk_log_trace, "ole_variant::get_type");
  return get_variant().vt;
}

std::uint32_t udb_field::get_size() const {
  const VARIANT& var = get_variant();
  const VARTYPE vt = var.vt;
  if (vt == (VT_ARRAY | VT_UI1) || vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_SAFEARRAY) {
    SAFEARRAY* array = var.parray;
    if (array != nullptr && SafeArrayGetDim(array) == 1) {
      LONG lower = 0, upper = -1;
      if (SUCCEEDED(SafeArrayGetLBound(array, 1, &lower)) && SUCCEEDED(SafeArrayGetUBound(array, 1, &upper)))
        return upper < lower ? 0 : static_cast<std::uint32_t>(upper - lower + 1);
    }
  }
  if (get_type() == VT_BSTR) return SysStringLen(var.bstrVal);
  return size;
}

udb_record::~udb_record() {
  tk_log1(tk_log_trace, "udb_record::dtor");
  tk_log1(tk_log_trace, "udb_record::reset");
}

void udb_record::append(std::unique_ptr<udb_field> field) { fields.push_back(std::move(field)); }

bool udb_record::find_field(const std::wstring& name) const {
  tk_log2(tk_log_trace, L"udb_record::find_field(%ls)", name.c_str());
  return get_field(name) != nullptr;
}

udb_field* udb_record::get_field_exact(const std::wstring& name) const {
  udb_field* twin = nullptr;
  int twins = 0;
  for (const auto& field : fields) {
    if (!field) continue;
    if (field->name == name) return field.get();
    if (udb_same_name(field->name, name)) {
      twin = field.get();
      ++twins;
    }
  }
  return twins == 1 ? twin : nullptr;
}

udb_field* udb_record::get_field(const std::wstring& name) const {
  tk_log2(tk_log_trace, L"udb_record::get_field(%ls)", name.c_str());
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i] && udb_same_name(fields[i]->name, name)) {
      tk_log1(tk_log_trace, "Field found at pos=%d", static_cast<int>(i));
      return fields[i].get();
    }
  }
  return nullptr;
}

std::int32_t udb_record::get_total_size() const {
  tk_log1(tk_log_trace, "udb_record::get_total_size");
  std::int64_t total = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!fields[i]) {
      tk_log1(tk_log_event, "Incorrect field #%d", static_cast<int>(i));
      continue;
    }
    if (fields[i]->get_type() != VT_EMPTY) total += fields[i]->get_size();
    tk_log1(tk_log_trace, "size=%d", static_cast<int>(total));
    tk_log1(tk_log_trace, "processed field %d of %d", static_cast<int>(i + 1), static_cast<int>(fields.size()));
  }
  // Targets compare the sum with their row limit; a sum past the 32-bit range is over any limit.
  return total > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(total);
}
