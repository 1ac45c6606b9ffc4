// Values through Field.Value where mdb-export cannot serve as the reference: dates before 1900
// and in 9999, characters beyond the Basic Multilingual Plane, Decimal with its scale, Jet 3
// code-page text, calculated columns, and the kinds of VARIANT each column type gives.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_tdef.h"
#include "tests/jet/dao_test_util.h"
#include "tests/support/known_values.h"
#include "tests/support/test_env.h"

using namespace dao_test;

namespace {

// The value of `column` in row `row` (0-based, file order) of `table`.
void read_value(const std::string& file, const std::wstring& table, int row, const std::wstring& column, var& out) {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(test_env::testdata_path(file), L"", engine, db), S_OK);
  BSTR name = SysAllocString(table.c_str());
  VARIANT empty;
  VariantInit(&empty);
  ptr<DAORecordset> rs;
  ASSERT_EQ(db->OpenRecordset(name, empty, empty, empty, rs.out()), S_OK);
  SysFreeString(name);
  for (int i = 0; i < row; ++i) ASSERT_EQ(rs->MoveNext(), S_OK);
  ptr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.out()), S_OK);
  ptr<_DAOField> field;
  ASSERT_EQ(item(fields.p, column, field.out()), S_OK);
  ASSERT_EQ(field->get_Value(&out.v), S_OK);
}

struct value_case {
  const char* file;
  const wchar_t* table;
  int row;
  const wchar_t* column;
  VARTYPE vt;
  const char* text;  // as export_text prints it
};

const value_case value_cases[] = {
    {"access/real/DateTestDatabase.mdb", L"DateTest", 0, L"DateTimeCol", VT_DATE, "2021-12-02 00:00:00"},
    {"access/real/DateTestDatabase.mdb", L"DateTest", 1, L"DateTimeCol", VT_DATE, "9999-01-01 00:00:00"},
    {"access/real/DateTestDatabase.mdb", L"DateTest", 2, L"DateTimeCol", VT_DATE, "1898-01-01 00:00:00"},
    {"access/real/DateTestDatabase.mdb", L"DateTest", 3, L"DateCol", VT_DATE, "0633-01-01 00:00:00"},
    {"access/real/DateTestDatabase.mdb", L"DateTest", 5, L"LongTextCol", VT_BSTR, "New line\r\nin field"},
    {"access/ace/oldDatesV2007.accdb", L"Table1", 0, L"DateField", VT_DATE, "1582-10-15 00:00:00"},
    {"access/ace/oldDatesV2007.accdb", L"Table1", 3, L"DateField", VT_DATE, "1392-01-10 00:00:00"},
    {"access/ace/testEmoticonsV2010.accdb", L"data", 0, L"data", VT_BSTR,
     "a\xF0\x9F\x98\x80"
     "a"},
    {"access/ace/fixedNumericTestV2010.accdb", L"test", 0, L"col5", VT_DECIMAL, "4"},
    {"access/ace/fixedNumericTestV2010.accdb", L"test", 0, L"col6", VT_DECIMAL, "-1"},
    {"access/jet4/testV2000.mdb", L"Table1", 0, L"H", VT_CY, "3.5000"},
    {"access/jet4/testV2000.mdb", L"Table1", 0, L"I", VT_BOOL, "1"},
    {"access/jet4/testV2000.mdb", L"Table1", 0, L"C", VT_UI1, "2"},
    {"access/jet4/testV2000.mdb", L"Table1", 0, L"D", VT_I2, "222"},
    {"access/jet4/testV2000.mdb", L"Table1", 0, L"E", VT_I4, "333333333"},
    {"access/jet4/testV2000.mdb", L"Table1", 0, L"F", VT_R8, "444.555"},
};

class field_value : public ::testing::TestWithParam<value_case> {};

TEST_P(field_value, reads_as_stored) {
  const value_case& c = GetParam();
  var v;
  read_value(c.file, c.table, c.row, c.column, v);
  EXPECT_EQ(v.v.vt, c.vt);
  EXPECT_EQ(export_text(v.v), c.text);
}

