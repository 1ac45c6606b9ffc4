// Column definitions and index clauses of CREATE TABLE: names, character sets, NOT NULL,
// DEFAULT, AUTO_INCREMENT, COMMENT, and which indexes the server can take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SQL/sql_engine.h"
#include "SQL/sql_init.h"
#include "TK/tk_exception.h"
#include "tests/dump/dmp_fixture.h"

namespace {

using dmp_test::table_def;

constexpr std::uint32_t mariadb_10_11 = 0x000A0B13;
constexpr std::uint32_t mysql_4_0 = 0x00040018;
constexpr std::uint32_t mysql_3_23_1 = 0x00031701;

struct built {
  std::vector<std::wstring> columns;
  std::vector<std::wstring> indexes;
};

built build(const table_def& t, std::uint32_t max_key_bytes = 3072) {
  built out;
  std::wstring auto_increment;
  sql_schema_initializer columns(L"t", t.schema, t.indexes, auto_increment);
  columns.get_init_chunks(out.columns, nullptr);
  if (!t.indexes.empty() || !auto_increment.empty()) {
    sql_indexes_initializer indexes(columns, t.indexes, auto_increment, max_key_bytes);
    indexes.get_init_chunks(out.indexes);
  }
  return out;
}

class SqlInit : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.version = mariadb_10_11;
    engine_.charset = L"utf8mb4";
  }
  sql_engine engine_;
};

TEST_F(SqlInit, ColumnDefinitions) {
  table_def t;
  t.column(L"Text", VT_BSTR, 30).native_type = L"VARCHAR(30)";
  t.column(L"Mapped lower", VT_BSTR, 20).native_type = L"varchar(20)";
  t.column(L"Big", VT_BSTR, 0).native_type = L"LONGTEXT";
  t.column(L"Number", VT_I4, 4).native_type = L"INT";
  t.column(L"Required", VT_I4, 4).native_type = L"INT";
  t.schema.fields.back()->not_null = true;
  t.column(L"Noted", VT_I4, 4).native_type = L"INT";
  t.schema.fields.back()->description = L"it's a \\ and\na line";
  t.column(L"Key", VT_I4, 4).native_type = L"INT";
  t.index(L"PrimaryKey", true, true, {L"Key"});
  t.index(L"ByNumber", false, false, {L"Number"});

  const built b = build(t);
  const std::vector<std::wstring> expected = {
      L"`Text` VARCHAR(30) CHARACTER SET utf8mb4",
      // A mapping written in lower case is taken as it stands, without a character set.
      L"`Mapped lower` varchar(20)",
      L"`Big` LONGTEXT CHARACTER SET utf8mb4",
      L"`Number` INT",
      L"`Required` INT NOT NULL",
      // A description is a literal like any text: the backslash and the line break survive.
      L"`Noted` INT COMMENT 'it\\'s a \\\\ and\\na line'",
      L"`Key` INT NOT NULL",
  };
  EXPECT_EQ(b.columns, expected);

  // Old servers: bare names, no character sets; before 3.23.2 every indexed column is NOT NULL.
  engine_.version = mysql_3_23_1;
  const built old = build(t);
  EXPECT_EQ(old.columns[0], L"Text VARCHAR(30)");
  EXPECT_EQ(old.columns[3], L"Number INT NOT NULL");
  engine_.version = mysql_4_0;
  EXPECT_EQ(build(t).columns[3], L"Number INT");

  // No character set chosen: utf8mb4 where the server knows it, utf8 before 5.5.3.
  engine_.charset.clear();
  engine_.version = mariadb_10_11;
  EXPECT_EQ(build(t).columns[0], L"`Text` VARCHAR(30) CHARACTER SET utf8mb4");
  engine_.version = 0x00050502;
  EXPECT_EQ(build(t).columns[0], L"`Text` VARCHAR(30) CHARACTER SET utf8");
  engine_.charset = L"utf8";  // chosen: kept as it is
  engine_.version = mariadb_10_11;
  EXPECT_EQ(build(t).columns[0], L"`Text` VARCHAR(30) CHARACTER SET utf8");
}

