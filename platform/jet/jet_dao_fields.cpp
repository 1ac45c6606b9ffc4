// Properties, Property, Fields and Field.
#include "platform/jet/jet_dao_objects.h"

namespace dao_impl {

namespace {

class property_object : public com_object<DAOProperty> {
 public:
  explicit property_object(dao_prop p) : p_(std::move(p)) {}
  HRESULT get_Value(VARIANT* out) override {
    if (!out) return E_POINTER;
    jet::jet_column c;
    return to_variant(p_.value, c, out);
  }
  HRESULT put_Value(VARIANT) override { return dao_hresult(dao_err_read_only); }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, p_.name); }
  HRESULT get_Type(short* out) override { return out_value(out, p_.type); }
  HRESULT get_Inherited(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOProperty; }

 private:
  dao_prop p_;
};

class properties_object : public com_object<DAOProperties> {
 public:
  properties_object(std::vector<dao_prop> props, error_sink errors)
      : props_(std::move(props)), errors_(std::move(errors)) {}
  HRESULT get_Count(short* c) override { return out_value(c, props_.size()); }
  HRESULT get_Item(VARIANT item, DAOProperty** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (k.ordinal) {
      if (*k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= props_.size())
        return errors_->fail(dao_err_item_not_found);
      *out = new property_object(props_[static_cast<std::size_t>(*k.ordinal)]);
      return S_OK;
    }
    for (const auto& p : props_) {
      if (jet::jet_compare_names(p.name, k.name) == 0) {
        *out = new property_object(p);
        return S_OK;
      }
    }
    return errors_->fail(dao_err_property_not_found);
  }
  HRESULT Refresh() override { return S_OK; }
  HRESULT Append(IDispatch*) override { return errors_->fail(dao_err_read_only); }
  HRESULT Delete(BSTR) override { return errors_->fail(dao_err_read_only); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOProperties; }

 private:
  std::vector<dao_prop> props_;
  error_sink errors_;
};

