// Settings profiles: every section written and read back, the refusals, and the "Type Mappings"
// rules with their application to index lists.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cwchar>
#include <fstream>

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
  c.items = {
      {L"Big orders", L"SELECT *\r\nFROM Orders\nWHERE Freight > 100"}, {L"Customers", L""}, {L"Order Details", L""}};
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
  EXPECT_EQ(b.available_queries,
            (udb_converter::item_list{{L"Big orders", L"SELECT * FROM Orders WHERE Freight > 100"}}));
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
       true,
       L"A",
       L"B",
       L"x",
       L"y"},
      {{L"tables:", L"  - name: A", L"    new_name: B", L"    fields:", L"      - name: x"},
       true,
       L"A",
       L"B",
       L"x",
       L"x"},
      {{L"tables:", L"  - name: A", L"    fields:", L"      - name: x", L"        length: 9"},
       true,
       L"A",
       L"A",
       L"x",
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

// The rules' storage engine and character set for the whole database override the general
// settings and reach the engine, which finds the table and column rules in the converter; a
// second profile without a database part keeps none of the first one's.
TEST(Profile, DatabaseRulesReachTheEngineAndLeaveWithTheNextProfile) {
  fresh_config_home();
  vandry_converter c(converter_program::console);
  EXPECT_EQ(c.engine.properties, static_cast<udb_properties*>(static_cast<sql_db_mutator*>(&c)));
  udb_profile first;
  first.add_value(L"Generic settings", L"storage engine", L"InnoDB");
  first.add_value(L"Generic settings", L"character set", L"utf8mb4");
  for (const wchar_t* line : {L"database:", L"  character set: latin1", L"  engine: MyISAM", L"tables:"})
    first.add_list_item(L"Type Mappings", line);
  ASSERT_TRUE(c.load_settings(first));
  EXPECT_EQ(c.engine.engine, L"MyISAM");
  EXPECT_EQ(c.engine.charset, L"latin1");

  udb_profile second;
  second.add_value(L"Generic settings", L"storage engine", L"Aria");
  for (const wchar_t* line : {L"tables:", L"  - name: T"}) second.add_list_item(L"Type Mappings", line);
  ASSERT_TRUE(c.load_settings(second));
  EXPECT_TRUE(c.udb_properties::get_properties().empty());
  EXPECT_EQ(c.engine.engine, L"Aria");
  udb_profile saved;
  ASSERT_TRUE(c.sql_db_mutator::store(saved));
  EXPECT_EQ(saved.get_list(L"Type Mappings"),
            (std::vector<std::wstring>{L"database:", L"tables:", L"  - name: T", L"    new_name: T", L"    fields:"}));
}

// Table names that a bare profile line would not give back, with a type mapping of their own.
TEST(Profile, AwkwardTableNamesRoundTrip) {
  fresh_config_home();
  const std::wstring path = widen(test_env::make_temp_dir() + "/names.vdy");
  const udb_converter::item_list items = {
      {L"Sales=2023", L""}, {L" padded ", L""}, {L"[Orders]", L""}, {L"a=b=c", L""}, {L"Plain", L""}};
  vandry_converter a(converter_program::console);
  a.items = items;
  sql_native_type with_default = varchar(10);
  with_default.default_value = L"x=1";
  a.get_table_mutator2(L"Sales=2023", L"sales 2023")->update_field(L"Total=Net", L"total", with_default);
  ASSERT_TRUE(a.store_profile(path));

  vandry_converter b(converter_program::console);
  ASSERT_TRUE(b.load_profile(path));
  EXPECT_EQ(b.items, items);
  sql_table_mutator* t = b.get_table_mutator3(L"Sales=2023");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->new_name, L"sales 2023");
  ASSERT_EQ(t->by_source.count(L"Total=Net"), 1u);
  EXPECT_EQ(t->by_source.at(L"Total=Net")->native, with_default);
}

// A profile written before names were marked reads as it always did.
TEST(Profile, EarlierProfilesReadTheSame) {
  fresh_config_home();
  const std::string file = test_env::make_temp_dir() + "/old.vdy";
  std::ofstream(file, std::ios::binary)
      << "[Selected Tables]\r\nBig=SELECT * FROM Orders WHERE a = 'x'\r\nCustomers\r\n"
         "  Order Details  \r\n\r\n[Generic settings]\r\nsrc=/data/a.mdb\r\n";
  vandry_converter c(converter_program::console);
  ASSERT_TRUE(c.load_profile(widen(file)));
  const udb_converter::item_list items = {
      {L"Big", L"SELECT * FROM Orders WHERE a = 'x'"}, {L"Customers", L""}, {L"Order Details", L""}};
  EXPECT_EQ(c.items, items);
}

