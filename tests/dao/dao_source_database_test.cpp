// An open Access database: the tables it offers, the views and relationships it reads by open
// mode, recordsets over tables and SQL texts, and password-protected files.
#include <gtest/gtest.h>

#include <algorithm>

#include "UDB/udb_recordset.h"
#include "dao/dao_bstr.h"
#include "dao/dao_exception.h"
#include "dao/dao_relationship_rows.h"
#include "tests/dao/dao_source_util.h"
#include "tests/support/test_mdbtools.h"

using dao_source_test::open_testdata;
using dao_source_test::utf8;

namespace {

// The user tables mdb-tables lists, in its order.
std::vector<std::wstring> mdb_tables(const std::string& path) {
  std::vector<std::wstring> names;
  for (const std::string& name : test_env::mdb_tables(path)) names.push_back(tk_utf8_to_unicode(name));
  return names;
}

std::vector<std::wstring> sorted(std::vector<std::wstring> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// The names of TableDefs with any of these attribute bits, straight from DAO.
std::vector<std::wstring> tables_with(dao_database& db, DAODatabase* dao, LONG bits) {
  (void)db;
  std::vector<std::wstring> names;
  ole_com_ptr<DAOTableDefs> defs;
  EXPECT_EQ(dao->get_TableDefs(defs.out()), S_OK);
  short n = 0;
  defs->get_Count(&n);
  for (short i = 0; i < n; ++i) {
    ole_variant at(static_cast<unsigned short>(i));
    ole_com_ptr<_DAOTableDef> def;
    defs->get_Item(at.get_variant(), def.out());
    LONG a = 0;
    def->get_Attributes(&a);
    dao_bstr name;
    def->get_Name(name.out());
    if (a & bits) names.push_back(name.text());
  }
  return names;
}

TEST(dao_database, tables_are_the_user_tables) {
  for (const char* file : {"access/real/nwind.mdb", "access/jet3/testV1997.mdb", "access/jet4/indexTestV2000.mdb",
                           "access/ace/testV2010.accdb", "access/ace/linkeeTest.accdb", "access/jet4/adox_jet4.mdb"}) {
    SCOPED_TRACE(file);
    auto o = open_testdata(file);
    EXPECT_EQ(sorted(o.db->table_names), sorted(mdb_tables(test_env::testdata_path(file))));
  }
}

TEST(dao_database, linked_and_system_tables_are_left_out) {
  const char* file = "access/ace/linkerTestV2007.accdb";
  auto o = open_testdata(file);
  std::wstring path = tk_utf8_to_unicode(test_env::testdata_path(file));
  ole_com_ptr<DAODatabase> raw;
  {
    // A second look at the same file straight through DAO, to see what was left out.
    ole_variant no(false), yes(true), connect{std::wstring()};
    ASSERT_EQ(o.engine->get_db_engine()->OpenDatabase(dao_bstr(path), no.get_variant(), yes.get_variant(),
                                                      connect.get_variant(), raw.out()),
              S_OK);
  }
  std::vector<std::wstring> linked = tables_with(*o.db, raw.get(), dbAttachedTable | dbAttachedODBC);
  std::vector<std::wstring> system = tables_with(*o.db, raw.get(), dbSystemObject);
  ASSERT_FALSE(linked.empty());
  ASSERT_FALSE(system.empty());
  for (const auto& names : {linked, system})
    for (const auto& t : names) {
      EXPECT_EQ(std::count(o.db->table_names.begin(), o.db->table_names.end(), t), 0) << utf8(t);
      // Only listed tables are asked for: anything else is the caller's fault.
      EXPECT_THROW(o.db->get_table(t, 1), tk_mail_assertion) << utf8(t);
    }
  EXPECT_EQ(o.db->table_names, std::vector<std::wstring>{L"Table1"});
}

TEST(dao_database, open_mode_chooses_views_and_relationships) {
  const struct {
    std::uint32_t mode;
    bool views;
    bool relationships;
  } cases[] = {
      {0x01, true, true}, {0x81, false, true}, {0x21, true, false}, {0x41, true, false}, {0xE1, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    auto o = open_testdata("access/real/nwind.mdb", c.mode);
    EXPECT_EQ(o.db->mode, c.mode);
    EXPECT_EQ(o.db->views.empty(), !c.views);
    EXPECT_EQ(o.db->relationships.empty(), !c.relationships);
  }
}

TEST(dao_database, nwind_views_are_its_saved_queries) {
  auto o = open_testdata("access/real/nwind.mdb");
  std::vector<std::wstring> names;
  for (const auto& v : o.db->views) names.push_back(v.first);
  const std::vector<std::wstring> expected = {L"Alphabetical List of Products",
                                              L"Catalog",
                                              L"Category Sales for 1995",
                                              L"Current Product List",
                                              L"Customers and Suppliers by City",
                                              L"Employee Sales by Country",
                                              L"Invoices",
                                              L"Invoices Filter",
                                              L"Order Details Extended",
                                              L"Order Subtotals",
                                              L"Orders Qry",
                                              L"Product Sales for 1995",
                                              L"Products Above Average Price",
                                              L"Products by Category",
                                              L"Quarterly Orders",
                                              L"Quarterly Orders by Product",
                                              L"Sales by Category",
                                              L"Sales by Year",
                                              L"Sales Totals by Amount",
                                              L"Summary of Sales by Quarter",
                                              L"Summary of Sales by Year",
                                              L"Ten Most Expensive Products"};
  EXPECT_EQ(sorted(names), sorted(expected));
  // Whatever text the engine gives, no Access-only operator is left in it.
  for (const auto& v : o.db->views) EXPECT_EQ(v.second.find(L"<>"), std::wstring::npos) << utf8(v.first);
}

struct expected_fk {
  const wchar_t* name;
  const wchar_t* table;
  const wchar_t* column;
  const wchar_t* ref_table;
  const wchar_t* ref_column;
  const wchar_t* clauses;
};

void expect_relationships(const char* file, const std::vector<expected_fk>& expected) {
  SCOPED_TRACE(file);
  auto o = open_testdata(file);
  ASSERT_EQ(o.db->relationships.size(), expected.size());
  for (const auto& e : expected) {
    auto r = std::find_if(o.db->relationships.begin(), o.db->relationships.end(),
                          [&](const udb_relationship& x) { return x.name == e.name; });
    ASSERT_NE(r, o.db->relationships.end()) << utf8(e.name);
    EXPECT_EQ(r->table, e.table);
    EXPECT_EQ(r->ref_table, e.ref_table);
    EXPECT_EQ(r->fields, std::vector<std::wstring>{e.column});
    EXPECT_EQ(r->ref_fields, std::vector<std::wstring>{e.ref_column});
    EXPECT_EQ(r->properties, e.clauses);
  }
}

TEST(dao_database, relationships_become_foreign_keys) {
  expect_relationships(
      "access/real/nwind.mdb",
      {
          {L"FK_Categories_Products", L"Products", L"CategoryID", L"Categories", L"CategoryID", L""},
          {L"FK_Customers_Orders", L"Orders", L"CustomerID", L"Customers", L"CustomerID", L" ON UPDATE CASCADE"},
          {L"FK_Employees_Orders", L"Orders", L"EmployeeID", L"Employees", L"EmployeeID", L""},
          {L"FK_Orders_Order Details", L"Order Details", L"OrderID", L"Orders", L"OrderID", L" ON DELETE CASCADE"},
          {L"FK_Products_Order Details", L"Order Details", L"ProductID", L"Products", L"ProductID", L""},
          {L"FK_Shippers_Orders", L"Orders", L"ShipVia", L"Shippers", L"ShipperID", L""},
          {L"FK_Suppliers_Products", L"Products", L"SupplierID", L"Suppliers", L"SupplierID", L""},
      });
  // Access's navigation-pane relationships are its own and are dropped.
  expect_relationships("access/jet4/indexTestV2000.mdb",
                       {
                           {L"FK_Table2_Table1", L"Table1", L"otherfk1", L"Table2", L"id", L" ON DELETE CASCADE"},
                           {L"FK_Table3_Table1", L"Table1", L"otherfk2", L"Table3", L"id", L" ON UPDATE CASCADE"},
                       });
  expect_relationships("access/ace/complexDataTestV2007.accdb", {});
  // A relationship to a linked table is read like any other (unenforced: no clauses).
  expect_relationships("access/ace/linkerTestV2007.accdb",
                       {{L"FK_Table1_Table2", L"Table2", L"Field1", L"Table1", L"Field1", L""}});
}

TEST(dao_relationship_rows, rows_of_one_name_make_one_multi_column_key) {
  const dao_relationship_row rows[] = {
      {L"R1", L"a", L"T1", L"T2", L"b", 0x1100},
      {L"r1", L"c", L"T1", L"T2", L"d", 0},  // same relationship in another case
      {L"R2", L"e", L"T3", L"T4", L"f", 0x2},
      {L"R3", L"g", L"msysnavpanegroups", L"T4", L"h", 0},
      {L"R4", L"i", L"T1", L"T2", L"j", 0x1000},
  };
  udb_relationships out;
  dao_relationship_rows groups;
  for (const auto& r : rows) groups.add(r, out);
  groups.finish(out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].name, L"FK_T2_T1");
  EXPECT_EQ(out[0].fields, (std::vector<std::wstring>{L"a", L"c"}));
  EXPECT_EQ(out[0].ref_fields, (std::vector<std::wstring>{L"b", L"d"}));
  EXPECT_EQ(out[0].properties, L" ON DELETE CASCADE ON UPDATE CASCADE");
  EXPECT_EQ(out[1].name, L"FK_T4_T3");
  EXPECT_EQ(out[1].table, L"T3");
  EXPECT_EQ(out[1].ref_table, L"T4");
  EXPECT_EQ(out[1].properties, L"");
  // A second key between the same tables gets a name of its own.
  EXPECT_EQ(out[2].name, L"FK_T2_T1_");
  EXPECT_EQ(out[2].properties, L" ON DELETE CASCADE");
  // No rows, no keys.
  udb_relationships none;
  dao_relationship_rows().finish(none);
  EXPECT_TRUE(none.empty());
}

TEST(dao_database, queries_over_sql_texts) {
  auto o = open_testdata("access/real/nwind.mdb");
  EXPECT_TRUE(o.db->test_query(L"SELECT * FROM [Shippers]"));
  EXPECT_FALSE(o.db->test_query(L"SELECT * FROM [No Such Table]"));
  EXPECT_FALSE(o.db->test_query(L"SELEKT nonsense FROM"));
  EXPECT_EQ(o.db->get_query_count(L"SELECT * FROM [Order Details]"), 2155u);
  std::unique_ptr<udb_recordset> rs = o.db->get_query(L"shippers", L"SELECT * FROM [Shippers]", 1);
  ASSERT_NE(rs, nullptr);
  EXPECT_TRUE(rs->is_query());
  EXPECT_EQ(rs->row_count, 3u);
  ASSERT_EQ(rs->schema.fields.size(), 3u);
  EXPECT_EQ(rs->schema.fields[0]->name, L"ShipperID");
  EXPECT_EQ(rs->schema.fields[0]->vartype, VT_I4);
  EXPECT_EQ(rs->schema.fields[1]->vartype, VT_BSTR);
  EXPECT_TRUE(rs->indexes.empty());
  int rows = 0;
  for (rs->reset(); !rs->is_eof(); rs->next()) ++rows;
  EXPECT_EQ(rows, 3);
  EXPECT_THROW(o.db->get_query(L"bad", L"SELECT * FROM [No Such Table]", 1), dao_exception);
}

// Saved queries read as the source reads them: their SQL text from the query definitions, then
// opened and counted through it, with the result columns typed as the query computes them.
TEST(dao_database, saved_queries_open_through_their_text) {
  auto o = open_testdata("access/real/nwind.mdb");
  std::wstring sql;
  for (const auto& [name, text] : o.db->views)
    if (name == L"Ten Most Expensive Products") sql = text;
  ASSERT_FALSE(sql.empty());
  EXPECT_TRUE(o.db->test_query(sql));
  EXPECT_FALSE(o.db->test_query(L"SELECT * FROM [Sales by Year]"));  // asks for parameters
  EXPECT_EQ(o.db->get_query_count(L"SELECT * FROM [Current Product List]"), 69u);
  std::unique_ptr<udb_recordset> rs = o.db->get_query(L"top ten", sql, 1);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->row_count, 10u);
  ASSERT_EQ(rs->schema.fields.size(), 2u);
  EXPECT_EQ(rs->schema.fields[0]->name, L"TenMostExpensiveProducts");
  EXPECT_EQ(rs->schema.fields[0]->vartype, VT_BSTR);
  EXPECT_EQ(rs->schema.fields[1]->vartype, VT_CY);
  int rows = 0;
  for (rs->reset(); !rs->is_eof(); rs->next()) ++rows;
  EXPECT_EQ(rows, 10);
}

TEST(dao_database, password_protected_files) {
  auto o = open_testdata("access/encrypted/db2007-enc.accdb", dao_open_read_only, L"Test123");
  EXPECT_EQ(o.db->table_names, std::vector<std::wstring>{L"Table1"});
  try {
    open_testdata("access/encrypted/db2007-enc.accdb");
    ADD_FAILURE() << "no exception";
  } catch (const dao_exception& e) {
    EXPECT_EQ(e.code(), 0x10000u | 3031u);  // not a valid password
  }
}

}  // namespace
