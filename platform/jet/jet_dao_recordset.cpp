// Recordset: a cursor over table rows or rows made in memory, with DAO's BOF/EOF rules.
#include <algorithm>
#include <regex>

#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_dao_write_members.h"

namespace dao_impl {

namespace {

class memory_source : public row_source {
 public:
  memory_source(std::vector<dao_column_meta> columns, std::vector<std::vector<jet::jet_value>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}
  const std::vector<dao_column_meta>& columns() const override { return columns_; }
  long count() override { return static_cast<long>(rows_.size()); }
  void rewind() override { at_ = -1; }
  bool next() override {
    if (at_ < static_cast<long>(rows_.size())) ++at_;
    return at_ < static_cast<long>(rows_.size());
  }
  HRESULT value(std::size_t column, VARIANT* out) override {
    if (at_ < 0 || at_ >= static_cast<long>(rows_.size()) || column >= columns_.size()) return E_UNEXPECTED;
    return to_variant(rows_[static_cast<std::size_t>(at_)][column], columns_[column].column, out);
  }

 private:
  std::vector<dao_column_meta> columns_;
  std::vector<std::vector<jet::jet_value>> rows_;
  long at_ = -1;
};

class table_source : public row_source {
 public:
  table_source(context_ptr ctx, const jet::jet_object& table, std::vector<dao_column_meta> columns)
      : ctx_(std::move(ctx)),
        name_(table.name),
        cursor_(*ctx_->file, table),
        columns_(std::move(columns)),
        complex_(columns_.size()) {}
  const std::vector<dao_column_meta>& columns() const override { return columns_; }
  long count() override { return static_cast<long>(cursor_.row_count()); }
  void rewind() override { cursor_.rewind(); }
  bool next() override { return cursor_.next(); }
  bool damaged() const override { return cursor_.damaged(); }
  HRESULT report_damage(const error_sink& errors, const std::wstring&) const override {
    return errors->fail_described(dao_err_damaged, dao_damaged_table_text(name_, cursor_.damage()));
  }
  bool valid() const { return cursor_.valid(); }
  const std::wstring& damage() const { return cursor_.damage(); }
  HRESULT value(std::size_t column, VARIANT* out) override {
    if (column >= columns_.size()) return E_UNEXPECTED;
    if (columns_[column].complex)
      return complex_value(ctx_, columns_[column], cursor_.value(column), complex_[column], out);
    return to_variant(cursor_.value(column), columns_[column].column, out);
  }

