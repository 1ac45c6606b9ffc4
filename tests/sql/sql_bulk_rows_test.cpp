// LOAD DATA text split into the column arrays of a bulk INSERT: every escape gives the byte the
// server would have read, \N alone is NULL, and text whose rows do not match is refused whole.
// Columns of numbers and dates are converted to their binary form only where every value's text
// is exactly such a value.
#include "SQL/sql_bulk_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

// A value of a column in binary form, as the library reads it.
template <typename T>
T fixed_value(const sql_bulk_rows& batch, unsigned column, std::size_t row) {
  T value{};
  std::memcpy(&value, batch.fixed.data() + batch.first[column] + row * sizeof(T), sizeof(T));
  return value;
}

// Each case is one column of one kind: the type it is bound as (MYSQL_TYPE_STRING: left text).
TEST(SqlConvertColumns, ConvertsAColumnOnlyWhenEveryValueIsExactlyOfItsKind) {
  struct convert_case {
    const char* what;
    sql_bulk_kind kind;
    std::string text;  // one value a row
    enum_field_types bound;
  };
  const std::vector<convert_case> cases = {
      {"small integers, NULL between", sql_bulk_kind::integer, "42\n\\N\n-7\n007\n-0\n-128\n", MYSQL_TYPE_TINY},
      {"past a byte", sql_bulk_kind::integer, "128\n-7\n", MYSQL_TYPE_SHORT},
      {"past 16 bits", sql_bulk_kind::integer, "-32769\n200000\n", MYSQL_TYPE_LONG},
      {"the 64-bit limits", sql_bulk_kind::integer, "9223372036854775807\n-9223372036854775808\n", MYSQL_TYPE_LONGLONG},
      // 8 bytes each where the texts take 2: the request would outgrow the batch's limit.
      {"one wide value among short texts", sql_bulk_kind::integer, "1\n2\n3\n4\n5\n2147483648\n", MYSQL_TYPE_STRING},
      {"past the 64-bit range", sql_bulk_kind::integer, "1\n9223372036854775808\n", MYSQL_TYPE_STRING},
      {"a fraction for an integer", sql_bulk_kind::integer, "1\n1.5\n", MYSQL_TYPE_STRING},
      {"a sign +", sql_bulk_kind::integer, "+1\n", MYSQL_TYPE_STRING},
      {"an empty value", sql_bulk_kind::integer, "1\n\n", MYSQL_TYPE_STRING},
      {"a space", sql_bulk_kind::integer, " 1\n", MYSQL_TYPE_STRING},
      {"doubles", sql_bulk_kind::real, "1.033983989281394e+02\n-0\n0.1\n5e-324\n1.7976931348623157e+308\n",
       MYSQL_TYPE_DOUBLE},
      {"short texts of doubles", sql_bulk_kind::real, "0\n1\n2\n", MYSQL_TYPE_STRING},
      {"infinity", sql_bulk_kind::real, "1.0000000000000001\ninf\n", MYSQL_TYPE_STRING},
      {"not a number", sql_bulk_kind::real, "nan\n", MYSQL_TYPE_STRING},
      {"past the double range", sql_bulk_kind::real, "1e400\n", MYSQL_TYPE_STRING},
      {"text for a double", sql_bulk_kind::real, "1,5000000000000000\n", MYSQL_TYPE_STRING},
      {"dates", sql_bulk_kind::datetime, "2002-10-02 10:03:10\n2024-02-29 23:59:59\n0100-01-01 00:00:00\n",
       MYSQL_TYPE_DATETIME},
      {"the last moment", sql_bulk_kind::datetime, "9999-12-31 23:59:59\n", MYSQL_TYPE_DATETIME},
      {"midnight as the date alone", sql_bulk_kind::datetime, "2002-10-02\n2002-10-02 10:03:10\n", MYSQL_TYPE_DATETIME},
      {"a day that is not", sql_bulk_kind::datetime, "2023-02-29 00:00:00\n", MYSQL_TYPE_STRING},
      {"the zero date", sql_bulk_kind::datetime, "0000-00-00 00:00:00\n", MYSQL_TYPE_STRING},
      {"a fraction of a second", sql_bulk_kind::datetime, "2002-10-02 10:03:10.5\n", MYSQL_TYPE_STRING},
      {"a date without its day", sql_bulk_kind::datetime, "2002-10\n", MYSQL_TYPE_STRING},
      {"a time alone", sql_bulk_kind::datetime, "10:03:10\n", MYSQL_TYPE_STRING},
      {"hour 24", sql_bulk_kind::datetime, "2002-10-02 24:00:00\n", MYSQL_TYPE_STRING},
      {"text wanted", sql_bulk_kind::text, "1\n", MYSQL_TYPE_STRING},
  };
  for (const convert_case& c : cases) {
    SCOPED_TRACE(c.what);
    sql_bulk_rows batch;
    batch.text.assign(c.text.begin(), c.text.end());
    ASSERT_TRUE(sql_split_rows(batch, 1));
    const std::vector<std::optional<std::string>> before = row_values(batch);
    sql_convert_columns(batch, {c.kind});
    ASSERT_EQ(batch.bound.size(), 1u);
    EXPECT_EQ(batch.bound[0], c.bound);
    // The text stays as it was: a column left text goes as before.
    EXPECT_EQ(row_values(batch), before);
  }
}

