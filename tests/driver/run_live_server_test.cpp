// Conversions into the private server: Northwind in every mode, over an empty server, over a
// first run's result and beside a table of the destination's own; the user's "Type Mappings"
// reaching the table definitions, the rows, the foreign keys and the views.
#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "tests/driver/run_fixture.h"
#include "tests/driver/saved_query_views.h"

namespace {

using run_test::RunTest;

class LiveRun : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    nwind_ = test_env::testdata_path("access/real/nwind.mdb");
  }

  // Two select queries of the user's, in Access's SQL, made as views.
  static void add_views(vandry_converter& c) {
    c.selected_views = {
        {L"Order Details Extended",
         L"SELECT [Order Details].OrderID, [Order Details].UnitPrice, [Order Details].Quantity, Products.ProductName "
         L"FROM [Order Details] INNER JOIN Products ON [Order Details].ProductID = Products.ProductID"},
        {L"Expensive Products",
         L"SELECT Products.ProductName, Products.UnitPrice FROM Products WHERE Products.UnitPrice > 50"},
    };
  }

  void convert(const std::string& db, std::uint32_t mode) {
    auto c = server_converter(nwind_, db, mode);
    add_views(*c);
    run(*c);
    EXPECT_EQ(c->tables_total, 0u);
    EXPECT_EQ(c->get_current_table(), L"Umsätze");
  }

  // Rows of each source table against the server's.
  void expect_source_counts(const std::string& db) {
    for (const std::string& table : run_test::mdb_tables(nwind_)) {
      EXPECT_EQ(count(db, table), run_test::mdb_row_count(nwind_, table)) << table;
    }
  }

  // (table, referenced table, delete rule, update rule) of every foreign key.
  std::set<std::vector<std::string>> foreign_keys(const std::string& db) {
    std::set<std::vector<std::string>> out;
    for (auto& row : rows("SELECT TABLE_NAME, REFERENCED_TABLE_NAME, DELETE_RULE, UPDATE_RULE FROM "
                          "information_schema.REFERENTIAL_CONSTRAINTS WHERE CONSTRAINT_SCHEMA = '" +
                          db + "'")) {
      out.insert(row);
    }
    return out;
  }

  std::string nwind_;
};

TEST_F(LiveRun, NorthwindIntoAnEmptyServer) {
  const std::string db = database("m0");
  convert(db, 0);
  EXPECT_EQ(reports(), "");
  expect_source_counts(db);

  // Values as the independent reader gives them.
  const auto customers = run_test::mdb_rows(nwind_, "Customers");
  ASSERT_EQ(customers.size(), 91u);
  for (const auto& source : customers) {
    const auto target = rows(
        "SELECT CompanyName, ContactName, Address, City, Region, PostalCode, Country, Phone, Fax "
        "FROM `" +
        db + "`.Customers WHERE CustomerID = '" + source.at("CustomerID") + "'");
    ASSERT_EQ(target.size(), 1u) << source.at("CustomerID");
    const char* columns[] = {"CompanyName", "ContactName", "Address", "City", "Region",
                             "PostalCode",  "Country",     "Phone",   "Fax"};
    for (std::size_t i = 0; i < std::size(columns); ++i) {
      const std::string value = target[0][i] == "<NULL>" ? "" : target[0][i];
      EXPECT_EQ(value, source.at(columns[i])) << source.at("CustomerID") << " " << columns[i];
    }
  }
  for (const auto& source : run_test::mdb_rows(nwind_, "Orders")) {
    const auto target =
        rows("SELECT OrderDate, Freight, ShipName FROM `" + db + "`.Orders WHERE OrderID = " + source.at("OrderID"));
    ASSERT_EQ(target.size(), 1u) << source.at("OrderID");
    // Northwind's order dates carry no time: the column is a DATE.
    EXPECT_EQ(target[0][0], source.at("OrderDate").substr(0, 10)) << source.at("OrderID");
    EXPECT_DOUBLE_EQ(std::stod(target[0][1]), std::stod(source.at("Freight"))) << source.at("OrderID");
    EXPECT_EQ(target[0][2], source.at("ShipName")) << source.at("OrderID");
  }

  const std::set<std::vector<std::string>> keys = {
      {"Products", "Categories", "RESTRICT", "RESTRICT"},    {"Orders", "Customers", "RESTRICT", "CASCADE"},
      {"Orders", "Employees", "RESTRICT", "RESTRICT"},       {"Order Details", "Orders", "CASCADE", "RESTRICT"},
      {"Order Details", "Products", "RESTRICT", "RESTRICT"}, {"Orders", "Shippers", "RESTRICT", "RESTRICT"},
      {"Products", "Suppliers", "RESTRICT", "RESTRICT"},
  };
  EXPECT_EQ(foreign_keys(db), keys);

  // The select queries became views that answer.
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '" + db + "'"), "2");
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`Order Details Extended`"), "2155");
  std::size_t expensive = 0;
  for (const auto& row : run_test::mdb_rows(nwind_, "Products")) expensive += std::stod(row.at("UnitPrice")) > 50;
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`Expensive Products`"), std::to_string(expensive));
}

