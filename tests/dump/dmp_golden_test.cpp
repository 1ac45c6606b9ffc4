// The dump file's text, whole, for the option combinations that change it: line ends, old or
// new servers, locks, comments, the database block and table definitions.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "SQL/dmp_database.h"
#include "SQL/dump_options.h"
#include "SQL/sql_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationship.h"
#include "platform/win/local_time.h"
#include "tests/dump/dmp_fixture.h"
#include "tests/support/test_env.h"

namespace {

using dmp_test::read_file;
using dmp_test::record;
using dmp_test::table_def;

std::string today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char date[32];
  std::snprintf(date, sizeof date, "%02d/%02d/%04d", int(now.wMonth), int(now.wDay), int(now.wYear));
  return date;
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  return tk_string::replace_all(text, from, to);
}

// Writes the same small database with the given options: two tables with rows, a foreign key
// between them and a view. Answers the file's text.
std::string write_dump(sql_engine& engine, const dump_options& options, const std::string& path) {
  table_def orders;
  orders.column(L"ID", VT_I4, 4).auto_increment = true;
  orders.column(L"Name", VT_BSTR, 20).description = L"it's";
  orders.index(L"PrimaryKey", true, true, {L"ID"});
  table_def lines;
  lines.column(L"Order", VT_I4, 4);

  udb_relationships relationships;
  relationships.push_back(udb_relationship(L"Lines", L"Orders", {L"Order"}, {L"ID"}, L" ON DELETE CASCADE"));

  std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
  {
    auto rs = dump->create_table(L"Orders", orders.schema, orders.indexes);
    rs->append_record(*record({{L"ID", ole_variant(1)}, {L"Name", ole_variant(std::wstring(L"A"))}}));
    rs->append_record(*record({{L"ID", ole_variant(2)}, {L"Name", ole_variant(std::wstring(L"B"))}}));
  }
  {
    auto rs = dump->create_table(L"Lines", lines.schema, lines.indexes);
    rs->append_record(*record({{L"Order", ole_variant(1)}}));
  }
  dump->create_relationships(relationships);
  dump->create_views({{L"V", L"SELECT Len([Name]) FROM [Orders]"}});
  dump->close();
  return read_file(path);
}

// Pieces of the expected texts; "\n" stands for the line end the options choose.
const std::string header =
    "# File name: {PATH}\n"
    "# Creation date: {DATE}\n"
    "# Created by Ostrelle tests\n"
    "# --------------------------------------------------\n";
const std::string set_names = "\nSET NAMES utf8mb4;\nSET FOREIGN_KEY_CHECKS = 0;\n";
const std::string create_orders =
    "DROP TABLE IF EXISTS `Orders` CASCADE;\n"
    "CREATE TABLE `Orders` (\n"
    "  `ID` INT NOT NULL AUTO_INCREMENT,\n"
    "  `Name` VARCHAR(20) CHARACTER SET utf8mb4 COMMENT 'it\\'s',\n"
    "  PRIMARY KEY (`ID`)\n"
    ") ENGINE=InnoDB;\n";
const std::string insert_orders = "INSERT INTO `Orders`(`ID`, `Name`) VALUES(1, 'A'), (2, 'B');\n";
const std::string create_lines =
    "DROP TABLE IF EXISTS `Lines` CASCADE;\n"
    "CREATE TABLE `Lines` (\n"
    "  `Order` INT\n"
    ") ENGINE=InnoDB;\n";
const std::string insert_lines = "INSERT INTO `Lines`(`Order`) VALUES(1);\n";
const std::string fk_checks_off = "\nSET FOREIGN_KEY_CHECKS = 0;\n";
const std::string add_index = "ALTER TABLE `Lines` ADD INDEX (`Order`);\n";
const std::string add_constraint =
    "ALTER TABLE `Lines` ADD CONSTRAINT `FK_Orders_Lines` FOREIGN KEY(`Order`) REFERENCES "
    "`Orders`(`ID`)  ON DELETE CASCADE;\n"
    "SET FOREIGN_KEY_CHECKS = 1;\n";
