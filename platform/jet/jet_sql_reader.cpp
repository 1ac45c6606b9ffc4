// Adapts the reader's catalog, cursor and values to the Jet SQL layer's interfaces.
#include "platform/jet/jet_sql_reader.h"

#include <cmath>
#include <cstdio>

#include "platform/jet/jet_cursor.h"
#include "platform/jet/sql/jet_query_text.h"

namespace {

class jet_reader_cursor : public jet_sql_cursor {
 public:
  jet_reader_cursor(const jet::jet_file& file, const jet::jet_object& table) : cursor_(file, table) {}
  bool next() override { return cursor_.next(); }
  jet_sql_value value(std::size_t column) override { return jet_reader_value(cursor_.value(column)); }
  // Where the row is stored: joins look rows up by it instead of copying the table.
  std::uint64_t position() const override { return cursor_.position(); }
  bool seek(std::uint64_t position) override { return cursor_.seek(position); }

 private:
  jet::jet_cursor cursor_;
};

class jet_reader_table : public jet_sql_table {
 public:
  jet_reader_table(const jet::jet_file& file, const jet::jet_object& table) : file_(file), table_(table) {
    jet::jet_cursor probe(file, table);
    for (const auto& c : probe.columns()) columns_.push_back({c.name, jet_reader_dao_type(c)});
    rows_ = probe.row_count();
  }
  const std::vector<jet_sql_column>& columns() const override { return columns_; }
  std::unique_ptr<jet_sql_cursor> open_cursor() override { return std::make_unique<jet_reader_cursor>(file_, table_); }
  std::uint64_t row_count() const override { return rows_; }
  bool supports_seek() const override { return true; }

 private:
  const jet::jet_file& file_;
  jet::jet_object table_;
  std::vector<jet_sql_column> columns_;
  std::uint64_t rows_ = 0;
};

std::optional<std::wstring> optional_text(const jet::jet_value& v) {
  if (const auto* s = std::get_if<std::wstring>(&v)) return *s;
  return std::nullopt;
}

std::optional<int> optional_int(const jet::jet_value& v) {
  jet_sql_value c = jet_reader_value(v);
  if (c.type == jet_sql_value::kind::integer || c.type == jet_sql_value::kind::boolean)
    return static_cast<int>(c.integer);
  return std::nullopt;
}

}  // namespace

int jet_reader_dao_type(const jet::jet_column& c) {
  switch (jet::jet_value_type(c)) {
    case jet::jet_bool: return jet_type_boolean;
    case jet::jet_byte: return jet_type_byte;
    case jet::jet_int: return jet_type_integer;
    case jet::jet_long: return jet_type_long;
    case jet::jet_money: return jet_type_currency;
    case jet::jet_float: return jet_type_single;
    case jet::jet_double: return jet_type_double;
    case jet::jet_datetime: return jet_type_date;
    // Read as its ISO text: a Date would hold only milliseconds of its seven fraction digits.
    case jet::jet_datetime_ext: return jet_type_text;
    case jet::jet_text: return jet_type_text;
    case jet::jet_binary: return jet_type_binary;
    case jet::jet_ole: return jet_type_long_binary;
    case jet::jet_memo: return jet_type_memo;
    case jet::jet_guid: return jet_type_guid;
    case jet::jet_numeric: return jet_type_decimal;
    case jet::jet_bigint: return jet_type_big_int;
    case jet::jet_complex: return jet_type_long;
    // A type this reader does not know: its bytes as they are stored, never read as text.
    default: return jet_type_binary;
  }
}