// Every saved select query without parameters becomes a view that answers the rows Jet gives;
// parameter, form-bound and crosstab queries are left out without an error.
TEST_F(LiveRun, NorthwindQueriesBecomeViews) {
  const std::string db = database("views");
  auto c = server_converter(nwind_, db, 0);
  run(*c);
  EXPECT_EQ(reports(), "");
  std::vector<std::vector<std::string>> expected;
  for (const std::string& name : run_test::nwind_query_views) expected.push_back({name});
  EXPECT_EQ(rows("SELECT TABLE_NAME FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '" + db + "' ORDER BY 1"),
            expected);
  const auto jet_rows = run_test::jet_query_rows(nwind_, run_test::nwind_query_views);
  for (std::size_t i = 0; i < jet_rows.size(); ++i) {
    EXPECT_EQ(count(db, run_test::nwind_query_views[i]), jet_rows[i]) << run_test::nwind_query_views[i];
  }
  EXPECT_EQ(count(db, "Ten Most Expensive Products"), 10u);
  EXPECT_EQ(value("SELECT Salesperson FROM `" + db + "`.Invoices WHERE OrderID = 10248 LIMIT 1"), "Steven Buchanan");
  EXPECT_EQ(value("SELECT TenMostExpensiveProducts FROM `" + db + "`.`Ten Most Expensive Products` LIMIT 1"),
            "Côte de Blaye");
}

// With some tables chosen, a view over another table is left out without an error, and so is a
// view over it; a view over chosen tables that the server refuses is still reported.
TEST_F(LiveRun, ViewsOverTablesThatWereNotConverted) {
  const std::string db = database("scope");
  auto c = server_converter(nwind_, db, 0);
  c->selected_tables = {L"Products", L"Categories"};
  c->selected_views = {
      {L"Over Orders Extended", L"SELECT * FROM [Orders Extended] WHERE UnitPrice > 10"},
      {L"Orders Extended", L"SELECT Orders.OrderID, Products.UnitPrice FROM Products, Orders"},
      {L"Expensive Products", L"SELECT ProductName FROM Products WHERE UnitPrice > 50"},
      {L"Refused", L"SELECT NoSuchFunction(ProductName) FROM Products"},
  };
  run(*c);
  EXPECT_EQ(value("SELECT GROUP_CONCAT(TABLE_NAME) FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '" + db + "'"),
            "Expensive Products");
  const std::string reported = reports();
  EXPECT_NE(reported.find("Refused"), std::string::npos) << reported;
  EXPECT_EQ(reported.find("Orders"), std::string::npos) << reported;
}

