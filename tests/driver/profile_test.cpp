// Settings profiles: every section written and read back, the refusals, and the "Type Mappings"
// rules with their application to index lists.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "UDB/udb_index.h"
#include "UDB/udb_profile.h"
#include "converter/vandry_converter.h"
#include "tests/driver/driver_test_util.h"

namespace {

sql_native_type varchar(std::uint64_t length) {
  sql_native_type n;
  n.type = L"VARCHAR";
  n.length = length;
  return n;
}

void fill(vandry_converter& c) {
  c.src = L"/data/nwind.mdb";
  c.dest = L"north";
  c.skip_idx = true;
  c.tab_def = false;
  c.conversion_mode = 3;
  c.bool_map = 1;
  c.direct = false;
  c.engine.charset = L"latin1";
  c.engine.engine = L"MyISAM";
  c.store_mysql_settings("db.example", "root", "se:cret", "3307");
  c.dump.line_break = 1;
  c.dump.create_database = true;
  c.store_ugl_settings(L"/data/system.mdw", L"admin", L"ugl pw");
  c.acc_pswd = L"db pw";
  c.items = {{L"Big orders", L"SELECT *\r\nFROM Orders\nWHERE Freight > 100"}, {L"Customers", L""},
             {L"Order Details", L""}};
  c.available_queries = {{L"Big orders", L"SELECT *\r\nFROM Orders\nWHERE Freight > 100"}};
  c.selected_views = {{L"Invoices", L"SELECT * FROM Orders"}};
  sql_table_mutator* t = c.get_table_mutator2(L"Order Details", L"order_lines");
  t->update_field(L"UnitPrice", L"price", varchar(20));
  t->update_field(L"Discount", L"Discount", varchar(5))->action = udb_drop_column;
  t->udb_properties::get_properties()[L"comment"] = L"see http://example.com: lines";
  c.udb_properties::get_properties()[L"engine"] = L"InnoDB";
}

TEST(Profile, EverySettingRoundTrips) {
  fresh_config_home();
  const std::string dir = test_env::make_temp_dir();
  const std::wstring path = widen(dir + "/job.vdy");
  vandry_converter a(converter_program::console);
  fill(a);
  ASSERT_TRUE(a.store_profile(path));
  struct stat st {};
  ASSERT_EQ(::stat((dir + "/job.vdy").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "a profile holds passwords";

  // A second save still holds the user query.
  ASSERT_TRUE(a.store_profile(path));

  vandry_converter b(converter_program::console);
  b.engine.charset = L"utf8";
  ASSERT_TRUE(b.load_profile(path));
  EXPECT_EQ(b.src, a.src);
  EXPECT_EQ(b.dest, a.dest);
  EXPECT_TRUE(b.skip_idx);
  EXPECT_FALSE(b.tab_def);
  EXPECT_EQ(b.conversion_mode, 3u);
  EXPECT_EQ(b.bool_map, 1u);
  EXPECT_FALSE(b.direct);
  EXPECT_EQ(a.engine.charset, L"latin1");
  EXPECT_EQ(a.engine.engine, L"MyISAM");
  EXPECT_EQ(b.host, "db.example");
  EXPECT_EQ(b.user, "root");
  EXPECT_EQ(b.password, "se:cret");
  EXPECT_EQ(b.port, "3307");
  EXPECT_EQ(b.dump.line_break, 1u);
  EXPECT_TRUE(b.dump.create_database);
  EXPECT_EQ(b.sysdb, L"/data/system.mdw");
  EXPECT_EQ(b.ugl_user, L"admin");
  EXPECT_EQ(b.ugl_password, L"ugl pw");
  EXPECT_EQ(b.acc_pswd, L"db pw");
  const udb_converter::item_list items = {
      {L"Big orders", L"SELECT * FROM Orders WHERE Freight > 100"}, {L"Customers", L""}, {L"Order Details", L""}};
  EXPECT_EQ(b.items, items);
  EXPECT_EQ(b.available_queries, (udb_converter::item_list{{L"Big orders", L"SELECT * FROM Orders WHERE Freight > 100"}}));
  EXPECT_EQ(b.selected_views, a.selected_views);

  sql_table_mutator* t = b.get_table_mutator3(L"Order Details");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->new_name, L"order_lines");
  EXPECT_EQ(b.find_by_new_name(L"order_lines"), t);
  ASSERT_EQ(t->by_source.size(), 2u);
  EXPECT_EQ(t->by_source.at(L"UnitPrice")->new_name, L"price");
  EXPECT_EQ(t->by_source.at(L"UnitPrice")->native, varchar(20));
  EXPECT_EQ(t->by_source.at(L"Discount")->action, udb_drop_column);
  EXPECT_EQ(t->udb_properties::get_properties().at(L"comment"), L"see http://example.com: lines");
  EXPECT_EQ(b.udb_properties::get_properties().at(L"engine"), L"InnoDB");
}

TEST(Profile, GenericKeysAreReadAsWritten) {
  fresh_config_home();
  struct Case {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
    bool refused;
    std::uint32_t mode;
    bool tab_def;
    bool direct;
  } cases[] = {
      {L"Generic settings", L"mode", L"3", false, 3, false, true},
      {L"Generic settings", L"mode", L"12", true, 0, false, true},
      {L"Generic settings", L"mode", L"5", true, 0, false, true},
      {L"Generic settings", L"mode", L"x", true, 0, false, true},
      {L"Generic settings", L"only definitions", L"yes", false, 0, true, true},
      {L"Generic settings", L"only definitions", L"0", false, 0, false, true},
      {L"MySQL settings", L"direct mode", L"yes", false, 0, false, false},
  };
  for (const Case& k : cases) {
    vandry_converter c(converter_program::console);
    udb_profile p;
    p.add_value(k.section, k.key, k.value);
    try {
      EXPECT_TRUE(c.load_settings(p));
      EXPECT_FALSE(k.refused) << "accepted " << std::string(k.value, k.value + wcslen(k.value));
    } catch (const tk_exception& e) {
      EXPECT_TRUE(k.refused) << e.what();
      EXPECT_EQ(e.kind(), tk_kind_error);
    }
    EXPECT_EQ(c.conversion_mode, k.mode);
    EXPECT_EQ(c.tab_def, k.tab_def);
    EXPECT_EQ(c.direct, k.direct);
  }
}

TEST(Profile, TypeMappingLines) {
  fresh_config_home();
  struct Case {
    std::vector<std::wstring> lines;
    bool loads;
    const wchar_t* table;     // source name of a table rule, or null for none
    const wchar_t* new_name;  // its destination name
    const wchar_t* column;    // a column rule of it, or null
    const wchar_t* column_new_name;
  } cases[] = {
      {{L"database:", L"tables:"}, true, nullptr, nullptr, nullptr, nullptr},
      {{L"tables:", L"  - name: A", L"    new_name: B"}, true, L"A", L"B", nullptr, nullptr},
      {{L"tables:", L"  - name: A", L"    fields:", L"    new_name: B"}, false, nullptr, nullptr, nullptr, nullptr},
      {{L"tables:", L"  - name: A", L"    new_name: B", L"    fields:", L"      - name:x", L"        new_name: y"},
       true, L"A", L"B", L"x", L"y"},
      {{L"tables:", L"  - name: A", L"    new_name: B", L"    fields:", L"      - name: x"}, true, L"A", L"B", L"x",
       L"x"},
      {{L"tables:", L"  - name: A", L"    fields:", L"      - name: x", L"        length: 9"}, true, L"A", L"A", L"x",
       L"x"},
      {{L"tables:", L"  - name: A", L"        type: INT"}, false, nullptr, nullptr, nullptr, nullptr},
      {{L"tables:", L"  - name: A", L"    unknown: 1"}, false, nullptr, nullptr, nullptr, nullptr},
      {{L"database:", L"  engine: InnoDB", L"other"}, true, nullptr, nullptr, nullptr, nullptr},
  };
  for (const Case& k : cases) {
    vandry_converter c(converter_program::console);
    c.get_table_mutator2(L"old", L"rule");  // every load starts from no rules
    udb_profile p;
    for (const std::wstring& line : k.lines) p.add_list_item(L"Type Mappings", line);
    EXPECT_EQ(c.sql_db_mutator::load(p), k.loads) << std::string(k.lines.back().begin(), k.lines.back().end());
    EXPECT_EQ(c.get_table_mutator3(L"old"), nullptr);
    if (k.table == nullptr) {
      EXPECT_TRUE(c.by_source.empty());
      continue;
    }
    sql_table_mutator* t = c.get_table_mutator3(k.table);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->new_name, k.new_name);
    if (k.column != nullptr) {
      ASSERT_EQ(t->by_source.count(k.column), 1u);
      EXPECT_EQ(t->by_source.at(k.column)->new_name, k.column_new_name);
    }
  }
}

TEST(Profile, IndexesFollowColumnRules) {
  fresh_config_home();
  vandry_converter c(converter_program::console);
  sql_table_mutator* t = c.get_table_mutator2(L"T", L"T");
  t->update_field(L"first", L"third", varchar(10));
  t->update_field(L"second", L"second", varchar(10))->action = udb_drop_column;
  struct Case {
    std::vector<std::wstring> columns;
    std::vector<std::wstring> after;
  } cases[] = {
      {{L"first", L"second"}, {L"third"}},
      {{L"second"}, {}},
      {{L"other", L"first"}, {L"other", L"third"}},
  };
  udb_indexes list;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    udb_index index(L"ix" + std::to_wstring(i), false, false);
    index.fields = cases[i].columns;
    list.push_back(index);
  }
  modify3(*t, list);
  ASSERT_EQ(list.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(list[i].fields, cases[i].after) << i;
  drop_empty_indexes(list);
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace
