// Which views a run makes when only some tables were converted: views over a table or query
// that is not there (nor made a view: a parameter query) are left out, with every view over
// them; the rest keep their order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UDB/udb_name_compare.h"
#include "converter/vandry_view_scope.h"
#include "dao/dao_query_sources.h"

namespace {

TEST(ViewScope, SourcesOfAQuery) {
  struct Case {
    const wchar_t* sql;
    std::vector<std::wstring> sources;
  } cases[] = {
      {L"SELECT * FROM Customers;", {L"Customers"}},
      {L"SELECT o.OrderID FROM [Order Details] AS d INNER JOIN (Orders AS o LEFT JOIN Customers ON "
       L"o.CustomerID = Customers.CustomerID) ON d.OrderID = o.OrderID",
       {L"Order Details", L"Orders", L"Customers"}},
      {L"SELECT ProductName FROM Products WHERE UnitPrice > (SELECT Avg(UnitPrice) FROM [Order Details]) "
       L"AND CategoryID IN (SELECT CategoryID FROM Categories) ORDER BY ProductName",
       {L"Products", L"Order Details", L"Categories"}},
      {L"SELECT City FROM Customers UNION SELECT City FROM Suppliers UNION SELECT City FROM customers",
       {L"Customers", L"Suppliers"}},
      {L"SELECT x.n FROM (SELECT Count(*) AS n FROM Shippers) AS x", {L"Shippers"}},
      {L"SELECT [Current Product List].* FROM [Current Product List]", {L"Current Product List"}},
      {L"SELECT 1", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.sql, c.sql + std::wcslen(c.sql)));
    const auto sources = dao_query_sources(c.sql);
    ASSERT_TRUE(sources.has_value());
    EXPECT_EQ(*sources, c.sources);
  }
  EXPECT_FALSE(dao_query_sources(L"SELECT FROM WHERE").has_value());
}

TEST(ViewScope, ViewsOverTablesThatWereNotConverted) {
  const udb_database::view_list views = {
      {L"Over Orders", L"SELECT * FROM Orders"},
      {L"Over Over Orders", L"SELECT * FROM [Over Orders]"},
      {L"Chain Before Its Base", L"SELECT * FROM [Over Shippers]"},
      {L"Over Shippers", L"SELECT * FROM shippers"},
      {L"Join", L"SELECT * FROM Shippers INNER JOIN Orders ON Shippers.ShipperID = Orders.ShipVia"},
      {L"Subquery", L"SELECT * FROM Shippers WHERE ShipperID IN (SELECT ShipVia FROM Orders)"},
      {L"Union", L"SELECT CompanyName FROM Shippers UNION SELECT CompanyName FROM Customers"},
      {L"Parameters", L"PARAMETERS d DateTime; SELECT * FROM Orders WHERE OrderDate > d"},
      {L"Over Parameters", L"SELECT * FROM [Parameters]"},
      {L"Unreadable", L"SELECT FROM WHERE Orders"},
      {L"Over Itself", L"SELECT * FROM [Over Itself]"},
  };
  struct Case {
    const char* what;
    std::vector<std::wstring> converted;
    std::vector<std::wstring> kept;
  } cases[] = {
      {"every table",
       {L"Orders", L"Shippers", L"Customers"},
       {L"Over Orders", L"Over Over Orders", L"Chain Before Its Base", L"Over Shippers", L"Join", L"Subquery", L"Union",
        L"Parameters", L"Unreadable"}},
      {"Shippers only", {L"Shippers"}, {L"Chain Before Its Base", L"Over Shippers", L"Parameters", L"Unreadable"}},
      {"Orders and Customers",
       {L"ORDERS", L"customers"},
       {L"Over Orders", L"Over Over Orders", L"Parameters", L"Unreadable"}},
      {"nothing", {}, {L"Parameters", L"Unreadable"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto converted = [&c](const std::wstring& name) {
      for (const std::wstring& t : c.converted) {
        if (udb_same_name(t, name)) return true;
      }
      return false;
    };
    std::vector<std::wstring> kept;
    for (const auto& [name, sql] : vandry_views_in_scope(views, converted)) kept.push_back(name);
    EXPECT_EQ(kept, c.kept);
  }
}

}  // namespace