TEST_F(LiveRun, ModesOverAnEarlierResult) {
  const std::string db = database("modes");
  convert(db, 0);
  ASSERT_EQ(reports(), "");
  exec("CREATE TABLE `" + db + "`.own (id INT PRIMARY KEY, note VARCHAR(20))");
  exec("INSERT INTO `" + db + "`.own VALUES (1, 'mine')");
  const std::string shippers = "SELECT ShipperID, CompanyName FROM `" + db + "`.Shippers ORDER BY ShipperID";
  const std::vector<std::vector<std::string>> original = {
      {"1", "Speedy Express"}, {"2", "United Package"}, {"3", "Federal Shipping"}};
  auto change = [&] {
    exec("SET FOREIGN_KEY_CHECKS = 0");
    exec("UPDATE `" + db + "`.Shippers SET CompanyName = 'Changed' WHERE ShipperID = 1");
    exec("DELETE FROM `" + db + "`.Shippers WHERE ShipperID = 3");
    exec("SET FOREIGN_KEY_CHECKS = 1");
  };

  struct Case {
    std::uint32_t mode;
    std::vector<std::vector<std::string>> shippers;  // after the run
  } cases[] = {
      {1, original},                                                                // tables made again
      {2, {{"1", "Changed"}, {"2", "United Package"}}},                             // existing tables left alone
      {3, {{"1", "Changed"}, {"2", "United Package"}, {"3", "Federal Shipping"}}},  // missing rows added
      {4, original},                                                                // existing rows updated
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("mode " + std::to_string(k.mode));
    change();
    front_.reports.clear();
    convert(db, k.mode);
    EXPECT_EQ(reports(), "");
    EXPECT_EQ(rows(shippers), k.shippers);
    EXPECT_EQ(value("SELECT note FROM `" + db + "`.own"), "mine");
    EXPECT_EQ(count(db, "Order Details"), 2155u) << "no cascade removed child rows";
    EXPECT_EQ(count(db, "Orders"), 830u);
    EXPECT_EQ(foreign_keys(db).size(), 7u);
  }
}

TEST_F(LiveRun, SynchronizeUpdatesRowsAsTheUserChangedThem) {
  const std::string db = database("sync");
  auto rename = [](vandry_converter& c) {
    c.selected_tables = {L"Shippers"};
    // Northwind's queries read tables this run does not convert: no views here.
    c.convert_views = false;
    sql_native_type text;
    text.type = L"VARCHAR";
    text.length = 40;
    c.get_table_mutator2(L"Shippers", L"carriers")->update_field(L"CompanyName", L"company", text);
  };
  for (const std::uint32_t mode : {0u, 4u}) {
    if (mode == 4) exec("UPDATE `" + db + "`.carriers SET company = 'Changed', Phone = '0' WHERE ShipperID = 2");
    auto c = server_converter(nwind_, db, mode);
    rename(*c);
    run(*c);
    EXPECT_EQ(reports(), "");
  }
  EXPECT_EQ(rows("SELECT ShipperID, company, Phone FROM `" + db + "`.carriers ORDER BY 1"),
            (std::vector<std::vector<std::string>>{{"1", "Speedy Express", "(503) 555-9831"},
                                                   {"2", "United Package", "(503) 555-3199"},
                                                   {"3", "Federal Shipping", "(503) 555-9931"}}));
}

