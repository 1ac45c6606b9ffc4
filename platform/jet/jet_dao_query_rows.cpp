// Recordsets over general Jet SQL: the query engine's result rows as DAO fields and values, and
// the query catalog and engine that each open database makes on first use.
#include <cmath>

#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_sql_reader.h"
#include "platform/jet/sql/jet_sql_engine.h"

namespace dao_impl {

dao_context::dao_context() = default;
dao_context::~dao_context() = default;

jet_reader_catalog& query_catalog(dao_context& ctx) {
  if (!ctx.sql_catalog) ctx.sql_catalog = std::make_unique<jet_reader_catalog>(*ctx.file, ctx.catalog);
  return *ctx.sql_catalog;
}

jet_sql_engine& query_engine(dao_context& ctx) {
  if (!ctx.sql_engine) ctx.sql_engine = std::make_unique<jet_sql_engine>(query_catalog(ctx));
  return *ctx.sql_engine;
}

namespace {

// The stored type a result column would have, so that values convert as a table's would.
int storage_type(int dao_type) {
  switch (dao_type) {
    case jet_type_boolean: return jet::jet_bool;
    case jet_type_byte: return jet::jet_byte;
    case jet_type_integer: return jet::jet_int;
    case jet_type_long: return jet::jet_long;
    case jet_type_currency: return jet::jet_money;
    case jet_type_single: return jet::jet_float;
    case jet_type_double: return jet::jet_double;
    case jet_type_date: return jet::jet_datetime;
    case jet_type_binary: return jet::jet_binary;
    case jet_type_long_binary: return jet::jet_ole;
    case jet_type_memo: return jet::jet_memo;
    case jet_type_guid: return jet::jet_guid;
    case jet_type_big_int: return jet::jet_bigint;
    case jet_type_decimal: return jet::jet_numeric;
    default: return jet::jet_text;
  }
}

// A result column as DAO describes the fields of a query: the result's name and type, the
// type's size (a calculated text is 255 characters long), nothing updatable.
dao_column_meta describe_result(const jet_sql_column& c, std::size_t ordinal) {
  dao_column_meta m;
  m.name = c.name;
  m.type = static_cast<short>(c.type);
  m.ordinal = static_cast<short>(ordinal);
  m.column.name = c.name;
  m.column.type = storage_type(c.type);
  bool variable = false;
  switch (c.type) {
    case jet_type_boolean:
    case jet_type_byte: m.size = 1; break;
    case jet_type_integer: m.size = 2; break;
    case jet_type_long:
    case jet_type_single: m.size = 4; break;
    case jet_type_currency:
    case jet_type_double:
    case jet_type_date:
    case jet_type_big_int: m.size = 8; break;
    case jet_type_guid:
    case jet_type_decimal: m.size = 16; break;
    case jet_type_memo:
    case jet_type_long_binary: variable = true; break;
    case jet_type_binary:
      m.size = 510;
      variable = true;
      break;
    default:
      m.size = 255;
      variable = true;
      break;
  }
  m.attributes = variable ? dbVariableField : dbFixedField;
  return m;
}

template <typename T>
T whole(const jet_sql_value& v) {
  if (v.type == jet_sql_value::kind::real || v.type == jet_sql_value::kind::date)
    return static_cast<T>(std::llround(v.real));
  if (v.type == jet_sql_value::kind::currency) return static_cast<T>(v.integer / 10000);
  return static_cast<T>(v.integer);
}

double number(const jet_sql_value& v) {
  switch (v.type) {
    case jet_sql_value::kind::real:
    case jet_sql_value::kind::date: return v.real;
    case jet_sql_value::kind::currency: return static_cast<double>(v.integer) / 10000.0;
    default: return static_cast<double>(v.integer);
  }
}

// One cell as the VARIANT DAO gives for a field of the column's type. The engine already hands
// values in the column's kind; a number in a column of another numeric type takes that type.
HRESULT cell_variant(const jet_sql_value& v, const dao_column_meta& m, VARIANT* out) {
  using kind = jet_sql_value::kind;
  const jet::jet_column& c = m.column;
  switch (v.type) {
    case kind::null: return to_variant(jet::jet_null{}, c, out);
    case kind::text: return to_variant(v.text, c, out);
    case kind::binary: return to_variant(jet::jet_bytes(v.bytes), c, out);
    default: break;
  }
  switch (m.type) {
    case jet_type_boolean: return to_variant(number(v) != 0, c, out);
    case jet_type_byte: return to_variant(whole<std::uint8_t>(v), c, out);
    case jet_type_integer: return to_variant(whole<std::int16_t>(v), c, out);
    case jet_type_long: return to_variant(whole<std::int32_t>(v), c, out);
    case jet_type_big_int: return to_variant(whole<std::int64_t>(v), c, out);
    case jet_type_currency:
      if (v.type == kind::currency) return to_variant(jet::jet_currency{v.integer}, c, out);
      return to_variant(jet::jet_currency{std::llround(number(v) * 10000.0)}, c, out);
    case jet_type_single: return to_variant(static_cast<float>(number(v)), c, out);
    case jet_type_date: return to_variant(jet::jet_date{number(v)}, c, out);
    case jet_type_decimal: {
      VariantInit(out);
      HRESULT hr = VarDecFromR8(number(v), &out->decVal);
      if (FAILED(hr)) return hr;
      out->vt = VT_DECIMAL;
      return S_OK;
    }
    default: break;
  }
  switch (v.type) {
    case kind::boolean: return to_variant(v.integer != 0, c, out);
    case kind::integer: return to_variant(static_cast<std::int32_t>(v.integer), c, out);
    case kind::currency: return to_variant(jet::jet_currency{v.integer}, c, out);
    case kind::date: return to_variant(jet::jet_date{v.real}, c, out);
    default: return to_variant(v.real, c, out);
  }
}

// The rows of one statement, read forward through the engine; the row count walks a second
// run of the statement, so it never moves the recordset.
class sql_source : public row_source {
 public:
  sql_source(context_ptr ctx, std::wstring sql, std::unique_ptr<jet_query_result> result)
      : ctx_(std::move(ctx)), sql_(std::move(sql)), result_(std::move(result)) {
    for (std::size_t i = 0; i < result_->columns().size(); ++i)
      columns_.push_back(describe_result(result_->columns()[i], i));
  }
  const std::vector<dao_column_meta>& columns() const override { return columns_; }
  long count() override {
    if (count_ < 0) {
      jet_sql_error error;
      auto again = query_engine(*ctx_).open(sql_, error);
      long n = 0;
      std::vector<jet_sql_value> row;
      while (again && again->next(row, error)) ++n;
      count_ = n;
    }
    return count_;
  }
  void rewind() override {
    result_->rewind();
    on_row_ = false;
  }
  bool next() override {
    on_row_ = !error_.number && result_->next(row_, error_);
    return on_row_;
  }
  bool damaged() const override { return error_.number != 0; }
  HRESULT report_damage(const error_sink& errors, const std::wstring&) const override {
    return errors->fail_described(error_.number, error_.description);
  }
  HRESULT value(std::size_t column, VARIANT* out) override {
    if (!on_row_ || column >= columns_.size() || column >= row_.size()) return E_UNEXPECTED;
    return cell_variant(row_[column], columns_[column], out);
  }
  const jet_sql_error& error() const { return error_; }

 private:
  context_ptr ctx_;  // keeps the engine alive until the result is gone
  std::wstring sql_;
  std::unique_ptr<jet_query_result> result_;
  std::vector<dao_column_meta> columns_;
  std::vector<jet_sql_value> row_;
  jet_sql_error error_;
  long count_ = -1;
  bool on_row_ = false;
};

}  // namespace

HRESULT open_jet_sql(const context_ptr& ctx, const std::wstring& sql, DAORecordset** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  jet_sql_error error;
  std::unique_ptr<jet_query_result> result = query_engine(*ctx).open(sql, error);
  if (!result) return ctx->errors->fail_described(error.number, error.description);
  auto source = std::make_unique<sql_source>(ctx, sql, std::move(result));
  // A failure that shows only when rows are read (a function refusing its argument) fails the
  // open as DAO's would, instead of passing for an empty recordset.
  source->next();
  if (source->damaged()) return ctx->errors->fail_described(source->error().number, source->error().description);
  source->rewind();
  *out = make_recordset(std::move(source), sql, dbOpenDynaset, ctx->errors);
  return S_OK;
}

}  // namespace dao_impl
