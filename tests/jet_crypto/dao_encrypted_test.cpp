// Office-encrypted .accdb files opened through the DAO surface, as the Access source opens them:
// OpenDatabase with the password in its Connect text.
#include <gtest/gtest.h>

#include "cryptoapi_fixture.h"
#include "tests/jet/dao_test_util.h"
#include "tests/support/test_env.h"

using namespace dao_test;

namespace {

using rows = std::vector<std::vector<std::string>>;

// The user tables of an open database with their rows, read through TableDefs and recordsets.
std::vector<std::pair<std::string, rows>> read_user_tables(DAODatabase* db) {
  std::vector<std::pair<std::string, rows>> out;
  ptr<DAOTableDefs> tables;
  EXPECT_EQ(db->get_TableDefs(tables.out()), S_OK);
  short count = 0;
  tables->get_Count(&count);
  for (short t = 0; t < count; ++t) {
    ptr<_DAOTableDef> def;
    EXPECT_EQ(tables->get_Item(index(t), def.out()), S_OK);
    LONG attributes = 0;
    def->get_Attributes(&attributes);
    if (attributes & dbSystemObject) continue;
    BSTR b = nullptr;
    def->get_Name(&b);
    const std::wstring name = take(b);
    ptr<DAORecordset> rs;
    EXPECT_EQ(open_table(db, name, rs), S_OK);
    ptr<DAOFields> fields;
    EXPECT_EQ(rs->get_Fields(fields.out()), S_OK);
    short nf = 0;
    fields->get_Count(&nf);
    rows table;
    for (VARIANT_BOOL eof = 0; rs->get_EOF(&eof) == S_OK && !eof; rs->MoveNext()) {
      std::vector<std::string> row;
      for (short f = 0; f < nf; ++f) {
        var value;
        EXPECT_EQ(field_value(fields.p, f, value), S_OK);
        row.push_back(value.v.vt == VT_NULL ? "NULL" : export_text(value.v));
      }
      table.push_back(std::move(row));
    }
    out.emplace_back(utf8(name), std::move(table));
  }
  return out;
}

TEST(dao_encrypted, opens_with_the_password_of_its_connect_text) {
  const struct {
    const char* file;
    const wchar_t* connect;
    std::vector<std::pair<std::string, rows>> tables;
  } cases[] = {
      {"access/encrypted/db2007-enc.accdb", L";pwd=Test123", {{"Table1", {{"1", "foo"}}}}},
      {"access/encrypted/db2013-enc.accdb",
       L"MS Access;PWD=1234",
       {{"Customers", {{"1", "Test"}, {"2", "Test2"}, {"3", "a"}, {"4", "NULL"}, {"5", "c"}, {"6", "d"}, {"7", "f"}}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    ASSERT_EQ(open(test_env::testdata_path(c.file), c.connect, engine, db), S_OK) << last_error(engine.p);
    EXPECT_EQ(read_user_tables(db.p), c.tables);
  }
}

TEST(dao_encrypted, wrong_or_missing_password_is_not_valid) {
  for (const wchar_t* connect : {L"", L";pwd=", L";pwd=1235", L";pwd=Test123"}) {
    SCOPED_TRACE(utf8(connect));
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    EXPECT_EQ(open(test_env::testdata_path("access/encrypted/db2013-enc.accdb"), connect, engine, db),
              static_cast<HRESULT>(0x800A0000 | 3031));
    std::wstring text;
    EXPECT_EQ(last_error(engine.p, &text), 3031);
    EXPECT_EQ(text, L"Not a valid password.");
  }
}

TEST(dao_encrypted, damaged_or_unsupported_encryption_is_a_dao_error) {
  const struct {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
    long error;
  } cases[] = {
      {"information longer than its page", 0x29A, 0xFF, 3428},
      {"reserved word of the descriptor", 0x29F, 0x41, 3428},
      {"unknown encryption version", 0x29B, 9, 3343},
  };
  const std::string dir = test_env::make_temp_dir();
  const auto good = read_file_bytes(test_env::testdata_path("access/encrypted/db2013-enc.accdb"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = good;
    file[c.offset] = c.value;
    const std::string path = dir + "/damaged.accdb";
    write_file_bytes(path, file);
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    EXPECT_EQ(open(path, L";pwd=1234", engine, db), static_cast<HRESULT>(0x800A0000 | c.error));
    std::wstring text;
    EXPECT_EQ(last_error(engine.p, &text), c.error);
    EXPECT_NE(text.find(L"damaged.accdb"), std::wstring::npos) << utf8(text);
  }
}

}  // namespace
