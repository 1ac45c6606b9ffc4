// Every table of the real Northwind file, read by the mdbtools programs as an independent
// reader, goes through the dump writer and the mariadb command-line client into the private
// server; the loaded tables hold every value the reader saw, column by column.
#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/dump_options.h"
#include "SQL/sql_engine.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationship.h"
#include "tests/dump/dmp_fixture.h"
#include "tests/dump/dmp_server_fixture.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_shell.h"

namespace {

using dmp_test::read_file;
using dmp_test::shell_quote;

// What the reader is asked to write for Null: a control character no Northwind text holds.
const char null_mark = '\x1d';

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

enum class kind { integer, currency, floating, date, text, binary, boolean };

struct column {
  std::string name;
  kind k;
};

// The columns of a table as the reader's schema lists them, and their descriptors.
struct access_table {
  std::string name;
  std::vector<column> columns;
  dmp_test::table_def def;
};

bool read_schema(const std::string& file, access_table& t) {
  const std::string ddl = test_env::run_shell("mdb-schema -T " + shell_quote(t.name) + " " + shell_quote(file)).out;
  for (const std::string& line : split(ddl, '\n')) {
    const std::size_t open = line.find("\t[");
    const std::size_t close = line.find(']');
    if (open != 0 || close == std::string::npos) continue;
    std::string type = line.substr(line.find_first_not_of('\t', close + 1));
    const bool not_null = type.find("NOT NULL") != std::string::npos;
    const std::string name = line.substr(2, close - 2);
    std::uint32_t size = 0;
    const std::size_t paren = type.find('(');
    if (paren != std::string::npos) size = std::stoul(type.substr(paren + 1));
    struct {
      const char* access;
      VARTYPE vt;
      kind k;
      std::uint32_t size;
    } const types[] = {
        {"Long Integer", VT_I4, kind::integer, 4}, {"Integer", VT_I2, kind::integer, 2},
        {"Byte", VT_UI1, kind::integer, 1},        {"Currency", VT_CY, kind::currency, 8},
        {"Single", VT_R4, kind::floating, 4},      {"Double", VT_R8, kind::floating, 8},
        {"DateTime", VT_DATE, kind::date, 8},      {"Text", VT_BSTR, kind::text, size},
        {"Memo", VT_BSTR, kind::text, 0},          {"OLE", VT_ARRAY | VT_UI1, kind::binary, 0},
        {"Boolean", VT_BOOL, kind::boolean, 2},
    };
    bool known = false;
    for (const auto& candidate : types) {
      if (type.rfind(candidate.access, 0) != 0) continue;
      t_ftd& d = t.def.column(tk_utf8_to_unicode(name), candidate.vt, candidate.size);
      d.not_null = not_null;
      if (candidate.k == kind::date) d.dw_reserved = ftd_marker_datetime;
      t.columns.push_back({name, candidate.k});
      known = true;
      break;
    }
    if (!known) {
      ADD_FAILURE() << t.name << "." << name << ": no mapping for " << type;
      return false;
    }
  }
  return !t.columns.empty();
}

std::vector<std::vector<std::string>> read_rows(const std::string& file, const std::string& table) {
  return test_env::mdb_export_fields(
      file, table, "-H -Q -b hex -T '%Y-%m-%d %H:%M:%S' -0 " + shell_quote(std::string(1, null_mark)));
}

ole_variant value_of(const std::string& text, kind k) {
  if (text == std::string(1, null_mark)) return ole_variant();
  switch (k) {
    case kind::integer: return ole_variant::from_string(text, VT_I4);
    case kind::currency: return ole_variant::from_string(text, VT_CY);
    case kind::floating: return ole_variant::from_string(text, VT_R8);
    case kind::date: return ole_variant::from_string(text, VT_DATE);
    case kind::boolean: return ole_variant::from_string(text, VT_BOOL);
    case kind::text: return ole_variant(text);
    case kind::binary: {
      std::vector<BYTE> bytes;
      for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<BYTE>(std::stoi(text.substr(i, 2), nullptr, 16)));
      }
      return ole_variant(bytes);
    }
  }
  return ole_variant();
}

// Whether the server's text of a value is the reader's, by the column's kind.
bool same_value(const std::string& access, const std::string& mysql, kind k) {
  if (access == std::string(1, null_mark)) return mysql == "<NULL>";
  switch (k) {
    case kind::floating:
      return std::fabs(std::stod(access) - std::stod(mysql)) <= 1e-6 * std::max(1.0, std::fabs(std::stod(access)));
    case kind::boolean: return (access != "0") == (mysql != "0");
    case kind::binary: return access == mysql;  // both upper-case hexadecimal
    default: return access == mysql;
  }
}

using DumpRealFile = dmp_test::server_test;

