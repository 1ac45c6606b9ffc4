// Relations of a new database: CreateRelation makes one, its fields name the column pairs
// (Name in Table, ForeignName in ForeignTable), and Relations.Append hands it to the writer,
// which refuses a relationship the tables cannot carry with DAO's error.
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_dao_write_objects.h"
#include "platform/oleaut/com_object.h"
#include "platform/oleaut/oleauto.h"

namespace dao_impl {

namespace {

struct new_relation_state {
  jet::jet_new_relationship definition;  // the column pairs are taken from `fields` at Append
  std::vector<ref<_DAOField>> fields;
  std::vector<std::shared_ptr<new_field_state>> states;
  bool appended = false;
};

class new_relation_fields : public com_object<DAOFields> {
 public:
  new_relation_fields(std::shared_ptr<new_relation_state> r, error_sink errors)
      : r_(std::move(r)), errors_(std::move(errors)) {}
  HRESULT get_Count(short* c) override { return out_value(c, r_->fields.size()); }
  HRESULT get_Item(VARIANT item, _DAOField** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    if (k.ordinal) {
      if (*k.ordinal < 0 || static_cast<std::size_t>(*k.ordinal) >= r_->fields.size())
        return errors_->fail(dao_err_item_not_found);
      return r_->fields[static_cast<std::size_t>(*k.ordinal)].copy_to(out);
    }
    for (std::size_t i = 0; i < r_->states.size(); ++i)
      if (jet::jet_compare_names(r_->states[i]->column.name, k.name) == 0) return r_->fields[i].copy_to(out);
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Append(IDispatch* object) override {
    if (r_->appended) return errors_->fail(dao_err_read_only);
    std::shared_ptr<new_field_state> f = new_field_of(object);
    if (!f) return errors_->fail(dao_err_invalid_argument);
    for (const auto& s : r_->states)
      if (jet::jet_compare_names(s->column.name, f->column.name) == 0)
        return errors_->fail(dao_err_name_in_collection, f->column.name);
    _DAOField* field = nullptr;
    if (FAILED(object->QueryInterface(IID__DAOField, reinterpret_cast<void**>(&field))))
      return errors_->fail(dao_err_invalid_argument);
    r_->fields.push_back(ref<_DAOField>::adopt(field));
    r_->states.push_back(std::move(f));
    return S_OK;
  }
  HRESULT Delete(BSTR name) override {
    if (r_->appended) return errors_->fail(dao_err_read_only);
    const std::wstring n = bstr_text(name);
    for (std::size_t i = 0; i < r_->states.size(); ++i) {
      if (jet::jet_compare_names(r_->states[i]->column.name, n) != 0) continue;
      r_->states.erase(r_->states.begin() + static_cast<long>(i));
      r_->fields.erase(r_->fields.begin() + static_cast<long>(i));
      return S_OK;
    }
    return errors_->fail(dao_err_item_not_found);
  }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOFields; }

 private:
  std::shared_ptr<new_relation_state> r_;
  error_sink errors_;
};

class new_relation_object : public com_object<_DAORelation> {
 public:
  new_relation_object(write_context_ptr ctx, std::shared_ptr<new_relation_state> r)
      : ctx_(std::move(ctx)), r_(std::move(r)) {}
  const std::shared_ptr<new_relation_state>& state() const { return r_; }

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, r_->definition.name}}, ctx_->errors);
    return S_OK;
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, r_->definition.name); }
  HRESULT get_Table(BSTR* out) override { return out_bstr(out, r_->definition.table); }
  HRESULT get_ForeignTable(BSTR* out) override { return out_bstr(out, r_->definition.foreign_table); }
  HRESULT get_Attributes(LONG* out) override { return out_value(out, r_->definition.attributes); }
  HRESULT get_Fields(DAOFields** out) override {
    if (!out) return E_POINTER;
    *out = new new_relation_fields(r_, ctx_->errors);
    return S_OK;
  }
  // Type and Size are DAO's to check against the tables; the writer does that at Append.
  HRESULT CreateField(VARIANT name, VARIANT type, VARIANT, _DAOField** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (r_->appended) return ctx_->errors->fail(dao_err_read_only);
    auto f = std::make_shared<new_field_state>();
    f->column.name = read_text(name);
    f->dao_type = static_cast<short>(read_long(type, dbText));
    *out = make_new_field(std::move(f), ctx_->errors);
    return S_OK;
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAORelation; }

 private:
  write_context_ptr ctx_;
  std::shared_ptr<new_relation_state> r_;
};

class new_relations_object : public com_object<DAORelations> {
 public:
  explicit new_relations_object(write_context_ptr ctx) : ctx_(std::move(ctx)) {}
  HRESULT get_Count(short* c) override { return out_value(c, ctx_->relations.size()); }
  HRESULT get_Item(VARIANT item, _DAORelation** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    item_key k = read_item_key(item);
    std::size_t at = ctx_->relations.size();
    if (k.ordinal && *k.ordinal >= 0) at = static_cast<std::size_t>(*k.ordinal);
    for (std::size_t i = 0; !k.ordinal && i < ctx_->relations.size(); ++i)
      if (jet::jet_compare_names(ctx_->relations[i].name, k.name) == 0) at = i;
    if (at >= ctx_->relations.size()) return ctx_->errors->fail(dao_err_item_not_found);
    auto r = std::make_shared<new_relation_state>();
    r->definition = ctx_->relations[at];
    r->appended = true;
    for (std::size_t i = 0; i < r->definition.columns.size(); ++i) {
      auto f = std::make_shared<new_field_state>();
      f->column.name = r->definition.columns[i];
      f->foreign_name = r->definition.foreign_columns[i];
      f->appended = true;
      r->states.push_back(f);
      r->fields.push_back(ref<_DAOField>::adopt(make_new_field(f, ctx_->errors)));
    }
    *out = new new_relation_object(ctx_, std::move(r));
    return S_OK;
  }
  HRESULT Append(IDispatch* object) override {
    auto* relation = dynamic_cast<new_relation_object*>(object);
    if (relation == nullptr) return ctx_->errors->fail(dao_err_invalid_argument);
    new_relation_state& r = *relation->state();
    if (r.appended) return ctx_->errors->fail(dao_err_name_in_collection);
    if (!ctx_->writer) return ctx_->errors->fail(dao_err_object_closed);
    jet::jet_new_relationship d = r.definition;
    d.columns.clear();
    d.foreign_columns.clear();
    for (const auto& s : r.states) {
      d.columns.push_back(s->column.name);
      d.foreign_columns.push_back(s->foreign_name);
    }
    try {
      ctx_->writer->add_relationship(d);
    } catch (const jet::jet_write_error& e) {
      return ctx_->fail(e);
    }
    r.appended = true;
    for (auto& s : r.states) s->appended = true;
    r.definition = d;
    ctx_->relations.push_back(std::move(d));
    return S_OK;
  }
  HRESULT Delete(BSTR) override { return ctx_->errors->fail(dao_err_not_supported); }
  HRESULT Refresh() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAORelations; }

 private:
  write_context_ptr ctx_;
};

}  // namespace

_DAORelation* make_new_relation(write_context_ptr ctx, jet::jet_new_relationship definition) {
  auto r = std::make_shared<new_relation_state>();
  r->definition = std::move(definition);
  return new new_relation_object(std::move(ctx), std::move(r));
}

DAORelations* make_new_relations(write_context_ptr ctx) { return new new_relations_object(std::move(ctx)); }

}  // namespace dao_impl