const std::string view_and_end =
    "CREATE OR REPLACE VIEW `V` AS SELECT CHAR_LENGTH(`Name`) FROM `Orders`;\n"
    "SET FOREIGN_KEY_CHECKS = 1;\n";
std::string comment(const char* what, const char* table) {
  return std::string("\n#\n# ") + what + " for table '" + table + "'\n#\n\n";
}
std::string lock(const char* tables) { return std::string("LOCK TABLES ") + tables + " WRITE;\n"; }
const std::string unlock = "UNLOCK TABLES;\n";

TEST(DumpGolden, OptionCombinations) {
  struct golden_case {
    const char* what;
    void (*set)(dump_options&);
    std::string expected;
  };
  const golden_case cases[] = {
      {"defaults: CR LF, new servers, locks, comments", [](dump_options&) {},
       header + set_names + comment("Table structure", "Orders") + create_orders + comment("Dumping data", "Orders") +
           lock("`Orders`") + insert_orders + unlock + comment("Table structure", "Lines") + create_lines +
           comment("Dumping data", "Lines") + lock("`Lines`") + insert_lines + unlock + fk_checks_off +
           lock("`Lines`") + add_index + lock("`Lines` WRITE, `Orders`") + add_constraint + unlock + view_and_end},
      {"LF line ends, no comments, no locks",
       [](dump_options& o) {
         o.line_break = 1;
         o.insert_comments = false;
         o.add_lock = false;
       },
       set_names + create_orders + insert_orders + create_lines + insert_lines + fk_checks_off + add_index +
           add_constraint + view_and_end},
      {"old servers: bare names, TYPE=, no character sets, no foreign keys",
       [](dump_options& o) {
         o.new_version = false;
         o.insert_comments = false;
       },
       "\n"
       "SET NAMES utf8;\n"
       "DROP TABLE IF EXISTS Orders CASCADE;\n"
       "CREATE TABLE Orders (\n"
       "  ID INT NOT NULL AUTO_INCREMENT,\n"
       "  Name VARCHAR(20) COMMENT 'it\\'s',\n"
       "  PRIMARY KEY (`ID`)\n"
       ") TYPE=MyISAM;\n"
       "LOCK TABLES Orders WRITE;\n"
       "INSERT INTO Orders(ID, Name) VALUES(1, 'A'), (2, 'B');\n"
       "UNLOCK TABLES;\n"
       "DROP TABLE IF EXISTS Lines CASCADE;\n"
       "CREATE TABLE Lines (\n"
       // ORDER is a reserved word of the old servers.
       "  order00000 INT\n"
       ") TYPE=MyISAM;\n"
       "LOCK TABLES Lines WRITE;\n"
       "INSERT INTO Lines(order00000) VALUES(1);\n"
       "UNLOCK TABLES;\n"
       "CREATE OR REPLACE VIEW `V` AS SELECT CHAR_LENGTH(`Name`) FROM `Orders`;\n"},
      {"database block, without comments and locks",
       [](dump_options& o) {
         o.create_database = true;
         o.database_name = "shop";
         o.insert_comments = false;
         o.add_lock = false;
       },
       set_names +
           "\n"
           "DROP DATABASE IF EXISTS `shop`;\n"
           "CREATE DATABASE `shop` character set utf8mb4;\n"
           "USE `shop`;\n" +
           create_orders + insert_orders + create_lines + insert_lines + fk_checks_off + add_index + add_constraint +
           view_and_end},
      {"no table definitions: the database block is left out too",
       [](dump_options& o) {
         o.create_table = false;
         o.create_database = true;
         o.insert_comments = false;
       },
       set_names + lock("`Orders`") + insert_orders + unlock + lock("`Lines`") + insert_lines + unlock + fk_checks_off +
           lock("`Lines`") + add_index + lock("`Lines` WRITE, `Orders`") + add_constraint + unlock + view_and_end},
  };
  const std::string dir = test_env::make_temp_dir();
  for (const auto& c : cases) {
    sql_engine engine;
    dump_options options;
    options.creator = "Ostrelle tests";
    c.set(options);
    const std::string path = dir + "/shop.sql";
    std::string expected = replace_all(c.expected, "{PATH}", path);
    expected = replace_all(expected, "{DATE}", today());
    expected = replace_all(expected, "\n", options.get_line_end());
    EXPECT_EQ(write_dump(engine, options, path), expected) << c.what;
  }
}