jet_sql_value jet_reader_value(const jet::jet_value& v) {
  struct visitor {
    jet_sql_value operator()(jet::jet_null) const { return jet_sql_value::null(); }
    jet_sql_value operator()(bool b) const { return jet_sql_value::boolean(b); }
    jet_sql_value operator()(std::uint8_t i) const { return jet_sql_value::from_integer(i); }
    jet_sql_value operator()(std::int16_t i) const { return jet_sql_value::from_integer(i); }
    jet_sql_value operator()(std::int32_t i) const { return jet_sql_value::from_integer(i); }
    jet_sql_value operator()(std::int64_t i) const { return jet_sql_value::from_integer(i); }
    jet_sql_value operator()(jet::jet_currency c) const { return jet_sql_value::currency(c.scaled); }
    jet_sql_value operator()(float f) const { return jet_sql_value::from_real(f); }
    jet_sql_value operator()(double d) const { return jet_sql_value::from_real(d); }
    jet_sql_value operator()(jet::jet_date d) const { return jet_sql_value::date(d.days); }
    jet_sql_value operator()(const std::wstring& s) const { return jet_sql_value::from_text(s); }
    jet_sql_value operator()(const jet::jet_bytes& b) const { return jet_sql_value::binary(b); }
    jet_sql_value operator()(const jet::jet_uuid& u) const {
      wchar_t buf[40];
      const std::uint8_t* b = u.bytes;
      std::swprintf(buf, 40, L"{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                    b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
      return jet_sql_value::from_text(buf);
    }
    jet_sql_value operator()(const jet::jet_decimal& d) const {
      double magnitude = static_cast<double>(d.hi) * 18446744073709551616.0 + static_cast<double>(d.lo);
      double value = magnitude / std::pow(10.0, d.scale);
      return jet_sql_value::from_real(d.negative ? -value : value);
    }
    jet_sql_value operator()(jet::jet_complex_id c) const { return jet_sql_value::from_integer(c.id); }
  };
  return std::visit(visitor{}, v);
}

jet_reader_catalog::jet_reader_catalog(const jet::jet_file& file) : file_(file) {
  jet::jet_read_catalog(file, catalog_);
  read_queries();
}

jet_reader_catalog::jet_reader_catalog(const jet::jet_file& file, jet::jet_catalog objects)
    : file_(file), catalog_(std::move(objects)) {
  read_queries();
}

void jet_reader_catalog::read_queries() {
  const jet::jet_file& file = file_;
  const jet::jet_object* msys = catalog_.find_table(L"MSysQueries");
  if (!msys) return;
  jet::jet_cursor rows(file, msys->page());
  if (!rows.valid()) queries_damage_ = rows.damage();
  const auto& columns = rows.columns();
  int attribute = jet::jet_find_column(columns, L"Attribute"),
      expression = jet::jet_find_column(columns, L"Expression"), flag = jet::jet_find_column(columns, L"Flag"),
      name1 = jet::jet_find_column(columns, L"Name1"), name2 = jet::jet_find_column(columns, L"Name2"),
      object = jet::jet_find_column(columns, L"ObjectId");
  if (attribute < 0 || object < 0) return;
  std::map<std::int32_t, std::vector<jet_query_row>> by_query;
  while (rows.next()) {
    jet_query_row r;
    r.object_id = optional_int(rows.value(static_cast<size_t>(object))).value_or(0);
    r.attribute = optional_int(rows.value(static_cast<size_t>(attribute))).value_or(0);
    if (expression >= 0) r.expression = optional_text(rows.value(static_cast<size_t>(expression)));
    if (flag >= 0) r.flag = optional_int(rows.value(static_cast<size_t>(flag)));
    if (name1 >= 0) r.name1 = optional_text(rows.value(static_cast<size_t>(name1)));
    if (name2 >= 0) r.name2 = optional_text(rows.value(static_cast<size_t>(name2)));
    by_query[r.object_id].push_back(std::move(r));
  }
  if (rows.damaged()) queries_damage_ = rows.damage();
  jet_text_dialect dialect =
      file.header().format == jet::jet_format::jet3 ? jet_text_dialect::jet3 : jet_text_dialect::jet4;
  for (const auto& [id, query_rows] : by_query)
    if (auto sql = jet_query_sql(query_rows, dialect)) query_sql_[id] = *sql;
}

jet_reader_catalog::~jet_reader_catalog() = default;

jet_sql_table* jet_reader_catalog::find_table(const std::wstring& name) {
  const jet::jet_object* o = catalog_.find_table(name);
  if (!o || o->type != jet::jet_obj_table) return nullptr;
  auto& table = tables_[o->id];
  if (!table) table = std::make_unique<jet_reader_table>(file_, *o);
  return table.get();
}

std::optional<std::wstring> jet_reader_catalog::find_query(const std::wstring& name) {
  const jet::jet_object* o = catalog_.find_query(name);
  if (!o) return std::nullopt;
  auto found = query_sql_.find(o->id);
  if (found == query_sql_.end()) return std::nullopt;
  return found->second;
}

std::wstring jet_reader_catalog::query_sql(std::int32_t id) const {
  auto found = query_sql_.find(id);
  return found == query_sql_.end() ? std::wstring() : found->second;
}

std::wstring jet_reader_catalog::stored_name(const std::wstring& name) {
  if (const jet::jet_object* o = catalog_.find_table(name)) return o->name;
  if (const jet::jet_object* o = catalog_.find_query(name)) return o->name;
  return name;
}