TEST_F(DumpRealFile, NorthwindLoadsWithEveryValue) {
  const std::string file = test_env::testdata_path("access/real/nwind.mdb");
  ASSERT_FALSE(file.empty());
  std::list<access_table> tables;  // the descriptors stay where they were made
  for (const std::string& name : test_env::mdb_tables(file)) {
    tables.emplace_back();
    tables.back().name = name;
    ASSERT_TRUE(read_schema(file, tables.back())) << name;
  }
  ASSERT_GE(tables.size(), 9u);

  // Northwind's keys and relationships, as Access shows them.
  const std::map<std::string, std::vector<const wchar_t*>> keys = {
      {"Categories", {L"CategoryID"}}, {"Customers", {L"CustomerID"}},
      {"Employees", {L"EmployeeID"}},  {"Order Details", {L"OrderID", L"ProductID"}},
      {"Orders", {L"OrderID"}},        {"Products", {L"ProductID"}},
      {"Shippers", {L"ShipperID"}},    {"Suppliers", {L"SupplierID"}},
  };
  for (access_table& t : tables) {
    const auto key = keys.find(t.name);
    if (key == keys.end()) continue;
    udb_index primary(L"PrimaryKey", true, true);
    for (const wchar_t* column : key->second) primary.fields.push_back(column);
    t.def.indexes.push_back(primary);
  }
  udb_relationships relationships;
  const struct {
    const wchar_t* table;
    const wchar_t* field;
    const wchar_t* ref_table;
    const wchar_t* ref_field;
    const wchar_t* rules;
  } relations[] = {
      {L"Products", L"CategoryID", L"Categories", L"CategoryID", L""},
      {L"Orders", L"CustomerID", L"Customers", L"CustomerID", L""},
      {L"Orders", L"EmployeeID", L"Employees", L"EmployeeID", L""},
      {L"Employees", L"ReportsTo", L"Employees", L"EmployeeID", L""},
      {L"Order Details", L"OrderID", L"Orders", L"OrderID", L" ON DELETE CASCADE"},
      {L"Order Details", L"ProductID", L"Products", L"ProductID", L""},
      {L"Orders", L"ShipVia", L"Shippers", L"ShipperID", L""},
      {L"Products", L"SupplierID", L"Suppliers", L"SupplierID", L" ON UPDATE CASCADE"},
  };
  for (const auto& r : relations) {
    relationships.push_back(udb_relationship(r.table, r.ref_table, {r.field}, {r.ref_field}, r.rules));
  }

  dump_options options;
  options.create_database = true;
  options.database_name = db_name_;
  const std::string path = dir_ + "/nwind.sql";
  std::vector<std::vector<std::vector<std::string>>> source_rows;
  {
    std::unique_ptr<dmp_database> dump = engine_.create_dump(tk_utf8_to_unicode(path), &options);
    // As a conversion run does: both ends of a foreign key take the collation of key columns.
    for (const udb_relationship& r : relationships) {
      dump->joined_columns[r.table].insert(r.fields.begin(), r.fields.end());
      dump->joined_columns[r.ref_table].insert(r.ref_fields.begin(), r.ref_fields.end());
    }
    for (access_table& t : tables) {
      source_rows.push_back(read_rows(file, t.name));
      auto rs = dump->create_table(tk_utf8_to_unicode(t.name), t.def.schema, t.def.indexes);
      for (const auto& row : source_rows.back()) {
        ASSERT_EQ(row.size(), t.columns.size()) << t.name;
        udb_record r;
        for (std::size_t c = 0; c < row.size(); ++c) {
          r.append(std::make_unique<udb_field>(tk_utf8_to_unicode(t.columns[c].name), 0,
                                               value_of(row[c], t.columns[c].k), false, false));
        }
        rs->append_record(r);
      }
    }
    dump->create_relationships(relationships);
    dump->close();
  }

  ASSERT_EQ(load(path), "");
  const auto constraints = rows(
      "SELECT COUNT(*) FROM information_schema.REFERENTIAL_CONSTRAINTS WHERE CONSTRAINT_SCHEMA = '" + db_name_ + "'");
  ASSERT_EQ(constraints.size(), 1u);
  EXPECT_EQ(constraints[0][0], "8");

  std::size_t i = 0;
  for (const access_table& t : tables) {
    std::string select = "SELECT ";
    for (std::size_t c = 0; c < t.columns.size(); ++c) {
      if (c > 0) select += ", ";
      const std::string name = "`" + t.columns[c].name + "`";
      select += t.columns[c].k == kind::binary ? "HEX(" + name + ")" : name;
    }
    select += " FROM `" + db_name_ + "`.`" + t.name + "`";
    // Rows come back in key order, or for a keyless table in the order InnoDB was filled.
    std::vector<std::vector<std::string>> expected_rows = source_rows[i];
    const auto key = keys.find(t.name);
    if (key != keys.end()) {
      std::vector<std::size_t> positions;
      for (const wchar_t* column : key->second) {
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
          if (tk_utf8_to_unicode(t.columns[c].name) == column) positions.push_back(c);
        }
      }
      select += " ORDER BY ";
      for (std::size_t k = 0; k < positions.size(); ++k) {
        select += (k > 0 ? ", `" : "`") + t.columns[positions[k]].name + "`";
      }
      std::stable_sort(expected_rows.begin(), expected_rows.end(),
                       [&](const std::vector<std::string>& a, const std::vector<std::string>& b) {
                         for (const std::size_t p : positions) {
                           if (a[p] == b[p]) continue;
                           if (t.columns[p].k == kind::integer) {
                             return std::stol(a[p]) < std::stol(b[p]);
                           }
                           return a[p] < b[p];
                         }
                         return false;
                       });
    }
    const std::vector<std::vector<std::string>> loaded = rows(select);
    ASSERT_EQ(loaded.size(), expected_rows.size()) << t.name;
    int mismatches = 0;
    for (std::size_t r = 0; r < expected_rows.size(); ++r) {
      const std::vector<std::string>& expected = expected_rows[r];
      for (std::size_t c = 0; c < expected.size(); ++c) {
        const std::string& got = loaded[r].at(c);
        if (!same_value(expected[c], got, t.columns[c].k) && ++mismatches <= 5) {
          ADD_FAILURE() << t.name << "." << t.columns[c].name << ": expected [" << expected[c] << "], got [" << got
                        << "]";
        }
      }
    }
    EXPECT_EQ(mismatches, 0) << t.name;
    ++i;
  }
}

}  // namespace
