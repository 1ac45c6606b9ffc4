// Jet SQL run through SQLite: Jet's expressions, query forms, result types and DAO errors, over
// small tables written here and over Northwind read with the mdbtools programs.
#include <gtest/gtest.h>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_sql_engine.h"
#include "tests/jet_sql/mdbtools_export.h"
#include "tests/jet_sql/memory_catalog.h"
#include "tests/support/test_env.h"

namespace {

struct result {
  std::vector<jet_sql_column> columns;
  std::vector<std::vector<jet_sql_value>> rows;
  jet_sql_error error;
};

result run(jet_sql_engine& engine, const std::wstring& sql) {
  result r;
  auto q = engine.open(sql, r.error);
  if (!q) return r;
  r.columns = q->columns();
  std::vector<jet_sql_value> row;
  while (q->next(row, r.error)) r.rows.push_back(row);
  return r;
}

std::string show(const jet_sql_value& v) {
  switch (v.type) {
    case jet_sql_value::kind::null: return "Null";
    case jet_sql_value::kind::boolean: return v.integer ? "True" : "False";
    case jet_sql_value::kind::integer: return "int " + std::to_string(v.integer);
    case jet_sql_value::kind::currency: return "cur " + std::to_string(v.integer);
    case jet_sql_value::kind::real: return "real " + std::to_string(v.real);
    case jet_sql_value::kind::date: return "date " + testing::PrintToString(jet_date_text(v.real));
    case jet_sql_value::kind::text: return "text " + testing::PrintToString(v.text);
    case jet_sql_value::kind::binary: return "binary";
  }
  return "?";
}

double date(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  jet_date_parts p;
  p.year = y, p.month = m, p.day = d, p.hour = hh, p.minute = mm, p.second = ss;
  return jet_ole_date(p);
}

jet_sql_value text(const wchar_t* s) { return jet_sql_value::from_text(s); }
jet_sql_value integer(long long i) { return jet_sql_value::from_integer(i); }

// A small sales database: text with mixed case and non-ASCII, Null, dates, currency.
std::unique_ptr<memory_catalog> small_catalog(bool seekable = true) {
  auto c = std::make_unique<memory_catalog>();
  c->add_table(
      L"Customers",
      std::make_shared<memory_table>(
          std::vector<jet_sql_column>{{L"ID", jet_type_long}, {L"Name", jet_type_text}, {L"City", jet_type_text}},
          std::vector<std::vector<jet_sql_value>>{{integer(1), text(L"Ärzte GmbH"), text(L"Köln")},
                                                  {integer(2), text(L"berg & co"), text(L"KÖLN")},
                                                  {integer(3), text(L"Zeta"), jet_sql_value::null()},
                                                  {integer(4), text(L"Alpha"), text(L"Bonn")}},
          seekable));
  c->add_table(L"Orders",
               std::make_shared<memory_table>(std::vector<jet_sql_column>{{L"OrderID", jet_type_long},
                                                                          {L"CustomerID", jet_type_long},
                                                                          {L"OrderDate", jet_type_date},
                                                                          {L"Amount", jet_type_currency},
                                                                          {L"Shipped", jet_type_boolean}},
                                              std::vector<std::vector<jet_sql_value>>{
                                                  {integer(10), integer(1), jet_sql_value::date(date(1995, 1, 15)),
                                                   jet_sql_value::currency(125000), jet_sql_value::boolean(true)},
                                                  {integer(11), integer(1), jet_sql_value::date(date(1995, 4, 2)),
                                                   jet_sql_value::currency(50000), jet_sql_value::boolean(false)},
                                                  {integer(12), integer(2), jet_sql_value::date(date(1995, 4, 30)),
                                                   jet_sql_value::currency(125000), jet_sql_value::boolean(true)},
                                                  {integer(13), integer(4), jet_sql_value::date(date(1996, 7, 1)),
                                                   jet_sql_value::currency(9999), jet_sql_value::boolean(true)},
                                                  {integer(14), integer(2), jet_sql_value::date(date(1996, 8, 9)),
                                                   jet_sql_value::currency(300000), jet_sql_value::boolean(false)}},
                                              seekable));
  c->add_query(L"Big Orders", L"SELECT Orders.* FROM Orders WHERE Amount > 10;\r\n");
  c->add_query(L"Customer Totals",
               L"SELECT Customers.Name, Sum([Big Orders].Amount) AS Total\r\nFROM Customers INNER JOIN [Big Orders] ON "
               L"Customers.ID = [Big Orders].CustomerID\r\nGROUP BY Customers.Name;\r\n");
  c->add_query(L"Ask", L"PARAMETERS [Which] Long;\r\nSELECT * FROM Orders WHERE OrderID = [Which];\r\n");
  return c;
}

// Each expression alone in a SELECT without FROM: its value and the DAO type of its column.
TEST(jet_sql_engine, expressions) {
  struct {
    const wchar_t* expression;
    jet_sql_value value;
    int type;
  } cases[] = {
      // Date literals and arithmetic.
      {L"#1/15/1995# + 1", jet_sql_value::date(date(1995, 1, 16)), jet_type_date},
      {L"#1995-03-05 14:07:09#", jet_sql_value::date(date(1995, 3, 5, 14, 7, 9)), jet_type_date},
      {L"#3/1/95# - #1/1/95#", jet_sql_value::from_real(59), jet_type_double},
      {L"DateAdd(\"m\", 1, #1/31/1995#)", jet_sql_value::date(date(1995, 2, 28)), jet_type_date},
      {L"DateAdd(\"h\", -3, #1/1/1995#)", jet_sql_value::date(date(1994, 12, 31, 21)), jet_type_date},
      {L"DateDiff(\"d\", #1/1/95#, #3/1/95#)", integer(59), jet_type_long},
      {L"DateDiff(\"yyyy\", #12/31/1994#, #1/1/1995#)", integer(1), jet_type_long},
      {L"DatePart(\"q\", #8/1/1995#)", integer(3), jet_type_integer},
      {L"DateSerial(95, 13, 1)", jet_sql_value::date(date(1996, 1, 1)), jet_type_date},
      {L"Year(#3/5/1995#) & \"/\" & Month(#3/5/1995#)", text(L"1995/3"), jet_type_text},
      {L"Weekday(#3/5/1995#)", integer(1), jet_type_integer},
      {L"Hour(#1/1/2000 13:45#)", integer(13), jet_type_integer},
      {L"CDate(\"1/2/2003\")", jet_sql_value::date(date(2003, 1, 2)), jet_type_date},
      // Like, case-insensitive text comparison.
      {L"\"Umsätze\" Like \"UMS*\"", jet_sql_value::boolean(true), jet_type_boolean},
      {L"\"a1c\" Like \"a#c\"", jet_sql_value::boolean(true), jet_type_boolean},
      {L"\"b\" Like \"[a-c]\"", jet_sql_value::boolean(true), jet_type_boolean},
      {L"\"abc\" Like \"[!a]*\"", jet_sql_value::boolean(false), jet_type_boolean},
      {L"\"a*c\" Like \"a[*]c\"", jet_sql_value::boolean(true), jet_type_boolean},
      {L"\"abc\" Not Like \"?b?\"", jet_sql_value::boolean(false), jet_type_boolean},
      {L"\"ÄBC\" = \"äbc\"", jet_sql_value::boolean(true), jet_type_boolean},
      {L"\"abc\" < \"ABD\"", jet_sql_value::boolean(true), jet_type_boolean},
      {L"\"b\" In (\"A\", \"B\")", jet_sql_value::boolean(true), jet_type_boolean},
      {L"5 Between 1 And 10", jet_sql_value::boolean(true), jet_type_boolean},
      {L"Null Is Null", jet_sql_value::boolean(true), jet_type_boolean},
      {L"Not (1 = 2)", jet_sql_value::boolean(true), jet_type_boolean},
      {L"True And False", jet_sql_value::boolean(false), jet_type_boolean},
      // & and + with Null.
      {L"Null & \"x\"", text(L"x"), jet_type_text},
      {L"Null & Null", jet_sql_value::null(), jet_type_text},
      {L"\"a\" & 1 & True", text(L"a1True"), jet_type_text},
      {L"\"d: \" & #3/5/1995#", text(L"d: 3/5/1995"), jet_type_text},
      {L"Null + \"x\"", jet_sql_value::null(), jet_type_text},
      {L"\"a\" + \"b\"", text(L"ab"), jet_type_text},
      // IIf and Nz.
      {L"IIf(1 > 2, \"yes\", \"no\")", text(L"no"), jet_type_text},
      {L"IIf(Null, 1, 2)", integer(2), jet_type_integer},
      {L"Nz(Null, 5)", integer(5), jet_type_integer},
      {L"Nz(Null)", text(L""), jet_type_text},
      // String functions on non-ASCII text.
      {L"Len(\"Umsätze\")", integer(7), jet_type_long},
      {L"Left(\"Umsätze\", 4)", text(L"Umsä"), jet_type_text},
      {L"Right(\"Grüße\", 3)", text(L"üße"), jet_type_text},
      {L"Mid(\"Grüße\", 3, 2)", text(L"üß"), jet_type_text},
      {L"Mid(\"Grüße\", 4)", text(L"ße"), jet_type_text},
      {L"InStr(\"Umsätze\", \"Ä\")", integer(4), jet_type_long},
      {L"InStr(4, \"abcabc\", \"b\")", integer(5), jet_type_long},
      {L"UCase(\"äöü\") & LCase(\"ÄÖÜ\")", text(L"ÄÖÜäöü"), jet_type_text},
      {L"\"[\" & Trim(\"  a b  \") & \"][\" & LTrim(\" a \") & \"][\" & RTrim(\" a \") & \"]\"", text(L"[a b][a ][ a]"),
       jet_type_text},
      {L"Len(Null)", jet_sql_value::null(), jet_type_long},
      // Format of dates and numbers.
      {L"Format(#3/5/1995#, \"yyyy-mm-dd\")", text(L"1995-03-05"), jet_type_text},
      {L"Format(#3/5/1995#, \"Long Date\")", text(L"Sunday, March 5, 1995"), jet_type_text},
      {L"Format(#3/5/1995#, \"dd mmm yy\")", text(L"05 Mar 95"), jet_type_text},
      {L"Format(#3/5/1995 14:07:09#, \"hh:nn AM/PM\")", text(L"02:07 PM"), jet_type_text},
      {L"Format(#3/5/1995 14:07:09#)", text(L"3/5/1995 2:07:09 PM"), jet_type_text},
      {L"Format(1234.5, \"#,##0.00\")", text(L"1,234.50"), jet_type_text},
      {L"Format(0.256, \"Percent\")", text(L"25.60%"), jet_type_text},
      {L"Format(-5, \"Currency\")", text(L"($5.00)"), jet_type_text},
      {L"Format(7, \"000\")", text(L"007"), jet_type_text},
      {L"Format(1, \"Yes/No\")", text(L"Yes"), jet_type_text},
      // Runs of a letter longer than any token are read as tokens one after the other.
      {L"Format(#3/5/1995#, \"yyyyyyyyyy\")", text(L"1995199595"), jet_type_text},
      {L"Format(#3/5/1995#, \"ddddddd\")", text(L"Sunday, March 5, 19955"), jet_type_text},
      {L"Len(Format(#3/5/1995#, String(100000, \"y\")))", integer(100000), jet_type_long},
      {L"Len(Format(7, String(100000, \"0\")))", integer(100000), jet_type_long},
      {L"Format(1234, \"0.0E+000\")", text(L"1.2E+003"), jet_type_text},
      // Repeated characters, multi-byte ones included.
      {L"Replace(\"aXbxc\", \"x\", \"--\") & Replace(\"abc\", \"b\", \"\")", text(L"a--b--cac"), jet_type_text},
      {L"String(3, \"ab\") & Space(2) & String(2, 252) & \"|\" & String(0, \"x\")", text(L"aaa  üü|"), jet_type_text},
      // Conversions and numbers.
      {L"CInt(2.5)", integer(2), jet_type_integer},
      {L"CInt(3.5)", integer(4), jet_type_integer},
      {L"CLng(\"12\")", integer(12), jet_type_long},
      {L"CCur(1.23456)", jet_sql_value::currency(12346), jet_type_currency},
      {L"CCur(10) * 3", jet_sql_value::currency(300000), jet_type_currency},
      {L"CDbl(\"2.5\")", jet_sql_value::from_real(2.5), jet_type_double},
      {L"CStr(#1/2/2003#)", text(L"1/2/2003"), jet_type_text},
      {L"Val(\"  12.5abc\")", jet_sql_value::from_real(12.5), jet_type_double},
      {L"Str(5)", text(L" 5"), jet_type_text},
      {L"Int(-2.5)", jet_sql_value::from_real(-3), jet_type_double},
      {L"Fix(-2.5)", jet_sql_value::from_real(-2), jet_type_double},
      {L"Round(2.5)", jet_sql_value::from_real(2), jet_type_double},
      {L"Round(3.14159, 2)", jet_sql_value::from_real(3.14), jet_type_double},
      {L"Sgn(-3) & Abs(-3)", text(L"-13"), jet_type_text},
      {L"7 \\ 2", integer(3), jet_type_long},
      {L"7 Mod 3", integer(1), jet_type_long},
      {L"2 ^ 10", jet_sql_value::from_real(1024), jet_type_double},
      {L"-2 ^ 2", jet_sql_value::from_real(-4), jet_type_double},
      {L"1 / 4", jet_sql_value::from_real(0.25), jet_type_double},
      {L"IsNull(Null)", jet_sql_value::boolean(true), jet_type_boolean},
  };
  auto catalog = small_catalog();
  jet_sql_engine engine(*catalog);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.expression)));
    result r = run(engine, std::wstring(L"SELECT ") + c.expression + L" AS x");
    ASSERT_EQ(r.error.number, 0) << testing::PrintToString(r.error.description);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(show(r.rows[0][0]), show(c.value));
    EXPECT_EQ(r.columns[0].type, c.type);
  }
}

