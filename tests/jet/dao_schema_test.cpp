// Table definitions, fields, indexes, relations and errors through the DAO interfaces.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "platform/jet/jet_rc4.h"
#include "tests/jet/dao_test_util.h"
#include "tests/support/test_env.h"

using namespace dao_test;

namespace {

struct nwind : ::testing::Test {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  void SetUp() override { ASSERT_EQ(open(test_env::testdata_path("access/real/nwind.mdb"), L"", engine, db), S_OK); }
  void table(const std::wstring& name, ptr<_DAOTableDef>& out) {
    ptr<DAOTableDefs> defs;
    ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
    ASSERT_EQ(item(defs.p, name, out.out()), S_OK);
  }
};

TEST_F(nwind, relations_carry_tables_columns_and_cascade_flags) {
  struct {
    const wchar_t* name;
    const wchar_t* table;
    const wchar_t* foreign_table;
    LONG attributes;
    const wchar_t* field;
    const wchar_t* foreign_name;
  } expected[] = {
      {L"CategoriesProducts", L"Categories", L"Products", 0, L"CategoryID", L"CategoryID"},
      {L"CustomersOrders", L"Customers", L"Orders", dbRelationUpdateCascade, L"CustomerID", L"CustomerID"},
      {L"EmployeesOrders", L"Employees", L"Orders", 0, L"EmployeeID", L"EmployeeID"},
      {L"OrdersOrder Details", L"Orders", L"Order Details", dbRelationDeleteCascade, L"OrderID", L"OrderID"},
      {L"ProductsOrder Details", L"Products", L"Order Details", 0, L"ProductID", L"ProductID"},
      {L"ShippersOrders", L"Shippers", L"Orders", 0, L"ShipperID", L"ShipVia"},
      {L"SuppliersProducts", L"Suppliers", L"Products", 0, L"SupplierID", L"SupplierID"},
  };
  ptr<DAORelations> rels;
  ASSERT_EQ(db->get_Relations(rels.out()), S_OK);
  short count = 0;
  rels->get_Count(&count);
  ASSERT_EQ(count, 7);
  for (const auto& e : expected) {
    SCOPED_TRACE(utf8(e.name));
    ptr<_DAORelation> r;
    ASSERT_EQ(item(rels.p, e.name, r.out()), S_OK);
    BSTR b = nullptr;
    r->get_Table(&b);
    EXPECT_EQ(take(b), e.table);
    r->get_ForeignTable(&b);
    EXPECT_EQ(take(b), e.foreign_table);
    LONG a = -1;
    r->get_Attributes(&a);
    EXPECT_EQ(a, e.attributes);
    ptr<DAOFields> fields;
    ASSERT_EQ(r->get_Fields(fields.out()), S_OK);
    ptr<_DAOField> f;
    ASSERT_EQ(fields->get_Item(index(0), f.out()), S_OK);
    f->get_Name(&b);
    EXPECT_EQ(take(b), e.field);
    f->get_ForeignName(&b);
    EXPECT_EQ(take(b), e.foreign_name);
  }
}

TEST_F(nwind, fields_describe_types_sizes_defaults_and_flags) {
  struct {
    const wchar_t* name;
    short type;
    LONG size;
    bool required;
    bool auto_increment;
    const wchar_t* default_value;
  } expected[] = {
      {L"ProductID", dbLong, 4, false, true, L""},         {L"ProductName", dbText, 40, true, false, L""},
      {L"QuantityPerUnit", dbText, 20, false, false, L""}, {L"UnitPrice", dbCurrency, 8, false, false, L"0"},
      {L"UnitsInStock", dbInteger, 2, false, false, L"0"}, {L"Discontinued", dbBoolean, 1, false, false, L"=No"},
  };
  // A hyperlink column carries its own attribute.
  {
    ptr<_DAOTableDef> sup;
    table(L"Suppliers", sup);
    ptr<DAOFields> sf;
    ASSERT_EQ(sup->get_Fields(sf.out()), S_OK);
    ptr<_DAOField> home;
    ASSERT_EQ(item(sf.p, L"HomePage", home.out()), S_OK);
    LONG a = 0;
    home->get_Attributes(&a);
    EXPECT_TRUE(a & dbHyperlinkField);
  }
  ptr<_DAOTableDef> def;
  table(L"Products", def);
  ptr<DAOFields> fields;
  ASSERT_EQ(def->get_Fields(fields.out()), S_OK);
  for (const auto& e : expected) {
    SCOPED_TRACE(utf8(e.name));
    ptr<_DAOField> f;
    ASSERT_EQ(item(fields.p, e.name, f.out()), S_OK);
    short type = 0;
    f->get_Type(&type);
    EXPECT_EQ(type, e.type);
    LONG size = 0;
    f->get_Size(&size);
    EXPECT_EQ(size, e.size);
    VARIANT_BOOL required = 0;
    f->get_Required(&required);
    EXPECT_EQ(required != 0, e.required);
    LONG attributes = 0;
    f->get_Attributes(&attributes);
    EXPECT_EQ((attributes & dbAutoIncrField) != 0, e.auto_increment);
    var dv;
    ASSERT_EQ(f->get_DefaultValue(&dv.v), S_OK);
    EXPECT_EQ(export_text(dv.v), utf8(e.default_value));
  }
}

TEST_F(nwind, field_properties_description_and_format) {
  ptr<_DAOTableDef> def;
  table(L"Products", def);
  ptr<DAOFields> fields;
  ASSERT_EQ(def->get_Fields(fields.out()), S_OK);
  struct {
    const wchar_t* field;
    const wchar_t* property;
    long error;  // 0: present
  } cases[] = {
      {L"ProductID", L"Description", 0},
      {L"UnitPrice", L"Format", 0},
      {L"Discontinued", L"Format", 0},
      {L"ProductName", L"Format", 3270},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(std::wstring(c.field) + L"." + c.property));
    ptr<_DAOField> f;
    ASSERT_EQ(item(fields.p, c.field, f.out()), S_OK);
    ptr<DAOProperties> props;
    ASSERT_EQ(f->get_Properties(props.out()), S_OK);
    ptr<DAOProperty> p;
    HRESULT hr = item(props.p, c.property, p.out());
    if (c.error) {
      EXPECT_EQ(hr, dao_hresult(static_cast<unsigned>(c.error)));
      EXPECT_EQ(last_error(engine.p), c.error);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    var v;
    ASSERT_EQ(p->get_Value(&v.v), S_OK);
    EXPECT_EQ(v.v.vt, VT_BSTR);
    EXPECT_GT(SysStringLen(v.v.bstrVal), 0u);
  }
}

// A Decimal column tells its precision and scale (mdb-schema: Numeric (18, 0)); other columns
// have neither.
TEST(dao_fields, decimal_columns_carry_precision_and_scale) {
  for (const char* file : {"access/jet4/fixedNumericTestV2000.mdb", "access/ace/fixedNumericTestV2010.accdb"}) {
    SCOPED_TRACE(file);
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    ASSERT_EQ(open(test_env::testdata_path(file), L"", engine, db), S_OK);
    ptr<DAOTableDefs> tables;
    ASSERT_EQ(db->get_TableDefs(tables.out()), S_OK);
    ptr<_DAOTableDef> def;
    ASSERT_EQ(item(tables.p, L"test", def.out()), S_OK);
    ptr<DAOFields> fields;
    ASSERT_EQ(def->get_Fields(fields.out()), S_OK);
    struct {
      const wchar_t* field;
      const wchar_t* property;
      const char* value;  // null: absent
    } cases[] = {
        {L"col2", L"Precision", "18"},
        {L"col2", L"Scale", "0"},
        {L"col1", L"Precision", nullptr},
    };
    for (const auto& c : cases) {
      ptr<_DAOField> f;
      ASSERT_EQ(item(fields.p, c.field, f.out()), S_OK);
      ptr<DAOProperties> props;
      ASSERT_EQ(f->get_Properties(props.out()), S_OK);
      ptr<DAOProperty> p;
      const HRESULT hr = item(props.p, c.property, p.out());
      if (!c.value) {
        EXPECT_EQ(hr, dao_hresult(3270u));
        continue;
      }
      ASSERT_EQ(hr, S_OK);
      var v;
      ASSERT_EQ(p->get_Value(&v.v), S_OK);
      EXPECT_EQ(export_text(v.v), c.value) << utf8(std::wstring(c.field) + L"." + c.property);
    }
  }
}

TEST_F(nwind, indexes_name_primary_unique_foreign_and_columns) {
  ptr<_DAOTableDef> def;
  table(L"Order Details", def);
  ptr<DAOIndexes> indexes;
  ASSERT_EQ(def->get_Indexes(indexes.out()), S_OK);
  short count = 0;
  indexes->get_Count(&count);
  bool saw_primary = false, saw_foreign = false;
  for (short i = 0; i < count; ++i) {
    ptr<_DAOIndex> idx;
    ASSERT_EQ(indexes->get_Item(index(i), idx.out()), S_OK);
    VARIANT_BOOL primary = 0, unique = 0, foreign = 0;
    idx->get_Primary(&primary);
    idx->get_Unique(&unique);
    idx->get_Foreign(&foreign);
    var fv;
    ASSERT_EQ(idx->get_Fields(&fv.v), S_OK);
    ASSERT_EQ(fv.v.vt, VT_DISPATCH);
    ptr<DAOIndexFields> fields;
    ASSERT_EQ(fv.v.pdispVal->QueryInterface(IID_DAOIndexFields, reinterpret_cast<void**>(fields.out())), S_OK);
    short nf = 0;
    fields->get_Count(&nf);
    std::vector<std::wstring> names;
    for (short j = 0; j < nf; ++j) {
      var item;
      ASSERT_EQ(fields->get_Item(index(j), &item.v), S_OK);
      ptr<_DAOField> f;
      ASSERT_EQ(item.v.pdispVal->QueryInterface(IID__DAOField, reinterpret_cast<void**>(f.out())), S_OK);
      BSTR b = nullptr;
      f->get_Name(&b);
      names.push_back(take(b));
    }
    if (primary) {
      saw_primary = true;
      EXPECT_TRUE(unique);
      EXPECT_EQ(names, (std::vector<std::wstring>{L"OrderID", L"ProductID"}));
    }
    if (foreign) saw_foreign = true;
  }
  EXPECT_TRUE(saw_primary);
  EXPECT_TRUE(saw_foreign);
}

TEST(dao_open, failures_answer_dao_errors) {
  std::string dir = test_env::make_temp_dir();
  struct {
    std::string path;
    long error;
  } cases[] = {
      {dir + "/missing.mdb", 3024},
      {test_env::testdata_path("README.md"), 3343},
      {test_env::testdata_path("access/encrypted/db2007-enc.accdb"), 3031},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    EXPECT_EQ(open(c.path, L"", engine, db), dao_hresult(static_cast<unsigned>(c.error)));
    std::wstring text;
    EXPECT_EQ(last_error(engine.p, &text), c.error);
    EXPECT_FALSE(text.empty());
  }
}

// Writes `password` into the masked header of a copy of `source`, as Access stores it.
std::string with_password(const std::string& source, const std::wstring& password, bool jet3) {
  std::ifstream in(source, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::uint8_t* h = reinterpret_cast<std::uint8_t*>(bytes.data());
  std::size_t len = jet3 ? 126 : 128;
  static const std::uint8_t key[] = {0xC7, 0xDA, 0x39, 0x6B};
  jet::jet_rc4(key, 4).apply(h + 0x18, len);
  std::uint8_t* pw = h + 0x42;
  if (jet3) {
    std::memset(pw, 0, 20);
    for (std::size_t i = 0; i < password.size(); ++i) pw[i] = static_cast<std::uint8_t>(password[i]);
  } else {
    double date;
    std::memcpy(&date, h + 0x72, sizeof date);
    auto mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(date));
    std::memset(pw, 0, 40);
    for (std::size_t i = 0; i < password.size(); ++i) {
      pw[2 * i] = static_cast<std::uint8_t>(password[i]);
      pw[2 * i + 1] = static_cast<std::uint8_t>(password[i] >> 8);
    }
    for (std::size_t i = 0; i < 40; ++i) pw[i] ^= static_cast<std::uint8_t>(mask >> (8 * (i % 4)));
  }
  jet::jet_rc4(key, 4).apply(h + 0x18, len);
  std::string out = test_env::make_temp_dir() + (jet3 ? "/pw3.mdb" : "/pw4.mdb");
  std::ofstream(out, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out;
}

TEST(dao_open, database_password_is_checked_for_jet3_and_jet4) {
  struct {
    const char* file;
    bool jet3;
    const wchar_t* connect;
    HRESULT expected;
  } cases[] = {
      {"access/real/nwind.mdb", true, L";pwd=Secret1", S_OK},
      {"access/real/nwind.mdb", true, L";pwd=secret1", dao_hresult(3031)},
      {"access/real/nwind.mdb", true, L"", dao_hresult(3031)},
      {"access/jet4/testV2000.mdb", false, L";PWD=Secret1", S_OK},
      {"access/jet4/testV2000.mdb", false, L";pwd=wrong", dao_hresult(3031)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + utf8(c.connect));
    std::string path = with_password(test_env::testdata_path(c.file), L"Secret1", c.jet3);
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    EXPECT_EQ(open(path, c.connect, engine, db), c.expected);
  }
}

TEST(dao_open, password_in_braces_is_taken_whole) {
  // A password may hold ";" and "}": in braces it is not cut at its first ";".
  struct {
    const wchar_t* connect;
    HRESULT expected;
  } cases[] = {
      {L";pwd={Se;c}}1}", S_OK},           {L";PWD={Se;c}}1};other=x", S_OK},
      {L";pwd=Se;c}1", dao_hresult(3031)}, {L";pwd={Se;c}1}", dao_hresult(3031)},
      {L";pwd={Se", dao_hresult(3031)},
  };
  const std::string path = with_password(test_env::testdata_path("access/jet4/testV2000.mdb"), L"Se;c}1", false);
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.connect));
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    EXPECT_EQ(open(path, c.connect, engine, db), c.expected);
  }
}

