// The live server's text readers and size rules that need no server: foreign keys out of
// SHOW CREATE TABLE lines, and the row-size rule that turns wide text columns into long texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_engine.h"
#include "SQL/sql_fk_parser.h"
#include "SQL/sql_init.h"
#include "SQL/sql_row_size.h"
#include "SQL/sql_schema.h"
#include "TK/tk_utils.h"
#include "UDB/udb_index.h"

namespace {

struct fk_case {
  const char* line;
  bool is_fk;
  const wchar_t* name = L"";
  std::vector<std::wstring> columns = {};
  const wchar_t* ref_table = L"";
  std::vector<std::wstring> ref_columns = {};
  const wchar_t* rule = L"";
};

TEST(SqlFkParser, ReadsForeignKeyLines) {
  const std::vector<fk_case> cases = {
      {"  CONSTRAINT `fk_a` FOREIGN KEY (`a`, `b`) REFERENCES `parent` (`x`, `y`) ON DELETE CASCADE,",
       true,
       L"fk_a",
       {L"a", L"b"},
       L"parent",
       {L"x", L"y"},
       L"ON DELETE CASCADE"},
      {"  CONSTRAINT `f` FOREIGN KEY (`c`) REFERENCES `p` (`id`)", true, L"f", {L"c"}, L"p", {L"id"}, L""},
      {"  CONSTRAINT `two words` FOREIGN KEY (`col one`) REFERENCES `the (odd) table` (`k`) ON "
       "DELETE CASCADE ON UPDATE SET NULL",
       true,
       L"two words",
       {L"col one"},
       L"the (odd) table",
       {L"k"},
       L"ON DELETE CASCADE ON UPDATE SET NULL"},
      {"  CONSTRAINT `q``t` FOREIGN KEY (`a``b`) REFERENCES `t``x` (`i`)", true, L"q`t", {L"a`b"}, L"t`x", {L"i"}, L""},
      {"  CONSTRAINT `ü` FOREIGN KEY (`größe`) REFERENCES `maße` (`größe`)",
       true,
       L"ü",
       {L"größe"},
       L"maße",
       {L"größe"},
       L""},
      {"  CONSTRAINT `f` FOREIGN KEY (`c`) REFERENCES `t` (`a)b`, `c``)`) ON DELETE CASCADE",
       true,
       L"f",
       {L"c"},
       L"t",
       {L"a)b", L"c`)"},
       L"ON DELETE CASCADE"},
      {"  CONSTRAINT `x REFERENCES y` FOREIGN KEY (`REFERENCES (z)`) REFERENCES `p` (`id`)",
       true,
       L"x REFERENCES y",
       {L"REFERENCES (z)"},
       L"p",
       {L"id"},
       L""},
      {"  CONSTRAINT ` FOREIGN KEY (a)` FOREIGN KEY (`c`) REFERENCES `p` (`id`) ON UPDATE CASCADE",
       true,
       L" FOREIGN KEY (a)",
       {L"c"},
       L"p",
       {L"id"},
       L"ON UPDATE CASCADE"},
      {"  PRIMARY KEY (`id`),", false, L"", {}, L"", {}, L""},
      {"  `constraint` int(11) DEFAULT NULL,", false, L"", {}, L"", {}, L""},
      {"  CONSTRAINT `chk` CHECK (`a` > 0)", false, L"", {}, L"", {}, L""},
      {") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4", false, L"", {}, L"", {}, L""},
  };
  for (const fk_case& c : cases) {
    SCOPED_TRACE(c.line);
    udb_relationships found;
    sql_fk_parser(L"child", c.line).do_parse(found);
    if (!c.is_fk) {
      EXPECT_TRUE(found.empty());
      continue;
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, c.name);
    EXPECT_EQ(found[0].table, L"child");
    EXPECT_EQ(found[0].fields, c.columns);
    EXPECT_EQ(found[0].ref_table, c.ref_table);
    EXPECT_EQ(found[0].ref_fields, c.ref_columns);
    EXPECT_EQ(found[0].properties, c.rule);
  }
}

TEST(SqlFkParser, ReadsEveryKeyOfAWholeStatement) {
  const std::string text =
      "CREATE TABLE `child` (\n  `id` int(11) NOT NULL,\n  `p` int(11) DEFAULT NULL,\n"
      "  `q` int(11) DEFAULT NULL,\n  PRIMARY KEY (`id`),\n  KEY `p` (`p`),\n"
      "  CONSTRAINT `c1` FOREIGN KEY (`p`) REFERENCES `parent` (`id`) ON DELETE CASCADE,\n"
      "  CONSTRAINT `c2` FOREIGN KEY (`q`) REFERENCES `other` (`id`)\n"
      ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4";
  udb_relationships found;
  sql_fk_parser(L"child", text).do_parse(found);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].ref_table, L"parent");
  EXPECT_EQ(found[0].properties, L"ON DELETE CASCADE");
  EXPECT_EQ(found[1].ref_table, L"other");
}