// Whole queries over the small database: the rows in order, each row's cells joined by "|".
TEST(jet_sql_engine, queries) {
  struct {
    const wchar_t* sql;
    std::vector<std::string> rows;
  } cases[] = {
      // Text comparison and grouping ignore case; Null sorts first.
      {L"SELECT Name FROM Customers WHERE City = 'köln' ORDER BY Name",
       {"text L\"berg & co\"", "text L\"\\xC4rzte GmbH\""}},
      {L"SELECT City, Count(*) AS n FROM Customers GROUP BY City ORDER BY City",
       {"Null|int 1", "text L\"Bonn\"|int 1", "text L\"K\\xF6ln\"|int 2"}},
      {L"SELECT DISTINCT City FROM Customers WHERE City Is Not Null", {"text L\"K\\xF6ln\"", "text L\"Bonn\""}},
      // Joins of every kind, with the parentheses Access writes.
      {L"SELECT Customers.Name, Orders.OrderID FROM Customers INNER JOIN Orders ON Customers.ID = Orders.CustomerID "
       L"WHERE Orders.Shipped = True ORDER BY Orders.OrderID",
       {"text L\"\\xC4rzte GmbH\"|int 10", "text L\"berg & co\"|int 12", "text L\"Alpha\"|int 13"}},
      {L"SELECT c.Name, o.OrderID FROM Customers AS c LEFT JOIN Orders AS o ON c.ID = o.CustomerID WHERE o.OrderID Is Null",
       {"text L\"Zeta\"|Null"}},
      {L"SELECT Count(*) AS n FROM (Customers RIGHT JOIN Orders ON Customers.ID = Orders.CustomerID) INNER JOIN "
       L"Customers AS c2 ON c2.ID = Orders.CustomerID",
       {"int 5"}},
      // TOP keeps ties at the boundary; TOP n PERCENT rounds up.
      {L"SELECT TOP 1 OrderID FROM Orders ORDER BY Amount DESC", {"int 14"}},
      {L"SELECT TOP 2 OrderID FROM Orders ORDER BY Amount DESC, OrderID", {"int 14", "int 10"}},
      {L"SELECT TOP 2 Amount FROM Orders ORDER BY Amount DESC", {"cur 300000", "cur 125000", "cur 125000"}},
      {L"SELECT TOP 25 PERCENT OrderID FROM Orders ORDER BY OrderID", {"int 10", "int 11"}},
      // Aggregates keep Currency; First/Last/StDev.
      {L"SELECT Sum(Amount) AS s, Avg(Amount) AS a, Min(OrderDate) AS d FROM Orders",
       {"cur 609999|cur 122000|date L\"1/15/1995\""}},
      {L"SELECT First(OrderID) AS f, Last(OrderID) AS l, Count(Shipped) AS n FROM Orders", {"int 10|int 14|int 5"}},
      // Subqueries, EXISTS, IN, ANY/ALL.
      {L"SELECT Name FROM Customers WHERE ID In (SELECT CustomerID FROM Orders WHERE Year(OrderDate) = 1996) ORDER BY Name",
       {"text L\"Alpha\"", "text L\"berg & co\""}},
      {L"SELECT Name FROM Customers AS c WHERE Not Exists (SELECT * FROM Orders WHERE Orders.CustomerID = c.ID)",
       {"text L\"Zeta\""}},
      {L"SELECT OrderID FROM Orders WHERE Amount >= All (SELECT Amount FROM Orders)", {"int 14"}},
      {L"SELECT (SELECT Max(OrderID) FROM Orders) AS m", {"int 14"}},
      // UNION sorts by the first SELECT's names and drops duplicates without regard to case.
      {L"SELECT City FROM Customers WHERE ID = 1 UNION SELECT 'KÖLN' FROM Customers UNION SELECT 'Aachen' FROM "
       L"Customers ORDER BY City",
       {"text L\"Aachen\"", "text L\"K\\xD6LN\""}},
      {L"SELECT ID FROM Customers WHERE ID < 3 UNION ALL SELECT ID FROM Customers WHERE ID < 2",
       {"int 1", "int 2", "int 1"}},
      // Saved queries by name, nested; aliases of the select list used in WHERE.
      {L"SELECT * FROM [Customer Totals] ORDER BY Total DESC",
       {"text L\"berg & co\"|cur 425000", "text L\"\\xC4rzte GmbH\"|cur 125000"}},
      {L"SELECT OrderID * 2 AS Twice FROM Orders WHERE Twice > 26", {"int 28"}},
      {L"select count(*) from (SELECT OrderID FROM Orders WITH OWNERACCESS OPTION;\r\n)", {"int 5"}},
      // DISTINCTROW: one row per customer record, however many orders match.
      {L"SELECT DISTINCTROW Customers.Name FROM Customers INNER JOIN Orders ON Customers.ID = Orders.CustomerID "
       L"ORDER BY Customers.Name",
       {"text L\"Alpha\"", "text L\"berg & co\"", "text L\"\\xC4rzte GmbH\""}},
      // A crosstab: one column per pivot value, sorted.
      {L"TRANSFORM Sum(Amount) AS s SELECT CustomerID FROM Orders GROUP BY CustomerID PIVOT Year(OrderDate)",
       {"int 1|cur 175000|Null", "int 2|cur 125000|cur 300000", "int 4|Null|cur 9999"}},
      {L"TRANSFORM Count(*) SELECT Shipped FROM Orders GROUP BY Shipped PIVOT \"Q\" & DatePart(\"q\", OrderDate) In "
       L"(\"Q1\", \"Q4\")",
       {"True|int 1|int 0", "False|int 0|int 0"}},
  };
  for (bool seekable : {true, false}) {
    auto catalog = small_catalog(seekable);
    jet_sql_engine engine(*catalog);
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(c.sql)));
      result r = run(engine, c.sql);
      ASSERT_EQ(r.error.number, 0) << testing::PrintToString(r.error.description);
      std::vector<std::string> rows;
      for (const auto& row : r.rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + show(row[i]);
        rows.push_back(line);
      }
      EXPECT_EQ(rows, c.rows);
    }
  }
}