TEST_F(nwind, missing_items_answer_3265) {
  ptr<DAOTableDefs> defs;
  ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
  ptr<_DAOTableDef> def;
  EXPECT_EQ(item(defs.p, L"NoSuchTable", def.out()), dao_hresult(3265));
  EXPECT_EQ(defs->get_Item(index(999), def.out()), dao_hresult(3265));
  std::wstring text;
  EXPECT_EQ(last_error(engine.p, &text), 3265);
  EXPECT_EQ(text, L"Item not found in this collection.");
}

TEST_F(nwind, table_attributes_mark_system_objects) {
  struct {
    const wchar_t* name;
    LONG attributes;
  } cases[] = {{L"Orders", 0}, {L"MSysObjects", dbSystemObject}};
  for (const auto& c : cases) {
    ptr<_DAOTableDef> def;
    table(c.name, def);
    LONG a = -1;
    def->get_Attributes(&a);
    EXPECT_EQ(a & (dbSystemObject | dbAttachedTable | dbAttachedODBC), c.attributes) << utf8(c.name);
  }
}

}  // namespace

namespace {

TEST(dao_querydefs, type_comes_from_the_saved_query) {
  struct {
    const wchar_t* name;
    short type;
  } cases[] = {
      {L"SelectQuery", dbQSelect},      {L"CrosstabQuery", dbQCrosstab},
      {L"DeleteQuery", dbQDelete},      {L"UpdateQuery", dbQUpdate},
      {L"AppendQuery", dbQAppend},      {L"MakeTableQuery", dbQMakeTable},
      {L"DataDefinitionQuery", dbQDDL}, {L"PassthroughQuery", dbQSQLPassThrough},
      {L"UnionQuery", dbQSetOperation},
  };
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(test_env::testdata_path("access/ace/queryTestV2007.accdb"), L"", engine, db), S_OK);
  ptr<DAOQueryDefs> queries;
  ASSERT_EQ(db->get_QueryDefs(queries.out()), S_OK);
  short count = 0;
  queries->get_Count(&count);
  EXPECT_EQ(count, 9);
  for (const auto& c : cases) {
    ptr<_DAOQueryDef> q;
    ASSERT_EQ(item(queries.p, c.name, q.out()), S_OK) << utf8(c.name);
    short type = -1;
    q->get_Type(&type);
    EXPECT_EQ(type, c.type) << utf8(c.name);
  }
}