TEST(SqlRowSize, TypeBytesAsTheServerCountsThem) {
  sql_row_limits dynamic;
  sql_row_limits compact;
  compact.dynamic = false;
  const struct {
    const wchar_t* type;
    std::uint32_t char_bytes;
    const sql_row_limits& limits;
    std::uint32_t row;
    std::uint32_t page;
  } cases[] = {
      {L"VARCHAR(50)", 3, dynamic, 151, 151},
      {L"VARCHAR(85)", 3, dynamic, 256, 256},        // 255 bytes: still in the page
      {L"VARCHAR(86) BINARY", 3, dynamic, 260, 21},  // 258 bytes may go off the page
      {L"VARCHAR(86)", 3, compact, 260, 260},        // COMPACT keeps 768 bytes
      {L"varchar(255)", 4, dynamic, 1022, 21},
      {L"VARCHAR(5000)", 4, compact, 20002, 790},
      {L"CHAR(50)", 3, dynamic, 150, 151},  // multi-byte CHAR is variable in InnoDB
      {L"CHAR(90)", 3, dynamic, 270, 21},
      {L"CHAR(19)", 1, dynamic, 19, 19},
      {L"VARBINARY(200)", 1, dynamic, 201, 201},
      {L"VARBINARY(300)", 1, dynamic, 302, 21},
      {L"LONGTEXT", 4, dynamic, 12, 21},
      {L"TEXT", 4, dynamic, 10, 21},
      {L"MEDIUMTEXT BINARY", 4, dynamic, 11, 21},
      {L"LONGBLOB", 1, compact, 12, 790},
      {L"geometry", 1, dynamic, 12, 21},
      {L"TINYINT(1)", 1, dynamic, 1, 1},
      {L"SMALLINT UNSIGNED", 1, dynamic, 2, 2},
      {L"INT", 1, dynamic, 4, 4},
      {L"BIGINT", 1, dynamic, 8, 8},
      {L"FLOAT", 1, dynamic, 4, 4},
      {L"DOUBLE", 1, dynamic, 8, 8},
      {L"DECIMAL(19,4)", 1, dynamic, 9, 9},
      {L"DECIMAL(28,10)", 1, dynamic, 13, 13},
      {L"DATETIME", 1, dynamic, 5, 5},
      {L"TIMESTAMP", 1, dynamic, 4, 4},
      {L"DATE", 1, dynamic, 3, 3},
      {L"TIME", 1, dynamic, 3, 3},
      {L"SOMETHING ELSE", 1, dynamic, 7, 7},  // unknown: the descriptor's size
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(tk_unicode_to_utf8(c.type));
    const sql_column_bytes got = sql_type_bytes(c.type, c.char_bytes, c.limits, 7);
    EXPECT_EQ(got.row, c.row);
    EXPECT_EQ(got.page, c.page);
  }
}

TEST(SqlRowSize, LimitsByEngineAndServer) {
  const sql_row_limits innodb = sql_row_limits_for(L"InnoDB", 0x000A0B13);
  EXPECT_TRUE(innodb.counts_page);
  EXPECT_TRUE(innodb.dynamic);
  EXPECT_FALSE(sql_row_limits_for(L"innodb", 0x000A0201).dynamic);
  EXPECT_FALSE(sql_row_limits_for(L"InnoDB", 0x00050708).dynamic);
  EXPECT_TRUE(sql_row_limits_for(L"InnoDB", sql_dump_row_version).dynamic);
  EXPECT_FALSE(sql_row_limits_for(L"MyISAM", 0x000A0B13).counts_page);
  EXPECT_FALSE(sql_row_limits_for(L"Aria", 0x000A0B13).counts_page);
  EXPECT_FALSE(sql_row_limits_for(L"InnoDB", 0x00050603).short_datetime);
}

// Text columns pushed in order; each descriptor's size afterwards (0: a long text).
struct row_size_case {
  const char* what;
  std::vector<std::uint32_t> text_sizes;
  std::vector<std::wstring> indexed;
  std::vector<std::uint32_t> sizes_after;
  const wchar_t* engine = L"InnoDB";
  std::uint32_t char_bytes = 4;
};

std::vector<std::uint32_t> repeat(std::size_t n, std::uint32_t size) { return std::vector<std::uint32_t>(n, size); }

