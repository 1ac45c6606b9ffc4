// A database this side creates: the Database object over the file writer and the recordset
// rows are appended through (AddNew, Collect, Update, CancelUpdate).
#include <ctime>
#include <optional>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_dao_collection.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_dao_write_objects.h"
#include "platform/jet/jet_dao_write_values.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "platform/oleaut/com_object.h"
#include "platform/oleaut/oleauto.h"

namespace dao_impl {

new_table* write_context::find(const std::wstring& name) {
  for (auto& t : tables)
    if (!t.deleted && jet::jet_compare_names(t.name, name) == 0) return &t;
  return nullptr;
}

HRESULT write_context::fail(const jet::jet_write_error& e) const {
  std::string what = e.what();
  return errors->fail_described(e.dao_code(), std::wstring(what.begin(), what.end()));
}

namespace {

constexpr short db_open_table = 1;

// How a column of the new table reads back through DAO.
dao_column_meta meta_of(const jet::jet_new_column& c, std::size_t ordinal) {
  dao_column_meta m;
  m.name = c.name;
  m.type = dao_type_of(c.type);
  m.ordinal = static_cast<short>(ordinal);
  m.size = c.type == jet::jet_text ? c.size / 2 : c.size;
  bool variable =
      c.type == jet::jet_text || c.type == jet::jet_memo || c.type == jet::jet_ole || c.type == jet::jet_binary;
  m.attributes = (variable ? dbVariableField : dbFixedField) | (c.auto_increment ? dbAutoIncrField : dbUpdatableField);
  m.required = c.required;
  m.allow_zero_length = c.allow_zero_length;
  m.default_value = c.default_value;
  m.column.name = c.name;
  m.column.type = c.type;
  m.column.size = c.size;
  m.column.number = static_cast<int>(ordinal);
  m.column.fixed = !variable;
  m.column.auto_long = c.auto_increment;
  m.column.precision = c.precision;
  m.column.scale = c.scale;
  return m;
}

class append_recordset : public com_object<DAORecordset> {
 public:
  append_recordset(write_context_ptr ctx, std::size_t table) : ctx_(std::move(ctx)), table_(table) {}

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, table().name}}, ctx_->errors);
    return S_OK;
  }
  // Appending never stands on a row.
  HRESULT get_BOF(VARIANT_BOOL* out) override { return out_value(out, VARIANT_TRUE); }
  HRESULT get_EOF(VARIANT_BOOL* out) override { return out_value(out, VARIANT_TRUE); }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, table().name); }
  HRESULT get_RecordCount(LONG* out) override {
    if (!ctx_->writer) return out_value(out, 0);
    return out_value(out, ctx_->writer->row_count(table().id));
  }
  HRESULT get_Type(short* out) override { return out_value(out, db_open_table); }
  HRESULT get_Updatable(VARIANT_BOOL* out) override { return out_value(out, VARIANT_TRUE); }
  HRESULT get_Fields(DAOFields** out) override {
    if (!out) return E_POINTER;
    std::vector<ref<_DAOField>> fields;
    const auto& columns = table().columns;
    for (std::size_t i = 0; i < columns.size(); ++i)
      fields.push_back(ref<_DAOField>::adopt(
          make_field(std::make_shared<const dao_column_meta>(meta_of(columns[i], i)), nullptr, i, ctx_->errors)));
    *out = make_fields(std::move(fields), ctx_->errors);
    return S_OK;
  }
  HRESULT MoveFirst() override { return ctx_->errors->fail(dao_err_no_current_record); }
  HRESULT MoveLast(LONG) override { return ctx_->errors->fail(dao_err_no_current_record); }
  HRESULT MoveNext() override { return ctx_->errors->fail(dao_err_no_current_record); }
  HRESULT MovePrevious() override { return ctx_->errors->fail(dao_err_no_current_record); }
  HRESULT Close() override {
    pending_.reset();
    return S_OK;
  }
  // A new pending row, every column Null; a row still pending is dropped, as DAO drops it.
  HRESULT AddNew() override {
    if (!usable()) return ctx_->errors->fail(dao_err_object_closed);
    pending_.emplace(table().columns.size(), jet::jet_value(jet::jet_null{}));
    return S_OK;
  }
  HRESULT Edit() override { return ctx_->errors->fail(dao_err_not_supported); }
  HRESULT Delete() override { return ctx_->errors->fail(dao_err_not_supported); }
  HRESULT put_Collect(VARIANT item, VARIANT value) override {
    if (!pending_) return ctx_->errors->fail(dao_err_no_add_new);
    const auto& columns = table().columns;
    item_key k = read_item_key(item);
    std::optional<std::size_t> at;
    if (k.ordinal && *k.ordinal >= 0 && static_cast<std::size_t>(*k.ordinal) < columns.size())
      at = static_cast<std::size_t>(*k.ordinal);
    for (std::size_t i = 0; !k.ordinal && i < columns.size(); ++i)
      if (jet::jet_compare_names(columns[i].name, k.name) == 0) at = i;
    if (!at) return ctx_->errors->fail(dao_err_item_not_found);
    jet::jet_value v;
    if (long e = dao_stored_value(columns[*at], value, v); e != 0) return ctx_->errors->fail(e);
    (*pending_)[*at] = std::move(v);
    return S_OK;
  }
  // Stores the pending row. A refused row stays pending: the caller may change values (leave
  // out one that makes the row too large) and call Update again, or CancelUpdate.
  HRESULT Update(LONG, VARIANT_BOOL) override {
    if (!pending_) return ctx_->errors->fail(dao_err_no_add_new);
    if (!usable()) return ctx_->errors->fail(dao_err_object_closed);
    const auto& columns = table().columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const jet::jet_value& v = (*pending_)[i];
      bool null = std::holds_alternative<jet::jet_null>(v);
      // AutoNumber columns are numbered by the writer when left Null.
      if (null && columns[i].required && !columns[i].auto_increment)
        return ctx_->errors->fail(dao_err_required, columns[i].name);
      const auto* s = std::get_if<std::wstring>(&v);
      if (s && s->empty() && !columns[i].allow_zero_length)
        return ctx_->errors->fail(dao_err_zero_length, columns[i].name);
    }
    try {
      ctx_->writer->append_row(table().id, *pending_);
    } catch (const jet::jet_write_error& e) {
      return ctx_->fail(e);
    }
    pending_.reset();
    return S_OK;
  }
  HRESULT CancelUpdate(LONG) override {
    if (!pending_) return ctx_->errors->fail(dao_err_no_add_new);
    pending_.reset();
    return S_OK;
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAORecordset; }

 private:
  const new_table& table() const { return ctx_->tables[table_]; }
  bool usable() const { return ctx_->writer && !table().deleted; }

  write_context_ptr ctx_;
  std::size_t table_;
  std::optional<std::vector<jet::jet_value>> pending_;
};