// Names that stay the same from build to build: file, table, row and column.
std::string case_name(const ::testing::TestParamInfo<value_case>& info) {
  const value_case& c = info.param;
  std::string name = std::filesystem::path(c.file).stem().string();
  for (const std::wstring& part : {std::wstring(c.table), std::to_wstring(c.row), std::wstring(c.column)}) {
    name += '_';
    for (wchar_t ch : part) name += ch < 128 && std::isalnum(static_cast<int>(ch)) ? static_cast<char>(ch) : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(all, field_value, ::testing::ValuesIn(value_cases), case_name);

// Calculated columns read as plain values of their result type, every row of the `People` table
// as the test data's README lists it (mdb-export prints only zeros for them): in the file whose
// definition gives each calculated column its result's type, and in the one that gives Monthly
// the Double type over Currency values, as Access itself may; from the table, and through the
// query engine.
struct calculated_case {
  const char* file;
  bool through_query;
};

class field_value_calculated : public ::testing::TestWithParam<calculated_case> {};

std::wstring ascii_wide(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

std::string exact_text(double d) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", d);
  return text;
}

TEST_P(field_value_calculated, every_result_type_reads_as_its_result) {
  const calculated_case& c = GetParam();
  const struct {
    const char* column;
    short dao_type;
    VARTYPE vt;
  } types[] = {
      {"FullName", dbText, VT_BSTR}, {"NameLen", dbLong, VT_I4},     {"Monthly", dbCurrency, VT_CY},
      {"Weekly", dbDouble, VT_R8},   {"IsRich", dbBoolean, VT_BOOL}, {"Bonus", dbDecimal, VT_DECIMAL},
      {"Review", dbDate, VT_DATE},   {"Notes", dbMemo, VT_BSTR},
  };
  const test_env::known_table* known = test_env::known_values_of(c.file);
  ASSERT_NE(known, nullptr);
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(test_env::testdata_path(c.file), L"", engine, db), S_OK);
  const std::wstring table = ascii_wide(known->table);
  ptr<DAORecordset> rs;
  // A query that names its columns runs on the query engine; the Access source's own
  // "SELECT * FROM [People]" is read as the table.
  std::wstring text = table;
  if (c.through_query) {
    text = L"SELECT ";
    for (const auto& t : types) text += L"[" + ascii_wide(t.column) + L"], ";
    text += L"[ID] FROM [" + table + L"] ORDER BY [ID]";
  }
  var name;
  name.v = dao_test::name(text);
  VARIANT empty;
  VariantInit(&empty);
  ASSERT_EQ(db->OpenRecordset(name.v.bstrVal, empty, empty, empty, rs.out()), S_OK);
  ptr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.out()), S_OK);
  for (std::size_t row = 0; row < 4; ++row) {
    for (const auto& t : types) {
      SCOPED_TRACE(std::string(t.column) + " row " + std::to_string(row + 1));
      const test_env::known_column* expected = test_env::known_column_of(*known, t.column);
      ASSERT_NE(expected, nullptr);
      ptr<_DAOField> f;
      ASSERT_EQ(item(fields.p, ascii_wide(t.column), f.out()), S_OK);
      short type = 0;
      f->get_Type(&type);
      EXPECT_EQ(type, t.dao_type);
      var v;
      ASSERT_EQ(f->get_Value(&v.v), S_OK);
      if (!expected->rows[row]) {
        EXPECT_EQ(v.v.vt, VT_NULL);
        continue;
      }
      ASSERT_EQ(v.v.vt, t.vt);
      // A Double's text would round it: its exact form is compared, bit for bit.
      const std::string got = t.vt == VT_R8 ? exact_text(v.v.dblVal) : export_text(v.v);
      EXPECT_TRUE(test_env::is_known_value(*expected, expected->rows[row], got))
          << got << " != " << expected->rows[row];
    }
    ASSERT_EQ(rs->MoveNext(), S_OK);
  }
}

std::string calculated_case_name(const ::testing::TestParamInfo<calculated_case>& info) {
  return std::filesystem::path(info.param.file).stem().string() + (info.param.through_query ? "_query" : "_table");
}

INSTANTIATE_TEST_SUITE_P(files, field_value_calculated,
                         ::testing::Values(calculated_case{"fixtures/calcColumnsV2010.accdb", false},
                                           calculated_case{"fixtures/calcColumnsV2010.accdb", true},
                                           calculated_case{"fixtures/calcResultTypeV2010.accdb", false},
                                           calculated_case{"fixtures/calcResultTypeV2010.accdb", true}),
                         calculated_case_name);

