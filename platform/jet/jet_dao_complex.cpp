// Complex columns: attachments and multi-value lists. A row stores only an id; the values are
// the rows of a hidden flat table that carry that id, and DAO answers them as a Recordset.
#include <map>

#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_dao_objects.h"

namespace dao_impl {

namespace {

std::int32_t int_of(const jet::jet_value& v) {
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (const auto* i = std::get_if<std::int16_t>(&v)) return *i;
  if (const auto* c = std::get_if<jet::jet_complex_id>(&v)) return c->id;
  return 0;
}

std::wstring text_of(const jet::jet_value& v) {
  const auto* s = std::get_if<std::wstring>(&v);
  return s ? *s : std::wstring();
}

const jet::jet_object* find_by_id(const jet::jet_catalog& cat, std::int32_t id) {
  for (const auto& t : cat.tables)
    if (t.id == id) return &t;
  return nullptr;
}

// The names of the complex types' templates, with the DAO type of a column of each.
struct template_type {
  const wchar_t* table;
  short type;
};
constexpr template_type template_types[] = {
    {L"MSysComplexType_Attachment", dbAttachment},    {L"MSysComplexType_UnsignedByte", dbComplexByte},
    {L"MSysComplexType_Short", dbComplexInteger},     {L"MSysComplexType_Long", dbComplexLong},
    {L"MSysComplexType_IEEESingle", dbComplexSingle}, {L"MSysComplexType_IEEEDouble", dbComplexDouble},
    {L"MSysComplexType_GUID", dbComplexGUID},         {L"MSysComplexType_Decimal", dbComplexDecimal},
    {L"MSysComplexType_Text", dbComplexText},
};

}  // namespace

void load_complex_columns(dao_context& ctx) {
  ctx.complex_columns.clear();
  const jet::jet_object* t = ctx.catalog.find_table(L"MSysComplexColumns");
  if (!t) return;
  jet::jet_cursor cur(*ctx.file, t->page());
  const auto& cols = cur.columns();
  int c_name = jet::jet_find_column(cols, L"ColumnName"), c_type = jet::jet_find_column(cols, L"ComplexTypeObjectID"),
      c_flat = jet::jet_find_column(cols, L"FlatTableID"), c_table = jet::jet_find_column(cols, L"ConceptualTableID");
  if (c_name < 0 || c_type < 0 || c_flat < 0 || c_table < 0) return;
  while (cur.next()) {
    auto at = [&](int c) { return cur.value(static_cast<std::size_t>(c)); };
    dao_complex_column c;
    c.column = text_of(at(c_name));
    c.table_id = int_of(at(c_table));
    c.flat_table_id = int_of(at(c_flat));
    if (const jet::jet_object* type = find_by_id(ctx.catalog, int_of(at(c_type)))) c.type_table = type->name;
    ctx.complex_columns.push_back(std::move(c));
  }
}

const dao_complex_column* find_complex_column(const dao_context& ctx, std::int32_t table_id,
                                              const std::wstring& column) {
  for (const auto& c : ctx.complex_columns)
    if (c.table_id == table_id && jet::jet_compare_names(c.column, column) == 0) return &c;
  return nullptr;
}

short complex_dao_type(const dao_complex_column& c) {
  for (const auto& t : template_types)
    if (jet::jet_compare_names(c.type_table, t.table) == 0) return t.type;
  // Version history of an append-only memo: a list of texts with their dates.
  return dbComplexText;
}

// The values of every complex id of one column, read from its flat table once.
class complex_values {
 public:
  complex_values(const context_ptr& ctx, const dao_complex_column& c) {
    const jet::jet_object* flat = find_by_id(ctx->catalog, c.flat_table_id);
    if (!flat) return;
    std::vector<dao_column_meta> flat_cols;
    if (!table_columns(ctx, *flat, flat_cols)) return;
    // The template names the value columns; of the others, the flat table's own AutoNumber
    // numbers its rows and the remaining long column holds the owning row's complex id.
    std::vector<std::wstring> value_names;
    if (const jet::jet_object* tmpl = ctx->catalog.find_table(c.type_table)) {
      std::vector<dao_column_meta> tcols;
      if (table_columns(ctx, *tmpl, tcols))
        for (const auto& t : tcols) value_names.push_back(t.name);
    }
    int fk = -1;
    std::vector<std::size_t> pick;
    for (std::size_t i = 0; i < flat_cols.size(); ++i) {
      bool is_value = false;
      for (const auto& n : value_names) is_value = is_value || jet::jet_compare_names(n, flat_cols[i].name) == 0;
      if (is_value || value_names.empty()) {
        if (!value_names.empty()) pick.push_back(i);
      } else if (fk < 0 && flat_cols[i].column.type == jet::jet_long && !(flat_cols[i].attributes & dbAutoIncrField)) {
        fk = static_cast<int>(i);
      }
    }
    if (fk < 0 || pick.empty()) return;
    for (std::size_t p : pick) columns_.push_back(flat_cols[p]);
    jet::jet_cursor cur(*ctx->file, flat->page());
    while (cur.next()) {
      std::vector<jet::jet_value> row;
      for (std::size_t p : pick) row.push_back(cur.value(p));
      rows_[int_of(cur.value(static_cast<std::size_t>(fk)))].push_back(std::move(row));
    }
    ok_ = true;
  }

  bool ok() const { return ok_; }

  DAORecordset* recordset(std::int32_t id, const std::wstring& name, const error_sink& errors) const {
    std::vector<std::vector<jet::jet_value>> rows;
    auto it = rows_.find(id);
    if (it != rows_.end()) rows = it->second;
    return make_recordset(memory_rows(columns_, std::move(rows)), name, dbOpenSnapshot, errors);
  }

 private:
  bool ok_ = false;
  std::vector<dao_column_meta> columns_;
  std::map<std::int32_t, std::vector<std::vector<jet::jet_value>>> rows_;
};

HRESULT complex_value(const context_ptr& ctx, const dao_column_meta& meta, const jet::jet_value& v,
                      std::shared_ptr<complex_values>& cache, VARIANT* out) {
  VariantInit(out);
  if (!meta.complex) return to_variant(v, meta.column, out);
  if (!cache) cache = std::make_shared<complex_values>(ctx, *meta.complex);
  if (!cache->ok()) return ctx->errors->fail(dao_err_corrupt, ctx->name);
  const auto* id = std::get_if<jet::jet_complex_id>(&v);
  out->vt = VT_DISPATCH;
  out->pdispVal = cache->recordset(id ? id->id : 0, meta.name, ctx->errors);
  return S_OK;
}

}  // namespace dao_impl
