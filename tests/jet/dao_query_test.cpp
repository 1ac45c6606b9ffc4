// Saved queries through the DAO interfaces: their text as Access shows it, their rows and
// result columns run by the Jet SQL engine, and DAO's errors for what cannot run.
#include <gtest/gtest.h>

#include "tests/jet/dao_test_util.h"
#include "tests/jet_sql/nwind_query_texts.h"
#include "tests/support/test_env.h"

using namespace dao_test;

namespace {

struct nwind_queries : ::testing::Test {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  void SetUp() override { ASSERT_EQ(open(test_env::testdata_path("access/real/nwind.mdb"), L"", engine, db), S_OK); }
  void saved(const std::wstring& name, ptr<_DAOQueryDef>& out) {
    ptr<DAOQueryDefs> defs;
    ASSERT_EQ(db->get_QueryDefs(defs.out()), S_OK);
    ASSERT_EQ(item(defs.p, name, out.out()), S_OK) << utf8(name);
  }
  // A temporary definition over `sql`, as the Access source makes one.
  HRESULT temporary(const std::wstring& sql, ptr<_DAOQueryDef>& out) {
    VARIANT n = name(L""), text = name(sql);
    HRESULT hr = db->CreateQueryDef(n, text, out.out());
    VariantClear(&n);
    VariantClear(&text);
    return hr;
  }
};

VARIANT missing() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  return v;
}

HRESULT open_rows(_DAOQueryDef* q, ptr<DAORecordset>& out) {
  return q->OpenRecordset(missing(), missing(), missing(), out.out());
}

long count_rows(DAORecordset* rs) {
  long n = 0;
  VARIANT_BOOL eof = VARIANT_FALSE;
  for (rs->get_EOF(&eof); !eof; rs->get_EOF(&eof)) {
    ++n;
    if (FAILED(rs->MoveNext())) return -1;
  }
  return n;
}

void field_value(DAORecordset* rs, long column, var& out) {
  ptr<DAOFields> fields;
  ASSERT_EQ(rs->get_Fields(fields.out()), S_OK);
  ptr<_DAOField> f;
  ASSERT_EQ(fields->get_Item(index(column), f.out()), S_OK);
  ASSERT_EQ(f->get_Value(&out.v), S_OK);
}

TEST_F(nwind_queries, sql_is_the_text_access_shows) {
  for (const auto& c : nwind_query_texts) {
    ptr<_DAOQueryDef> q;
    saved(c.name, q);
    BSTR sql = nullptr;
    ASSERT_EQ(q->get_SQL(&sql), S_OK);
    EXPECT_EQ(take(sql), c.sql) << utf8(c.name);
  }
  // Every saved query has a text, a temporary one keeps the text it was given.
  ptr<DAOQueryDefs> defs;
  ASSERT_EQ(db->get_QueryDefs(defs.out()), S_OK);
  short n = 0;
  defs->get_Count(&n);
  for (short i = 0; i < n; ++i) {
    ptr<_DAOQueryDef> q;
    ASSERT_EQ(defs->get_Item(index(i), q.out()), S_OK);
    BSTR sql = nullptr;
    ASSERT_EQ(q->get_SQL(&sql), S_OK);
    EXPECT_TRUE(take(sql).ends_with(L";\r\n"));
  }
  ptr<_DAOQueryDef> t;
  ASSERT_EQ(temporary(L"SELECT 1", t), S_OK);
  BSTR sql = nullptr;
  ASSERT_EQ(t->get_SQL(&sql), S_OK);
  EXPECT_EQ(take(sql), L"SELECT 1");
}

TEST_F(nwind_queries, saved_select_query_gives_its_rows_and_columns) {
  ptr<_DAOQueryDef> q;
  saved(L"Ten Most Expensive Products", q);
  ptr<DAOFields> fields;
  ASSERT_EQ(q->get_Fields(fields.out()), S_OK);
  struct {
    const wchar_t* name;
    short type;
    long size;
  } columns[] = {{L"TenMostExpensiveProducts", dbText, 255}, {L"UnitPrice", dbCurrency, 8}};
  short count = 0;
  fields->get_Count(&count);
  ASSERT_EQ(count, 2);
  for (short i = 0; i < count; ++i) {
    ptr<_DAOField> f;
    ASSERT_EQ(fields->get_Item(index(i), f.out()), S_OK);
    BSTR n = nullptr;
    short type = 0;
    LONG size = 0;
    f->get_Name(&n);
    f->get_Type(&type);
    f->get_Size(&size);
    EXPECT_EQ(take(n), columns[i].name);
    EXPECT_EQ(type, columns[i].type);
    EXPECT_EQ(size, columns[i].size);
  }
  ptr<DAORecordset> rs;
  ASSERT_EQ(open_rows(q.p, rs), S_OK);
  LONG records = 0;
  ASSERT_EQ(rs->get_RecordCount(&records), S_OK);
  EXPECT_EQ(records, 10);
  var name, price;
  field_value(rs.p, 0, name);
  field_value(rs.p, 1, price);
  ASSERT_EQ(name.v.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(name.v.bstrVal), L"Côte de Blaye");
  ASSERT_EQ(price.v.vt, VT_CY);
  EXPECT_EQ(price.v.cyVal.int64, 2635000);
  EXPECT_EQ(count_rows(rs.p), 10);

  ptr<_DAOQueryDef> current;
  saved(L"Current Product List", current);
  ptr<DAORecordset> products;
  ASSERT_EQ(open_rows(current.p, products), S_OK);
  EXPECT_EQ(count_rows(products.p), 69);  // 77 products, 8 discontinued
}

