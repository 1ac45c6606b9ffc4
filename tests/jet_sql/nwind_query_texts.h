// The texts Access shows for Northwind's saved queries: the expected QueryDef.SQL of the query
// text tests and of the DAO tests that read them through the engine.
#pragma once

struct query_case {
  const wchar_t* name;
  const wchar_t* sql;
};

// Northwind's queries: aliases, nested joins, RIGHT JOIN, TOP with DISTINCTROW, UNION with
// ORDER BY, a crosstab, parameters and form references, a subquery.
inline constexpr query_case nwind_query_texts[] = {
    {L"Current Product List",
     L"SELECT [Product List].ProductID, [Product List].ProductName\r\n"
     L"FROM Products AS [Product List]\r\n"
     L"WHERE ((([Product List].Discontinued)=No))\r\n"
     L"ORDER BY [Product List].ProductName;\r\n"},
    {L"Ten Most Expensive Products",
     L"SELECT DISTINCTROW TOP 10 Products.ProductName AS TenMostExpensiveProducts, Products.UnitPrice\r\n"
     L"FROM Products\r\n"
     L"ORDER BY Products.UnitPrice DESC;\r\n"},
    {L"Customers and Suppliers by City",
     L"SELECT City, CompanyName, ContactName, \"Customers\" AS [Relationship] \r\n"
     L"FROM Customers\r\n"
     L"UNION SELECT City, CompanyName, ContactName, \"Suppliers\"\r\n"
     L"FROM Suppliers\r\n"
     L"ORDER BY City, CompanyName;\r\n"},
    {L"Quarterly Orders by Product",
     L"TRANSFORM Sum(CCur([Order Details].[UnitPrice]*[Quantity]*(1-[Discount])/100)*100) AS ProductAmount\r\n"
     L"SELECT DISTINCTROW Products.ProductName, Orders.CustomerID, Year([OrderDate]) AS OrderYear\r\n"
     L"FROM Products INNER JOIN (Orders INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID) "
     L"ON Products.ProductID = [Order Details].ProductID\r\n"
     L"WHERE (((Orders.OrderDate) Between #1/1/95# And #12/31/95#))\r\n"
     L"GROUP BY Products.ProductName, Orders.CustomerID, Year([OrderDate])\r\n"
     L"PIVOT \"Qtr \" & DatePart(\"q\",[OrderDate],1,0) In (\"Qtr 1\",\"Qtr 2\",\"Qtr 3\",\"Qtr 4\");\r\n"},
    {L"Invoices",
     L"SELECT DISTINCTROW Orders.ShipName, Orders.ShipAddress, Orders.ShipCity, Orders.ShipRegion, "
     L"Orders.ShipPostalCode, Orders.ShipCountry, Orders.CustomerID, Customers.CompanyName, Customers.Address, "
     L"Customers.City, Customers.Region, Customers.PostalCode, Customers.Country, [FirstName] & \" \" & "
     L"[LastName] AS Salesperson, Orders.OrderID, Orders.OrderDate, Orders.RequiredDate, Orders.ShippedDate, "
     L"Shippers.CompanyName, [Order Details].ProductID, Products.ProductName, [Order Details].UnitPrice, "
     L"[Order Details].Quantity, [Order Details].Discount, "
     L"CCur([Order Details].[UnitPrice]*[Quantity]*(1-[Discount])/100)*100 AS ExtendedPrice, Orders.Freight\r\n"
     L"FROM Shippers INNER JOIN (Products INNER JOIN ((Employees INNER JOIN (Customers INNER JOIN Orders ON "
     L"Customers.CustomerID = Orders.CustomerID) ON Employees.EmployeeID = Orders.EmployeeID) INNER JOIN "
     L"[Order Details] ON Orders.OrderID = [Order Details].OrderID) ON Products.ProductID = [Order "
     L"Details].ProductID) ON Shippers.ShipperID = Orders.ShipVia;\r\n"},
    {L"Quarterly Orders",
     L"SELECT DISTINCTROW Customers.CustomerID, Customers.CompanyName, Customers.City, Customers.Country\r\n"
     L"FROM Customers RIGHT JOIN Orders ON Customers.CustomerID = Orders.CustomerID\r\n"
     L"WHERE (((Orders.OrderDate) Between #1/1/95# And #12/31/95#));\r\n"},
    {L"Sales by Year",
     L"PARAMETERS [Forms]![Sales by Year Dialog]![BeginningDate] DateTime, [Forms]![Sales by Year "
     L"Dialog]![EndingDate] DateTime;\r\n"
     L"SELECT DISTINCTROW Orders.ShippedDate, Orders.OrderID, [Order Subtotals].Subtotal, "
     L"Format([ShippedDate],\"yyyy\") AS Year\r\n"
     L"FROM Orders INNER JOIN [Order Subtotals] ON Orders.OrderID = [Order Subtotals].OrderID\r\n"
     L"WHERE (((Orders.ShippedDate) Is Not Null And (Orders.ShippedDate) Between [Forms]![Sales by Year "
     L"Dialog]![BeginningDate] And [Forms]![Sales by Year Dialog]![EndingDate]));\r\n"},
    {L"Products Above Average Price",
     L"SELECT DISTINCTROW Products.ProductName, Products.UnitPrice\r\n"
     L"FROM Products\r\n"
     L"WHERE (((Products.UnitPrice)>(SELECT AVG([UnitPrice]) From Products)))\r\n"
     L"ORDER BY Products.UnitPrice DESC;\r\n"},
    {L"Category Sales for 1995",
     L"SELECT DISTINCTROW [Product Sales for 1995].CategoryName, Sum([Product Sales for 1995].ProductSales) AS "
     L"CategorySales\r\n"
     L"FROM [Product Sales for 1995]\r\n"
     L"GROUP BY [Product Sales for 1995].CategoryName;\r\n"},
};
