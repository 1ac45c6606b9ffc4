// Fields being defined, table definitions being built and the TableDefs of a new database.
#include <algorithm>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_dao_collection.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_dao_write_objects.h"
#include "platform/jet/jet_dao_write_values.h"
#include "platform/oleaut/com_object.h"
#include "platform/oleaut/oleauto.h"

namespace dao_impl {

namespace {

// Precision and Scale of a Decimal field: set through the field's Properties until the field
// is appended.
class scale_property : public com_object<DAOProperty> {
 public:
  scale_property(std::shared_ptr<new_field_state> f, bool precision, error_sink errors)
      : f_(std::move(f)), precision_(precision), errors_(std::move(errors)) {}
  HRESULT get_Value(VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_UI1;
    out->bVal = static_cast<BYTE>(precision_ ? f_->column.precision : f_->column.scale);
    return S_OK;
  }
  HRESULT put_Value(VARIANT v) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    long n = read_long(v, -1);
    if (n < 0 || n > 28) return errors_->fail(dao_err_invalid_argument);
    (precision_ ? f_->column.precision : f_->column.scale) = static_cast<int>(n);
    return S_OK;
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, precision_ ? L"Precision" : L"Scale"); }
  HRESULT get_Type(short* out) override { return out_value(out, dbByte); }
  HRESULT get_Inherited(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOProperty; }

 private:
  std::shared_ptr<new_field_state> f_;
  bool precision_;
  error_sink errors_;
};

class new_field_properties : public com_object<DAOProperties> {
 public:
  new_field_properties(std::shared_ptr<new_field_state> f, error_sink errors)
      : f_(std::move(f)), errors_(std::move(errors)) {}
  HRESULT get_Count(short* c) override { return out_value(c, 2); }
  HRESULT get_Item(VARIANT item, DAOProperty** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    bool precision = (k.ordinal && *k.ordinal == 0) || jet::jet_compare_names(k.name, L"Precision") == 0;
    bool scale = (k.ordinal && *k.ordinal == 1) || jet::jet_compare_names(k.name, L"Scale") == 0;
    if (!precision && !scale) return errors_->fail(dao_err_property_not_found);
    *out = new scale_property(f_, precision, errors_);
    return S_OK;
  }
  HRESULT Refresh() override { return S_OK; }
  HRESULT Append(IDispatch*) override { return errors_->fail(dao_err_not_supported); }
  HRESULT Delete(BSTR) override { return errors_->fail(dao_err_not_supported); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOProperties; }

 private:
  std::shared_ptr<new_field_state> f_;
  error_sink errors_;
};

