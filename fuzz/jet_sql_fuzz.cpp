// Runs arbitrary text as Jet SQL over a small in-memory database and reads every row: the
// parser, the translation into SQLite's dialect, the Jet functions and the value conversions.
// The tables are those of the test files' saved queries (Table1..Table3 with col1..col3), one
// with a column of every type, and saved queries that use them, one of which refers to itself.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/jet/sql/jet_sql_engine.h"
#include "platform/win/string_compare.h"

namespace {

using row = std::vector<jet_sql_value>;

class fuzz_table : public jet_sql_table {
 public:
  fuzz_table(std::vector<jet_sql_column> columns, std::vector<row> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}
  const std::vector<jet_sql_column>& columns() const override { return columns_; }
  std::uint64_t row_count() const override { return rows_.size(); }
  bool supports_seek() const override { return true; }
  std::unique_ptr<jet_sql_cursor> open_cursor() override;
  const std::vector<row>& rows() const { return rows_; }

 private:
  std::vector<jet_sql_column> columns_;
  std::vector<row> rows_;
};

class fuzz_cursor : public jet_sql_cursor {
 public:
  explicit fuzz_cursor(const fuzz_table& t) : table_(t) {}
  bool next() override {
    if (started_) ++row_;
    started_ = true;
    return row_ < table_.rows().size();
  }
  jet_sql_value value(std::size_t column) override { return table_.rows().at(row_).at(column); }
  std::uint64_t position() const override { return row_; }
  bool seek(std::uint64_t ordinal) override {
    if (ordinal >= table_.rows().size()) return false;
    row_ = static_cast<std::size_t>(ordinal);
    started_ = true;
    return true;
  }

 private:
  const fuzz_table& table_;
  std::size_t row_ = 0;
  bool started_ = false;
};

std::unique_ptr<jet_sql_cursor> fuzz_table::open_cursor() { return std::make_unique<fuzz_cursor>(*this); }

std::wstring folded(std::wstring name) {
  for (auto& c : name) c = fold_case(c);
  return name;
}

class fuzz_catalog : public jet_sql_catalog {
 public:
  fuzz_catalog() {
    auto text = [](const wchar_t* s) { return jet_sql_value::from_text(s); };
    const std::vector<jet_sql_column> cols = {
        {L"col1", jet_type_text}, {L"col2", jet_type_text}, {L"col3", jet_type_text}};
    add(L"Table1", cols, {{text(L"10"), text(L"foo"), text(L"a")}, {text(L"20"), text(L"bar"), jet_sql_value::null()}});
    add(L"Table2", cols, {{text(L"foo"), text(L"buzz"), text(L"b")}, {text(L"x"), text(L"bazz"), text(L"")}});
    add(L"Table3", cols, {{text(L"1"), text(L"2"), text(L"3")}});
    add(L"Types",
        {{L"ID", jet_type_long},
         {L"Flag", jet_type_boolean},
         {L"Small", jet_type_byte},
         {L"Short", jet_type_integer},
         {L"Money", jet_type_currency},
         {L"Single", jet_type_single},
         {L"Real", jet_type_double},
         {L"When", jet_type_date},
         {L"Name", jet_type_text},
         {L"Notes", jet_type_memo},
         {L"Bytes", jet_type_binary},
         {L"Picture", jet_type_long_binary},
         {L"Guid", jet_type_guid},
         {L"Big", jet_type_big_int},
         {L"Exact", jet_type_decimal}},
        {{jet_sql_value::from_integer(1), jet_sql_value::boolean(true), jet_sql_value::from_integer(255),
          jet_sql_value::from_integer(-32768), jet_sql_value::currency(-9223372036854775807LL),
          jet_sql_value::from_real(1.5), jet_sql_value::from_real(-1e308), jet_sql_value::date(-657434.0),
          text(L"Größe 😀"), text(std::wstring(300, L'x').c_str()), jet_sql_value::binary({0, 1, 255}),
          jet_sql_value::binary({}), text(L"{guid {00000000-0000-0000-0000-000000000000}}"),
          jet_sql_value::from_integer(INT64_MIN), jet_sql_value::from_real(12345.6789)},
         row(15, jet_sql_value::null()),
         {jet_sql_value::from_integer(2147483647), jet_sql_value::boolean(false), jet_sql_value::from_integer(0),
          jet_sql_value::from_integer(32767), jet_sql_value::currency(0), jet_sql_value::from_real(0),
          jet_sql_value::from_real(0.1), jet_sql_value::date(2958465.99999), text(L""), text(L"\r\n'\"[]"),
          jet_sql_value::binary({}), jet_sql_value::binary({0x15, 0x1c}), text(L""),
          jet_sql_value::from_integer(INT64_MAX), jet_sql_value::from_real(-0.0)}});
    queries_[folded(L"SelectQuery")] =
        L"SELECT Table1.*, Table2.col2 FROM Table1 INNER JOIN Table2 ON Table1.col1 = Table2.col1;";
    queries_[folded(L"Totals")] = L"SELECT Name, Sum(Money) AS Total FROM Types GROUP BY Name;";
    queries_[folded(L"Loop")] = L"SELECT * FROM Loop;";
  }
  jet_sql_table* find_table(const std::wstring& name) override {
    auto found = tables_.find(folded(name));
    return found == tables_.end() ? nullptr : found->second.get();
  }
  std::optional<std::wstring> find_query(const std::wstring& name) override {
    auto found = queries_.find(folded(name));
    if (found == queries_.end()) return std::nullopt;
    return found->second;
  }

 private:
  void add(const std::wstring& name, std::vector<jet_sql_column> columns, std::vector<row> rows) {
    tables_[folded(name)] = std::make_unique<fuzz_table>(std::move(columns), std::move(rows));
  }
  std::map<std::wstring, std::unique_ptr<fuzz_table>> tables_;
  std::map<std::wstring, std::wstring> queries_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz_catalog catalog;
  jet_sql_engine engine(catalog);
  jet_sql_error error;
  std::unique_ptr<jet_query_result> result = engine.open(fuzz_wide_text(data, size), error);
  if (!result) return 0;
  std::vector<jet_sql_value> values;
  // A cross join of the tables with themselves stays small; the cap only bounds a runaway.
  for (int rows = 0; rows < 10000 && result->next(values, error); ++rows) {
  }
  result->rewind();
  result->next(values, error);
  return 0;
}
