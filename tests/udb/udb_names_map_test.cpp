// The names map: lookups and the rewriting of source names inside SQL text.
#include "UDB/udb_names_map.h"

#include <gtest/gtest.h>

namespace {

udb_names_map sample_map() {
  udb_names_map m;
  m.add_tn_mapping(L"Orders", L"order_items");
  m.add_tn_mapping(L"Order Details", L"order_details");
  m.add_tn_mapping(L"Customer", L"customer_");
  m.add_tn_mapping(L"Customer List", L"customer_list");
  m.add_tn_mapping(L"Maße", L"masse");
  m.add_tn_mapping(L"Old_Orders", L"old_orders");
  m.add_fn_map(L"Order Details", {{L"Unit Price", L"unit_price"}, {L"Date", L"date_col"}});
  m.add_fn_map(L"Maße", {{L"Größe", L"groesse"}});
  m.add_fn_map(L"t", {{L"Order", L"order00000"}, {L"Group", L"group_"}});
  return m;
}

TEST(udb_names_map, global_replace_in_sql_text) {
  struct {
    const char* what;
    std::wstring text;
    std::wstring result;
  } cases[] = {
      {"nothing mapped", L"select a from b where c = 1", L"select a from b where c = 1"},
      {"table name, any case", L"select * from ORDERS o", L"select * from `order_items` o"},
      {"longer word untouched", L"select ordersx from t", L"select ordersx from t"},
      {"underscore is part of a name", L"select orders_2, _orders, orders_ from orders_2",
       L"select orders_2, _orders, orders_ from orders_2"},
      {"renamed table beside its underscored neighbour", L"from orders, orders_2 where orders_2.id = orders.id",
       L"from `order_items`, orders_2 where orders_2.id = `order_items`.id"},
      {"mapped name with an underscore, whole only", L"from Old_Orders, Old_Orders_2, old_orders.x",
       L"from `old_orders`, Old_Orders_2, `old_orders`.x"},
      {"unmapped bracketed neighbours kept", L"from [orders 2], [orders_2], [Orders]",
       L"from [orders 2], [orders_2], `order_items`"},
      {"non-ASCII name with an underscore", L"from Maße_alt, Maße", L"from Maße_alt, `masse`"},
      {"bracketed names replaced whole", L"select [Order Details].[Unit Price] from [Order Details]",
       L"select `order_details`.`unit_price` from `order_details`"},
      {"backticked names replaced whole", L"select `Orders`.x from `orders`",
       L"select `order_items`.x from `order_items`"},
      {"unmapped bracketed name kept", L"select [Other Table].x", L"select [Other Table].x"},
      {"name with blanks as words", L"from Order Details d", L"from `order_details` d"},
      {"the longest name wins", L"from Customer List l, Customer c", L"from `customer_list` l, `customer_` c"},
      {"text literals untouched", L"where n = 'Orders' and m = \"Order Details\"",
       L"where n = 'Orders' and m = \"Order Details\""},
      {"doubled quote stays inside the literal", L"where n = 'it''s Orders' or Orders.id = 1",
       L"where n = 'it''s Orders' or `order_items`.id = 1"},
      {"date literal untouched", L"select d from [Order Details] where d > #Date# and Date = 1",
       L"select d from `order_details` where d > #Date# and `date_col` = 1"},
      {"function names untouched", L"select Date(), Date (), [Date], Date from [Order Details]",
       L"select Date(), Date (), `date_col`, `date_col` from `order_details`"},
      {"bare keywords stay keywords", L"select [Order], [Group] from t order by Order, [order] group by x",
       L"select `order00000`, `group_` from t order by Order, `order00000` group by x"},
      {"non-ASCII letters and case", L"select GRÖSSE, Größe, größenangabe from MASSE, Maße",
       L"select GRÖSSE, `groesse`, größenangabe from MASSE, `masse`"},
      {"unclosed bracket copied", L"select Orders, [Orders", L"select `order_items`, [Orders"},
      {"unclosed literal copied", L"select Orders, 'Orders", L"select `order_items`, 'Orders"},
  };
  const udb_names_map m = sample_map();
  for (const auto& c : cases) EXPECT_EQ(m.do_global_replace1(c.text, L"`", L"`"), c.result) << c.what;
}

// Column maps registered as a conversion run does: under the destination table name.
TEST(udb_names_map, column_names_follow_their_tables) {
  udb_names_map m;
  m.add_tn_mapping(L"Order Details", L"order_lines");
  m.add_tn_mapping(L"Customers", L"clients");
  m.add_fn_map(L"order_lines", {{L"UnitPrice", L"price"}, {L"ProductID", L"product"}});
  m.add_fn_map(L"Products", {{L"ProductID", L"product_id"}, {L"ProductName", L"name"}});
  m.add_fn_map(L"clients", {{L"CompanyName", L"company"}});
  m.add_fn_map(L"Suppliers", {{L"CompanyName", L"supplier"}});
  m.add_fn_map(L"Employees", {{L"LastName", L"surname"}});
  struct {
    const char* what;
    std::wstring text;
    std::wstring result;
  } cases[] = {
      {"same column in two tables, one renamed",
       L"SELECT Products.ProductName, Products.UnitPrice, [Order Details].UnitPrice "
       L"FROM Products INNER JOIN [Order Details] ON Products.ProductID = [Order Details].ProductID",
       L"SELECT Products.`name`, Products.UnitPrice, `order_lines`.`price` "
       L"FROM Products INNER JOIN `order_lines` ON Products.`product_id` = `order_lines`.`product`"},
      {"aliases, with and without AS",
       L"SELECT od.UnitPrice, p.UnitPrice, P.[ProductName] FROM [Order Details] AS od, Products p "
       L"WHERE od.ProductID = p.ProductID",
       L"SELECT od.`price`, p.UnitPrice, P.`name` FROM `order_lines` AS od, Products p "
       L"WHERE od.`product` = p.`product_id`"},
      {"backticked qualified name", L"SELECT `Order Details`.`UnitPrice` FROM `Order Details`",
       L"SELECT `order_lines`.`price` FROM `order_lines`"},
      {"unqualified, one table read", L"SELECT UnitPrice, Quantity FROM [Order Details]",
       L"SELECT `price`, Quantity FROM `order_lines`"},
      {"a table the text does not read adds nothing", L"SELECT UnitPrice FROM Products WHERE UnitPrice > 5",
       L"SELECT UnitPrice FROM Products WHERE UnitPrice > 5"},
      {"unqualified, the tables disagree: left", L"SELECT ProductID FROM Products, [Order Details]",
       L"SELECT ProductID FROM Products, `order_lines`"},
      {"unqualified, through nested joins",
       L"SELECT ProductName, Quantity FROM (Orders INNER JOIN [Order Details] ON Orders.OrderID = "
       L"[Order Details].OrderID) INNER JOIN Products ON Products.ProductID = [Order Details].ProductID",
       L"SELECT `name`, Quantity FROM (Orders INNER JOIN `order_lines` ON Orders.OrderID = "
       L"`order_lines`.OrderID) INNER JOIN Products ON Products.`product_id` = `order_lines`.`product`"},
      {"renamed table and renamed column together",
       L"SELECT Customers.CompanyName, CompanyName FROM Customers ORDER BY [Customers].[CompanyName]",
       L"SELECT `clients`.`company`, `company` FROM `clients` ORDER BY `clients`.`company`"},
      {"a subquery reads its own tables",
       L"SELECT UnitPrice FROM [Order Details] WHERE ProductID IN "
       L"(SELECT ProductID FROM Products WHERE UnitPrice > 50) AND UnitPrice > 10",
       L"SELECT `price` FROM `order_lines` WHERE `product` IN "
       L"(SELECT `product_id` FROM Products WHERE UnitPrice > 50) AND `price` > 10"},
      {"a subquery used as a table", L"SELECT q.UnitPrice, UnitPrice FROM (SELECT UnitPrice FROM [Order Details]) AS q",
       L"SELECT q.`price`, `price` FROM (SELECT `price` FROM `order_lines`) AS q"},
      {"each SELECT of a UNION reads its own tables",
       L"SELECT City, CompanyName FROM Customers UNION SELECT City, CompanyName FROM Suppliers",
       L"SELECT City, `company` FROM `clients` UNION SELECT City, `supplier` FROM Suppliers"},
      {"a table joined with itself",
       L"SELECT e.LastName, m.LastName, LastName FROM Employees AS e LEFT JOIN Employees AS m "
       L"ON e.ReportsTo = m.EmployeeID",
       L"SELECT e.`surname`, m.`surname`, `surname` FROM Employees AS e LEFT JOIN Employees AS m "
       L"ON e.ReportsTo = m.EmployeeID"},
      {"a saved query under an alias has no column map", L"SELECT s.UnitPrice, s.Subtotal FROM [Order Subtotals] AS s",
       L"SELECT s.UnitPrice, s.Subtotal FROM [Order Subtotals] AS s"},
      {"an alias is never renamed, even when named like a table",
       L"SELECT Customers.CompanyName FROM Suppliers AS Customers",
       L"SELECT Customers.`supplier` FROM Suppliers AS Customers"},
  };
  for (const auto& c : cases) EXPECT_EQ(m.do_global_replace1(c.text, L"`", L"`"), c.result) << c.what;
}

// A saved query of the Northwind sample as Access stores it: bracketed and bare names, text and
// date literals, functions.
TEST(udb_names_map, northwind_query) {
  udb_names_map m;
  m.add_tn_mapping(L"Orders", L"orders_t");
  m.add_tn_mapping(L"Order Details", L"order_details");
  m.add_fn_map(L"Orders", {{L"OrderDate", L"order_date"}});
  m.add_fn_map(L"Order Details", {{L"Quantity", L"qty"}, {L"Year", L"year_"}});
  const std::wstring query =
      L"SELECT DISTINCTROW Products.ProductName,Orders.CustomerID,\"Qtr \" & DatePart(\"q\","
      L"[OrderDate],1,0) In (\"Qtr 1\",\"Qtr 2\",\"Qtr 3\",\"Qtr 4\"),Year([OrderDate]),"
      L"Sum(CCur([Order Details].[UnitPrice]*[Quantity]*(1-[Discount])/100)*100) "
      L"FROM [Orders],[Order Details],[Products] "
      L"WHERE (((Orders.OrderDate) Between #1/1/95# And #12/31/95#))";
  EXPECT_EQ(m.do_global_replace1(query, L"`", L"`"),
            L"SELECT DISTINCTROW Products.ProductName,`orders_t`.CustomerID,\"Qtr \" & DatePart(\"q\","
            L"`order_date`,1,0) In (\"Qtr 1\",\"Qtr 2\",\"Qtr 3\",\"Qtr 4\"),Year(`order_date`),"
            L"Sum(CCur(`order_details`.[UnitPrice]*`qty`*(1-[Discount])/100)*100) "
            L"FROM `orders_t`,`order_details`,[Products] "
            L"WHERE (((`orders_t`.`order_date`) Between #1/1/95# And #12/31/95#))");
}

TEST(udb_names_map, replacements_are_not_replaced_again) {
  udb_names_map m;
  m.add_tn_mapping(L"a", L"b");
  m.add_tn_mapping(L"b", L"c");
  m.add_tn_mapping(L"Orders", L"Orders_old");
  m.add_fn_map(L"t", {{L"c", L"d"}});
  EXPECT_EQ(m.do_global_replace1(L"select a, b, Orders", L"`", L"`"), L"select `b`, `c`, `Orders_old`");
}

TEST(udb_names_map, framing_is_not_doubled) {
  udb_names_map m;
  udb_names_map::name_map names{{L"x", L"`done`"}, {L"y", L"[half"}};
  EXPECT_EQ(m.do_global_replace2(L"x y", names, L"`", L"`"), L"`done` `[half`");
  EXPECT_EQ(m.do_global_replace2(L"x y [x]", names, L"", L""), L"`done` [half `done`");
}

TEST(udb_names_map, single_map_replace_leaves_other_maps) {
  const udb_names_map m = sample_map();
  EXPECT_EQ(m.do_global_replace2(L"select [Unit Price] from Orders", m.table_map, L"`", L"`"),
            L"select [Unit Price] from `order_items`");
}

TEST(udb_names_map, lookups) {
  const udb_names_map m = sample_map();
  EXPECT_EQ(m.get_tn_mapped_name(L"ORDERS", false), L"order_items");
  EXPECT_EQ(m.get_tn_mapped_name(L"ORDERS", true), L"ORDERS");
  EXPECT_EQ(m.get_tn_mapped_name(L"Orders", true), L"order_items");
  EXPECT_EQ(m.get_fn_mapped_name(L"Order Details", L"unit price", false), L"unit_price");
  EXPECT_EQ(m.get_fn_mapped_name(L"Order Details", L"unit price", true), L"unit price");
  EXPECT_EQ(m.get_fn_mapped_name(L"ORDER DETAILS", L"Unit Price", false), L"Unit Price");
  EXPECT_EQ(m.get_fn_orig_name(L"Order Details", L"unit_price"), L"Unit Price");
  EXPECT_EQ(m.get_fn_orig_name(L"Order Details", L"other"), L"other");
  EXPECT_EQ(m.get_fn_orig_name(L"Nowhere", L"unit_price"), L"unit_price");
}

TEST(udb_names_map, later_table_mapping_wins) {
  udb_names_map m;
  m.add_tn_mapping(L"v", L"v1");
  m.add_tn_mapping(L"v", L"v2");
  EXPECT_EQ(m.get_tn_mapped_name(L"v", true), L"v2");
}

TEST(udb_find_no_case, positions) {
  struct {
    std::wstring text, pattern;
    int start, found;
  } cases[] = {
      {L"Select FROM x", L"from", 0, 7},
      {L"from from", L"FROM", 1, 5},
      {L"abc", L"abcd", 0, -1},
      {L"abc", L"", 2, 2},
      {L"abc", L"c", 3, -1},
      {L"ÄÖü", L"öÜ", 0, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(udb_find_no_case(c.text, c.pattern, c.start), c.found) << c.start;
}

}  // namespace
