// Rows read through dao_recordset: every row of nwind.mdb against mdb-export, and the walk
// itself (reset, a second walk, an empty table, reading past the end).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "TK/tk_logger.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"
#include "dao/dao_field.h"
#include "dao/dao_recordset.h"
#include "tests/dao/dao_source_util.h"
#include "tests/jet/dao_test_util.h"

using dao_source_test::open_testdata;
using dao_source_test::utf8;

namespace {

// Our text of one value against mdb-export's; empty when they agree.
std::string compare(const udb_field& f, const std::string& theirs) {
  const VARIANT& v = f.get_variant();
  std::string ours;
  switch (f.get_type()) {
    case VT_NULL: ours = ""; break;
    case VT_DATE: {
      // A date alone prints without its time; mdb-export always prints the time.
      ours = f.to_string();
      if (ours.size() == 10) ours += " 00:00:00";
      break;
    }
    case VT_I8: ours = std::to_string(f.get_i8()); break;
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL: {
      double a = std::strtod(dao_test::export_text(v).c_str(), nullptr), e = std::strtod(theirs.c_str(), nullptr);
      if (std::fabs(a - e) <= std::fabs(e) * 1e-6 + 1e-9) return "";
      return dao_test::export_text(v) + " != " + theirs;
    }
    default: ours = dao_test::export_text(v);
  }
  return ours == theirs ? "" : ours + " != " + theirs;
}

TEST(dao_rows, every_nwind_row_matches_mdb_export) {
  const char* file = "access/real/nwind.mdb";
  auto o = open_testdata(file);
  ASSERT_EQ(o.db->table_names.size(), 9u);
  for (const auto& table : o.db->table_names) {
    SCOPED_TRACE(utf8(table));
    auto expected = dao_test::export_rows(test_env::testdata_path(file), utf8(table));
    auto rs = o.db->get_table(table, 1);
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->row_count, expected.size());
    std::size_t row = 0;
    for (rs->reset(); !rs->is_eof(); rs->next(), ++row) {
      ASSERT_LT(row, expected.size());
      udb_record* r = rs->get_item();
      ASSERT_EQ(r->fields.size(), expected[row].size());
      ASSERT_EQ(r->fields.size(), rs->schema.fields.size());
      for (std::size_t f = 0; f < r->fields.size(); ++f) {
        const udb_field& field = *r->fields[f];
        EXPECT_EQ(field.name, rs->schema.fields[f]->name);
        std::string diff = compare(field, expected[row][f]);
        EXPECT_TRUE(diff.empty()) << "row " << row << " " << utf8(field.name) << ": " << diff;
      }
    }
    EXPECT_EQ(row, expected.size());
  }
}

// Names Access itself refuses, written by other tools: the rows are read by the catalog's name,
// and are the rows the file holds under the name it had before. The copy's one catalog row
// naming the table is patched in place (a Jet 3 name is stored as bytes, same length).
TEST(dao_rows, names_access_refuses_are_read_by_their_catalog_name) {
  const std::string source = test_env::testdata_path("access/jet3/compIndexTestV1997.mdb");
  std::ifstream in(source, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t at = bytes.find("Table1");
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes.find("Table1", at + 1), std::string::npos) << "the name must stand once";
  const auto expected = dao_test::export_rows(source, "Table1");
  ASSERT_FALSE(expected.empty());
  const std::string dir = test_env::make_temp_dir();
  for (const std::string name : {"Ta]le1", "[Tab1]", "Table ", "Tab!e1", "Tab.e1", "T'b\"e1"}) {
    SCOPED_TRACE(name);
    std::string patched = bytes;
    patched.replace(at, name.size(), name);
    const std::string path = dir + "/names.mdb";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << patched;
    dao_engine engine(true, 0);
    const std::wstring wide_path = tk_utf8_to_unicode(path);
    engine.set_version_smart(wide_path);
    std::unique_ptr<udb_database> db = engine.open_db(wide_path, dao_open_read_only, L"");
    auto& access = static_cast<dao_database&>(*db);
    ASSERT_EQ(access.table_names, std::vector<std::wstring>{tk_utf8_to_unicode(name)});
    auto rs = access.get_table(access.table_names[0], 1);
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->row_count, expected.size());
    std::size_t row = 0;
    for (rs->reset(); !rs->is_eof(); rs->next(), ++row) {
      ASSERT_LT(row, expected.size());
      const udb_record* r = rs->get_item();
      ASSERT_EQ(r->fields.size(), expected[row].size());
      for (std::size_t f = 0; f < r->fields.size(); ++f) EXPECT_EQ(compare(*r->fields[f], expected[row][f]), "");
    }
    EXPECT_EQ(row, expected.size());
  }
}

int walk(udb_recordset& rs) {
  int n = 0;
  for (rs.reset(); !rs.is_eof(); rs.next()) ++n;
  return n;
}