TEST_F(LiveRun, TypeMappingsReachDefinitionsRowsKeysAndViews) {
  const std::string profile = dir_ + "/job.vdy";
  std::ofstream(profile) << "[Generic settings]\r\nmode=0\r\n\r\n"
                            "[Type Mappings]\r\n"
                            "database:\r\n"
                            "tables:\r\n"
                            "  - name: Order Details\r\n"
                            "    new_name: order_lines\r\n"
                            "    fields:\r\n"
                            "      - name:UnitPrice\r\n"
                            "        new_name: price\r\n"
                            "        status: changed\r\n"
                            "        type: DECIMAL\r\n"
                            "        default_value: \r\n"
                            "        character_set: \r\n"
                            "        length: 0\r\n"
                            "        scale: 2\r\n"
                            "        precision: 10\r\n"
                            "  - name: Customers\r\n"
                            "    new_name: Customers\r\n"
                            "    fields:\r\n"
                            "      - name:PostalCode\r\n"
                            "        new_name: PostalCode\r\n"
                            "        status: deleted\r\n";
  const std::string db = database("map");
  auto c = server_converter(nwind_, db, 0);
  ASSERT_TRUE(c->load_profile(widen(profile)));
  // Products.UnitPrice is not the renamed column: the views that read it must keep it.
  add_views(*c);
  c->selected_views.emplace_back(
      L"Discounted Lines",
      L"SELECT od.OrderID, Products.ProductName, Products.UnitPrice AS ListPrice, od.UnitPrice "
      L"FROM [Order Details] AS od INNER JOIN Products ON od.ProductID = Products.ProductID "
      L"WHERE od.UnitPrice < Products.UnitPrice");
  run(*c);
  EXPECT_EQ(reports(), "");

  const std::string definition = rows("SHOW CREATE TABLE `" + db + "`.order_lines").at(0).at(1);
  EXPECT_NE(definition.find("`price` decimal(10,2)"), std::string::npos) << definition;
  EXPECT_EQ(definition.find("UnitPrice"), std::string::npos) << definition;
  EXPECT_EQ(value("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" + db +
                  "' AND TABLE_NAME = 'Order Details'"),
            "0");
  const std::string customers = rows("SHOW CREATE TABLE `" + db + "`.Customers").at(0).at(1);
  EXPECT_EQ(customers.find("PostalCode"), std::string::npos) << customers;
  EXPECT_NE(customers.find("KEY `City`"), std::string::npos) << customers;

  // Rows: every price as the source has it, to the cent.
  double source_total = 0;
  for (const auto& row : run_test::mdb_rows(nwind_, "Order Details")) {
    source_total += std::round(std::stod(row.at("UnitPrice")) * 100) * std::stod(row.at("Quantity"));
  }
  EXPECT_EQ(count(db, "order_lines"), 2155u);
  EXPECT_DOUBLE_EQ(std::stod(value("SELECT SUM(ROUND(price * 100) * Quantity) FROM `" + db + "`.order_lines")),
                   source_total);
  EXPECT_EQ(count(db, "Customers"), 91u);

  // Foreign keys and views name the renamed table and column.
  auto keys = rows(
      "SELECT REFERENCED_TABLE_NAME, DELETE_RULE FROM information_schema.REFERENTIAL_CONSTRAINTS "
      "WHERE CONSTRAINT_SCHEMA = '" +
      db + "' AND TABLE_NAME = 'order_lines' ORDER BY 1");
  EXPECT_EQ(keys, (std::vector<std::vector<std::string>>{{"Orders", "CASCADE"}, {"Products", "RESTRICT"}}));
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`Order Details Extended`"), "2155");
  EXPECT_NE(value("SELECT VIEW_DEFINITION FROM information_schema.VIEWS WHERE TABLE_SCHEMA = '" + db +
                  "' AND TABLE_NAME = 'Order Details Extended'")
                .find("`price`"),
            std::string::npos);
  std::size_t expensive = 0;
  std::map<std::string, double> list_price;
  for (const auto& row : run_test::mdb_rows(nwind_, "Products")) {
    list_price[row.at("ProductID")] = std::stod(row.at("UnitPrice"));
    if (list_price[row.at("ProductID")] > 50) ++expensive;
  }
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`Expensive Products` WHERE UnitPrice > 50"),
            std::to_string(expensive));
  std::size_t discounted = 0;
  for (const auto& row : run_test::mdb_rows(nwind_, "Order Details")) {
    if (std::stod(row.at("UnitPrice")) < list_price.at(row.at("ProductID"))) ++discounted;
  }
  EXPECT_EQ(value("SELECT COUNT(*) FROM `" + db + "`.`Discounted Lines` WHERE ListPrice > price"),
            std::to_string(discounted));
}

}  // namespace