TEST(jet_sql_engine, column_names_and_types) {
  auto catalog = small_catalog();
  jet_sql_engine engine(*catalog);
  result r =
      run(engine,
          L"SELECT Customers.ID, Orders.CustomerID, Orders.Amount * 2, OrderDate, Orders.OrderID AS [No.], "
          L"Customers.Name & '', Customers.City AS City2, Amount / 2 FROM Customers, Orders WHERE Customers.ID = 9");
  ASSERT_EQ(r.error.number, 0) << testing::PrintToString(r.error.description);
  std::vector<std::pair<std::wstring, int>> expected = {
      {L"ID", jet_type_long},        {L"CustomerID", jet_type_long},  {L"Expr1000", jet_type_currency},
      {L"OrderDate", jet_type_date}, {L"No.", jet_type_long},         {L"Expr1001", jet_type_text},
      {L"City2", jet_type_text},     {L"Expr1002", jet_type_currency}};
  ASSERT_EQ(r.columns.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(r.columns[i].name, expected[i].first);
    EXPECT_EQ(r.columns[i].type, expected[i].second) << i;
  }
  // The same name from two tables: Jet names both columns by their table.
  r = run(engine, L"SELECT c.ID, o.CustomerID AS ID FROM Customers AS c, Orders AS o");
  EXPECT_EQ(r.columns[0].name, L"c.ID");
  r = run(engine, L"SELECT * FROM Customers AS a, Customers AS b WHERE a.ID = 1 AND b.ID = 2");
  ASSERT_EQ(r.columns.size(), 6u);
  EXPECT_EQ(r.columns[0].name, L"a.ID");
  EXPECT_EQ(r.columns[3].name, L"b.ID");
  // The row count the Access source asks for, over a saved query's own text.
  r = run(engine, L"select count(*) from (" + *catalog->find_query(L"Customer Totals") + L")");
  ASSERT_EQ(r.error.number, 0) << testing::PrintToString(r.error.description);
  EXPECT_EQ(show(r.rows.at(0).at(0)), "int 2");
}