TEST(dao_rows, a_second_walk_sees_every_row_again) {
  auto o = open_testdata("access/real/nwind.mdb");
  auto rs = o.db->get_table(L"Shippers", 1);
  EXPECT_EQ(walk(*rs), 3);
  EXPECT_EQ(walk(*rs), 3);
  // At the end there is no current row: reading one is the engine's error, not a row of NULLs.
  ASSERT_TRUE(rs->is_eof());
  try {
    rs->get_item();
    ADD_FAILURE() << "no exception";
  } catch (const dao_exception& e) {
    EXPECT_EQ(e.code(), 0x10000u | 3021u);  // no current record
  }
}

TEST(dao_rows, moving_back_and_reading_twice) {
  auto o = open_testdata("access/real/nwind.mdb");
  auto rs = o.db->get_table(L"Shippers", 1);
  rs->reset();
  rs->prev();  // on the first row: stays there
  ASSERT_FALSE(rs->is_eof());
  std::wstring first = rs->get_item()->fields[1]->to_wstring();
  EXPECT_EQ(first, L"Speedy Express");
  rs->next();
  EXPECT_EQ(rs->get_item()->fields[1]->to_wstring(), L"United Package");
  EXPECT_EQ(rs->get_item()->fields[1]->to_wstring(), L"United Package");
  rs->prev();
  EXPECT_EQ(rs->get_item()->fields[1]->to_wstring(), first);
}

TEST(dao_rows, empty_table) {
  for (const char* file : {"access/jet3/testV1997.mdb", "access/ace/testV2010.accdb"}) {
    SCOPED_TRACE(file);
    auto o = open_testdata(file);
    auto rs = o.db->get_table(L"Table2", 1);
    ASSERT_NE(rs, nullptr);
    auto* dao = static_cast<dao_recordset*>(rs.get());
    EXPECT_EQ(dao->get_record_count(), 0);
    EXPECT_TRUE(rs->is_eof());
    EXPECT_EQ(walk(*rs), 0);
  }
}

TEST(dao_rows, field_flags_and_empty_values_take_the_column_type) {
  auto o = open_testdata("access/real/nwind.mdb");
  auto rs = o.db->get_table(L"Employees", 1);
  rs->reset();
  udb_record* r = rs->get_item();
  const udb_field* id = r->get_field(L"EmployeeID");
  const udb_field* last = r->get_field(L"LastName");
  const udb_field* boss = r->get_field(L"ReportsTo");
  ASSERT_TRUE(id && last && boss);
  EXPECT_TRUE(id->auto_increment);
  EXPECT_FALSE(id->not_null);
  EXPECT_TRUE(last->not_null);
  EXPECT_EQ(last->size, 20u);
  // Nancy Davolio reports to Andrew Fuller; Fuller reports to nobody.
  EXPECT_EQ(boss->to_wstring(), L"2");
  rs->next();
  r = rs->get_item();
  EXPECT_EQ(r->get_field(L"ReportsTo")->get_type(), VT_NULL);
  EXPECT_EQ(r->get_field(L"BirthDate")->to_string(), "1952-02-19");
}

// testV2000.mdb's Table1 with the stored type of one variable column (B, text) and one fixed
// column (F, Double) replaced by codes no Access version writes.
std::string with_unknown_types(std::uint8_t variable_type, std::uint8_t fixed_type) {
  std::ifstream in(test_env::testdata_path("access/jet4/testV2000.mdb"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  constexpr std::size_t page_size = 4096, table_page = 24, descriptor_size = 25;
  const std::size_t definition = table_page * page_size;
  EXPECT_GT(bytes.size(), definition + page_size);
  if (bytes.size() <= definition + page_size) return {};
  // The column descriptors follow the real indexes' entries (12 bytes each).
  const std::size_t real_indexes = static_cast<unsigned char>(bytes[definition + 0x33]);
  const std::size_t descriptors = definition + 0x3F + 12 * real_indexes;
  EXPECT_EQ(bytes[descriptors + descriptor_size * 1], '\x0A');  // B: Text
  EXPECT_EQ(bytes[descriptors + descriptor_size * 5], '\x07');  // F: Double
  bytes[descriptors + descriptor_size * 1] = static_cast<char>(variable_type);
  bytes[descriptors + descriptor_size * 5] = static_cast<char>(fixed_type);
  const std::string path = test_env::make_temp_dir() + "/unknown.mdb";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// A column of a type the reader does not know keeps its stored bytes as binary, whether its
// values are fixed or variable in the row.
TEST(dao_rows, columns_of_unknown_type_carry_their_bytes) {
  const std::string hijklmnop_utf16 = std::string("h\0i\0j\0k\0l\0m\0n\0o\0p\0", 18);
  const std::string double_444_555("\x7B\x14\xAE\x47\xE1\xC8\x7B\x40", 8);
  for (std::uint8_t code : {0x00, 0x0D, 0x0E, 0x11, 0x15, 0xFF}) {
    SCOPED_TRACE(static_cast<int>(code));
    const std::string path = with_unknown_types(code, code);
    ASSERT_FALSE(path.empty());
    auto engine = std::make_unique<dao_engine>(true, 0);
    const std::wstring wide = tk_utf8_to_unicode(path);
    engine->set_version_smart(wide);
    std::unique_ptr<udb_database> db = engine->open_db(wide, dao_open_read_only, L"");
    ASSERT_NE(db, nullptr);
    auto rs = db->get_table(L"Table1", 1);
    ASSERT_NE(rs, nullptr);
    // The table's description and the rows the query engine walks agree on the kind.
    dao_test::ptr<_DAODBEngine> dao;
    dao_test::ptr<DAODatabase> file;
    ASSERT_EQ(dao_test::open(path, L"", dao, file), S_OK);
    dao_test::ptr<DAORecordset> rows;
    ASSERT_EQ(dao_test::open_table(file.p, L"Table1", rows), S_OK);
    dao_test::ptr<DAOFields> row_fields;
    ASSERT_EQ(rows->get_Fields(row_fields.out()), S_OK);
    for (const wchar_t* name : {L"B", L"F"}) {
      const t_ftd* column = rs->schema.get_field1(name);
      ASSERT_NE(column, nullptr);
      EXPECT_EQ(column->vartype, ole_vt_binary) << utf8(name);
      dao_test::ptr<_DAOField> field;
      ASSERT_EQ(dao_test::item(row_fields.p, name, field.out()), S_OK);
      short type = 0;
      field->get_Type(&type);
      EXPECT_EQ(type, dbBinary) << utf8(name);
    }
    rs->reset();
    ASSERT_FALSE(rs->is_eof());
    udb_record* r = rs->get_item();
    const struct {
      const wchar_t* column;
      const std::string& bytes;
    } expected[] = {{L"B", hijklmnop_utf16}, {L"F", double_444_555}};
    for (const auto& e : expected) {
      const udb_field* f = r->get_field(e.column);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->get_type(), ole_vt_binary) << utf8(e.column);
      const BYTE* data = nullptr;
      std::string storage;
      const std::uint32_t n = f->get_bytes1(data, storage);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), n), e.bytes) << utf8(e.column);
    }
  }
}