using no_querydefs = named_collection<DAOQueryDefs, _DAOQueryDef, IID_DAOQueryDefs>;

class write_database : public com_object<DAODatabase> {
 public:
  explicit write_database(write_context_ptr ctx) : ctx_(std::move(ctx)) {}
  ~write_database() override {
    // Released without Close: the writer removes its temporary file, nothing appears under
    // the target's name.
    if (ctx_->writer) ctx_->writer->abandon();
  }

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, ctx_->path}, {L"Version", dbText, std::wstring(L"4.0")}}, ctx_->errors);
    return S_OK;
  }
  HRESULT get_Connect(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, ctx_->path); }
  HRESULT get_Updatable(VARIANT_BOOL* out) override { return out_value(out, VARIANT_TRUE); }
  HRESULT get_Version(BSTR* out) override { return out_bstr(out, L"4.0"); }
  HRESULT get_TableDefs(DAOTableDefs** out) override {
    if (!out) return E_POINTER;
    *out = make_new_tabledefs(ctx_);
    return S_OK;
  }
  HRESULT get_QueryDefs(DAOQueryDefs** out) override {
    if (!out) return E_POINTER;
    *out = new no_querydefs({}, {}, ctx_->errors);
    return S_OK;
  }
  HRESULT get_Relations(DAORelations** out) override {
    if (!out) return E_POINTER;
    *out = make_new_relations(ctx_);
    return S_OK;
  }
  // Writes what is pending and puts the file in place under its name.
  HRESULT Close() override {
    if (!ctx_->writer) return S_OK;
    std::unique_ptr<jet::jet_writer> writer = std::move(ctx_->writer);
    try {
      writer->close();
    } catch (const jet::jet_write_error& e) {
      writer->abandon();
      return ctx_->fail(e);
    }
    return S_OK;
  }
  HRESULT Execute(BSTR, VARIANT) override { return ctx_->errors->fail(dao_err_not_supported); }
  HRESULT CreateRelation(VARIANT name, VARIANT table, VARIANT foreign_table, VARIANT attributes,
                         _DAORelation** out) override {
    if (!out) return E_POINTER;
    jet::jet_new_relationship d;
    d.name = read_text(name);
    d.table = read_text(table);
    d.foreign_table = read_text(foreign_table);
    d.attributes = static_cast<std::int32_t>(read_long(attributes, 0));
    *out = make_new_relation(ctx_, std::move(d));
    return S_OK;
  }
  HRESULT CreateTableDef(VARIANT name, VARIANT, VARIANT, VARIANT, _DAOTableDef** out) override {
    if (!out) return E_POINTER;
    *out = make_new_tabledef(ctx_, read_text(name));
    return S_OK;
  }
  HRESULT CreateQueryDef(VARIANT, VARIANT, _DAOQueryDef** out) override {
    if (out) *out = nullptr;
    return ctx_->errors->fail(dao_err_not_supported);
  }
  HRESULT OpenRecordset(BSTR name, VARIANT, VARIANT, VARIANT, DAORecordset** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    new_table* t = ctx_->find(bstr_text(name));
    if (t == nullptr) return ctx_->errors->fail(dao_err_input_not_found, bstr_text(name));
    *out = make_append_recordset(ctx_, static_cast<std::size_t>(t - ctx_->tables.data()));
    return S_OK;
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAODatabase; }

 private:
  write_context_ptr ctx_;
};

double ole_date_now() {
  constexpr double unix_epoch_as_ole_date = 25569.0;
  return static_cast<double>(std::time(nullptr)) / 86400.0 + unix_epoch_as_ole_date;
}

}  // namespace

DAORecordset* make_append_recordset(write_context_ptr ctx, std::size_t table) {
  return new append_recordset(std::move(ctx), table);
}

DAODatabase* make_write_database(write_context_ptr ctx) { return new write_database(std::move(ctx)); }

HRESULT create_write_database(const error_sink& errors, const std::wstring& path, DAODatabase** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto ctx = std::make_shared<write_context>();
  ctx->errors = errors;
  ctx->path = path;
  jet::jet_header_options options;
  options.created = ole_date_now();
  try {
    ctx->writer = jet::jet_writer::create(jet_to_utf8(path), options);
  } catch (const jet::jet_write_error& e) {
    return ctx->fail(e);
  }
  *out = make_write_database(std::move(ctx));
  return S_OK;
}

}  // namespace dao_impl