TEST_F(SqlInit, ColumnNamesTheServerRefusesAreRenamedEverywhere) {
  table_def t;
  t.column(L"Price*Unit", VT_I4, 4).native_type = L"INT";
  t.column(L"price_unit", VT_I4, 4).native_type = L"INT";
  t.column(L"ID", VT_I4, 4).native_type = L"INT";
  t.column(L"id", VT_I4, 4).native_type = L"INT";
  t.index(L"Both", false, false, {L"price*unit", L"id"});

  std::wstring auto_increment;
  sql_schema_initializer columns(L"t", t.schema, t.indexes, auto_increment);
  std::vector<std::wstring> chunks;
  columns.get_init_chunks(chunks, nullptr);
  ASSERT_EQ(chunks.size(), 4u);
  // The safe form of the first name is taken by the second column, so it is numbered.
  EXPECT_EQ(chunks[0], L"`price_unit00000` INT");
  EXPECT_EQ(chunks[1], L"`price_unit` INT");
  EXPECT_EQ(chunks[2], L"`ID` INT");
  EXPECT_EQ(chunks[3], L"`id00000` INT");
  EXPECT_EQ(columns.get_column_map().at(L"Price*Unit"), L"price_unit00000");

  sql_indexes_initializer indexes(columns, t.indexes, auto_increment, 3072);
  std::vector<std::wstring> clauses;
  indexes.get_init_chunks(clauses);
  // Index columns follow the renamed column, in any letter case.
  EXPECT_EQ(clauses, std::vector<std::wstring>{L"INDEX `Both` (`price_unit00000`, `id00000`)"});
}

