// QueryDefs, QueryDef, Relations and Relation.
#include <algorithm>

#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_dao_collection.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_sql_reader.h"

namespace dao_impl {

namespace {

// The query type is kept in the high bits of the low byte of the object's flags.
short query_type(const jet::jet_object& q) { return static_cast<short>(q.flags & 0xF0); }

class querydef_object : public com_object<_DAOQueryDef> {
 public:
  querydef_object(context_ptr ctx, const jet::jet_object* saved, std::wstring name, std::wstring sql)
      : ctx_(std::move(ctx)), name_(std::move(name)), sql_(std::move(sql)) {
    text_known_ = !saved;
    if (saved) {
      saved_ = *saved;
      is_saved_ = true;
    }
  }
  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    std::vector<dao_prop> props{{L"Name", dbText, name_}, {L"SQL", dbMemo, text()}};
    if (is_saved_) {
      auto blocks = jet::jet_parse_properties(*ctx_->file, saved_.properties);
      if (const auto* b = find_block(blocks, L""))
        for (const auto& p : b->properties) props.push_back({p.name, dao_type_of(p.type), p.value});
    }
    *out = make_properties(std::move(props), ctx_->errors);
    return S_OK;
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, name_); }
  HRESULT put_Name(BSTR) override { return ctx_->errors->fail(dao_err_read_only); }
  HRESULT get_Type(short* out) override {
    return out_value(out, is_saved_ ? query_type(saved_) : static_cast<short>(dbQSelect));
  }
  HRESULT get_SQL(BSTR* out) override { return out_bstr(out, text()); }
  HRESULT put_SQL(BSTR text) override {
    sql_ = bstr_text(text);
    text_known_ = true;
    return S_OK;
  }
  HRESULT get_Connect(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_ReturnsRecords(VARIANT_BOOL* out) override {
    short t = is_saved_ ? query_type(saved_) : static_cast<short>(dbQSelect);
    return out_value(out, vbool(t == dbQSelect || t == dbQCrosstab || t == dbQSetOperation));
  }
  HRESULT get_Fields(DAOFields** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    ref<DAORecordset> rs;
    DAORecordset* raw = nullptr;
    HRESULT hr = open_sql(ctx_, text(), &raw);
    if (FAILED(hr)) return hr;
    rs = ref<DAORecordset>::adopt(raw);
    return rs->get_Fields(out);
  }
  HRESULT OpenRecordset(VARIANT, VARIANT, VARIANT, DAORecordset** out) override { return open_sql(ctx_, text(), out); }
  HRESULT Execute(VARIANT) override { return ctx_->errors->fail(dao_err_read_only); }
  HRESULT Close() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAOQueryDef; }

 private:
  // A saved query's text is rebuilt from its MSysQueries rows when first asked for.
  const std::wstring& text() {
    if (!text_known_ && is_saved_) sql_ = query_catalog(*ctx_).query_sql(saved_.id);
    text_known_ = true;
    return sql_;
  }

  context_ptr ctx_;
  std::wstring name_;
  std::wstring sql_;
  bool text_known_ = false;
  jet::jet_object saved_;
  bool is_saved_ = false;
};

using querydefs_object = named_collection<DAOQueryDefs, _DAOQueryDef, IID_DAOQueryDefs>;

struct relation_def {
  std::wstring name, table, foreign_table;
  long attributes = 0;
  std::vector<std::pair<std::wstring, std::wstring>> columns;  // (column, foreign column)
};

class relation_object : public com_object<_DAORelation> {
 public:
  relation_object(relation_def d, error_sink errors) : d_(std::move(d)), errors_(std::move(errors)) {}
  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, d_.name}}, errors_);
    return S_OK;
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, d_.name); }
  HRESULT get_Table(BSTR* out) override { return out_bstr(out, d_.table); }
  HRESULT get_ForeignTable(BSTR* out) override { return out_bstr(out, d_.foreign_table); }
  HRESULT get_Attributes(LONG* out) override { return out_value(out, d_.attributes); }
  HRESULT get_Fields(DAOFields** out) override {
    if (!out) return E_POINTER;
    std::vector<ref<_DAOField>> fields;
    for (const auto& [col, foreign] : d_.columns) {
      auto m = std::make_shared<dao_column_meta>();
      m->name = col;
      m->foreign_name = foreign;
      fields.push_back(ref<_DAOField>::adopt(make_field(m, nullptr, 0, errors_)));
    }
    *out = make_fields(std::move(fields), errors_);
    return S_OK;
  }
  // A relationship read from a file is not changed.
  HRESULT CreateField(VARIANT, VARIANT, VARIANT, _DAOField** out) override {
    if (out) *out = nullptr;
    return errors_->fail(dao_err_read_only);
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAORelation; }

 private:
  relation_def d_;
  error_sink errors_;
};

