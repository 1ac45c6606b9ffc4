// The in-memory catalog and the reading of an Access file through the mdbtools programs.
#include "tests/jet_sql/memory_catalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_query_text.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "platform/win/string_compare.h"
#include "tests/jet_sql/mdbtools_export.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_shell.h"

namespace {

class memory_cursor : public jet_sql_cursor {
 public:
  explicit memory_cursor(const memory_table& t) : table_(t) {}
  bool next() override {
    if (started_) ++row_;
    started_ = true;
    return row_ < table_.rows().size();
  }
  jet_sql_value value(std::size_t column) override { return table_.rows()[row_][column]; }
  std::uint64_t position() const override { return row_; }
  bool seek(std::uint64_t ordinal) override {
    if (ordinal >= table_.rows().size()) return false;
    row_ = static_cast<size_t>(ordinal);
    started_ = true;
    return true;
  }

 private:
  const memory_table& table_;
  size_t row_ = 0;
  bool started_ = false;
};

// mdb-schema's type words, as DAO types.
int type_of(const std::string& word) {
  if (word.rfind("Long Integer", 0) == 0) return jet_type_long;
  if (word.rfind("Integer", 0) == 0) return jet_type_integer;
  if (word.rfind("Byte", 0) == 0) return jet_type_byte;
  if (word.rfind("Currency", 0) == 0) return jet_type_currency;
  if (word.rfind("Single", 0) == 0) return jet_type_single;
  if (word.rfind("Double", 0) == 0) return jet_type_double;
  if (word.rfind("DateTime", 0) == 0) return jet_type_date;
  if (word.rfind("Boolean", 0) == 0) return jet_type_boolean;
  if (word.rfind("Memo", 0) == 0) return jet_type_memo;
  if (word.rfind("OLE", 0) == 0) return jet_type_long_binary;
  if (word.rfind("Numeric", 0) == 0) return jet_type_decimal;
  return jet_type_text;
}

jet_sql_value cell(const std::optional<std::string>& s, int type) {
  if (!s) return jet_sql_value::null();
  switch (type) {
    case jet_type_boolean: return jet_sql_value::boolean(*s != "0");
    case jet_type_byte:
    case jet_type_integer:
    case jet_type_long: return jet_sql_value::from_integer(std::stoll(*s));
    case jet_type_currency: return jet_sql_value::currency(std::llround(std::stod(*s) * 10000));
    case jet_type_single:
    case jet_type_double:
    case jet_type_decimal: return jet_sql_value::from_real(std::stod(*s));
    case jet_type_date: {
      jet_date_parts p;
      std::sscanf(s->c_str(), "%d-%d-%d %d:%d:%d", &p.year, &p.month, &p.day, &p.hour, &p.minute, &p.second);
      return jet_sql_value::date(jet_ole_date(p));
    }
    case jet_type_long_binary: return jet_sql_value::binary({s->begin(), s->end()});
    default: return jet_sql_value::from_text(jet_from_utf8(*s));
  }
}

}  // namespace

std::unique_ptr<jet_sql_cursor> memory_table::open_cursor() { return std::make_unique<memory_cursor>(*this); }

std::wstring memory_catalog::key(const std::wstring& name) {
  std::wstring k = name;
  for (auto& c : k) c = fold_case(c);
  return k;
}

jet_sql_table* memory_catalog::find_table(const std::wstring& name) {
  auto found = tables_.find(key(name));
  return found == tables_.end() ? nullptr : found->second.second.get();
}

memory_table* memory_catalog::table(const std::wstring& name) {
  auto found = tables_.find(key(name));
  return found == tables_.end() ? nullptr : found->second.second.get();
}

std::optional<std::wstring> memory_catalog::find_query(const std::wstring& name) {
  auto found = queries_.find(key(name));
  if (found == queries_.end()) return std::nullopt;
  return found->second.second;
}

std::wstring memory_catalog::stored_name(const std::wstring& name) {
  if (auto t = tables_.find(key(name)); t != tables_.end()) return t->second.first;
  if (auto q = queries_.find(key(name)); q != queries_.end()) return q->second.first;
  return name;
}

std::vector<std::wstring> memory_catalog::query_names() const {
  std::vector<std::wstring> out;
  for (const auto& [k, v] : queries_) out.push_back(v.first);
  return out;
}

std::unique_ptr<memory_catalog> load_access_file(const std::string& path) {
  auto catalog = std::make_unique<memory_catalog>();
  for (const std::string& table : test_env::mdb_tables(path)) {
    // Column types from the schema: lines "\t[Name]\t\t\tType ...".
    std::vector<jet_sql_column> columns;
    std::istringstream schema(test_env::checked_output("mdb-schema -T " + test_env::shell_quote(table) + " " +
                                                       test_env::shell_quote(path) + " access"));
    std::string line;
    while (std::getline(schema, line)) {
      size_t open = line.find("\t["), close = line.find("]\t");
      if (open == std::string::npos || close == std::string::npos) continue;
      size_t type_start = line.find_first_not_of('\t', close + 1);
      columns.push_back({jet_from_utf8(line.substr(open + 2, close - open - 2)), type_of(line.substr(type_start))});
    }
    auto rows = test_env::parse_mdb_csv(
        test_env::checked_output("mdb-export -H -b strip -0 NULL -T '%Y-%m-%d %H:%M:%S' " +
                                 test_env::shell_quote(path) + " " + test_env::shell_quote(table)));
    std::vector<std::vector<jet_sql_value>> values;
    for (const auto& r : rows) {
      if (r.size() != columns.size()) continue;
      std::vector<jet_sql_value> row;
      for (size_t i = 0; i < r.size(); ++i) row.push_back(cell(r[i], columns[i].type));
      values.push_back(std::move(row));
    }
    catalog->add_table(jet_from_utf8(table), std::make_shared<memory_table>(std::move(columns), std::move(values)));
  }
  for (const auto& [name, rows] : export_saved_queries(path))
    if (auto sql = jet_query_sql(rows, jet_text_dialect::jet4)) catalog->add_query(name, *sql);
  return catalog;
}
