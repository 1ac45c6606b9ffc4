// Indexes being defined on the tables of a new database: the Index object and its Fields.
#include <optional>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_dao_write_objects.h"
#include "platform/oleaut/com_object.h"
#include "platform/oleaut/oleauto.h"

namespace dao_impl {

namespace {

// The Fields of an index: Item answers a VARIANT holding the field, as DAO's IndexFields does.
class new_index_fields : public com_object<DAOIndexFields> {
 public:
  new_index_fields(new_index_ptr index, error_sink errors) : i_(std::move(index)), errors_(std::move(errors)) {}
  HRESULT get_Count(short* c) override { return out_value(c, i_->fields.size()); }
  HRESULT get_Item(VARIANT item, VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    item_key k = read_item_key(item);
    std::optional<std::size_t> at;
    if (k.ordinal && *k.ordinal >= 0 && static_cast<std::size_t>(*k.ordinal) < i_->fields.size())
      at = static_cast<std::size_t>(*k.ordinal);
    for (std::size_t i = 0; !k.ordinal && i < i_->states.size(); ++i)
      if (jet::jet_compare_names(i_->states[i]->column.name, k.name) == 0) at = i;
    if (!at) return errors_->fail(dao_err_item_not_found);
    _DAOField* f = nullptr;
    i_->fields[*at].copy_to(&f);
    out->vt = VT_DISPATCH;
    out->pdispVal = f;
    return S_OK;
  }
  HRESULT Append(IDispatch* object) override {
    if (i_->appended) return errors_->fail(dao_err_read_only);
    std::shared_ptr<new_field_state> f = new_field_of(object);
    if (!f) return errors_->fail(dao_err_invalid_argument);
    for (const auto& s : i_->states)
      if (jet::jet_compare_names(s->column.name, f->column.name) == 0)
        return errors_->fail(dao_err_name_in_collection, f->column.name);
    _DAOField* field = nullptr;
    if (FAILED(object->QueryInterface(IID__DAOField, reinterpret_cast<void**>(&field))))
      return errors_->fail(dao_err_invalid_argument);
    i_->fields.push_back(ref<_DAOField>::adopt(field));
    i_->states.push_back(std::move(f));
    return S_OK;
  }
  HRESULT Delete(BSTR name) override {
    if (i_->appended) return errors_->fail(dao_err_read_only);
    std::wstring n = bstr_text(name);
    for (std::size_t i = 0; i < i_->states.size(); ++i) {
      if (jet::jet_compare_names(i_->states[i]->column.name, n) != 0) continue;
      i_->states.erase(i_->states.begin() + static_cast<long>(i));
      i_->fields.erase(i_->fields.begin() + static_cast<long>(i));
      return S_OK;
    }
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOIndexFields; }

 private:
  new_index_ptr i_;
  error_sink errors_;
};

class new_index_object : public com_object<_DAOIndex> {
 public:
  new_index_object(new_index_ptr index, error_sink errors) : i_(std::move(index)), errors_(std::move(errors)) {}
  const new_index_ptr& state() const { return i_; }

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, i_->name}}, errors_);
    return S_OK;
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, i_->name); }
  HRESULT put_Name(BSTR name) override {
    if (i_->appended) return errors_->fail(dao_err_read_only);
    i_->name = bstr_text(name);
    return S_OK;
  }
  HRESULT get_Foreign(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }
  HRESULT get_Unique(VARIANT_BOOL* out) override { return out_value(out, vbool(i_->unique || i_->primary)); }
  HRESULT put_Unique(VARIANT_BOOL b) override {
    if (i_->appended) return errors_->fail(dao_err_read_only);
    i_->unique = b != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Clustered(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }
  HRESULT get_Required(VARIANT_BOOL* out) override { return out_value(out, vbool(i_->required || i_->primary)); }
  HRESULT get_IgnoreNulls(VARIANT_BOOL* out) override { return out_value(out, vbool(i_->ignore_nulls)); }
  HRESULT get_Primary(VARIANT_BOOL* out) override { return out_value(out, vbool(i_->primary)); }
  HRESULT put_Primary(VARIANT_BOOL b) override {
    if (i_->appended) return errors_->fail(dao_err_read_only);
    i_->primary = b != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_DistinctCount(LONG* out) override { return out_value(out, 0); }
  HRESULT get_Fields(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    out->vt = VT_DISPATCH;
    out->pdispVal = new new_index_fields(i_, errors_);
    return S_OK;
  }
  // An index field names a column of the table: type and size are the column's own, so the
  // ones given here are kept only to be read back.
  HRESULT CreateField(VARIANT name, VARIANT type, VARIANT, _DAOField** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (i_->appended) return errors_->fail(dao_err_read_only);
    auto f = std::make_shared<new_field_state>();
    f->column.name = read_text(name);
    f->dao_type = static_cast<short>(read_long(type, dbText));
    f->attributes = 0;
    f->index_field = true;
    *out = make_new_field(std::move(f), errors_);
    return S_OK;
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOIndex; }

 private:
  new_index_ptr i_;
  error_sink errors_;
};

}  // namespace

_DAOIndex* make_new_index(new_index_ptr state, error_sink errors) {
  return new new_index_object(std::move(state), std::move(errors));
}

new_index_ptr new_index_of(IDispatch* object) {
  auto* i = dynamic_cast<new_index_object*>(object);
  return i ? i->state() : nullptr;
}

jet::jet_new_index new_index_definition(const new_index_state& index) {
  jet::jet_new_index out;
  out.name = index.name;
  out.primary = index.primary;
  out.unique = index.unique || index.primary;
  out.ignore_nulls = index.ignore_nulls;
  out.required = index.required || index.primary;
  for (const auto& f : index.states)
    out.columns.push_back({f->column.name, f->index_field && (f->attributes & dbDescending) != 0});
  return out;
}

new_index_ptr appended_index_state(const jet::jet_new_index& index, const error_sink& errors) {
  auto i = std::make_shared<new_index_state>();
  i->name = index.name;
  i->primary = index.primary;
  i->unique = index.unique;
  i->ignore_nulls = index.ignore_nulls;
  i->required = index.required;
  for (const auto& c : index.columns) {
    auto f = std::make_shared<new_field_state>();
    f->column.name = c.name;
    f->attributes = c.descending ? dbDescending : 0;
    f->index_field = true;
    f->appended = true;
    i->fields.push_back(ref<_DAOField>::adopt(make_new_field(f, errors)));
    i->states.push_back(std::move(f));
  }
  i->appended = true;
  return i;
}

}  // namespace dao_impl