TEST(jet_sql_engine, errors) {
  struct {
    const wchar_t* sql;
    long number;
    const wchar_t* description;  // null: not checked
  } cases[] = {
      {L"PARAMETERS [Which] Long; SELECT * FROM Orders WHERE OrderID = [Which]", 3061,
       L"Too few parameters. Expected 1."},
      {L"SELECT * FROM Ask", 3061, L"Too few parameters. Expected 1."},
      {L"SELECT * FROM Orders WHERE OrderDate > [Forms]![Dialog]![Start] AND OrderDate < [Forms]![Dialog]![End]", 3061,
       L"Too few parameters. Expected 2."},
      {L"SELECT Nonsense FROM Orders", 3061, L"Too few parameters. Expected 1."},
      {L"SELECT Orders.Nonsense FROM Orders", 3061, nullptr},
      {L"SELECT Frobnicate(OrderID) FROM Orders", 3085, L"Undefined function 'Frobnicate' in expression."},
      {L"SELECT * FROM Nowhere", 3078, nullptr},
      {L"SELECT ID FROM Customers, Customers AS c2", 3079, nullptr},
      {L"DELETE * FROM Orders", 3219, L"Invalid operation."},
      {L"UPDATE Orders SET Amount = 0", 3219, nullptr},
      {L"SELECT * INTO Copy FROM Orders", 3219, nullptr},
      {L"CREATE TABLE t (a TEXT)", 3219, nullptr},
      {L"SELEC * FROM Orders", 3129, nullptr},
      {L"SELECT * FROM Orders WHERE", 3075, nullptr},
      {L"SELECT * FROM Orders WHERE (OrderID = 1", 3075, nullptr},
      {L"SELECT OrderID FROM Orders WHERE OrderID = 'abc", 3075, nullptr},
      {L"SELECT #13/45/1995# AS d", 3075, nullptr},
      {L"SELECT * FROM Orders INNER JOIN Customers", 3131, L"Syntax error in FROM clause."},
      {L"SELECT * FROM Orders ORDER", 3141, nullptr},
      {L"SELECT * FROM Orders; SELECT 1", 3142, nullptr},
      {L"SELECT Left(Name) FROM Customers", 3075, nullptr},
      {L"SELECT CInt(100000) AS x", 3349, nullptr},
      {L"SELECT CLng('abc') AS x", 3464, nullptr},
      // Numbers far outside what the functions take fail cleanly.
      {L"SELECT Year(1e300) AS x", 3464, nullptr},
      {L"SELECT Left('abc', 1e300) AS x", 3075, nullptr},
      {L"SELECT DateAdd('d', 1e300, #1/1/2000#) AS x", 3075, nullptr},
      {L"SELECT DateAdd('yyyy', 9000, #1/1/2000#) AS x", 3075, nullptr},
      {L"SELECT DateSerial(1e300, 1, 1) AS x", 3075, nullptr},
      {L"SELECT CInt(1e300) AS x", 3349, nullptr},
      {L"SELECT CCur(1e300) AS x", 3349, nullptr},
      {L"SELECT 5 \\ 0 AS x", 3075, L"Division by zero."},
      {L"SELECT TOP 1e20 * FROM Orders", 3141, nullptr},
      // Texts longer than a value can hold are refused before memory runs out.
      {L"SELECT String(2000000000, 'x') AS x", 3001, L"The query could not be run: string or blob too big"},
      {L"SELECT Space(1500000000) AS x", 3001, L"The query could not be run: string or blob too big"},
      {L"SELECT Replace(String(1000000, 'a'), 'a', String(1001, 'b')) AS x", 3001,
       L"The query could not be run: string or blob too big"},
  };
  auto catalog = small_catalog();
  jet_sql_engine engine(*catalog);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.sql)));
    result r = run(engine, c.sql);
    EXPECT_EQ(r.error.number, c.number) << testing::PrintToString(r.error.description);
    if (c.description) {
      EXPECT_EQ(r.error.description, c.description);
    }
  }
}

