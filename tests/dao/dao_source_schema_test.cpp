// Table schemas as the Access reader describes them: column types, sizes, flags, markers,
// defaults and descriptions from files of each format, and indexes against mdb-schema.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "UDB/udb_recordset.h"
#include "tests/dao/dao_source_util.h"
#include "tests/support/test_shell.h"

using dao_source_test::open_testdata;
using dao_source_test::utf8;

namespace {

struct column {
  const wchar_t* name;
  VARTYPE vt;
  std::uint32_t size;
  std::uint32_t marker;
  const wchar_t* default_text;  // null: no default
  bool not_null = false;
  bool auto_increment = false;
  const wchar_t* description = L"";
};

// Only the listed columns are checked, in schema order, by name.
void expect_columns(const char* file, const wchar_t* table, const std::vector<column>& expected,
                    std::size_t column_count) {
  SCOPED_TRACE(std::string(file) + " " + utf8(table));
  auto o = open_testdata(file);
  std::unique_ptr<udb_recordset> rs = o.db->get_table(table, 1);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->schema.fields.size(), column_count);
  for (const auto& c : expected) {
    SCOPED_TRACE(utf8(c.name));
    const t_ftd* d = rs->schema.get_field1(c.name);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->vartype, c.vt);
    EXPECT_EQ(d->size, c.size);
    EXPECT_EQ(d->dw_reserved, c.marker);
    if (c.default_text) {
      EXPECT_EQ(d->default_value.to_wstring(), c.default_text);
    } else {
      EXPECT_EQ(d->default_value.get_type(), VT_EMPTY);
    }
    EXPECT_EQ(d->not_null, c.not_null);
    EXPECT_EQ(d->auto_increment, c.auto_increment);
    EXPECT_EQ(d->description, c.description);
  }
}

TEST(dao_schema, every_column_type_in_each_format) {
  const std::vector<column> table1 = {
      {L"A", VT_BSTR, 50, 0, nullptr}, {L"B", VT_BSTR, 100, 0, nullptr}, {L"C", VT_UI1, 1, 0, L"0"},
      {L"D", VT_I2, 2, 0, L"0"},       {L"E", VT_I4, 4, 0, L"0"},        {L"F", VT_R8, 8, 0, L"0.0000000000000000e+00"},
      {L"G", VT_DATE, 8, 1, nullptr},  {L"H", VT_CY, 8, 0, L"0"},        {L"I", VT_BOOL, 1, 0, nullptr},
  };
  // A GUID AutoNumber: text of a GUID's length; its GenGUID() default is no constant.
  const std::vector<column> table4 = {
      {L"name", VT_BSTR, 50, 0, nullptr},
      {L"data", VT_BSTR, 38, 1, nullptr, false, true},
  };
  for (const char* file : {"access/jet3/testV1997.mdb", "access/jet4/testV2000.mdb", "access/ace/testV2007.accdb",
                           "access/ace/testV2010.accdb"}) {
    expect_columns(file, L"Table1", table1, 9);
    expect_columns(file, L"Table4", table4, 2);
  }
}

TEST(dao_schema, nwind_columns) {
  expect_columns(
      "access/real/nwind.mdb", L"Employees",
      {
          {L"EmployeeID", VT_I4, 4, 0, nullptr, false, true, L"Number automatically assigned to new employee."},
          {L"LastName", VT_BSTR, 20, 0, nullptr, true},
          {L"BirthDate", VT_DATE, 8, 2, nullptr},
          {L"Photo", ole_vt_binary, 0, 0, nullptr, false, false, L"Picture of employee."},
          {L"Notes", VT_BSTR, 0, 0, nullptr, false, false, L"General information about employee's background."},
      },
      17);
  expect_columns("access/real/nwind.mdb", L"Order Details",
                 {
                     {L"UnitPrice", VT_CY, 8, 0, L"0", true},
                     {L"Quantity", VT_I2, 2, 0, L"1", true},
                     {L"Discount", VT_R4, 4, 0, L"0.000000e+00", true},
                 },
                 5);
  // Medium Date marks date-only columns, also in a table with a non-ASCII name.
  expect_columns("access/real/nwind.mdb", L"Umsätze",
                 {
                     {L"OrderDate", VT_DATE, 8, 2, nullptr},
                     {L"ShippedDate", VT_DATE, 8, 2, nullptr},
                     {L"Freight", VT_CY, 8, 0, L"0"},
                 },
                 14);
}