 private:
  context_ptr ctx_;  // keeps the file open while the cursor walks it
  std::wstring name_;
  jet::jet_cursor cursor_;
  std::vector<dao_column_meta> columns_;
  std::vector<std::shared_ptr<complex_values>> complex_;
};

class recordset_object : public com_object<DAORecordset> {
 public:
  recordset_object(std::unique_ptr<row_source> source, std::wstring name, short type, error_sink errors)
      : name_(std::move(name)), type_(type), errors_(errors) {
    state_ = std::make_shared<cursor_state>();
    state_->errors = errors;
    state_->source = std::move(source);
    const auto& cols = state_->source->columns();
    std::vector<ref<_DAOField>> fields;
    for (std::size_t i = 0; i < cols.size(); ++i)
      fields.push_back(
          ref<_DAOField>::adopt(make_field(std::make_shared<dao_column_meta>(cols[i]), state_, i, errors)));
    fields_ = ref<DAOFields>::adopt(make_fields(std::move(fields), errors));
    first();
  }

  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, name_}}, errors_);
    return S_OK;
  }
  HRESULT get_BOF(VARIANT_BOOL* out) override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    return out_value(out, vbool(state_->bof));
  }
  HRESULT get_EOF(VARIANT_BOOL* out) override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    return out_value(out, vbool(state_->eof));
  }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, name_); }
  HRESULT get_RecordCount(LONG* out) override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    return out_value(out, state_->source->count());
  }
  HRESULT get_Type(short* out) override { return out_value(out, type_); }
  HRESULT get_Updatable(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }
  HRESULT get_Fields(DAOFields** out) override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    return fields_.copy_to(out);
  }
  HRESULT MoveFirst() override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    if (!first()) return errors_->fail(dao_err_no_current_record);
    return S_OK;
  }
  HRESULT MoveLast(LONG) override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    if (!first()) return errors_->fail(dao_err_no_current_record);
    while (step()) {
    }
    return back();
  }
  HRESULT MoveNext() override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    if (state_->eof) return errors_->fail(dao_err_no_current_record);
    if (state_->bof && !state_->on_row)
      first();
    else
      step();
    // Rows that could not be read are never passed over in silence.
    if (state_->source->damaged()) return state_->source->report_damage(errors_, name_);
    return S_OK;
  }
  HRESULT MovePrevious() override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    if (state_->bof) return errors_->fail(dao_err_no_current_record);
    return back();
  }
  HRESULT Close() override {
    if (!state_->open) return errors_->fail(dao_err_object_closed);
    state_->open = false;
    state_->on_row = false;
    return S_OK;
  }
  HRESULT AddNew() override { return errors_->fail(dao_err_read_only); }
  HRESULT Edit() override { return errors_->fail(dao_err_read_only); }
  HRESULT Update(LONG, VARIANT_BOOL) override { return errors_->fail(dao_err_read_only); }
  HRESULT Delete() override { return errors_->fail(dao_err_read_only); }
  HRESULT put_Collect(VARIANT item, VARIANT value) override { return recordset_put_collect(errors_, item, value); }
  HRESULT CancelUpdate(LONG update_type) override { return recordset_cancel_update(errors_, update_type); }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAORecordset; }

 private:
  // To the first row; false for an empty recordset (then BOF and EOF are both true).
  bool first() {
    cursor_state& s = *state_;
    s.source->rewind();
    s.position = -1;
    s.on_row = s.source->next();
    if (s.on_row) s.position = 0;
    s.bof = !s.on_row;
    s.eof = !s.on_row;
    return s.on_row;
  }
  bool step() {
    cursor_state& s = *state_;
    s.on_row = s.source->next();
    if (s.on_row) {
      ++s.position;
      s.bof = false;
    } else {
      s.eof = true;
      s.position = -1;
    }
    return s.on_row;
  }
  // One row back: the cursor only walks forward, so walk again from the start.
  HRESULT back() {
    cursor_state& s = *state_;
    long target = s.eof ? -2 : s.position - 1;
    if (s.eof) {
      // From EOF to the last row.
      long n = 0;
      s.source->rewind();
      while (s.source->next()) ++n;
      target = n - 1;
    }
    s.source->rewind();
    s.eof = false;
    if (target < 0) {
      s.on_row = false;
      s.bof = true;
      s.position = -1;
      return S_OK;
    }
    for (long i = 0; i <= target; ++i) s.source->next();
    s.on_row = true;
    s.bof = false;
    s.position = target;
    return S_OK;
  }

  std::wstring name_;
  short type_;
  error_sink errors_;
  cursor_ptr state_;
  ref<DAOFields> fields_;
};

std::wstring trim(const std::wstring& s) {
  std::size_t a = s.find_first_not_of(L" \t\r\n;");
  if (a == std::wstring::npos) return {};
  std::size_t b = s.find_last_not_of(L" \t\r\n;");
  return s.substr(a, b - a + 1);
}

std::wstring unbracket(std::wstring s) {
  s = trim(s);
  if (s.size() >= 2 && s.front() == L'[' && s.back() == L']') return s.substr(1, s.size() - 2);
  return s;
}

}  // namespace

HRESULT row_source::report_damage(const error_sink& errors, const std::wstring& name) const {
  return errors->fail(dao_err_corrupt, name);
}

DAORecordset* make_recordset(std::unique_ptr<row_source> source, std::wstring name, short type, error_sink errors) {
  return new recordset_object(std::move(source), std::move(name), type, std::move(errors));
}

std::unique_ptr<row_source> memory_rows(std::vector<dao_column_meta> columns,
                                        std::vector<std::vector<jet::jet_value>> rows) {
  return std::make_unique<memory_source>(std::move(columns), std::move(rows));
}

std::unique_ptr<row_source> table_rows(context_ptr ctx, const jet::jet_object& table, std::wstring* damage) {
  std::vector<dao_column_meta> cols;
  if (!table_columns(ctx, table, cols)) {
    if (damage) *damage = dao_no_definition;
    return nullptr;
  }
  auto src = std::make_unique<table_source>(std::move(ctx), table, std::move(cols));
  if (!src->valid()) {
    if (damage) *damage = src->damage();
    return nullptr;
  }
  return src;
}

HRESULT open_table_rows(const context_ptr& ctx, const std::wstring& name, std::unique_ptr<row_source>& out) {
  const jet::jet_object* t = ctx->catalog.find_table(name);
  if (!t) return ctx->errors->fail(dao_err_input_not_found, name);
  if (t->type != jet::jet_obj_table) return ctx->errors->fail(dao_err_not_supported);
  std::wstring damage;
  out = table_rows(ctx, *t, &damage);
  if (!out) return ctx->errors->fail_described(dao_err_damaged, dao_damaged_table_text(t->name, damage));
  return S_OK;
}