std::vector<std::uint32_t> join(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class SqlSchema : public ::testing::Test {
 protected:
  void SetUp() override { engine_.version = 0x000A0B13; }
  sql_engine engine_;
};

TEST_F(SqlSchema, WideRowsTurnTheWidestFreeTextsIntoLongTexts) {
  const std::vector<row_size_case> cases = {
      {"three equal columns: the later ones go", {10000, 10000, 10000}, {}, {10000, 0, 0}},
      {"fits", {8000, 8000}, {}, {8000, 8000}},
      {"an indexed column stays while another can go", {10000, 10000, 10000}, {L"c1"}, {0, 10000, 0}},
      {"the primary key column is the widest yet stays", {15000, 8000, 8000}, {L"c0"}, {15000, 0, 0}},
      {"indexed columns go only when nothing else is left", {12000, 12000}, {L"c0", L"c1"}, {12000, 0}},
      {"long texts are not counted", {21845, 0, 10000}, {}, {21845, 0, 10000}},
      // 1022 bytes each with their length bytes, and a NULL flag each.
      {"64 texts of 255 four-byte characters fit", repeat(64, 255), {}, repeat(64, 255)},
      {"70 of them: six go", repeat(70, 255), {}, join(repeat(64, 255), repeat(6, 0))},
      // InnoDB keeps a record within half a page; short texts stay in it.
      {"89 texts of 50 three-byte characters in InnoDB",
       repeat(89, 50),
       {},
       join(repeat(47, 50), repeat(42, 0)),
       L"InnoDB",
       3},
      {"the same in MyISAM", repeat(89, 50), {}, repeat(89, 50), L"MyISAM", 3},
      {"a short indexed text is kept",
       repeat(60, 50),
       {L"c59"},
       join(join(repeat(51, 50), repeat(8, 0)), {50}),
       L"InnoDB",
       3},
      {"a text already off the page does not help the page",
       join({300}, repeat(54, 50)),
       {},
       join(join({300}, repeat(53, 50)), {0}),
       L"InnoDB",
       3},
  };
  for (const row_size_case& c : cases) {
    SCOPED_TRACE(c.what);
    udb_indexes indexes;
    for (const std::wstring& column : c.indexed) {
      udb_index index(L"i_" + column, false, false);
      index.fields.push_back(column);
      indexes.push_back(index);
    }
    sql_schema schema;
    const std::uint32_t width = c.char_bytes;
    schema.set_target(sql_row_limits_for(c.engine, engine_.version), [width](const t_ftd&) { return width; });
    schema.set_indexed_columns(indexes);
    std::vector<std::unique_ptr<t_ftd>> columns;
    for (size_t i = 0; i < c.text_sizes.size(); ++i) {
      columns.push_back(std::make_unique<t_ftd>(c.text_sizes[i], L"c" + std::to_wstring(i), VT_BSTR, false, false,
                                                ole_variant(), 0, L""));
      schema.push_back(columns.back().get());
    }
    std::vector<std::uint32_t> sizes;
    for (const auto& column : columns) sizes.push_back(column->size);
    EXPECT_EQ(sizes, c.sizes_after);
    EXPECT_LE(schema.total_size, 65535u);
    if (std::wstring(c.engine) == L"InnoDB") {
      EXPECT_LT(schema.page_size, 8126u);
    }
  }
}

TEST_F(SqlSchema, ColumnsWhoseTypeIsChosenElsewhereStay) {
  sql_schema schema;
  schema.set_target(sql_row_limits_for(L"InnoDB", engine_.version), [](const t_ftd&) { return std::uint32_t(3); });
  std::vector<std::unique_ptr<t_ftd>> columns;
  auto add = [&](std::uint32_t size, std::uint32_t reserved, const std::wstring& native) {
    columns.push_back(std::make_unique<t_ftd>(size, L"c" + std::to_wstring(columns.size()), VT_BSTR, true, false,
                                              ole_variant(), reserved, native));
    schema.push_back(columns.back().get());
  };
  for (int i = 0; i < 50; ++i) add(50, 0, L"VARCHAR(50)");  // the user's type
  add(50, 0, L"");
  add(80, 16, L"");  // a fixed-width text: 240 bytes in the record
  add(50, 0, L"");
  add(50, 0, L"");
  // The third plain text makes the record 8141 bytes: the widest text that may go is the
  // fixed-width one, which becomes a long text rather than a CHAR(0).
  for (int i = 0; i < 50; ++i) EXPECT_EQ(columns[i]->size, 50u);
  EXPECT_EQ(columns[51]->size, 0u);
  EXPECT_EQ(sql_column_type_text(*columns[51]), L"LONGTEXT");
  for (int i : {50, 52, 53}) EXPECT_EQ(columns[i]->size, 50u);
  EXPECT_LT(schema.page_size, 8126u);
}

}  // namespace