TEST(SqlConvertColumns, GivesTheValuesTheTextsStandFor) {
  sql_bulk_rows batch;
  const std::string text =
      "-9223372036854775808\t0.10000000000000001\t2024-02-29 23:59:58\t1\t7\t-300\n"
      "\\N\t\\N\t\\N\tx\t8\t\\N\n"
      "42\t-4.9406564584124654e-324\t0100-01-01 00:00:01\t3\t9\t300\n";
  batch.text.assign(text.begin(), text.end());
  ASSERT_TRUE(sql_split_rows(batch, 6));
  // The fourth column holds a text, so it stays text; the fifth is left text by the list.
  sql_convert_columns(batch, {sql_bulk_kind::integer, sql_bulk_kind::real, sql_bulk_kind::datetime,
                              sql_bulk_kind::integer, sql_bulk_kind::text, sql_bulk_kind::integer});
  ASSERT_EQ(batch.bound, (std::vector<enum_field_types>{MYSQL_TYPE_LONGLONG, MYSQL_TYPE_DOUBLE, MYSQL_TYPE_DATETIME,
                                                        MYSQL_TYPE_STRING, MYSQL_TYPE_STRING, MYSQL_TYPE_SHORT}));
  EXPECT_EQ(fixed_value<std::int64_t>(batch, 0, 0), INT64_MIN);
  EXPECT_EQ(fixed_value<std::int64_t>(batch, 0, 2), 42);
  EXPECT_EQ(batch.indicators[1], STMT_INDICATOR_NULL);
  EXPECT_EQ(fixed_value<double>(batch, 1, 0), 0.1);
  EXPECT_EQ(fixed_value<double>(batch, 1, 2), -4.9406564584124654e-324);
  EXPECT_EQ(fixed_value<std::int16_t>(batch, 5, 0), -300);
  EXPECT_EQ(fixed_value<std::int16_t>(batch, 5, 2), 300);
  // Each run starts where the library may read its type in place.
  for (unsigned c : {0u, 1u, 5u}) EXPECT_EQ(batch.first[c] % 8, 0u) << c;
  ASSERT_EQ(batch.times_at.size(), 3u);
  const MYSQL_TIME& leap = *batch.times_at[batch.first[2]];
  EXPECT_EQ((std::vector<unsigned>{leap.year, leap.month, leap.day, leap.hour, leap.minute, leap.second}),
            (std::vector<unsigned>{2024, 2, 29, 23, 59, 58}));
  EXPECT_EQ(leap.second_part, 0u);
  EXPECT_EQ(leap.time_type, MYSQL_TIMESTAMP_DATETIME);
  EXPECT_EQ(batch.times_at[batch.first[2] + 2]->year, 100u);
  EXPECT_EQ(batch.times_at[batch.first[2] + 2]->second, 1u);
}

}  // namespace