class field_object : public com_object<_DAOField> {
 public:
  field_object(std::shared_ptr<const dao_column_meta> meta, cursor_ptr cursor, std::size_t column, error_sink errors)
      : m_(std::move(meta)), cursor_(std::move(cursor)), column_(column), errors_(std::move(errors)) {}

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    std::vector<dao_prop> props;
    props.push_back({L"Name", dbText, m_->name});
    props.push_back({L"Type", dbInteger, static_cast<std::int16_t>(m_->type)});
    props.push_back({L"Size", dbLong, static_cast<std::int32_t>(m_->size)});
    props.push_back({L"Attributes", dbLong, static_cast<std::int32_t>(m_->attributes)});
    props.push_back({L"OrdinalPosition", dbInteger, static_cast<std::int16_t>(m_->ordinal)});
    if (jet::jet_value_type(m_->column) == jet::jet_numeric && m_->column.precision > 0) {
      // Stored decimal columns carry their precision and scale; the MySQL column is built from
      // them. A query's computed decimal has none to tell, and reads as a number.
      props.push_back({L"Precision", dbByte, static_cast<std::uint8_t>(m_->column.precision)});
      props.push_back({L"Scale", dbByte, static_cast<std::uint8_t>(m_->column.scale)});
    }
    for (const auto& p : m_->properties) {
      bool dup = false;
      for (const auto& q : props) dup = dup || jet::jet_compare_names(p.name, q.name) == 0;
      if (!dup) props.push_back(p);
    }
    *out = make_properties(std::move(props), errors_);
    return S_OK;
  }
  HRESULT get_CollatingOrder(LONG* out) override { return out_value(out, 1033); }
  HRESULT get_Type(short* out) override { return out_value(out, m_->type); }
  HRESULT put_Type(short) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, m_->name); }
  HRESULT put_Name(BSTR) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_Size(LONG* out) override { return out_value(out, m_->size); }
  HRESULT put_Size(LONG) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_SourceField(BSTR* out) override { return out_bstr(out, m_->name); }
  HRESULT get_SourceTable(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_Value(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    if (!cursor_) return errors_->fail(dao_err_invalid_operation);
    if (!cursor_->open) return errors_->fail(dao_err_object_closed);
    if (!cursor_->on_row) return errors_->fail(dao_err_no_current_record);
    return cursor_->source->value(column_, out);
  }
  HRESULT put_Value(VARIANT) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_Attributes(LONG* out) override { return out_value(out, m_->attributes); }
  HRESULT put_Attributes(LONG) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_OrdinalPosition(short* out) override { return out_value(out, m_->ordinal); }
  HRESULT get_ValidationText(BSTR* out) override { return out_bstr(out, text_prop(L"ValidationText")); }
  HRESULT get_ValidationRule(BSTR* out) override { return out_bstr(out, text_prop(L"ValidationRule")); }
  HRESULT get_DefaultValue(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    out->bstrVal = SysAllocStringLen(m_->default_value.data(), static_cast<UINT>(m_->default_value.size()));
    out->vt = VT_BSTR;
    return out->bstrVal ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT put_DefaultValue(VARIANT) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_Required(VARIANT_BOOL* out) override { return out_value(out, vbool(m_->required)); }
  HRESULT put_Required(VARIANT_BOOL) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_AllowZeroLength(VARIANT_BOOL* out) override { return out_value(out, vbool(m_->allow_zero_length)); }
  HRESULT put_AllowZeroLength(VARIANT_BOOL) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_ForeignName(BSTR* out) override { return out_bstr(out, m_->foreign_name); }
  HRESULT put_ForeignName(BSTR) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_FieldSize(LONG* out) override { return out_value(out, 0); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOField; }

 private:
  std::wstring text_prop(const wchar_t* name) const {
    for (const auto& p : m_->properties)
      if (jet::jet_compare_names(p.name, name) == 0)
        if (const auto* s = std::get_if<std::wstring>(&p.value)) return *s;
    return {};
  }

  std::shared_ptr<const dao_column_meta> m_;
  cursor_ptr cursor_;
  std::size_t column_;
  error_sink errors_;
};

class fields_object : public com_object<DAOFields> {
 public:
  fields_object(std::vector<ref<_DAOField>> fields, error_sink errors)
      : fields_(std::move(fields)), errors_(std::move(errors)) {
    names_.reserve(fields_.size());
    for (const auto& f : fields_) {
      BSTR b = nullptr;
      f->get_Name(&b);
      names_.push_back(bstr_text(b));
      SysFreeString(b);
    }
  }
  HRESULT get_Count(short* c) override { return out_value(c, fields_.size()); }
  HRESULT get_Item(VARIANT item, _DAOField** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (!k.valid) return errors_->fail(dao_err_item_not_found);
    if (k.ordinal) {
      if (*k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= fields_.size())
        return errors_->fail(dao_err_item_not_found);
      return fields_[static_cast<std::size_t>(*k.ordinal)].copy_to(out);
    }
    for (std::size_t i = 0; i < names_.size(); ++i)
      if (jet::jet_compare_names(names_[i], k.name) == 0) return fields_[i].copy_to(out);
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Append(IDispatch*) override { return errors_->fail(dao_err_not_supported); }
  HRESULT Delete(BSTR) override { return errors_->fail(dao_err_not_supported); }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOFields; }

 private:
  std::vector<ref<_DAOField>> fields_;
  std::vector<std::wstring> names_;
  error_sink errors_;
};

}  // namespace

DAOProperties* make_properties(std::vector<dao_prop> props, error_sink errors) {
  return new properties_object(std::move(props), std::move(errors));
}

_DAOField* make_field(std::shared_ptr<const dao_column_meta> meta, cursor_ptr cursor, std::size_t column,
                      error_sink errors) {
  return new field_object(std::move(meta), std::move(cursor), column, std::move(errors));
}

DAOFields* make_fields(std::vector<ref<_DAOField>> fields, error_sink errors) {
  return new fields_object(std::move(fields), std::move(errors));
}

}  // namespace dao_impl