TEST(DumpGolden, DatabaseNameDefaultsToTheFileName) {
  sql_engine engine;
  dump_options options;
  options.create_database = true;
  options.insert_comments = false;
  const std::string path = test_env::make_temp_dir() + "/My Shop.v2.sql";
  engine.create_dump(tk_utf8_to_unicode(path), &options)->close();
  EXPECT_NE(read_file(path).find("\r\nDROP DATABASE IF EXISTS `My Shop.v2`;\r\n"
                                 "CREATE DATABASE `My Shop.v2` character set utf8mb4;\r\n"
                                 "USE `My Shop.v2`;\r\n"),
            std::string::npos)
      << read_file(path);

  // The character set follows the servers the dump is for, unless the user named one.
  struct charset_case {
    bool new_version;
    const wchar_t* chosen;
    const char* expected;
  } cases[] = {
      {false, L"", "CREATE DATABASE shop character set utf8;"},
      {true, L"utf8", "CREATE DATABASE `shop` character set utf8;"},
      {false, L"latin1", "CREATE DATABASE shop character set latin1;"},
  };
  for (const charset_case& c : cases) {
    options.new_version = c.new_version;
    options.database_name = "shop";
    engine.charset = c.chosen;
    engine.create_dump(tk_utf8_to_unicode(path), &options)->close();
    EXPECT_NE(read_file(path).find(c.expected), std::string::npos) << read_file(path);
  }
}

TEST(DumpGolden, StatementsOfTheOtherOperations) {
  const std::string dir = test_env::make_temp_dir();
  sql_engine engine;
  dump_options options;
  options.insert_comments = false;
  const std::string path = dir + "/ops.sql";
  {
    std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    udb_index unique(L"By Name", true, false);
    unique.fields = {L"Name", L"City"};
    dump->create_index(L"Shops", 0, unique);
    udb_index primary(L"PrimaryKey", true, true);
    primary.fields = {L"ID"};
    dump->delete_idx(L"Shops", primary);
    dump->delete_idx(L"Shops", unique);
    dump->delete_fk(udb_relationship(L"FK_x", L"", L"Lines", L"Shops", {}, {}, L""));
    dump->query(L"create function f() returns int return 1");
    dump->query(L" CREATE FUNCTION g() returns int return 2");
    EXPECT_FALSE(dump->delete_tab(L"Never Made"));
    EXPECT_EQ(dump->get_query(L"q", L"SELECT 1", 0), nullptr);
    EXPECT_FALSE(dump->test_query(L"SELECT 1"));
    EXPECT_THROW(dump->get_table(L"Shops", 0), tk_mail_assertion);
    dump->close();
  }
  const std::string expected =
      "\r\nSET NAMES utf8mb4;\r\n"
      "SET FOREIGN_KEY_CHECKS = 0;\r\n"
      // An index statement ends in a bare LF whatever the line ends of the file.
      "LOCK TABLES `Shops` WRITE;\r\n"
      "CREATE UNIQUE INDEX `By Name` ON `Shops`(`Name`, `City`);\n"
      "ALTER TABLE `Shops` DROP PRIMARY KEY;\r\n"
      "ALTER TABLE `Shops` DROP INDEX `By Name`;\r\n"
      "ALTER TABLE `Lines` DROP FOREIGN KEY `FK_x`;\r\n"
      "DELIMITER $$\r\n"
      "create function f() returns int return 1;\r\n"
      "$$\r\n"
      "DELIMITER ;\r\n"
      " CREATE FUNCTION g() returns int return 2;\r\n"
      "DROP TABLE IF EXISTS `Never Made` CASCADE;\r\n"
      "UNLOCK TABLES;\r\n"
      "SET FOREIGN_KEY_CHECKS = 1;\r\n";
  EXPECT_EQ(read_file(path), expected);
}

}  // namespace

