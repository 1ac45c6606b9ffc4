// Every value of a converted table checked against the Access file it came from.
#include "tests/support/value_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "tests/jet/dao_test_util.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_mysql.h"
#include "tests/support/test_shell.h"

namespace value_check {

namespace {

using cell = std::optional<std::string>;  // nullopt: NULL
using table_rows = std::vector<std::vector<cell>>;

const std::string null_text = "\x01NULL";

// One source column as our own reader reads it.
struct source_column {
  std::string name;
  short dao_type = 0;
  std::vector<cell> text;          // as mdb-export would print it (dao_test::export_text)
  std::vector<double> number;      // Single and Double columns: the stored value
  std::vector<bool> libmdb_wrong;  // values libmdb is known to misread or misprint
};

// A value libmdb reads or prints wrong, so that our reader's value is the reference. The jet
// reader's tests compare both readers everywhere else.
bool known_libmdb_fault(const VARIANT& v, const std::string& ours) {
  if (v.vt == VT_DATE) return v.date < 1.0 || v.date > 2958100.0;  // before 1900, in 9999, times only
  if (v.vt == VT_BSTR) {
    for (UINT i = 0; i < SysStringLen(v.bstrVal); ++i) {
      const wchar_t c = v.bstrVal[i];
      if (c == 0 || c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return true;  // NUL cuts, emoji as "??"
    }
    return ours.size() > 16000 || ours.rfind("{guid {", 0) == 0;  // memos cut at 16 KB; GUID wrapper
  }
  return v.vt == (VT_ARRAY | VT_UI1);  // long binary values are cut as well
}

// mdb-export's rows, the header first, NULL apart from an empty text.
table_rows mdb_export(const std::string& file, const std::string& table) {
  const std::string options =
      "-Q -0 " + test_env::shell_quote("\x01") + " -b hex -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'";
  table_rows rows;
  for (const auto& fields : test_env::mdb_export_fields(file, table, options)) {
    std::vector<cell> row;
    for (const std::string& v : fields) row.push_back(v == "\x01" ? cell() : cell(v));
    rows.push_back(std::move(row));
  }
  return rows;
}

// The table's columns and values through our own DAO stand-in.
std::vector<source_column> dao_read(const table_pair& pair) {
  using namespace dao_test;
  std::vector<source_column> columns;
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  const std::wstring connect =
      pair.access_password.empty()
          ? L""
          : L"MS Access;PWD=" + std::wstring(pair.access_password.begin(), pair.access_password.end());
  if (open(pair.access_file, connect, engine, db) != S_OK) {
    ADD_FAILURE() << "our reader cannot open " << pair.access_file;
    return columns;
  }
  VARIANT none;
  VariantInit(&none);
  std::wstring wide;
  for (std::size_t i = 0; i < pair.access_table.size();) {
    // The table name is UTF-8; the reader wants UTF-16.
    const unsigned char c = static_cast<unsigned char>(pair.access_table[i]);
    const int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t u = len == 1 ? c : c & (0x3F >> (len - 1));
    for (int k = 1; k < len && i + k < pair.access_table.size(); ++k)
      u = (u << 6) | (static_cast<unsigned char>(pair.access_table[i + k]) & 0x3F);
    wide += static_cast<wchar_t>(u);
    i += len;
  }
  BSTR bname = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  ptr<DAORecordset> rs;
  const HRESULT hr = db->OpenRecordset(bname, none, none, none, rs.out());
  SysFreeString(bname);
  if (hr != S_OK) {
    ADD_FAILURE() << "our reader cannot open the table " << pair.access_table;
    return columns;
  }
  ptr<DAOFields> fields;
  rs->get_Fields(fields.out());
  short count = 0;
  fields->get_Count(&count);
  std::vector<std::unique_ptr<ptr<_DAOField>>> field_refs;
  for (short f = 0; f < count; ++f) {
    field_refs.push_back(std::make_unique<ptr<_DAOField>>());
    fields->get_Item(index(f), field_refs.back()->out());
    source_column column;
    BSTR b = nullptr;
    (*field_refs.back())->get_Name(&b);
    column.name = utf8(take(b));
    (*field_refs.back())->get_Type(&column.dao_type);
    columns.push_back(std::move(column));
  }
  VARIANT_BOOL eof = 0;
  rs->get_EOF(&eof);
  while (!eof) {
    for (short f = 0; f < count; ++f) {
      var value;
      (*field_refs[static_cast<std::size_t>(f)])->get_Value(&value.v);
      source_column& column = columns[static_cast<std::size_t>(f)];
      const bool null = value.v.vt == VT_NULL || value.v.vt == VT_EMPTY;
      const std::string text = null ? std::string() : export_text(value.v);
      column.text.push_back(null ? cell() : cell(text));
      column.number.push_back(value.v.vt == VT_R4   ? static_cast<double>(value.v.fltVal)
                              : value.v.vt == VT_R8 ? value.v.dblVal
                                                    : std::strtod(text.c_str(), nullptr));
      column.libmdb_wrong.push_back(!null && known_libmdb_fault(value.v, text));
    }
    if (rs->MoveNext() != S_OK) {
      ADD_FAILURE() << "our reader cannot move on in " << pair.access_table;
      break;
    }
    rs->get_EOF(&eof);
  }
  return columns;
}

// How a MySQL column's values are compared.
enum class kind { text, decimal, single, real, datetime, date, time, binary };

kind kind_of(const std::string& data_type) {
  if (data_type == "decimal") return kind::decimal;
  if (data_type == "float") return kind::single;
  if (data_type == "double") return kind::real;
  if (data_type == "datetime" || data_type == "timestamp") return kind::datetime;
  if (data_type == "date") return kind::date;
  if (data_type == "time") return kind::time;
  if (data_type.find("blob") != std::string::npos || data_type.find("binary") != std::string::npos) return kind::binary;
  return kind::text;
}

// A decimal number without its trailing zeros: "3.5000" and "3.5" are the same value.
std::string plain_decimal(std::string v) {
  if (v.find('.') != std::string::npos) {
    while (!v.empty() && v.back() == '0') v.pop_back();
    if (!v.empty() && v.back() == '.') v.pop_back();
  }
  if (v == "-0") v = "0";
  return v;
}

std::string exact_number(double v, kind k) {
  char buffer[64];
  if (k == kind::single)
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(static_cast<float>(v)));
  else
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

std::string upper(std::string v) {
  for (char& c : v) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return v;
}

// A GUID's 32 hexadecimal digits, upper case: the target may keep or drop the braces and the
// "{guid ...}" wrapper DAO puts around a Replication ID, the digits are the value.
std::string guid_digits(const std::string& v) {
  if (v == null_text) return v;
  std::string out;
  for (const char c : v.substr(v.rfind('{') == std::string::npos ? 0 : v.rfind('{')))
    if (std::isxdigit(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The server's text of a value, in the form its source's value is compared in.
std::string from_server(const cell& v, kind k) {
  if (!v) return null_text;
  switch (k) {
    case kind::decimal: return plain_decimal(*v);
    case kind::single:
    case kind::real: return exact_number(std::strtod(v->c_str(), nullptr), k);
    case kind::date: return *v + " 00:00:00";  // a date column holds no time: a lost time shows
    case kind::time: return "1899-12-30 " + *v;
    case kind::binary: return upper(*v);
    default: return *v;
  }
}

// The source's value in the same form: mdb-export's text unless libmdb is known to be wrong.
std::string from_source(const source_column& column, std::size_t row, const cell* mdb, kind k) {
  const cell& ours = column.text[row];
  if (!ours) return null_text;
  if (k == kind::single || k == kind::real) return exact_number(column.number[row], k);
  if (column.dao_type == dbGUID) return *ours;  // a Replication ID: our reader's text, see guid_digits
  // mdb-export prints every zero-length value as NULL: an empty text or binary is ours to tell.
  const bool use_mdb = mdb && !column.libmdb_wrong[row] && !ours->empty();
  const std::string& text = use_mdb ? (*mdb ? **mdb : null_text) : *ours;
  if (text == null_text) return text;
  switch (k) {
    case kind::decimal: return plain_decimal(text);
    case kind::binary: return upper(text);
    default: return text;
  }
}

std::string shown(const std::string& v) {
  if (v.size() <= 120) return "\"" + v + "\"";
  return "\"" + v.substr(0, 100) + "...\" (" + std::to_string(v.size()) + " bytes)";
}

// Fails with the first few values that one side has and the other lacks.
void expect_same_lists(std::vector<std::string> server, std::vector<std::string> source, const std::string& what) {
  std::sort(server.begin(), server.end());
  std::sort(source.begin(), source.end());
  if (server == source) return;
  std::vector<std::string> missing, extra;
  std::set_difference(source.begin(), source.end(), server.begin(), server.end(), std::back_inserter(missing));
  std::set_difference(server.begin(), server.end(), source.begin(), source.end(), std::back_inserter(extra));
  std::string message = what + ": " + std::to_string(missing.size()) + " source values not on the server, " +
                        std::to_string(extra.size()) + " server values not in the source";
  for (std::size_t i = 0; i < missing.size() && i < 5; ++i) message += "\n  source: " + shown(missing[i]);
  for (std::size_t i = 0; i < extra.size() && i < 5; ++i) message += "\n  server: " + shown(extra[i]);
  ADD_FAILURE() << message;
}

std::string quoted(const std::string& name) {
  std::string out = "`";
  for (const char c : name) out += c == '`' ? std::string("``") : std::string(1, c);
  return out + "`";
}

std::string literal(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("''") : c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out + "'";
}

bool same_name(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

void expect_same_values(MYSQL* server, const table_pair& pair) {
  SCOPED_TRACE(pair.access_file + " " + pair.access_table);
  const std::vector<source_column> source = dao_read(pair);
  if (source.empty()) return;
  const std::size_t row_count = source.front().text.size();

  // mdb-export's rows where libmdb can read the file and agrees with our reader on their number.
  table_rows mdb;
  std::vector<std::string> mdb_header;
  if (pair.readable_by_mdbtools) {
    mdb = mdb_export(pair.access_file, pair.access_table);
    if (!mdb.empty()) {
      for (const cell& name : mdb.front()) mdb_header.push_back(name.value_or(""));
      mdb.erase(mdb.begin());
    }
    if (mdb.size() != row_count) {
      ADD_FAILURE() << "mdb-export reads " << mdb.size() << " rows, our reader " << row_count;
      mdb.clear();
    }
  }

  const table_rows columns = test_env::query_rows(
      server,
      "SELECT COLUMN_NAME, DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = " + literal(pair.database) +
          " AND TABLE_NAME = " + literal(pair.mysql_table) + " ORDER BY ORDINAL_POSITION");
  std::string select;
  std::vector<kind> kinds;
  std::vector<const source_column*> matched;
  std::vector<std::size_t> mdb_column;
  for (const source_column& column : source) {
    // Attachment and multi-value columns hold rows of their own in Access; the target keeps at
    // most an attachment's first file. They are left out here.
    if (column.dao_type >= dbAttachment) continue;
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [&](const std::vector<cell>& c) { return same_name(*c[0], column.name); });
    if (found == columns.end()) {
      ADD_FAILURE() << "column " << column.name << " is missing on the server";
      continue;
    }
    const kind k = kind_of(*(*found)[1]);
    if (!select.empty()) select += ", ";
    // HEX: bytes whole; a FLOAT's text has 6 digits only, its DOUBLE every bit of it.
    const std::string name = quoted(*(*found)[0]);
    select += k == kind::binary ? "HEX(" + name + ")" : k == kind::single ? "CAST(" + name + " AS DOUBLE)" : name;
    kinds.push_back(k);
    matched.push_back(&column);
    const auto in_mdb = std::find(mdb_header.begin(), mdb_header.end(), column.name);
    mdb_column.push_back(in_mdb == mdb_header.end() ? SIZE_MAX : static_cast<std::size_t>(in_mdb - mdb_header.begin()));
  }
  if (matched.empty()) return;
  const table_rows rows = test_env::query_rows(
      server, "SELECT " + select + " FROM " + quoted(pair.database) + "." + quoted(pair.mysql_table));
  if (rows.size() != row_count) {
    ADD_FAILURE() << "the server holds " << rows.size() << " rows, the source " << row_count;
    return;
  }
  for (std::size_t c = 0; c < matched.size(); ++c) {
    std::vector<std::string> on_server, in_source;
    on_server.reserve(row_count);
    in_source.reserve(row_count);
    const bool guid = matched[c]->dao_type == dbGUID;
    for (std::size_t r = 0; r < row_count; ++r) {
      on_server.push_back(guid ? guid_digits(from_server(rows[r][c], kinds[c])) : from_server(rows[r][c], kinds[c]));
      const cell* from_mdb =
          mdb.empty() || mdb_column[c] == SIZE_MAX || mdb_column[c] >= mdb[r].size() ? nullptr : &mdb[r][mdb_column[c]];
      const std::string source_value = from_source(*matched[c], r, from_mdb, kinds[c]);
      in_source.push_back(guid ? guid_digits(source_value) : source_value);
    }
    expect_same_lists(std::move(on_server), std::move(in_source), "column " + matched[c]->name);
  }
}

}  // namespace value_check