// A multi-value column is one text per row: its values in their stored order, joined by "; ".
TEST(dao_rows, multi_value_columns_join_their_values_into_text) {
  for (const char* file : {"access/ace/complexDataTestV2007.accdb", "access/ace/complexDataTestV2010.accdb"}) {
    SCOPED_TRACE(file);
    auto o = open_testdata(file);
    auto rs = o.db->get_table(L"Table1", 1);
    ASSERT_NE(rs, nullptr);
    const t_ftd* column = rs->schema.get_field1(L"multi-value-data");
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->vartype, VT_BSTR);
    EXPECT_EQ(column->size, 0u);
    const wchar_t* expected[] = {nullptr, L"value1; value4", L"value1; value2; value3; value4", nullptr};
    std::size_t row = 0;
    for (rs->reset(); !rs->is_eof(); rs->next(), ++row) {
      ASSERT_LT(row, 4u);
      const udb_field* f = rs->get_item()->get_field(L"multi-value-data");
      ASSERT_NE(f, nullptr);
      if (!expected[row]) {
        EXPECT_EQ(f->get_type(), VT_NULL) << "row " << row;
        continue;
      }
      EXPECT_EQ(f->get_type(), VT_BSTR) << "row " << row;
      EXPECT_EQ(f->to_wstring(), expected[row]) << "row " << row;
    }
    EXPECT_EQ(row, 4u);
  }
}

// An attachment arrives as the file's own bytes, not as the form Access stores it in.
TEST(dao_rows, attachment_columns_keep_the_first_file_and_name_the_others) {
  std::string log_path = test_env::make_temp_dir() + "/run.log";
  {
    tk_logger log(log_path.c_str(), true, tk_log_event, false);
    auto o = open_testdata("access/ace/complexDataTestV2010.accdb");
    auto rs = o.db->get_table(L"Table1", 1);
    ASSERT_NE(rs, nullptr);
    const t_ftd* column = rs->schema.get_field1(L"attach-data");
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->dw_reserved, ftd_marker_attachment);
    // Rows row1..row4: no file, two files, no file, one file.
    const char* files[] = {nullptr, "this is some test data for attachment.", nullptr,
                           "this is some more test data for attachment."};
    std::size_t row = 0;
    for (rs->reset(); !rs->is_eof(); rs->next(), ++row) {
      ASSERT_LT(row, 4u);
      const udb_field* f = rs->get_item()->get_field(L"attach-data");
      ASSERT_NE(f, nullptr);
      EXPECT_TRUE(f->kept_as_stored.empty()) << f->kept_as_stored;
      if (!files[row]) {
        EXPECT_EQ(f->get_type(), VT_NULL) << "row " << row;
        continue;
      }
      ASSERT_EQ(f->get_type(), ole_vt_binary) << "row " << row;
      const BYTE* data = nullptr;
      std::string storage;
      const std::uint32_t n = f->get_bytes1(data, storage);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), n), files[row]) << "row " << row;
    }
    EXPECT_EQ(row, 4u);
  }
  std::ifstream in(log_path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Attachment column 'attach-data': file 'test_data2.txt' left out, only the first file is "
                            "converted\r\n"),
            std::string::npos)
      << text.str();
}

}  // namespace