// Every cut of real statements, and nesting too deep to follow, ends in a result or a DAO error.
TEST(jet_sql_engine, never_crashes) {
  auto catalog = small_catalog(false);
  jet_sql_engine engine(*catalog);
  const std::wstring statements[] = {
      L"PARAMETERS [x] Text ( 255 ); SELECT DISTINCTROW TOP 2 PERCENT c.Name AS [A.B], Sum(o.Amount) FROM Customers AS c "
      L"LEFT JOIN (Orders AS o INNER JOIN [Big Orders] AS b ON o.OrderID = b.OrderID) ON c.ID = o.CustomerID WHERE "
      L"c.Name Like \"[!a-c]*\" And o.OrderDate Between #1/1/95# And #12/31/1996 10:00 PM# GROUP BY c.Name HAVING "
      L"Count(*) > 0 ORDER BY 2 DESC;",
      L"TRANSFORM Sum(Amount) AS s SELECT CustomerID FROM Orders GROUP BY CustomerID PIVOT Format(OrderDate, 'yyyy') In "
      L"('1995', '1996');",
      L"SELECT Name FROM Customers WHERE ID In (SELECT CustomerID FROM Orders) UNION ALL SELECT 'x' & Null FROM "
      L"[SELECT * FROM Orders]. AS q ORDER BY Name;",
  };
  for (const auto& statement : statements)
    for (size_t n = 0; n <= statement.size(); ++n) {
      jet_sql_error error;
      auto r = engine.open(statement.substr(0, n), error);
      EXPECT_TRUE((r != nullptr) != (error.number != 0)) << testing::PrintToString(statement.substr(0, n));
      std::vector<jet_sql_value> row;
      while (r && r->next(row, error)) {
      }
      if (n == statement.size()) {
        // Whole, they run; the first one asks for its parameter.
        EXPECT_EQ(error.number, statement.starts_with(L"PARAMETERS") ? 3061 : 0)
            << testing::PrintToString(error.description);
      }
    }
  jet_sql_error error;
  EXPECT_EQ(engine.open(L"SELECT " + std::wstring(5000, L'(') + L"1" + std::wstring(5000, L')'), error), nullptr);
  EXPECT_EQ(error.number, 3360);
  EXPECT_EQ(engine.open(L"SELECT " + std::wstring(5000, L'-') + L"1", error), nullptr);
  EXPECT_EQ(error.number, 3360);
}

