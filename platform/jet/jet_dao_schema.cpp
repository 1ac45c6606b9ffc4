// TableDefs, TableDef, Indexes, Index and its Fields.
#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_dao_collection.h"
#include "platform/jet/jet_dao_objects.h"

namespace dao_impl {

bool table_columns(const context_ptr& ctx, const jet::jet_object& table, std::vector<dao_column_meta>& out,
                   jet::jet_table_def* def_out) {
  jet::jet_table_def def;
  if (!ctx->file->read_table(table.page(), def)) return false;
  std::vector<jet::jet_property_block> blocks = jet::jet_parse_properties(*ctx->file, table.properties);
  out.clear();
  for (const auto& c : def.columns) {
    const jet::jet_property_block* b = find_block(blocks, c.name);
    dao_column_meta m = describe_column(*ctx->file, c, b ? &b->properties : nullptr);
    if (c.type == jet::jet_complex) {
      m.complex = find_complex_column(*ctx, table.id, c.name);
      if (m.complex) m.type = complex_dao_type(*m.complex);
    }
    out.push_back(std::move(m));
  }
  if (def_out) *def_out = std::move(def);
  return true;
}

namespace {

long table_attributes(const jet::jet_object& t) {
  std::uint32_t a = t.is_system() ? static_cast<std::uint32_t>(dbSystemObject) : 0;
  if (t.flags & jet::jet_flag_hidden) a |= dbHiddenObject;
  if (t.type == jet::jet_obj_linked_table) a |= dbAttachedTable;
  if (t.type == jet::jet_obj_odbc_table) a |= dbAttachedODBC;
  return static_cast<long>(a);
}

class index_fields_object : public com_object<DAOIndexFields> {
 public:
  index_fields_object(std::vector<ref<_DAOField>> fields, error_sink errors)
      : fields_(ref<DAOFields>::adopt(make_fields(std::move(fields), errors))) {}
  HRESULT get_Count(short* c) override { return fields_->get_Count(c); }
  HRESULT get_Item(VARIANT item, VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    _DAOField* f = nullptr;
    HRESULT hr = fields_->get_Item(item, &f);
    if (FAILED(hr)) return hr;
    out->vt = VT_DISPATCH;
    out->pdispVal = f;
    return S_OK;
  }
  HRESULT Append(IDispatch* o) override { return fields_->Append(o); }
  HRESULT Delete(BSTR n) override { return fields_->Delete(n); }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOIndexFields; }

 private:
  ref<DAOFields> fields_;
};

class index_object : public com_object<_DAOIndex> {
 public:
  index_object(jet::jet_index_def def, const std::vector<dao_column_meta>& cols, error_sink errors)
      : d_(std::move(def)), errors_(std::move(errors)) {
    for (const auto& k : d_.columns) {
      if (k.column < 0 || static_cast<std::size_t>(k.column) >= cols.size()) continue;
      auto m = std::make_shared<dao_column_meta>(cols[static_cast<std::size_t>(k.column)]);
      m->attributes = k.descending ? dbDescending : 0;
      fields_.push_back(ref<_DAOField>::adopt(make_field(m, nullptr, 0, errors_)));
    }
  }
  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, d_.name}}, errors_);
    return S_OK;
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, d_.name); }
  HRESULT put_Name(BSTR) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_Foreign(VARIANT_BOOL* out) override { return out_value(out, vbool(d_.foreign)); }
  HRESULT get_Unique(VARIANT_BOOL* out) override { return out_value(out, vbool(d_.unique)); }
  HRESULT put_Unique(VARIANT_BOOL) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_Clustered(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }
  HRESULT get_Required(VARIANT_BOOL* out) override { return out_value(out, vbool(d_.required)); }
  HRESULT get_IgnoreNulls(VARIANT_BOOL* out) override { return out_value(out, vbool(d_.ignore_nulls)); }
  HRESULT get_Primary(VARIANT_BOOL* out) override { return out_value(out, vbool(d_.primary)); }
  HRESULT put_Primary(VARIANT_BOOL) override { return errors_->fail(dao_err_read_only); }
  HRESULT get_DistinctCount(LONG* out) override { return out_value(out, 0); }
  HRESULT get_Fields(VARIANT* out) override {
    if (!out) return E_POINTER;
    VariantInit(out);
    out->vt = VT_DISPATCH;
    out->pdispVal = new index_fields_object(fields_, errors_);
    return S_OK;
  }
  HRESULT CreateField(VARIANT, VARIANT, VARIANT, _DAOField** out) override {
    if (out) *out = nullptr;
    return errors_->fail(dao_err_read_only);
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOIndex; }

 private:
  jet::jet_index_def d_;
  std::vector<ref<_DAOField>> fields_;
  error_sink errors_;
};

using indexes_object = named_collection<DAOIndexes, _DAOIndex, IID_DAOIndexes>;