// No test file has a Date/Time Extended column: a copy of Northwind whose Customers.Address is
// marked as one, its one address of 42 characters replaced by the stored form of 2021-06-14
// 12:45:00. Read through a query, as tables are converted, it is that moment in ISO form, text.
TEST(field_value_extended_date, reads_as_iso_text_through_a_query) {
  const std::string source = test_env::testdata_path("access/real/nwind.mdb");
  std::uint32_t definition_page = 0;
  std::size_t address = 0, real_indexes = 0;
  {
    std::unique_ptr<jet::jet_file> f;
    ASSERT_EQ(jet::jet_file::open(source, L"", f), jet::jet_status::ok);
    jet::jet_catalog catalog;
    ASSERT_TRUE(jet::jet_read_catalog(*f, catalog));
    const jet::jet_object* customers = catalog.find_table(L"Customers");
    ASSERT_NE(customers, nullptr);
    definition_page = customers->page();
    std::vector<std::uint8_t> bytes;
    jet::jet_tdef tdef;
    ASSERT_TRUE(f->read_definition(definition_page, bytes));
    ASSERT_TRUE(jet::jet_parse_tdef(bytes, jet::jet_format::jet3, *f, tdef));
    while (address < tdef.columns.size() && tdef.columns[address].name != L"Address") ++address;
    ASSERT_LT(address, tdef.columns.size());
    real_indexes = bytes[0x1F];
  }
  std::ifstream in(source, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Jet 3: 2048-byte pages, 8 bytes per real index, then 18 bytes per column descriptor.
  const std::size_t type_at = definition_page * 2048u + 0x2B + 8 * real_indexes + 18 * address;
  ASSERT_EQ(file[type_at], static_cast<char>(jet::jet_text));
  file[type_at] = static_cast<char>(jet::jet_datetime_ext);
  const std::string old_address = "Carrera 22 con Ave. Carlos Soublette #8-35";
  const std::string stored = std::string("0000000000000737954:0000000459000000000:7") + '\0';
  ASSERT_EQ(old_address.size(), stored.size());
  for (std::size_t at = file.find(old_address); at != std::string::npos; at = file.find(old_address, at))
    file.replace(at, stored.size(), stored);
  const std::string copy = test_env::make_temp_dir() + "/extended.mdb";
  std::ofstream(copy, std::ios::binary) << file;

  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(copy, L"", engine, db), S_OK);
  ptr<DAORecordset> rs;
  ASSERT_EQ(open_table(db.p, L"Customers", rs), S_OK);
  ptr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.out()), S_OK);
  ptr<_DAOField> field;
  ASSERT_EQ(item(fields.p, L"Address", field.out()), S_OK);
  short type = 0;
  field->get_Type(&type);
  EXPECT_EQ(type, dbText);
  std::vector<std::string> extended;
  VARIANT_BOOL eof = 0;
  for (rs->get_EOF(&eof); !eof; rs->get_EOF(&eof)) {
    var v;
    ASSERT_EQ(field->get_Value(&v.v), S_OK);
    ASSERT_EQ(v.v.vt, VT_BSTR);
    const std::string text = export_text(v.v);
    if (text.rfind("Carrera", 0) != 0 && text.find_first_not_of("0123456789-: .") == std::string::npos)
      extended.push_back(text);
    ASSERT_EQ(rs->MoveNext(), S_OK);
  }
  EXPECT_EQ(extended, std::vector<std::string>{"2021-06-14 12:45:00.0000000"});
}

TEST(field_value_jet3, code_page_text_and_null_differs_from_empty) {
  var address;
  // The table is found by its code-page name, and its text is decoded the same way.
  read_value("access/real/nwind.mdb", L"Ums\u00E4tze", 0, L"ShipAddress", address);
  ASSERT_EQ(address.v.vt, VT_BSTR);
  EXPECT_EQ(export_text(address.v), "Carrera 52 con Ave. Bol\xC3\xADvar #65-98 Llano Largo");
  var region;
  read_value("access/real/nwind.mdb", L"Customers", 0, L"Region", region);
  EXPECT_EQ(region.v.vt, VT_NULL);
}

TEST(field_value_ole, picture_long_value_is_a_byte_array_of_every_page) {
  var pic;
  read_value("access/real/nwind.mdb", L"Employees", 2, L"Photo", pic);
  ASSERT_EQ(pic.v.vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(pic.v.parray->rgsabound[0].cElements, 21722u);
}

}  // namespace

namespace {

// The values of a complex field's Recordset: `field` of each of its rows.
std::vector<std::wstring> complex_texts(const VARIANT& v, const std::wstring& field) {
  std::vector<std::wstring> out;
  if (v.vt != VT_DISPATCH || !v.pdispVal) return out;
  ptr<DAORecordset> rs;
  if (FAILED(v.pdispVal->QueryInterface(IID_DAORecordset, reinterpret_cast<void**>(rs.out())))) return out;
  ptr<DAOFields> fields;
  rs->get_Fields(fields.out());
  VARIANT_BOOL eof = 0;
  rs->get_EOF(&eof);
  while (!eof) {
    ptr<_DAOField> f;
    item(fields.p, field, f.out());
    var value;
    f->get_Value(&value.v);
    out.push_back(value.v.vt == VT_BSTR ? std::wstring(value.v.bstrVal, SysStringLen(value.v.bstrVal)) : L"?");
    rs->MoveNext();
    rs->get_EOF(&eof);
  }
  return out;
}

TEST(field_value_complex, attachments_and_multi_values_are_recordsets_of_their_rows) {
  struct {
    int row;
    const wchar_t* column;
    const wchar_t* field;
    std::vector<std::wstring> values;
  } cases[] = {
      {0, L"multi-value-data", L"Value", {}},
      {1, L"multi-value-data", L"Value", {L"value1", L"value4"}},
      {2, L"multi-value-data", L"Value", {L"value1", L"value2", L"value3", L"value4"}},
      {1, L"attach-data", L"FileName", {L"test_data.txt", L"test_data2.txt"}},
      {3, L"attach-data", L"FileName", {L"test_data2.txt"}},
      {0, L"attach-data", L"FileName", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.column) + " row " + std::to_string(c.row));
    var v;
    read_value("access/ace/complexDataTestV2010.accdb", L"Table1", c.row, c.column, v);
    EXPECT_EQ(v.v.vt, VT_DISPATCH);
    EXPECT_EQ(complex_texts(v.v, c.field), c.values);
  }
}

