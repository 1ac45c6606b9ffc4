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
      {L"SELECT Replicate('-', 5), DateAdd(a, b) FROM t", L"SELECT repeat('-', 5), date_add(a, b) FROM t"},
      {L"SELECT DateAdd(\"d\", 1, a) FROM t", L"SELECT DateAdd(\"d\", 1, a) FROM t"},
      // Names that merely contain a function's name, and texts, are left alone.
      {L"SELECT BudgetDate, DateAdded, t.len(x), lenient FROM t",
       L"SELECT BudgetDate, DateAdded, t.len(x), lenient FROM t"},
      {L"SELECT `Len`(x), 'len(a)', \"isnull(a, b)\" FROM t", L"SELECT `Len`(x), 'len(a)', \"isnull(a, b)\" FROM t"},
      {L"SELECT a FROM t WHERE d > #1/1/2000# AND len(b) > 2",
       L"SELECT a FROM t WHERE d > #1/1/2000# AND CHAR_LENGTH(b) > 2"},
      {L"SELECT 'it''s len(' & Len(a) FROM t", L"SELECT 'it''s len(' & CHAR_LENGTH(a) FROM t"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::rewrite_functions(c.input), c.expected) << c.input;
  }
}

TEST(ViewText, JetSyntaxBecomesMysqls) {
  const text_case cases[] = {
      // The stored text's own ";" goes: the view statement adds one.
      {L"SELECT a FROM t; ", L"SELECT a FROM t"},
      // Jet's texts may be double-quoted and know no backslash escape.
      {L"SELECT \"Customers\" AS `R`, 'it''s', \"say \"\"hi\"\"\", 'C:\\x' FROM t",
       L"SELECT 'Customers' AS `R`, 'it''s', 'say \"hi\"', 'C:\\\\x' FROM t"},
      {L"WHERE d Between #1/1/95# And #12/31/1995# OR d = #2001-02-03 4:05:06 PM#",
       L"WHERE d Between '1995-01-01' And '1995-12-31' OR d = '2001-02-03 16:05:06'"},
      {L"WHERE (((`P`.Discontinued)=No)) AND b != Yes AND c = True AND t.no = 1",
       L"WHERE (((`P`.Discontinued)=FALSE)) AND b != TRUE AND c = TRUE AND t.no = 1"},
      {L"SELECT No.Yes FROM No WHERE x = no", L"SELECT No.Yes FROM No WHERE x = FALSE"},
      {L"SELECT DISTINCTROW TOP 10 a, b FROM t ORDER BY b DESC;", L"SELECT a, b FROM t ORDER BY b DESC LIMIT 10"},
      // DISTINCTROW: distinct rows only where the shown fields leave a joined table out.
      {L"SELECT DISTINCTROW C.Id, C.City FROM C RIGHT JOIN `O` ON C.Id = `O`.Cid WHERE `O`.d > 1",
       L"SELECT DISTINCT C.Id, C.City FROM C RIGHT JOIN `O` ON C.Id = `O`.Cid WHERE `O`.d > 1"},
      {L"SELECT DISTINCTROW p.a, `O`.b FROM (Products AS p INNER JOIN `O` ON p.k = `O`.k)",
       L"SELECT p.a, `O`.b FROM (Products AS p INNER JOIN `O` ON p.k = `O`.k)"},
      {L"SELECT DISTINCTROW C.Id, Sum(x) FROM C INNER JOIN D ON C.Id = D.Id GROUP BY C.Id",
       L"SELECT C.Id, Sum(x) FROM C INNER JOIN D ON C.Id = D.Id GROUP BY C.Id"},
      {L"SELECT a FROM t WHERE b > (SELECT TOP 1 c FROM u ORDER BY c) AND d",
       L"SELECT a FROM t WHERE b > (SELECT c FROM u ORDER BY c LIMIT 1) AND d"},
      {L"SELECT `FirstName` & \" \" & `LastName` AS Salesperson, x FROM t",
       L"SELECT CONCAT_WS('', `FirstName`, ' ', `LastName`) AS Salesperson, x FROM t"},
      {L"SELECT a & (b & c) + 1, f(x) & \"!\" FROM t WHERE \"a&b\" = e & f",
       L"SELECT CONCAT_WS('', a, (CONCAT_WS('', b, c)) + 1), CONCAT_WS('', f(x), '!') FROM t WHERE 'a&b' = "
       L"CONCAT_WS('', e, f)"},
      {L"SELECT CCur(`o`.`UnitPrice`*`Quantity`*(1-`Discount`)/100)*100, CStr(a) FROM t",
       L"SELECT CAST(`o`.`UnitPrice`*`Quantity`*(1-`Discount`)/100 AS DECIMAL(19,4))*100, CAST(a AS CHAR) FROM t"},
      // Names in backticks, and texts, stay as they are.
      {L"SELECT `No`, `Top 10`, 'No & Yes', `DISTINCTROW` FROM t",
       L"SELECT `No`, `Top 10`, 'No & Yes', `DISTINCTROW` FROM t"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::jet_syntax_to_mysql(c.input), c.expected) << c.input;
  }
}

