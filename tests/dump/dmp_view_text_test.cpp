// The rewrites that turn Access query texts into MySQL view bodies, and the order of views.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "SQL/sql_view_converter.h"

namespace {

struct text_case {
  const wchar_t* input;
  const wchar_t* expected;
};

TEST(ViewText, CollapseBlanksKeepsLiterals) {
  const text_case cases[] = {
      {L"", L""},
      {L"SELECT  a,\r\n\tb FROM t", L"SELECT a, b FROM t"},
      {L"  SELECT a  ", L" SELECT a "},
      {L"WHERE a = 'x  \r\n y' AND b = \"p  q\"", L"WHERE a = 'x  \r\n y' AND b = \"p  q\""},
      {L"WHERE a = \"it's  so\"  AND b", L"WHERE a = \"it's  so\" AND b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::collapse_blanks(c.input), c.expected) << c.input;
  }
}

TEST(ViewText, BracketsBecomeBackticksOutsideLiterals) {
  const text_case cases[] = {
      {L"SELECT [Order ID] FROM [Orders]", L"SELECT `Order ID` FROM `Orders`"},
      {L"SELECT [a] FROM t WHERE b LIKE '[A-C]*'", L"SELECT `a` FROM t WHERE b LIKE '[A-C]*'"},
      {L"SELECT \"x[1]\" & [c]", L"SELECT \"x[1]\" & `c`"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::brackets_to_backticks(c.input), c.expected) << c.input;
  }
}

TEST(ViewText, FunctionRewrites) {
  const text_case cases[] = {
      // IsNull: two arguments is Access's Nz-like form, one argument is MySQL's own test.
      {L"SELECT IsNull(`a`) FROM `t`", L"SELECT IsNull(`a`) FROM `t`"},
      {L"SELECT IsNull(`a`, 0) FROM `t`", L"SELECT ifnull(`a`, 0) FROM `t`"},
      {L"SELECT isnull(f(a, b)) FROM t", L"SELECT isnull(f(a, b)) FROM t"},
      {L"SELECT isnull(f(a, b), c) FROM t", L"SELECT ifnull(f(a, b), c) FROM t"},
      {L"SELECT isnull(a, ',') FROM t", L"SELECT ifnull(a, ',') FROM t"},
      {L"SELECT isnull(a) & ',' & b FROM t", L"SELECT isnull(a) & ',' & b FROM t"},
      // Len counts characters; LENGTH would count bytes.
      {L"SELECT Len(`s`) FROM t", L"SELECT CHAR_LENGTH(`s`) FROM t"},
      {L"SELECT LEN (s) FROM t", L"SELECT CHAR_LENGTH (s) FROM t"},
      // DateDiff keeps its unit and its order of arguments.
      {L"SELECT DateDiff(\"d\", `x`, `y`) FROM t", L"SELECT TIMESTAMPDIFF(DAY, `x`, `y`) FROM t"},
      {L"SELECT DateDiff('yyyy', a, b) FROM t", L"SELECT TIMESTAMPDIFF(YEAR, a, b) FROM t"},
      {L"SELECT datediff(\"M\",a,b), DateDiff(\"ww\", a, b) FROM t",
       L"SELECT TIMESTAMPDIFF(MONTH,a,b), TIMESTAMPDIFF(WEEK, a, b) FROM t"},
      {L"SELECT DateDiff(\"h\", a, b), DateDiff(\"n\", a, b), DateDiff(\"s\", a, b), "
       L"DateDiff(\"q\", a, b) FROM t",
       L"SELECT TIMESTAMPDIFF(HOUR, a, b), TIMESTAMPDIFF(MINUTE, a, b), "
       L"TIMESTAMPDIFF(SECOND, a, b), TIMESTAMPDIFF(QUARTER, a, b) FROM t"},
      {L"SELECT DateDiff(u, a, b) FROM t", L"SELECT DateDiff(u, a, b) FROM t"},
      {L"SELECT GetDate() FROM t", L"SELECT curdate() FROM t"},
      {L"SELECT Replicate('-', 5), DateAdd(a, b) FROM t",
       L"SELECT repeat('-', 5), date_add(a, b) FROM t"},
      {L"SELECT DateAdd(\"d\", 1, a) FROM t", L"SELECT DateAdd(\"d\", 1, a) FROM t"},
      // Names that merely contain a function's name, and texts, are left alone.
      {L"SELECT BudgetDate, DateAdded, t.len(x), lenient FROM t",
       L"SELECT BudgetDate, DateAdded, t.len(x), lenient FROM t"},
      {L"SELECT `Len`(x), 'len(a)', \"isnull(a, b)\" FROM t",
       L"SELECT `Len`(x), 'len(a)', \"isnull(a, b)\" FROM t"},
      {L"SELECT a FROM t WHERE d > #1/1/2000# AND len(b) > 2",
       L"SELECT a FROM t WHERE d > #1/1/2000# AND CHAR_LENGTH(b) > 2"},
      {L"SELECT 'it''s len(' & Len(a) FROM t", L"SELECT 'it''s len(' & CHAR_LENGTH(a) FROM t"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::rewrite_functions(c.input), c.expected) << c.input;
  }
}

TEST(ViewText, DependencyOrderPutsViewsAfterWhatTheySelect) {
  using views = std::vector<std::pair<std::wstring, std::wstring>>;
  const struct {
    views input;
    std::vector<std::size_t> expected;
  } cases[] = {
      {{}, {}},
      {{{L"a", L"SELECT * FROM t"}, {L"b", L"SELECT * FROM u"}}, {0, 1}},
      {{{L"Top Orders", L"SELECT * FROM [Order Totals]"},
        {L"Order Totals", L"SELECT * FROM Orders"},
        {L"c", L"SELECT 1"}},
       {1, 0, 2}},
      {{{L"v3", L"SELECT * FROM `V2`"}, {L"v2", L"SELECT * FROM v1"}, {L"v1", L"SELECT 1"}},
       {2, 1, 0}},
      // A name inside a literal is data, not a dependency.
      {{{L"a", L"SELECT 'b' AS x"}, {L"b", L"SELECT * FROM a"}}, {0, 1}},
      // A cycle cannot be ordered: the given order stays.
      {{{L"a", L"SELECT * FROM b"}, {L"b", L"SELECT * FROM a"}}, {0, 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::dependency_order(c.input), c.expected);
  }
}

}  // namespace