TEST(dao_tabledefs, linked_table_is_marked_and_names_its_source) {
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  ASSERT_EQ(open(test_env::testdata_path("access/ace/linkerTestV2007.accdb"), L"", engine, db), S_OK);
  ptr<DAOTableDefs> defs;
  ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
  ptr<_DAOTableDef> def;
  ASSERT_EQ(item(defs.p, L"Table2", def.out()), S_OK);
  LONG a = 0;
  def->get_Attributes(&a);
  EXPECT_EQ(a & (dbAttachedTable | dbAttachedODBC), dbAttachedTable);
  BSTR b = nullptr;
  def->get_SourceTableName(&b);
  EXPECT_EQ(take(b), L"Table1");
  def->get_Connect(&b);
  EXPECT_EQ(take(b), L";DATABASE=Z:\\jackcess_test\\linkeeTest.accdb");
}

TEST(dao_engine, system_db_accepts_only_workgroup_files) {
  std::string dir = test_env::make_temp_dir();
  // A workgroup information file starts like a Jet database but names itself "Jet System DB".
  std::string wg = dir + "/system.mdw";
  {
    std::ifstream in(test_env::testdata_path("access/jet4/adox_jet4.mdb"), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::memcpy(bytes.data() + 4, "Jet System DB  ", 16);
    std::ofstream(wg, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  struct {
    std::string path;
    HRESULT expected;
  } cases[] = {
      {wg, S_OK},
      {test_env::testdata_path("access/jet4/adox_jet4.mdb"), dao_hresult(3028)},
      {dir + "/missing.mdw", dao_hresult(3028)},
  };
  for (const auto& c : cases) {
    ptr<_DAODBEngine> engine;
    ptr<DAODatabase> db;
    open(test_env::testdata_path("access/jet4/testV2000.mdb"), L"", engine, db);
    std::wstring w(c.path.begin(), c.path.end());
    BSTR b = SysAllocString(w.c_str());
    EXPECT_EQ(engine->put_SystemDB(b), c.expected) << c.path;
    SysFreeString(b);
  }
  // A workgroup file without that account refuses it; the built-in administrator is always known.
  ptr<_DAODBEngine> engine;
  ptr<DAODatabase> db;
  open(test_env::testdata_path("access/jet4/testV2000.mdb"), L"", engine, db);
  std::wstring w(wg.begin(), wg.end());
  BSTR b = SysAllocString(w.c_str());
  ASSERT_EQ(engine->put_SystemDB(b), S_OK);
  SysFreeString(b);
  struct {
    const wchar_t* user;
    HRESULT expected;
  } users[] = {{L"admin", S_OK}, {L"Admin", S_OK}};
  for (const auto& u : users) {
    BSTR name = SysAllocString(L"New Workspace"), user = SysAllocString(u.user), pw = SysAllocString(L"");
    VARIANT type;
    VariantInit(&type);
    ptr<DAOWorkspace> ws;
    EXPECT_EQ(engine->CreateWorkspace(name, user, pw, type, ws.out()), u.expected) << utf8(u.user);
    SysFreeString(name);
    SysFreeString(user);
    SysFreeString(pw);
  }
}

}  // namespace
