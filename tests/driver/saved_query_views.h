// Northwind's saved select queries without parameters, which a conversion with views makes into
// views, and the rows each gives when the Jet SQL engine runs it: what the views must answer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_sql_reader.h"
#include "platform/jet/sql/jet_sql_engine.h"

namespace run_test {

inline const std::vector<std::string> nwind_query_views = {
    "Alphabetical List of Products",
    "Catalog",
    "Category Sales for 1995",
    "Current Product List",
    "Customers and Suppliers by City",
    "Invoices",
    "Order Details Extended",
    "Order Subtotals",
    "Orders Qry",
    "Product Sales for 1995",
    "Products Above Average Price",
    "Products by Category",
    "Quarterly Orders",
    "Sales by Category",
    "Sales Totals by Amount",
    "Summary of Sales by Quarter",
    "Summary of Sales by Year",
    "Ten Most Expensive Products",
};

// The rows of each named saved query as the Jet SQL engine runs it over the file.
inline std::vector<std::size_t> jet_query_rows(const std::string& path, const std::vector<std::string>& queries) {
  std::vector<std::size_t> out;
  std::unique_ptr<jet::jet_file> file;
  if (jet::jet_file::open(path, L"", file) != jet::jet_status::ok) {
    ADD_FAILURE() << "cannot open " << path;
    return out;
  }
  jet_reader_catalog catalog(*file);
  jet_sql_engine engine(catalog);
  for (const std::string& name : queries) {
    jet_sql_error error;
    auto result = engine.open(L"SELECT * FROM [" + std::wstring(name.begin(), name.end()) + L"]", error);
    std::size_t n = 0;
    std::vector<jet_sql_value> row;
    while (result && result->next(row, error)) ++n;
    EXPECT_EQ(error.number, 0) << name;
    out.push_back(n);
  }
  return out;
}

}  // namespace run_test