TEST_F(SqlInit, IndexesTheServerCannotTakeAreLeftOut) {
  table_def t;
  for (const wchar_t* name :
       {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i", L"j", L"k", L"l", L"m", L"n", L"o", L"p", L"q"}) {
    t.column(name, VT_I4, 4).native_type = L"INT";
  }
  t.column(L"v384", VT_BSTR, 384).native_type = L"VARCHAR(384)";
  t.column(L"w384", VT_BSTR, 384).native_type = L"VARCHAR(384)";
  t.column(L"v385", VT_BSTR, 385).native_type = L"VARCHAR(385)";
  t.column(L"memo", VT_BSTR, 0).native_type = L"LONGTEXT";
  t.column(L"blob", VT_ARRAY | VT_UI1, 0).native_type = L"LONGBLOB";
  t.index(L"None", false, false, {});
  t.index(L"Sixteen", false, false,
          {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i", L"j", L"k", L"l", L"m", L"n", L"o", L"p"});
  t.index(L"Seventeen", false, false,
          {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i", L"j", L"k", L"l", L"m", L"n", L"o", L"p", L"q"});
  // 2 x 384 characters of 4 bytes: 3072, what InnoDB takes; one character more does not fit.
  t.index(L"FitsExactly", false, false, {L"v384", L"w384"});
  t.index(L"OneCharacterTooMany", false, false, {L"v385", L"w384"});
  t.index(L"Memo", false, false, {L"memo"});
  t.index(L"Blob", false, false, {L"blob"});
  t.index(L"Missing", false, false, {L"nowhere"});

  const built b = build(t);
  const std::vector<std::wstring> expected = {
      L"INDEX `Sixteen` (`a`, `b`, `c`, `d`, `e`, `f`, `g`, `h`, `i`, `j`, `k`, `l`, `m`, `n`, "
      L"`o`, `p`)",
      L"INDEX `FitsExactly` (`v384`, `w384`)",
  };
  EXPECT_EQ(b.indexes, expected);

  // The key counts bytes of the column's character set: 700 latin1 characters fit MyISAM's
  // 1000 bytes, 700 utf8mb4 ones do not.
  table_def l;
  l.column(L"latin", VT_BSTR, 700).native_type = L"VARCHAR(700)";
  l.index(L"Latin", false, false, {L"latin"});
  engine_.charset = L"latin1";
  EXPECT_EQ(build(l, 1000).indexes, std::vector<std::wstring>{L"INDEX `Latin` (`latin`)"});
  engine_.charset = L"utf8mb4";
  EXPECT_TRUE(build(l, 1000).indexes.empty());
}

TEST_F(SqlInit, IndexCountLimit) {
  table_def t;
  t.column(L"x", VT_I4, 4).native_type = L"INT";
  t.column(L"n", VT_I4, 4).native_type = L"INT";
  t.schema.fields.back()->auto_increment = true;
  for (int i = 0; i < 70; ++i) t.index(L"i" + std::to_wstring(i), false, false, {L"x"});
  const built b = build(t);
  ASSERT_EQ(b.indexes.size(), 64u);
  EXPECT_EQ(b.indexes[62], L"INDEX `i62` (`x`)");
  EXPECT_EQ(b.indexes[63], L"INDEX `n` (`n`)");
}

TEST_F(SqlInit, AutoIncrementColumnAlwaysLeadsAWrittenKey) {
  struct index_case {
    const char* what;
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> indexes;
    std::vector<std::wstring> expected;
  };
  const index_case cases[] = {
      {"a primary key on it is enough", {{L"PrimaryKey", {L"ID"}}}, {L"PRIMARY KEY (`ID`)"}},
      {"no index on it gets one of its own", {}, {L"INDEX `ID` (`ID`)"}},
      {"an index that was left out does not count", {{L"PrimaryKey", {L"ID", L"memo"}}}, {L"INDEX `ID` (`ID`)"}},
      {"an index where it is not the first column does not count",
       {{L"PrimaryKey", {L"other", L"ID"}}},
       {L"PRIMARY KEY (`other`, `ID`)", L"INDEX `ID` (`ID`)"}},
  };
  for (const auto& c : cases) {
    table_def t;
    t.column(L"ID", VT_I4, 4).native_type = L"INT";
    t.schema.fields.back()->auto_increment = true;
    t.column(L"other", VT_I4, 4).native_type = L"INT";
    t.column(L"memo", VT_BSTR, 0).native_type = L"LONGTEXT";
    for (const auto& [name, fields] : c.indexes) {
      udb_index index(name, true, true);
      index.fields = fields;
      t.indexes.push_back(index);
    }
    const built b = build(t);
    EXPECT_EQ(b.columns[0], L"`ID` INT NOT NULL AUTO_INCREMENT") << c.what;
    EXPECT_EQ(b.indexes, c.expected) << c.what;
  }

  // The added index takes a name no written index of the table has; the server compares index
  // names ignoring case.
  const index_case named[] = {
      {"another index is named like the column",
       {{L"ID", {L"other"}}},
       {L"INDEX `ID` (`other`)", L"INDEX `id00000` (`ID`)"}},
      {"in another case", {{L"id", {L"other"}}}, {L"INDEX `id` (`other`)", L"INDEX `id00000` (`ID`)"}},
      {"and the numbered name too",
       {{L"id", {L"other"}}, {L"ID00000", {L"memo2"}}},
       {L"INDEX `id` (`other`)", L"INDEX `ID00000` (`memo2`)", L"INDEX `id00001` (`ID`)"}},
      {"the column is named PRIMARY",
       {{L"PrimaryKey", {L"other"}}},
       {L"PRIMARY KEY (`other`)", L"INDEX `primary00000` (`PRIMARY`)"}},
  };
  for (const auto& c : named) {
    table_def t;
    const bool primary_column = std::string(c.what) == "the column is named PRIMARY";
    t.column(primary_column ? L"PRIMARY" : L"ID", VT_I4, 4).native_type = L"INT";
    t.schema.fields.back()->auto_increment = true;
    t.column(L"other", VT_I4, 4).native_type = L"INT";
    t.column(L"memo2", VT_I4, 4).native_type = L"INT";
    for (const auto& [name, fields] : c.indexes) {
      udb_index index(name, false, name == L"PrimaryKey");
      index.fields = fields;
      t.indexes.push_back(index);
    }
    EXPECT_EQ(build(t).indexes, c.expected) << c.what;
  }

  table_def two;
  two.column(L"a", VT_I4, 4).auto_increment = true;
  two.column(L"b", VT_I4, 4).auto_increment = true;
  EXPECT_THROW(build(two), tk_mail_assertion);
}

}  // namespace