class new_field_object : public com_object<_DAOField> {
 public:
  new_field_object(std::shared_ptr<new_field_state> f, error_sink errors)
      : f_(std::move(f)), errors_(std::move(errors)) {}
  const std::shared_ptr<new_field_state>& state() const { return f_; }

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = new new_field_properties(f_, errors_);
    return S_OK;
  }
  HRESULT get_CollatingOrder(LONG* out) override { return out_value(out, 1033); }
  HRESULT get_Type(short* out) override { return out_value(out, f_->dao_type); }
  HRESULT put_Type(short t) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    return redefine(f_->column.name, t, f_->column.size / 2);
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, f_->column.name); }
  HRESULT put_Name(BSTR name) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    f_->column.name = bstr_text(name);
    return S_OK;
  }
  HRESULT get_Size(LONG* out) override {
    return out_value(out, f_->column.type == jet::jet_text ? f_->column.size / 2 : f_->column.size);
  }
  HRESULT put_Size(LONG size) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    if (f_->column.type != jet::jet_text && f_->column.type != jet::jet_binary) return S_OK;
    return redefine(f_->column.name, f_->dao_type, size);
  }
  HRESULT get_SourceField(BSTR* out) override { return out_bstr(out, f_->column.name); }
  HRESULT get_SourceTable(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_Value(VARIANT* out) override {
    if (!out) return E_POINTER;
    return errors_->fail(dao_err_invalid_operation);
  }
  HRESULT put_Value(VARIANT) override { return errors_->fail(dao_err_invalid_operation); }
  HRESULT get_Attributes(LONG* out) override { return out_value(out, f_->attributes); }
  HRESULT put_Attributes(LONG a) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    bool auto_increment = (a & dbAutoIncrField) != 0;
    // Only a Long counts up by itself.
    if (auto_increment && f_->column.type != jet::jet_long) return errors_->fail(dao_err_invalid_argument);
    f_->attributes = a;
    f_->column.auto_increment = auto_increment;
    return S_OK;
  }
  HRESULT get_OrdinalPosition(short* out) override { return out_value(out, 0); }
  HRESULT get_ValidationText(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_ValidationRule(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_DefaultValue(VARIANT* out) override {
    if (!out) return E_POINTER;
    out->vt = VT_BSTR;
    out->bstrVal =
        SysAllocStringLen(f_->column.default_value.data(), static_cast<UINT>(f_->column.default_value.size()));
    return out->bstrVal ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT put_DefaultValue(VARIANT v) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    // The default is an expression kept as text: a number or date given as such is written out.
    VARIANT text;
    VariantInit(&text);
    HRESULT hr = VariantChangeTypeEx(&text, &v, LCID_EN_US, 0, VT_BSTR);
    if (FAILED(hr)) return errors_->fail(dao_err_conversion);
    f_->column.default_value = bstr_text(text.bstrVal);
    VariantClear(&text);
    return S_OK;
  }
  HRESULT get_Required(VARIANT_BOOL* out) override { return out_value(out, vbool(f_->column.required)); }
  HRESULT put_Required(VARIANT_BOOL b) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    f_->column.required = b != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_AllowZeroLength(VARIANT_BOOL* out) override {
    return out_value(out, vbool(f_->column.allow_zero_length));
  }
  HRESULT put_AllowZeroLength(VARIANT_BOOL b) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    // Only text holds a zero-length string (DAO refuses the property elsewhere).
    if (f_->column.type != jet::jet_text && f_->column.type != jet::jet_memo)
      return errors_->fail(dao_err_invalid_operation);
    f_->column.allow_zero_length = b != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_ForeignName(BSTR* out) override { return out_bstr(out, f_->foreign_name); }
  HRESULT put_ForeignName(BSTR name) override {
    if (f_->appended) return errors_->fail(dao_err_read_only);
    f_->foreign_name = bstr_text(name);
    return S_OK;
  }
  HRESULT get_FieldSize(LONG* out) override { return out_value(out, 0); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOField; }

 private:
  // A new type or size keeps the properties already set.
  HRESULT redefine(const std::wstring& name, short type, long size) {
    jet::jet_new_column c;
    if (long e = dao_new_column(name, type, size, c); e != 0) return errors_->fail(e);
    c.required = f_->column.required;
    c.allow_zero_length = f_->column.allow_zero_length && (c.type == jet::jet_text || c.type == jet::jet_memo);
    c.default_value = f_->column.default_value;
    f_->column = std::move(c);
    f_->dao_type = type;
    f_->attributes = (f_->column.type == jet::jet_text || f_->column.type == jet::jet_memo ||
                              f_->column.type == jet::jet_ole || f_->column.type == jet::jet_binary
                          ? dbVariableField
                          : dbFixedField) |
                     dbUpdatableField;
    return S_OK;
  }

  std::shared_ptr<new_field_state> f_;
  error_sink errors_;
};

// The Fields of a table definition being built: fields are appended until the definition is.
struct new_tabledef_state {
  std::wstring name;
  std::vector<ref<_DAOField>> fields;
  std::vector<std::shared_ptr<new_field_state>> states;
  std::vector<ref<_DAOIndex>> indexes;
  std::vector<new_index_ptr> index_states;
  bool appended = false;
  std::size_t table = 0;  // in write_context::tables, once appended
};

// The Indexes of a table definition: kept until the definition is appended, then handed to the
// writer with it; once the table exists, an index appended goes to the writer at once (rows
// already stored get their entries).
class new_indexes_object : public com_object<DAOIndexes> {
 public:
  new_indexes_object(write_context_ptr ctx, std::shared_ptr<new_tabledef_state> t)
      : ctx_(std::move(ctx)), t_(std::move(t)) {}
  HRESULT get_Count(short* c) override { return out_value(c, t_->indexes.size()); }
  HRESULT get_Item(VARIANT item, _DAOIndex** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (k.ordinal) {
      if (*k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= t_->indexes.size())
        return ctx_->errors->fail(dao_err_item_not_found);
      return t_->indexes[static_cast<std::size_t>(*k.ordinal)].copy_to(out);
    }
    for (std::size_t i = 0; i < t_->index_states.size(); ++i)
      if (jet::jet_compare_names(t_->index_states[i]->name, k.name) == 0) return t_->indexes[i].copy_to(out);
    return ctx_->errors->fail(dao_err_item_not_found);
  }
  HRESULT Append(IDispatch* object) override {
    new_index_ptr index = new_index_of(object);
    if (!index) return ctx_->errors->fail(dao_err_invalid_argument);
    if (index->appended) return ctx_->errors->fail(dao_err_name_in_collection, index->name);
    for (const auto& s : t_->index_states)
      if (jet::jet_compare_names(s->name, index->name) == 0)
        return ctx_->errors->fail(dao_err_name_in_collection, index->name);
    if (index->states.empty()) return ctx_->errors->fail(dao_err_no_fields);
    _DAOIndex* i = nullptr;
    if (FAILED(object->QueryInterface(IID__DAOIndex, reinterpret_cast<void**>(&i))))
      return ctx_->errors->fail(dao_err_invalid_argument);
    ref<_DAOIndex> held = ref<_DAOIndex>::adopt(i);
    if (t_->appended) {
      new_table& table = ctx_->tables[t_->table];
      if (table.deleted || !ctx_->writer) return ctx_->errors->fail(dao_err_object_closed);
      jet::jet_new_index def = new_index_definition(*index);
      try {
        ctx_->writer->add_index(table.id, def);
      } catch (const jet::jet_write_error& e) {
        return ctx_->fail(e);
      }
      table.indexes.push_back(std::move(def));
      index->appended = true;
    }
    t_->indexes.push_back(std::move(held));
    t_->index_states.push_back(std::move(index));
    return S_OK;
  }
  HRESULT Delete(BSTR name) override {
    if (t_->appended) return ctx_->errors->fail(dao_err_not_supported);
    std::wstring n = bstr_text(name);
    for (std::size_t i = 0; i < t_->index_states.size(); ++i) {
      if (jet::jet_compare_names(t_->index_states[i]->name, n) != 0) continue;
      t_->index_states.erase(t_->index_states.begin() + static_cast<long>(i));
      t_->indexes.erase(t_->indexes.begin() + static_cast<long>(i));
      return S_OK;
    }
    return ctx_->errors->fail(dao_err_item_not_found);
  }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOIndexes; }

 private:
  write_context_ptr ctx_;
  std::shared_ptr<new_tabledef_state> t_;
};