TEST(dao_schema, exact_numbers_and_attachments) {
  for (const char* file : {"access/jet4/fixedNumericTestV2000.mdb", "access/ace/fixedNumericTestV2010.accdb"}) {
    SCOPED_TRACE(file);
    auto o = open_testdata(file);
    auto rs = o.db->get_table(L"test", 1);
    ASSERT_NE(rs, nullptr);
    for (const wchar_t* c : {L"col2", L"col3", L"col7"}) EXPECT_EQ(rs->schema.get_field_type(c), VT_DECIMAL) << utf8(c);
  }
  expect_columns("access/ace/complexDataTestV2010.accdb", L"Table1", {{L"attach-data", ole_vt_binary, 0, 101, nullptr}},
                 6);
}

// Index lines of mdb-schema's MySQL form: "INDEX name (a,b)", "UNIQUE name (a)", "PRIMARY (a)".
std::set<std::string> mdb_indexes(const std::string& path, const std::string& table) {
  std::set<std::string> out;
  const std::string all = test_env::run_shell("mdb-schema -T " + test_env::shell_quote(table) + " " +
                                              test_env::shell_quote(path) + " mysql 2>/dev/null")
                              .out;
  static const std::regex index_line(R"(ADD (UNIQUE INDEX|INDEX|PRIMARY KEY) ?(`[^`]*`)? ?\(([^)]*)\);)");
  for (std::sregex_iterator i(all.begin(), all.end(), index_line), end; i != end; ++i) {
    std::string kind = (*i)[1], name = (*i)[2], cols = (*i)[3];
    // The index model has no sort order: a descending column counts by its name.
    cols = std::regex_replace(cols, std::regex(" DESC"), "");
    cols.erase(std::remove(cols.begin(), cols.end(), '`'), cols.end());
    cols.erase(std::remove(cols.begin(), cols.end(), ' '), cols.end());
    if (kind == "PRIMARY KEY")
      out.insert("PRIMARY (" + cols + ")");
    else
      out.insert((kind == "INDEX" ? "INDEX " : "UNIQUE ") + name.substr(1, name.size() - 2) + " (" + cols + ")");
  }
  return out;
}

TEST(dao_schema, indexes_match_mdb_schema) {
  for (const char* file :
       {"access/real/nwind.mdb", "access/jet3/indexTestV1997.mdb", "access/jet3/compIndexTestV1997.mdb",
        "access/jet4/indexTestV2000.mdb", "access/jet4/compIndexTestV2000.mdb", "access/ace/indexTestV2007.accdb",
        "access/ace/testV2010.accdb"}) {
    auto o = open_testdata(file);
    for (const auto& table : o.db->table_names) {
      SCOPED_TRACE(std::string(file) + " " + utf8(table));
      auto rs = o.db->get_table(table, 1);
      ASSERT_NE(rs, nullptr);
      std::set<std::string> ours;
      std::string primary_cols;
      for (const udb_index& i : rs->indexes) {
        std::string cols;
        for (const auto& c : i.fields) cols += (cols.empty() ? "" : ",") + utf8(c);
        if (i.primary) primary_cols = cols;
      }
      for (const udb_index& i : rs->indexes) {
        std::string cols;
        for (const auto& c : i.fields) cols += (cols.empty() ? "" : ",") + utf8(c);
        EXPECT_FALSE(i.unique_constraint);
        // An index over the primary key's columns shares its stored index: the engine reports
        // it unique, as that stored index is, where libmdb reads it as plain.
        bool unique = i.unique && cols != primary_cols;
        if (i.primary)
          ours.insert("PRIMARY (" + cols + ")");
        else
          ours.insert((unique ? "UNIQUE " : "INDEX ") + utf8(i.name) + " (" + cols + ")");
      }
      EXPECT_EQ(ours, mdb_indexes(test_env::testdata_path(file), utf8(table)));
    }
  }
}

}  // namespace