TEST(ViewText, DuplicateResultColumnsGetJetsNames) {
  const auto columns_of = [](const std::wstring& table) {
    return table == L"Table1" ? std::vector<std::wstring>{L"id", L"col1"} : std::vector<std::wstring>{};
  };
  const text_case cases[] = {
      {L"SELECT Customers.CompanyName, Shippers.CompanyName, `Order Details`.x FROM t",
       L"SELECT Customers.CompanyName AS `Customers.CompanyName`, Shippers.CompanyName AS "
       L"`Shippers.CompanyName`, `Order Details`.x FROM t"},
      {L"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2 FROM Table1, Table2",
       L"SELECT DISTINCT `Table1`.`id`, `Table1`.`col1` AS `Table1.col1`, Table2.col1 AS `Table2.col1`, "
       L"Table2.col2 FROM Table1, Table2"},
      // Aliases, unknown stars and names used once stay as they are.
      {L"SELECT a.x, b.x AS y, f(a.x, b.x) FROM a, b", L"SELECT a.x, b.x AS y, f(a.x, b.x) FROM a, b"},
      {L"SELECT Table1.*, Table2.* FROM Table1, Table2", L"SELECT Table1.*, Table2.* FROM Table1, Table2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::name_duplicate_columns(c.input, columns_of), c.expected) << c.input;
  }
}

TEST(ViewText, QueriesThatCannotBeViews) {
  const struct {
    const wchar_t* sql;
    const wchar_t* refusal;
  } cases[] = {
      {L"SELECT a FROM t;", L""},
      {L"select a INTO x FROM t", L"it is a make-table query"},
      {L"SELECT a FROM t WHERE a IN (SELECT b FROM u)", L""},
      {L"PARAMETERS [d] DateTime;\r\nSELECT a FROM t WHERE b > [d]", L"it asks for parameters"},
      {L"TRANSFORM Sum(a) SELECT b FROM t GROUP BY b PIVOT c", L"it is a crosstab query"},
      {L"DELETE t.* FROM t", L"it is an action query"},
      {L"UPDATE t SET a = 1", L"it is an action query"},
      {L"INSERT INTO t (a) SELECT a FROM u", L"it is an action query"},
      {L" SELECT a FROM t", L"it is not a select query"},
      {L"CREATE TABLE t (a CHAR)", L"it is not a select query"},
      {L"SELECT a FROM t WHERE id = [Forms]![Orders]![OrderID]", L"it refers to a form or report"},
      {L"SELECT a FROM t WHERE id = [Forms].[Orders].[OrderID]", L"it refers to a form or report"},
      {L"SELECT TOP 5 PERCENT a FROM t", L"TOP n PERCENT has no MySQL form"},
      {L"SELECT [Forms Used] FROM t WHERE x = 'Forms!a'", L""},
      // Jet refuses it too: the first select of the union names no table.
      {L"Select Table1.col1 where Table1.col1 = \"foo\" UNION Select Table2.col1 FROM Table2",
       L"a SELECT without FROM names table columns"},
      {L"SELECT 1.5 AS x", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sql_view_converter::view_refusal(c.sql), c.refusal) << c.sql;
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
      {{{L"v3", L"SELECT * FROM `V2`"}, {L"v2", L"SELECT * FROM v1"}, {L"v1", L"SELECT 1"}}, {2, 1, 0}},
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