class new_fields_object : public com_object<DAOFields> {
 public:
  new_fields_object(std::shared_ptr<new_tabledef_state> t, error_sink errors)
      : t_(std::move(t)), errors_(std::move(errors)) {}
  HRESULT get_Count(short* c) override { return out_value(c, t_->fields.size()); }
  HRESULT get_Item(VARIANT item, _DAOField** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (k.ordinal) {
      if (*k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= t_->fields.size())
        return errors_->fail(dao_err_item_not_found);
      return t_->fields[static_cast<std::size_t>(*k.ordinal)].copy_to(out);
    }
    for (std::size_t i = 0; i < t_->states.size(); ++i)
      if (jet::jet_compare_names(t_->states[i]->column.name, k.name) == 0) return t_->fields[i].copy_to(out);
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Append(IDispatch* object) override {
    if (t_->appended) return errors_->fail(dao_err_read_only);
    std::shared_ptr<new_field_state> f = new_field_of(object);
    if (!f) return errors_->fail(dao_err_invalid_argument);
    for (const auto& s : t_->states)
      if (jet::jet_compare_names(s->column.name, f->column.name) == 0)
        return errors_->fail(dao_err_name_in_collection, f->column.name);
    _DAOField* field = nullptr;
    if (FAILED(object->QueryInterface(IID__DAOField, reinterpret_cast<void**>(&field))))
      return errors_->fail(dao_err_invalid_argument);
    t_->fields.push_back(ref<_DAOField>::adopt(field));
    t_->states.push_back(std::move(f));
    return S_OK;
  }
  HRESULT Delete(BSTR name) override {
    if (t_->appended) return errors_->fail(dao_err_read_only);
    std::wstring n = bstr_text(name);
    for (std::size_t i = 0; i < t_->states.size(); ++i) {
      if (jet::jet_compare_names(t_->states[i]->column.name, n) != 0) continue;
      t_->states.erase(t_->states.begin() + static_cast<long>(i));
      t_->fields.erase(t_->fields.begin() + static_cast<long>(i));
      return S_OK;
    }
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOFields; }

 private:
  std::shared_ptr<new_tabledef_state> t_;
  error_sink errors_;
};

class new_tabledef_object : public com_object<_DAOTableDef> {
 public:
  new_tabledef_object(write_context_ptr ctx, std::shared_ptr<new_tabledef_state> t)
      : ctx_(std::move(ctx)), t_(std::move(t)) {}
  const std::shared_ptr<new_tabledef_state>& state() const { return t_; }

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, t_->name}}, ctx_->errors);
    return S_OK;
  }
  HRESULT get_Attributes(LONG* out) override { return out_value(out, 0); }
  HRESULT put_Attributes(LONG a) override { return a == 0 ? S_OK : ctx_->errors->fail(dao_err_invalid_argument); }
  HRESULT get_Connect(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, t_->name); }
  HRESULT put_Name(BSTR name) override {
    if (t_->appended) return ctx_->errors->fail(dao_err_not_supported);
    t_->name = bstr_text(name);
    return S_OK;
  }
  HRESULT get_SourceTableName(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_Updatable(VARIANT_BOOL* out) override { return out_value(out, VARIANT_TRUE); }
  HRESULT get_ValidationText(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_ValidationRule(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_RecordCount(LONG* out) override {
    if (!t_->appended || !ctx_->writer) return out_value(out, 0);
    return out_value(out, ctx_->writer->row_count(ctx_->tables[t_->table].id));
  }
  HRESULT get_Fields(DAOFields** out) override {
    if (!out) return E_POINTER;
    *out = new new_fields_object(t_, ctx_->errors);
    return S_OK;
  }
  HRESULT get_Indexes(DAOIndexes** out) override {
    if (!out) return E_POINTER;
    *out = new new_indexes_object(ctx_, t_);
    return S_OK;
  }
  HRESULT OpenRecordset(VARIANT, VARIANT, DAORecordset** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!t_->appended || ctx_->tables[t_->table].deleted) return ctx_->errors->fail(dao_err_invalid_operation);
    *out = make_append_recordset(ctx_, t_->table);
    return S_OK;
  }
  HRESULT CreateField(VARIANT name, VARIANT type, VARIANT size, _DAOField** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto f = std::make_shared<new_field_state>();
    short t = static_cast<short>(read_long(type, dbText));
    if (long e = dao_new_column(read_text(name), t, read_long(size, 0), f->column); e != 0)
      return ctx_->errors->fail(e);
    f->dao_type = t;
    bool variable = f->column.type == jet::jet_text || f->column.type == jet::jet_memo ||
                    f->column.type == jet::jet_ole || f->column.type == jet::jet_binary;
    f->attributes = (variable ? dbVariableField : dbFixedField) | dbUpdatableField;
    *out = make_new_field(std::move(f), ctx_->errors);
    return S_OK;
  }
  HRESULT CreateIndex(VARIANT name, _DAOIndex** out) override {
    if (!out) return E_POINTER;
    auto i = std::make_shared<new_index_state>();
    i->name = read_text(name);
    *out = make_new_index(std::move(i), ctx_->errors);
    return S_OK;
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOTableDef; }

 private:
  write_context_ptr ctx_;
  std::shared_ptr<new_tabledef_state> t_;
};

class new_tabledefs_object : public com_object<DAOTableDefs> {
 public:
  explicit new_tabledefs_object(write_context_ptr ctx) : ctx_(std::move(ctx)) {}
  HRESULT get_Count(short* c) override { return out_value(c, live().size()); }
  HRESULT get_Item(VARIANT item, _DAOTableDef** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<std::size_t> tables = live();
    item_key k = read_item_key(item);
    std::optional<std::size_t> found;
    if (k.ordinal && *k.ordinal >= 0 && static_cast<std::size_t>(*k.ordinal) < tables.size())
      found = tables[static_cast<std::size_t>(*k.ordinal)];
    for (std::size_t i : tables)
      if (!k.ordinal && jet::jet_compare_names(ctx_->tables[i].name, k.name) == 0) found = i;
    if (!found) return ctx_->errors->fail(dao_err_item_not_found);
    auto t = std::make_shared<new_tabledef_state>();
    t->name = ctx_->tables[*found].name;
    t->appended = true;
    t->table = *found;
    // The fields as they were appended, no longer to be changed.
    for (const auto& c : ctx_->tables[*found].columns) {
      auto f = std::make_shared<new_field_state>();
      f->column = c;
      f->dao_type = dao_type_of(c.type);
      bool variable =
          c.type == jet::jet_text || c.type == jet::jet_memo || c.type == jet::jet_ole || c.type == jet::jet_binary;
      f->attributes =
          (variable ? dbVariableField : dbFixedField) | (c.auto_increment ? dbAutoIncrField : dbUpdatableField);
      f->appended = true;
      t->fields.push_back(ref<_DAOField>::adopt(make_new_field(f, ctx_->errors)));
      t->states.push_back(std::move(f));
    }
    for (const auto& index : ctx_->tables[*found].indexes) {
      new_index_ptr i = appended_index_state(index, ctx_->errors);
      t->indexes.push_back(ref<_DAOIndex>::adopt(make_new_index(i, ctx_->errors)));
      t->index_states.push_back(std::move(i));
    }
    *out = new new_tabledef_object(ctx_, std::move(t));
    return S_OK;
  }
  HRESULT Append(IDispatch* object) override {
    auto* def = dynamic_cast<new_tabledef_object*>(object);
    if (def == nullptr) return ctx_->errors->fail(dao_err_invalid_argument);
    const auto& t = def->state();
    if (t->appended) return ctx_->errors->fail(dao_err_name_in_collection, t->name);
    if (!ctx_->writer) return ctx_->errors->fail(dao_err_object_closed);
    // A table needs at least one field (DAO: "... must contain at least one field").
    if (t->states.empty()) return ctx_->errors->fail(dao_err_no_fields, t->name);
    new_table table;
    table.name = t->name;
    for (const auto& f : t->states) table.columns.push_back(f->column);
    try {
      table.id = ctx_->writer->add_table(table.name, table.columns);
    } catch (const jet::jet_write_error& e) {
      return ctx_->fail(e);
    }
    // The indexes go with the table: one the writer refuses takes the table back out, as DAO
    // appends a definition whole or not at all.
    for (const auto& index : t->index_states) {
      jet::jet_new_index def = new_index_definition(*index);
      try {
        ctx_->writer->add_index(table.id, def);
      } catch (const jet::jet_write_error& e) {
        ctx_->writer->delete_table(table.name);
        return ctx_->fail(e);
      }
      table.indexes.push_back(std::move(def));
    }
    for (const auto& index : t->index_states) index->appended = true;
    for (const auto& f : t->states) f->appended = true;
    t->appended = true;
    t->table = ctx_->tables.size();
    ctx_->tables.push_back(std::move(table));
    return S_OK;
  }
  HRESULT Delete(BSTR name) override {
    new_table* t = ctx_->find(bstr_text(name));
    if (t == nullptr) return ctx_->errors->fail(dao_err_item_not_found);
    if (!ctx_->writer) return ctx_->errors->fail(dao_err_object_closed);
    try {
      ctx_->writer->delete_table(t->name);
    } catch (const jet::jet_write_error& e) {
      return ctx_->fail(e);
    }
    t->deleted = true;
    return S_OK;
  }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOTableDefs; }

 private:
  std::vector<std::size_t> live() const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < ctx_->tables.size(); ++i)
      if (!ctx_->tables[i].deleted) out.push_back(i);
    return out;
  }
  write_context_ptr ctx_;
};

}  // namespace

_DAOField* make_new_field(std::shared_ptr<new_field_state> state, error_sink errors) {
  return new new_field_object(std::move(state), std::move(errors));
}

std::shared_ptr<new_field_state> new_field_of(IDispatch* object) {
  auto* f = dynamic_cast<new_field_object*>(object);
  return f ? f->state() : nullptr;
}

_DAOTableDef* make_new_tabledef(write_context_ptr ctx, std::wstring name) {
  auto t = std::make_shared<new_tabledef_state>();
  t->name = std::move(name);
  return new new_tabledef_object(std::move(ctx), std::move(t));
}

DAOTableDefs* make_new_tabledefs(write_context_ptr ctx) { return new new_tabledefs_object(std::move(ctx)); }

}  // namespace dao_impl