namespace {

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(DumpGolden, ViewsUseTargetNamesQuotedOnceAndComeAfterTheirViews) {
  sql_engine engine;
  dump_options options;
  options.insert_comments = false;
  options.add_lock = false;
  table_def t;
  t.column(L"Price*Unit", VT_I4, 4);
  const std::string path = test_env::make_temp_dir() + "/views.sql";
  {
    std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    dump->create_table(L"T", t.schema, t.indexes);
    dump->create_views({{L"Top", L"SELECT * FROM [Cheap]"},
                        {L"Cheap", L"SELECT [Price*Unit] FROM [T] WHERE [Price*Unit] < 5"},
                        {L"Action", L"UPDATE T SET x = 1"}});
    dump->close();
  }
  const std::string text = read_file(path);
  const std::string views =
      "CREATE OR REPLACE VIEW `Cheap` AS SELECT `price_unit` FROM `T` WHERE `price_unit` < 5;\r\n"
      "CREATE OR REPLACE VIEW `Top` AS SELECT * FROM `Cheap`;\r\n"
      "SET FOREIGN_KEY_CHECKS = 1;\r\n";
  ASSERT_GE(text.size(), views.size());
  EXPECT_EQ(text.substr(text.size() - views.size()), views) << text;
}

TEST(DumpGolden, BatchesCloseAfterAMillionCharacters) {
  sql_engine engine;
  dump_options options;
  options.insert_comments = false;
  table_def t;
  t.column(L"Memo", VT_BSTR, 0);
  const std::string path = test_env::make_temp_dir() + "/batches.sql";
  {
    std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    auto rs = dump->create_table(L"T", t.schema, t.indexes);
    // Ten rows of 100000 characters pass 1000000 with the statement's head; the eleventh row
    // starts a statement of its own.
    for (int i = 0; i < 11; ++i) {
      rs->append_record(*record({{L"Memo", ole_variant(std::wstring(100000, L'a' + i))}}));
    }
    EXPECT_TRUE(engine.fast_insert);
    rs.reset();
    dump->close();
  }
  const std::string text = read_file(path);
  EXPECT_EQ(count_of(text, "INSERT INTO `T`(`Memo`) VALUES("), 2u);
  EXPECT_EQ(count_of(text, "'), ('"), 9u);
  EXPECT_NE(text.find("INSERT INTO `T`(`Memo`) VALUES('" + std::string(100000, 'k') + "');\r\n"), std::string::npos);
}

}  // namespace

namespace {

// The user's rules as the engine sees them: settings of tables and of their columns.
struct rules : udb_properties {
  std::map<std::wstring, rules> children;
  rules& child(const std::wstring& name) { return children[name]; }
  udb_properties* get_by_source_name(const std::wstring& name) override { return get_by_target_name(name); }
  udb_properties* get_by_target_name(const std::wstring& name) override {
    const auto found = children.find(name);
    return found == children.end() ? nullptr : &found->second;
  }
};

TEST(DumpGolden, UserRulesChooseEngineAndCharacterSets) {
  sql_engine engine;
  rules all;
  rules& table = all.child(L"Notes");
  table.get_properties()[L"engine"] = L"MEMORY";
  table.get_properties()[L"character set"] = L"latin1";
  table.child(L"Text").get_properties()[L"character_set"] = L"cp1251";
  engine.properties = &all;
  dump_options options;
  options.insert_comments = false;
  options.add_lock = false;
  table_def t;
  t.column(L"Text", VT_BSTR, 40).native_type = L"VARCHAR(40)";
  t.column(L"Other", VT_BSTR, 40).native_type = L"VARCHAR(40)";
  const std::string path = test_env::make_temp_dir() + "/rules.sql";
  {
    std::unique_ptr<dmp_database> dump = engine.create_dump(tk_utf8_to_unicode(path), &options);
    dump->create_table(L"Notes", t.schema, t.indexes);
    dump->close();
  }
  // A column without a rule of its own takes its table's character set: every column names one,
  // so the table's default alone would reach none.
  EXPECT_NE(read_file(path).find("CREATE TABLE `Notes` (\r\n"
                                 "  `Text` VARCHAR(40) CHARACTER SET cp1251,\r\n"
                                 "  `Other` VARCHAR(40) CHARACTER SET latin1\r\n"
                                 ") ENGINE=MEMORY character set latin1;\r\n"),
            std::string::npos)
      << read_file(path);
}

}  // namespace
