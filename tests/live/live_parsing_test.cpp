// The live server's text readers and size rules that need no server: foreign keys out of
// SHOW CREATE TABLE lines, and the row-size rule that turns wide text columns into long texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_fk_parser.h"
#include "SQL/sql_schema.h"
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
       true, L"fk_a", {L"a", L"b"}, L"parent", {L"x", L"y"}, L"ON DELETE CASCADE"},
      {"  CONSTRAINT `f` FOREIGN KEY (`c`) REFERENCES `p` (`id`)", true, L"f", {L"c"}, L"p",
       {L"id"}, L""},
      {"  CONSTRAINT `two words` FOREIGN KEY (`col one`) REFERENCES `the (odd) table` (`k`) ON "
       "DELETE CASCADE ON UPDATE SET NULL",
       true, L"two words", {L"col one"}, L"the (odd) table", {L"k"},
       L"ON DELETE CASCADE ON UPDATE SET NULL"},
      {"  CONSTRAINT `q``t` FOREIGN KEY (`a``b`) REFERENCES `t``x` (`i`)", true, L"q`t", {L"a`b"},
       L"t`x", {L"i"}, L""},
      {"  CONSTRAINT `ü` FOREIGN KEY (`größe`) REFERENCES `maße` (`größe`)", true, L"ü",
       {L"größe"}, L"maße", {L"größe"}, L""},
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

// Columns pushed in order; each descriptor's size afterwards (0: a long text).
struct row_size_case {
  const char* what;
  std::vector<std::uint32_t> text_sizes;
  std::vector<std::wstring> indexed;
  std::vector<std::uint32_t> sizes_after;
};

TEST(SqlSchema, WideRowsTurnTheWidestFreeTextsIntoLongTexts) {
  const std::vector<row_size_case> cases = {
      {"three equal columns: the later ones go", {10000, 10000, 10000}, {}, {10000, 0, 0}},
      {"fits", {8000, 8000}, {}, {8000, 8000}},
      {"an indexed column stays while another can go", {10000, 10000, 10000}, {L"c1"},
       {0, 10000, 0}},
      {"the primary key column is the widest yet stays", {15000, 8000, 8000}, {L"c0"},
       {15000, 0, 0}},
      {"indexed columns go only when nothing else is left", {12000, 12000}, {L"c0", L"c1"},
       {12000, 0}},
      {"long and empty sizes are not counted", {21845, 0, 10000}, {}, {21845, 0, 10000}},
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
    schema.set_indexed_columns(indexes);
    std::vector<std::unique_ptr<t_ftd>> columns;
    for (size_t i = 0; i < c.text_sizes.size(); ++i) {
      columns.push_back(std::make_unique<t_ftd>(c.text_sizes[i], L"c" + std::to_wstring(i), VT_BSTR,
                                                false, false, ole_variant(), 0, L""));
      schema.push_back(columns.back().get());
    }
    std::vector<std::uint32_t> sizes;
    for (const auto& column : columns) sizes.push_back(column->size);
    EXPECT_EQ(sizes, c.sizes_after);
    EXPECT_LT(schema.total_size, 65536u);
  }
}

TEST(SqlSchema, ManySmallTextsConvertTheNewestFirst) {
  sql_schema schema;
  std::vector<std::unique_ptr<t_ftd>> columns;
  for (int i = 0; i < 328; ++i) {
    columns.push_back(std::make_unique<t_ftd>(50, L"c" + std::to_wstring(i), VT_BSTR, false, false,
                                              ole_variant(), 0, L""));
    schema.push_back(columns.back().get());
  }
  EXPECT_EQ(columns[326]->size, 50u);
  EXPECT_EQ(columns[327]->size, 0u);
  EXPECT_EQ(schema.total_size, 65400u);
}

}  // namespace