using relations_object = named_collection<DAORelations, _DAORelation, IID_DAORelations>;

std::wstring text_of(const jet::jet_value& v) {
  const auto* s = std::get_if<std::wstring>(&v);
  return s ? *s : std::wstring();
}

long int_of(const jet::jet_value& v) {
  const auto* i = std::get_if<std::int32_t>(&v);
  return i ? *i : 0;
}

}  // namespace

_DAOQueryDef* make_querydef(context_ptr ctx, const jet::jet_object* saved, std::wstring name, std::wstring sql) {
  return new querydef_object(std::move(ctx), saved, std::move(name), std::move(sql));
}

DAOQueryDefs* make_querydefs(context_ptr ctx) {
  std::vector<ref<_DAOQueryDef>> items;
  std::vector<std::wstring> names;
  for (const auto& q : ctx->catalog.queries) {
    names.push_back(q.name);
    items.push_back(ref<_DAOQueryDef>::adopt(make_querydef(ctx, &q, q.name, L"")));
  }
  return new querydefs_object(std::move(items), std::move(names), ctx->errors);
}

DAORelations* make_relations(context_ptr ctx) {
  // MSysRelationships: one row per column pair; the rows of one relationship share its name.
  std::vector<relation_def> defs;
  if (const jet::jet_object* t = ctx->catalog.find_table(L"MSysRelationships")) {
    jet::jet_cursor cur(*ctx->file, t->page());
    const auto& cols = cur.columns();
    int c_name = jet::jet_find_column(cols, L"szRelationship"), c_obj = jet::jet_find_column(cols, L"szObject"),
        c_col = jet::jet_find_column(cols, L"szColumn"), c_ref = jet::jet_find_column(cols, L"szReferencedObject"),
        c_refcol = jet::jet_find_column(cols, L"szReferencedColumn"), c_grbit = jet::jet_find_column(cols, L"grbit"),
        c_pos = jet::jet_find_column(cols, L"icolumn");
    if (c_name >= 0 && c_obj >= 0 && c_col >= 0 && c_ref >= 0 && c_refcol >= 0) {
      std::vector<std::vector<std::pair<long, std::pair<std::wstring, std::wstring>>>> columns;
      while (cur.next()) {
        auto at = [&](int c) { return cur.value(static_cast<std::size_t>(c)); };
        std::wstring name = text_of(at(c_name));
        std::size_t k = 0;
        while (k < defs.size() && jet::jet_compare_names(defs[k].name, name) != 0) ++k;
        if (k == defs.size()) {
          relation_def d;
          d.name = name;
          // DAO names the referenced (primary) table Table and the referencing one ForeignTable.
          d.table = text_of(at(c_ref));
          d.foreign_table = text_of(at(c_obj));
          if (c_grbit >= 0) d.attributes = int_of(at(c_grbit));
          defs.push_back(std::move(d));
          columns.emplace_back();
        }
        long pos = c_pos >= 0 ? int_of(at(c_pos)) : 0;
        columns[k].push_back({pos, {text_of(at(c_refcol)), text_of(at(c_col))}});
      }
      for (std::size_t k = 0; k < defs.size(); ++k) {
        std::stable_sort(columns[k].begin(), columns[k].end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& c : columns[k]) defs[k].columns.push_back(c.second);
      }
    }
  }
  std::vector<ref<_DAORelation>> items;
  std::vector<std::wstring> names;
  for (auto& d : defs) {
    names.push_back(d.name);
    items.push_back(ref<_DAORelation>::adopt(new relation_object(std::move(d), ctx->errors)));
  }
  return new relations_object(std::move(items), std::move(names), ctx->errors);
}

}  // namespace dao_impl