// General Jet SQL runs through temporary definitions; the forms served from the row cursor
// and the rest agree on the rows they give.
TEST_F(nwind_queries, temporary_definitions_run_jet_sql) {
  struct {
    const wchar_t* sql;
    long count;  // of the first column's value in the only row
  } cases[] = {
      {L"select count(*) from (SELECT * FROM [Order Details])", 2155},
      {L"SELECT Count(*) FROM [Order Details] WHERE Quantity > 0", 2155},
      {L"SELECT Count(*) FROM Products WHERE Discontinued", 8},
      {L"select count(*) from (SELECT * FROM [Current Product List])", 69},
      {L"SELECT Count(*) FROM Customers WHERE Country Like \"G*\"", 11},
  };
  for (const auto& c : cases) {
    ptr<_DAOQueryDef> q;
    ASSERT_EQ(temporary(c.sql, q), S_OK);
    ptr<DAORecordset> rs;
    ASSERT_EQ(open_rows(q.p, rs), S_OK) << utf8(c.sql);
    var v;
    field_value(rs.p, 0, v);
    ASSERT_EQ(VariantChangeType(&v.v, &v.v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.v.lVal, c.count) << utf8(c.sql);
  }
}

TEST_F(nwind_queries, what_cannot_run_fails_with_daos_error) {
  struct {
    const wchar_t* sql;
    long number;
  } cases[] = {
      {L"SELECT * FROM [Sales by Year]", 3061},             // a saved query's parameters
      {L"SELECT [Forms]![Main]![Id] FROM Products", 3061},  // a form reference
      {L"SELECT NoSuchFunction(ProductID) FROM Products", 3085},
      {L"SELECT * FROM [No Such Table]", 3078},
      {L"DELETE FROM Products", 3219},  // nothing is written
  };
  for (const auto& c : cases) {
    ptr<_DAOQueryDef> q;
    ASSERT_EQ(temporary(c.sql, q), S_OK);
    ptr<DAORecordset> rs;
    EXPECT_TRUE(FAILED(open_rows(q.p, rs))) << utf8(c.sql);
    std::wstring text;
    EXPECT_EQ(last_error(engine.p, &text), c.number) << utf8(c.sql);
    EXPECT_FALSE(text.empty());
  }
  // A syntax error is one of DAO's syntax errors, never a crash or a success.
  ptr<_DAOQueryDef> q;
  ASSERT_EQ(temporary(L"SELECT FROM WHERE", q), S_OK);
  ptr<DAORecordset> rs;
  EXPECT_TRUE(FAILED(open_rows(q.p, rs)));
  long number = last_error(engine.p);
  EXPECT_TRUE(number >= 3075 && number <= 3142) << number;
}

TEST(dao_decimal, columns_carry_precision_and_scale) {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(test_env::testdata_path("access/jet4/fixedNumericTestV2000.mdb"), L"", engine, db), S_OK);
  ptr<DAOTableDefs> defs;
  ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
  ptr<_DAOTableDef> t;
  ASSERT_EQ(item(defs.p, L"test", t.out()), S_OK);
  ptr<DAOFields> fields;
  ASSERT_EQ(t->get_Fields(fields.out()), S_OK);
  ptr<_DAOField> f;
  ASSERT_EQ(item(fields.p, L"col2", f.out()), S_OK);
  ptr<DAOProperties> props;
  ASSERT_EQ(f->get_Properties(props.out()), S_OK);
  struct {
    const wchar_t* name;
    long value;
  } cases[] = {{L"Precision", 18}, {L"Scale", 0}};
  for (const auto& c : cases) {
    ptr<DAOProperty> p;
    ASSERT_EQ(item(props.p, c.name, p.out()), S_OK) << utf8(c.name);
    var v;
    ASSERT_EQ(p->get_Value(&v.v), S_OK);
    ASSERT_EQ(VariantChangeType(&v.v, &v.v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.v.lVal, c.value) << utf8(c.name);
  }
}

}  // namespace