class tabledef_object : public com_object<_DAOTableDef> {
 public:
  tabledef_object(context_ptr ctx, jet::jet_object t) : ctx_(std::move(ctx)), t_(std::move(t)) {}

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    std::vector<dao_prop> props{{L"Name", dbText, t_.name},
                                {L"Attributes", dbLong, static_cast<std::int32_t>(table_attributes(t_))}};
    auto blocks = jet::jet_parse_properties(*ctx_->file, t_.properties);
    if (const auto* b = find_block(blocks, L""))
      for (const auto& p : b->properties) props.push_back({p.name, dao_type_of(p.type), p.value});
    *out = make_properties(std::move(props), ctx_->errors);
    return S_OK;
  }
  HRESULT get_Attributes(LONG* out) override { return out_value(out, table_attributes(t_)); }
  HRESULT put_Attributes(LONG) override { return ctx_->errors->fail(dao_err_read_only); }
  HRESULT get_Connect(BSTR* out) override {
    if (t_.type == jet::jet_obj_linked_table && t_.connect.empty()) return out_bstr(out, L";DATABASE=" + t_.database);
    return out_bstr(out, t_.connect);
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, t_.name); }
  HRESULT put_Name(BSTR) override { return ctx_->errors->fail(dao_err_read_only); }
  HRESULT get_SourceTableName(BSTR* out) override { return out_bstr(out, t_.foreign_name); }
  HRESULT get_Updatable(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }
  HRESULT get_ValidationText(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_ValidationRule(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_RecordCount(LONG* out) override {
    if (t_.type != jet::jet_obj_table) return out_value(out, -1);
    jet::jet_table_def def;
    if (!ctx_->file->read_table(t_.page(), def)) return damaged();
    return out_value(out, def.row_count);
  }
  HRESULT get_Fields(DAOFields** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<dao_column_meta> cols;
    if (t_.type == jet::jet_obj_table && !table_columns(ctx_, t_, cols)) return damaged();
    std::vector<ref<_DAOField>> fields;
    for (auto& c : cols)
      fields.push_back(
          ref<_DAOField>::adopt(make_field(std::make_shared<dao_column_meta>(std::move(c)), nullptr, 0, ctx_->errors)));
    *out = make_fields(std::move(fields), ctx_->errors);
    return S_OK;
  }
  HRESULT get_Indexes(DAOIndexes** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<dao_column_meta> cols;
    std::vector<jet::jet_index_def> defs;
    if (t_.type == jet::jet_obj_table && (!table_columns(ctx_, t_, cols) || !ctx_->file->read_indexes(t_.page(), defs)))
      return damaged();
    std::vector<ref<_DAOIndex>> items;
    std::vector<std::wstring> names;
    for (auto& d : defs) {
      names.push_back(d.name);
      items.push_back(ref<_DAOIndex>::adopt(new index_object(std::move(d), cols, ctx_->errors)));
    }
    *out = new indexes_object(std::move(items), std::move(names), ctx_->errors);
    return S_OK;
  }
  HRESULT OpenRecordset(VARIANT, VARIANT, DAORecordset** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::unique_ptr<row_source> rows;
    HRESULT hr = open_table_rows(ctx_, t_.name, rows);
    if (FAILED(hr)) return hr;
    *out = make_recordset(std::move(rows), t_.name, dbOpenTable, ctx_->errors);
    return S_OK;
  }
  HRESULT CreateField(VARIANT, VARIANT, VARIANT, _DAOField** out) override {
    if (out) *out = nullptr;
    return ctx_->errors->fail(dao_err_read_only);
  }
  HRESULT CreateIndex(VARIANT, _DAOIndex** out) override {
    if (out) *out = nullptr;
    return ctx_->errors->fail(dao_err_read_only);
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOTableDef; }

 private:
  HRESULT damaged() const {
    return ctx_->errors->fail_described(dao_err_damaged, dao_damaged_table_text(t_.name, dao_no_definition));
  }

  context_ptr ctx_;
  jet::jet_object t_;
};

using tabledefs_object = named_collection<DAOTableDefs, _DAOTableDef, IID_DAOTableDefs>;

}  // namespace

_DAOTableDef* make_tabledef(context_ptr ctx, const jet::jet_object& table) {
  return new tabledef_object(std::move(ctx), table);
}

DAOTableDefs* make_tabledefs(context_ptr ctx) {
  std::vector<ref<_DAOTableDef>> items;
  std::vector<std::wstring> names;
  for (const auto& t : ctx->catalog.tables) {
    names.push_back(t.name);
    items.push_back(ref<_DAOTableDef>::adopt(make_tabledef(ctx, t)));
  }
  return new tabledefs_object(std::move(items), std::move(names), ctx->errors);
}

}  // namespace dao_impl
