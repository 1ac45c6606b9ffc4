// LOAD DATA text split into the column arrays of a bulk INSERT: every escape gives the byte the
// server would have read, \N alone is NULL, and text whose rows do not match is refused whole.
#include "SQL/sql_bulk_rows.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// The values of a split batch row after row; std::nullopt for NULL.
std::vector<std::optional<std::string>> row_values(const sql_bulk_rows& batch) {
  std::vector<std::optional<std::string>> out;
  for (std::size_t r = 0; r < batch.rows; ++r)
    for (unsigned c = 0; c < batch.columns; ++c) {
      const std::size_t at = c * batch.rows + r;
      if (batch.indicators[at] == STMT_INDICATOR_NULL)
        out.emplace_back(std::nullopt);
      else
        out.emplace_back(std::string(batch.values[at], batch.lengths[at]));
    }
  return out;
}

TEST(SqlSplitRows, GivesEachValueItsBytes) {
  struct split_case {
    const char* what;
    std::string text;
    unsigned columns;
    std::vector<std::optional<std::string>> values;  // row after row
  };
  using v = std::optional<std::string>;
  const std::vector<split_case> cases = {
      {"plain rows", "1\tab\n2\tcd\n", 2, {v("1"), v("ab"), v("2"), v("cd")}},
      {"escapes", "a\\tb\\nc\\\\d\\0e\\rf\\Zg\\bh\\'\n", 1, {v(std::string("a\tb\nc\\d\0e\rf\x1ag\bh'", 16))}},
      {"NULL alone, \\N inside text", "\\N\tx\\Ny\t\\\\N\n", 3, {std::nullopt, v("xNy"), v("\\N")}},
      {"empty values", "\t\n\t\n", 2, {v(""), v(""), v(""), v("")}},
      {"one column of many rows", "1\n2\n3\n", 1, {v("1"), v("2"), v("3")}},
  };
  for (const split_case& c : cases) {
    SCOPED_TRACE(c.what);
    sql_bulk_rows batch;
    batch.text.assign(c.text.begin(), c.text.end());
    ASSERT_TRUE(sql_split_rows(batch, c.columns));
    EXPECT_EQ(batch.columns, c.columns);
    EXPECT_EQ(batch.rows, c.values.size() / c.columns);
    EXPECT_EQ(row_values(batch), c.values);
  }
}

TEST(SqlSplitRows, RefusesRowsThatDoNotMatchTheColumns) {
  for (const std::string text : {"", "1\t2\n3\n", "1\n2\t3\n", "1\t2\n", "1\t2"}) {
    SCOPED_TRACE(text);
    sql_bulk_rows batch;
    batch.text.assign(text.begin(), text.end());
    EXPECT_FALSE(sql_split_rows(batch, text == "1\t2\n" ? 3 : 2));
    EXPECT_EQ(batch.columns, 0u);
  }
}

// The values point into the text, which a moved or swapped batch keeps where it is.
TEST(SqlSplitRows, ValuesStayValidWhenTheBatchIsSwapped) {
  sql_bulk_rows batch;
  const std::string text = "a\tb\n";  // short enough to sit inside a string object
  batch.text.assign(text.begin(), text.end());
  ASSERT_TRUE(sql_split_rows(batch, 2));
  sql_bulk_rows other;
  std::swap(batch, other);
  EXPECT_EQ(row_values(other), (std::vector<std::optional<std::string>>{std::string("a"), std::string("b")}));
}

}  // namespace
