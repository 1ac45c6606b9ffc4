// The converter's looks at the source and the destination before a run: opening checks, query
// test, table, view and column lists, views on the target, the dump path, and the statistics of
// date columns.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SQL/dmp_database.h"
#include "TK/tk_fname.h"
#include "UDB/udb_field.h"
#include "common/types_map.h"
#include "converter/vandry_converter.h"
#include "dao/dao_exception.h"
#include "tests/driver/driver_test_util.h"

namespace {

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Source : public ::testing::Test {
 protected:
  void SetUp() override {
    fresh_config_home();
    converter_ = std::make_unique<vandry_converter>(converter_program::console);
    converter_->src = widen(test_env::testdata_path("access/real/nwind.mdb"));
  }
  std::unique_ptr<vandry_converter> converter_;
};

TEST_F(Source, OpeningChecks) {
  struct Case {
    const char* file;
    const wchar_t* password;
    bool opens;
  } cases[] = {
      {"access/real/nwind.mdb", L"", true},
      {"access/encrypted/db2013-enc.accdb", L"1234", true},
      {"access/encrypted/db2013-enc.accdb", L"wrong", false},
      {"access/encrypted/db2007-enc.accdb", L"", false},
  };
  for (const Case& k : cases) {
    try {
      converter_->check_acc_base(widen(test_env::testdata_path(k.file)), k.password);
      EXPECT_TRUE(k.opens) << k.file;
    } catch (const tk_exception& e) {
      EXPECT_FALSE(k.opens) << k.file << ": " << e.what();
      EXPECT_EQ(e.kind(), tk_kind_continuable) << "the engine's own error, for its map text";
    }
  }
  EXPECT_THROW(converter_->check_acc_base(widen(test_env::make_temp_dir() + "/none.mdb"), L""), tk_exception);
}

TEST_F(Source, QueriesTablesViewsAndColumns) {
  EXPECT_FALSE(converter_->test_query(L"SELECT Nothing FROM NoSuchTable"));

  std::vector<std::wstring> tables;
  converter_->get_all_tables(tables);
  EXPECT_EQ(tables.size(), 9u);
  EXPECT_NE(std::find(tables.begin(), tables.end(), L"Umsätze"), tables.end());

  udb_database::view_list views;
  EXPECT_EQ(&converter_->get_all_views(views), &views);
  EXPECT_FALSE(views.empty());

  // The schema outlives the source it was read from.
  std::unique_ptr<udb_schema> schema = converter_->get_schema(L"Shippers");
  ASSERT_EQ(schema->fields.size(), 3u);
  EXPECT_EQ(schema->fields[1]->name, L"CompanyName");
  EXPECT_EQ(schema->fields[1]->vartype, VT_BSTR);
  EXPECT_THROW(converter_->get_schema(L"NoSuchTable"), tk_mail_assertion);
}

TEST_F(Source, ViewsOnTheTarget) {
  struct Case {
    bool direct;
    std::uint32_t version;
    bool views;
  } cases[] = {
      {true, 0x00050000, false},
      {true, 0x00050001, true},
      {true, 0x00050100, true},
      {false, 0x00040100, true},
  };
  for (const Case& k : cases) {
    converter_->direct = k.direct;
    converter_->engine.version = k.version;
    EXPECT_EQ(converter_->can_create_views(), k.views) << std::hex << k.version;
  }
}

TEST_F(Source, DumpDestination) {
  const std::string dir = test_env::make_temp_dir();
  const std::string path = dir + "/old.sql";
  std::ofstream(path) << "old";
  converter_->direct = false;
  converter_->dest = widen(path);
  converter_->check_dest();
  EXPECT_EQ(read_text(path), "old") << "the old dump stays until the new one is whole";

  converter_->dest = widen(dir);
  EXPECT_THROW(converter_->check_dest(), tk_exception);
  EXPECT_TRUE(tk_is_path_exist(dir));

  converter_->dest = widen(path);
  std::unique_ptr<udb_database> dump = converter_->open_destination();
  ASSERT_NE(dynamic_cast<dmp_database*>(dump.get()), nullptr);
  EXPECT_EQ(converter_->dump.creator, "Ostrelle 8.3 ");
  EXPECT_EQ(read_text(path), "old");
  dynamic_cast<dmp_database*>(dump.get())->close();
  EXPECT_NE(read_text(path).find("Created by Ostrelle 8.3"), std::string::npos) << read_text(path);
}

TEST(DatesMap, KindOfADateColumn) {
  struct Case {
    std::vector<std::wstring> values;
    std::uint32_t kind;
  } cases[] = {
      {{L"2024-05-01"}, dates_map::as_date},
      {{L"2024-05-01", L"2024-05-02 10:30:00"}, dates_map::as_datetime},
      {{L"2024-05-01", L"10:30:00"}, dates_map::as_char},
      {{L"10:30:00", L"11:00:00"}, dates_map::as_time},
      {{L"", L"2024-05-01 08:00:00"}, dates_map::as_datetime},
  };
  t_ftd column(0, L"d", VT_DATE, false, false, ole_variant(), 0, L"");
  t_ftd other(10, L"t", VT_BSTR, false, false, ole_variant(), 0, L"");
  udb_schema schema(false);
  schema.fields = {&other, &column};
  for (const Case& k : cases) {
    dates_map map(L"T", schema, true);
    ASSERT_EQ(map.entries().size(), 1u);
    for (const std::wstring& v : k.values) {
      udb_record row;
      row.append(std::make_unique<udb_field>(L"t", 10, ole_variant(L"x"), false, false));
      row.append(std::make_unique<udb_field>(L"d", 0, ole_variant(v), false, false));
      map.add_rec_stat(row);
    }
    EXPECT_EQ(map.entries()[0].kind, k.kind) << std::string(k.values.back().begin(), k.values.back().end());
  }
}

}  // namespace