HRESULT open_sql(const context_ptr& ctx, const std::wstring& sql_text, DAORecordset** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::wstring sql = trim(sql_text);
  static const std::wregex select_all(LR"(^select\s+\*\s+from\s+(\[[^\]]+\]|[^\s\[\]();]+)$)", std::regex::icase);
  static const std::wregex count_all(
      LR"(^select\s+count\s*\(\s*\*\s*\)\s+from\s*\(\s*select\s+\*\s+from\s+(\[[^\]]+\]|[^\s\[\]();]+)\s*\)$)",
      std::regex::icase);
  static const std::wregex relationships(
      LR"(^select\s+szRelationship\s*,\s*szColumn\s*,\s*szObject\s*,\s*szReferencedObject\s*,\s*szReferencedColumn\s*,\s*grbit\s+from\s+MSysRelationships\s+order\s+by\s+szRelationship$)",
      std::regex::icase);
  std::wsmatch m;
  // Only stored tables take the short ways; a saved query of that name is run as Jet SQL.
  auto stored_table = [&](const std::wstring& name) {
    const jet::jet_object* t = ctx->catalog.find_table(name);
    return t && t->type == jet::jet_obj_table;
  };
  if (std::regex_match(sql, m, select_all) && stored_table(unbracket(m[1].str()))) {
    std::wstring name = unbracket(m[1].str());
    std::unique_ptr<row_source> rows;
    HRESULT hr = open_table_rows(ctx, name, rows);
    if (FAILED(hr)) return hr;
    *out = make_recordset(std::move(rows), sql, dbOpenDynaset, ctx->errors);
    return S_OK;
  }
  if (std::regex_match(sql, m, count_all) && stored_table(unbracket(m[1].str()))) {
    std::wstring name = unbracket(m[1].str());
    std::unique_ptr<row_source> rows;
    HRESULT hr = open_table_rows(ctx, name, rows);
    if (FAILED(hr)) return hr;
    std::int32_t n = 0;
    rows->rewind();
    while (rows->next()) ++n;
    dao_column_meta c;
    c.name = L"Expr1000";
    c.type = dbLong;
    c.size = 4;
    c.attributes = dbFixedField;
    c.column.type = jet::jet_long;
    *out = make_recordset(memory_rows({c}, {{n}}), sql, dbOpenDynaset, ctx->errors);
    return S_OK;
  }
  if (std::regex_match(sql, m, relationships)) {
    const jet::jet_object* t = ctx->catalog.find_table(L"MSysRelationships");
    if (!t) return ctx->errors->fail(dao_err_input_not_found, L"MSysRelationships");
    std::wstring damage;
    std::unique_ptr<row_source> src = table_rows(ctx, *t, &damage);
    if (!src) return ctx->errors->fail_described(dao_err_damaged, dao_damaged_table_text(t->name, damage));
    static const wchar_t* wanted[] = {L"szRelationship",     L"szColumn",           L"szObject",
                                      L"szReferencedObject", L"szReferencedColumn", L"grbit"};
    std::vector<int> pick;
    std::vector<dao_column_meta> cols;
    for (const wchar_t* w : wanted) {
      int at = -1;
      for (std::size_t i = 0; i < src->columns().size(); ++i)
        if (jet::jet_compare_names(src->columns()[i].name, w) == 0) at = static_cast<int>(i);
      if (at < 0) return ctx->errors->fail(dao_err_item_not_found);
      pick.push_back(at);
      cols.push_back(src->columns()[static_cast<std::size_t>(at)]);
    }
    // Reads the rows through the plain cursor so values keep their stored types.
    jet::jet_cursor cur(*ctx->file, t->page());
    std::vector<std::vector<jet::jet_value>> rows;
    while (cur.next()) {
      std::vector<jet::jet_value> row;
      for (int p : pick) row.push_back(cur.value(static_cast<std::size_t>(p)));
      rows.push_back(std::move(row));
    }
    // A relationship with rows missing would be created with columns missing, or not at all.
    if (cur.damaged())
      return ctx->errors->fail_described(dao_err_damaged, dao_damaged_table_text(t->name, cur.damage()));
    auto text = [](const jet::jet_value& v) {
      const auto* s = std::get_if<std::wstring>(&v);
      return s ? *s : std::wstring();
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const auto& a, const auto& b) { return jet::jet_compare_names(text(a[0]), text(b[0])) < 0; });
    *out = make_recordset(memory_rows(std::move(cols), std::move(rows)), sql, dbOpenDynaset, ctx->errors);
    return S_OK;
  }
  return open_jet_sql(ctx, sql_text, out);
}

}  // namespace dao_impl