// A mapping names a known type and sizes in its range, or the profile is refused with the table,
// the column and the value, and no rule of it is kept.
TEST(Profile, TypeMappingValuesAreChecked) {
  fresh_config_home();
  struct Case {
    const wchar_t* line;  // the one attribute line of column "C" of table "T"
    const char* refusal;  // empty: accepted
    const wchar_t* type;  // the type the rule holds when accepted
  } cases[] = {
      {L"        type: INT", "", L"INT"},
      {L"        type: varchar", "", L"VARCHAR"},
      {L"        type: tinyint unsigned", "", L"TINYINT UNSIGNED"},
      {L"        length: 255", "", L""},
      {L"        precision: 65", "", L""},
      {L"        scale: 30", "", L""},
      {L"        character_set: utf8mb4", "", L""},
      {L"        precision: -1", "", L""},
      {L"        length: 18446744073709551615", "", L""},
      {L"        type: INT, `evil` INT",
       "Type mappings: column 'C' of table 'T': type 'INT, `evil` INT' is not a MySQL column type.", nullptr},
      {L"        type: INT COMMENT 'pwned'",
       "Type mappings: column 'C' of table 'T': type 'INT COMMENT 'pwned'' is not a MySQL column type.", nullptr},
      {L"        type: INT REFERENCES x(y)",
       "Type mappings: column 'C' of table 'T': type 'INT REFERENCES x(y)' is not a MySQL column type.", nullptr},
      {L"        type: NOSUCHTYPE",
       "Type mappings: column 'C' of table 'T': type 'NOSUCHTYPE' is not a MySQL column type.", nullptr},
      {L"        type: VARCHAR(10)",
       "Type mappings: column 'C' of table 'T': type 'VARCHAR(10)' is not a MySQL column type.", nullptr},
      {L"        length: -5",
       "Type mappings: column 'C' of table 'T': length '-5' is not a whole number from 0 to 4294967295.", nullptr},
      {L"        length: abc",
       "Type mappings: column 'C' of table 'T': length 'abc' is not a whole number from 0 to 4294967295.", nullptr},
      {L"        length: 4294967296",
       "Type mappings: column 'C' of table 'T': length '4294967296' is not a whole number from 0 to 4294967295.",
       nullptr},
      {L"        length: 12x",
       "Type mappings: column 'C' of table 'T': length '12x' is not a whole number from 0 to 4294967295.", nullptr},
      {L"        precision: 66",
       "Type mappings: column 'C' of table 'T': precision '66' is not a whole number from 0 to 65.", nullptr},
      {L"        scale: +1", "Type mappings: column 'C' of table 'T': scale '+1' is not a whole number from 0 to 30.",
       nullptr},
      {L"        character_set: utf8 COLLATE x",
       "Type mappings: column 'C' of table 'T': character set 'utf8 COLLATE x' is not a character set name.", nullptr},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.line, k.line + wcslen(k.line)));
    vandry_converter c(converter_program::console);
    udb_profile p;
    for (const wchar_t* line : {L"tables:", L"  - name: T", L"    fields:", L"      - name: C", k.line})
      p.add_list_item(L"Type Mappings", line);
    try {
      EXPECT_TRUE(c.sql_db_mutator::load(p));
      EXPECT_STREQ(k.refusal, "") << "accepted";
      sql_table_mutator* t = c.get_table_mutator3(L"T");
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->by_source.at(L"C")->native.type, k.type);
    } catch (const tk_exception& e) {
      EXPECT_STREQ(e.what(), k.refusal);
      EXPECT_EQ(e.kind(), tk_kind_error);
      EXPECT_TRUE(c.by_source.empty());
    }
  }

  // Sizes are bounded by the type, and a scale by the precision.
  struct Sized {
    std::vector<std::wstring> lines;
    const char* refusal;
  } sized[] = {
      {{L"        type: CHAR", L"        length: 255"}, ""},
      {{L"        type: CHAR", L"        length: 256"},
       "Type mappings: column 'C' of table 'T': length '256' is not a whole number from 0 to 255."},
      {{L"        type: VARCHAR", L"        length: 65536"},
       "Type mappings: column 'C' of table 'T': length '65536' is not a whole number from 0 to 65535."},
      {{L"        type: VARCHAR", L"        length: 18446744073709551615"},
       "Type mappings: column 'C' of table 'T': length '18446744073709551615' is not a whole number from 0 to "
       "65535."},
      {{L"        type: LONGTEXT", L"        length: -1", L"        scale: -1", L"        precision: -1"}, ""},
      {{L"        type: DECIMAL", L"        precision: -1"},
       "Type mappings: column 'C' of table 'T': precision '-1' is not a whole number from 0 to 65."},
      {{L"        type: DECIMAL", L"        precision: 10", L"        scale: 2"}, ""},
      {{L"        type: DECIMAL", L"        precision: 4", L"        scale: 6"},
       "Type mappings: column 'C' of table 'T': scale '6' is not at most the precision 4."},
  };
  for (const Sized& k : sized) {
    SCOPED_TRACE(k.refusal);
    vandry_converter c(converter_program::console);
    udb_profile p;
    for (const wchar_t* line : {L"tables:", L"  - name: T", L"    fields:", L"      - name: C"})
      p.add_list_item(L"Type Mappings", line);
    for (const std::wstring& line : k.lines) p.add_list_item(L"Type Mappings", line);
    try {
      EXPECT_TRUE(c.sql_db_mutator::load(p));
      EXPECT_STREQ(k.refusal, "") << "accepted";
    } catch (const tk_exception& e) {
      EXPECT_STREQ(e.what(), k.refusal);
    }
  }

  // Table and database settings that reach the statement as words.
  for (const wchar_t* property : {L"        engine: InnoDB; DROP TABLE x", L"        character set: latin1 x"}) {
    vandry_converter c(converter_program::console);
    udb_profile p;
    for (const wchar_t* line : {L"tables:", L"  - name: T", L"    properties:", property})
      p.add_list_item(L"Type Mappings", line);
    EXPECT_THROW(c.sql_db_mutator::load(p), tk_exception) << std::string(property, property + wcslen(property));
    EXPECT_TRUE(c.by_source.empty());
  }
  for (const wchar_t* property : {L"  engine: InnoDB ROW_FORMAT=x", L"  character set: utf8; x"}) {
    vandry_converter c(converter_program::console);
    udb_profile p;
    for (const wchar_t* line : {L"database:", property, L"tables:", L"  - name: T"})
      p.add_list_item(L"Type Mappings", line);
    EXPECT_THROW(c.sql_db_mutator::load(p), tk_exception) << std::string(property, property + wcslen(property));
    EXPECT_TRUE(c.by_source.empty());
    EXPECT_TRUE(c.udb_properties::get_properties().empty());
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