TEST(field_value_complex, complex_fields_report_their_dao_types) {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(test_env::testdata_path("access/ace/complexDataTestV2010.accdb"), L"", engine, db), S_OK);
  ptr<DAOTableDefs> defs;
  ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
  ptr<_DAOTableDef> def;
  ASSERT_EQ(item(defs.p, L"Table1", def.out()), S_OK);
  ptr<DAOFields> fields;
  ASSERT_EQ(def->get_Fields(fields.out()), S_OK);
  struct {
    const wchar_t* name;
    short type;
  } cases[] = {{L"attach-data", dbAttachment}, {L"multi-value-data", dbComplexText}, {L"memo-data", dbMemo}};
  for (const auto& c : cases) {
    ptr<_DAOField> f;
    ASSERT_EQ(item(fields.p, c.name, f.out()), S_OK);
    short type = 0;
    f->get_Type(&type);
    EXPECT_EQ(type, c.type) << utf8(c.name);
  }
}

}  // namespace

namespace {

struct nav {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ptr<DAORecordset> rs;
  explicit nav(const wchar_t* table) {
    EXPECT_EQ(open(test_env::testdata_path("access/jet4/testV2000.mdb"), L"", engine, db), S_OK);
    BSTR name = SysAllocString(table);
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(db->OpenRecordset(name, empty, empty, empty, rs.out()), S_OK);
    SysFreeString(name);
  }
  std::pair<bool, bool> bof_eof() {
    VARIANT_BOOL b = 0, e = 0;
    rs->get_BOF(&b);
    rs->get_EOF(&e);
    return {b != 0, e != 0};
  }
  std::string first_column() {
    ptr<DAOFields> fields;
    rs->get_Fields(fields.out());
    ptr<_DAOField> f;
    fields->get_Item(index(0), f.out());
    var v;
    if (FAILED(f->get_Value(&v.v))) return "error " + std::to_string(last_error(engine.p));
    return export_text(v.v);
  }
};

TEST(recordset_navigation, bof_eof_and_moves_follow_dao) {
  nav t(L"Table1");
  EXPECT_EQ(t.bof_eof(), std::make_pair(false, false));
  EXPECT_EQ(t.first_column(), "abcdefg");
  EXPECT_EQ(t.rs->MovePrevious(), S_OK);
  EXPECT_EQ(t.bof_eof(), std::make_pair(true, false));
  EXPECT_EQ(t.first_column(), "error 3021");
  EXPECT_EQ(t.rs->MoveNext(), S_OK);
  EXPECT_EQ(t.first_column(), "abcdefg");
  EXPECT_EQ(t.rs->MoveNext(), S_OK);
  EXPECT_EQ(t.first_column(), "a");
  EXPECT_EQ(t.rs->MoveNext(), S_OK);
  EXPECT_EQ(t.bof_eof(), std::make_pair(false, true));
  EXPECT_EQ(t.rs->MoveNext(), dao_hresult(3021));
  EXPECT_EQ(t.rs->MovePrevious(), S_OK);
  EXPECT_EQ(t.first_column(), "a");
  EXPECT_EQ(t.rs->MoveFirst(), S_OK);
  EXPECT_EQ(t.first_column(), "abcdefg");
  EXPECT_EQ(t.rs->Close(), S_OK);
  VARIANT_BOOL eof = 0;
  EXPECT_EQ(t.rs->get_EOF(&eof), dao_hresult(3420));
}

TEST(recordset_navigation, empty_table_is_at_bof_and_eof) {
  nav t(L"Table4");
  EXPECT_EQ(t.bof_eof(), std::make_pair(true, true));
  EXPECT_EQ(t.rs->MoveFirst(), dao_hresult(3021));
  EXPECT_EQ(t.rs->MoveNext(), dao_hresult(3021));
}

}  // namespace