// Northwind's saved select queries without parameters run and return what they mean.
TEST(jet_sql_engine, northwind_saved_queries) {
  auto catalog = load_access_file(test_env::testdata_path("access/real/nwind.mdb"));
  jet_sql_engine engine(*catalog);
  auto count = [&](const std::wstring& sql) {
    result r = run(engine, sql);
    EXPECT_EQ(r.error.number, 0) << testing::PrintToString(sql) << testing::PrintToString(r.error.description);
    return r.rows.size();
  };
  std::map<std::wstring, result> results;
  for (const auto& name : catalog->query_names()) {
    SCOPED_TRACE(testing::PrintToString(name));
    result r = run(engine, L"SELECT * FROM [" + name + L"]");
    bool parameters = name == L"Employee Sales by Country" || name == L"Sales by Year" || name == L"Invoices Filter";
    EXPECT_EQ(r.error.number, parameters ? 3061 : 0) << testing::PrintToString(r.error.description);
    // The saved text itself opens, and counts as the Access source counts it.
    auto text = *catalog->find_query(name);
    result direct = run(engine, text);
    EXPECT_EQ(direct.error.number, r.error.number);
    EXPECT_EQ(direct.rows.size(), r.rows.size());
    if (!parameters) {
      result counted = run(engine, L"select count(*) from (" + text + L")");
      ASSERT_EQ(counted.error.number, 0) << testing::PrintToString(counted.error.description);
      EXPECT_EQ(counted.rows.at(0).at(0).integer, static_cast<long long>(r.rows.size()));
    }
    results[name] = std::move(r);
  }
  // Ten Most Expensive Products: ten names with their prices, the dearest first.
  const result& ten = results[L"Ten Most Expensive Products"];
  ASSERT_EQ(ten.rows.size(), 10u);
  EXPECT_EQ(ten.columns[0].name, L"TenMostExpensiveProducts");
  EXPECT_EQ(ten.columns[1].type, jet_type_currency);
  EXPECT_EQ(show(ten.rows[0][0]), "text L\"C\\xF4te de Blaye\"");
  EXPECT_EQ(show(ten.rows[0][1]), "cur 2635000");
  // Current Product List: the products not discontinued, by name.
  const result& current = results[L"Current Product List"];
  EXPECT_EQ(current.rows.size(), count(L"SELECT * FROM Products WHERE Discontinued = False"));
  EXPECT_LT(current.rows.size(), count(L"SELECT * FROM Products"));
  EXPECT_EQ(show(current.rows[0][1]), "text L\"Aniseed Syrup\"");  // Alice Mutton is discontinued
  // Order Subtotals: one row per order; the subtotal is Currency.
  EXPECT_EQ(results[L"Order Subtotals"].rows.size(), count(L"SELECT OrderID FROM Orders"));
  EXPECT_EQ(results[L"Order Subtotals"].columns[1].type, jet_type_currency);
  // Quarterly Orders lists each customer with 1995 orders once (DISTINCTROW over a join).
  EXPECT_EQ(results[L"Quarterly Orders"].rows.size(),
            count(L"SELECT DISTINCT CustomerID FROM Orders WHERE OrderDate Between #1/1/95# And #12/31/95#"));
  // The crosstab has the row headings and the four quarters.
  const result& crosstab = results[L"Quarterly Orders by Product"];
  ASSERT_EQ(crosstab.columns.size(), 7u);
  EXPECT_EQ(crosstab.columns[3].name, L"Qtr 1");
  EXPECT_EQ(crosstab.columns[6].name, L"Qtr 4");
  // The union of customers and suppliers.
  EXPECT_EQ(results[L"Customers and Suppliers by City"].rows.size(),
            count(L"SELECT City, CompanyName, ContactName FROM Customers") +
                count(L"SELECT City, CompanyName, ContactName FROM Suppliers"));
}

}  // namespace
