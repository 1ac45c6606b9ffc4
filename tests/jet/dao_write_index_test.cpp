// The index members of the DAO stand-in on a database it creates: an index appended to a table
// that already holds rows (descending, through TableDefs.Item), read back through the
// collections and from the written file; a unique index over repeated values refused with DAO's
// error, leaving the table's indexes as they were.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/jet/dao.h"
#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "platform/oleaut/objbase.h"
#include "platform/oleaut/oleauto.h"
#include "tests/jet/dao_test_util.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/support/test_env.h"

using dao_test::ptr;
using dao_test::var;

namespace {

VARIANT long_value(long n) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

// A new field of `table_def` (type and size as DAO takes them), appended to its Fields.
void add_field(_DAOTableDef* table_def, const std::wstring& name, long type, long size) {
  var n, t, s;
  n.v = dao_test::name(name);
  t.v = long_value(type);
  s.v = long_value(size);
  ptr<_DAOField> field;
  ASSERT_EQ(table_def->CreateField(n.v, t.v, s.v, field.out()), S_OK);
  ptr<DAOFields> fields;
  ASSERT_EQ(table_def->get_Fields(fields.out()), S_OK);
  ASSERT_EQ(fields->Append(field.p), S_OK);
}

// An index of `table_def` on one column, not yet appended.
void make_index(_DAOTableDef* table_def, const std::wstring& name, const std::wstring& column, bool descending,
                bool unique, ptr<_DAOIndex>& index) {
  var n;
  n.v = dao_test::name(name);
  ASSERT_EQ(table_def->CreateIndex(n.v, index.out()), S_OK);
  var column_name, type, size;
  column_name.v = dao_test::name(column);
  ptr<_DAOField> field;
  ASSERT_EQ(index->CreateField(column_name.v, type.v, size.v, field.out()), S_OK);
  if (descending) {
    ASSERT_EQ(field->put_Attributes(dbDescending), S_OK);
  }
  var holder;
  ASSERT_EQ(index->get_Fields(&holder.v), S_OK);
  ASSERT_EQ(holder.v.vt, VT_DISPATCH);
  ptr<DAOIndexFields> fields;
  ASSERT_EQ(holder.v.pdispVal->QueryInterface(IID_DAOIndexFields, reinterpret_cast<void**>(fields.out())), S_OK);
  ASSERT_EQ(fields->Append(field.p), S_OK);
  ASSERT_EQ(index->put_Unique(unique ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
}

void table_def_named(DAODatabase* db, const std::wstring& name, ptr<_DAOTableDef>& out) {
  ptr<DAOTableDefs> defs;
  ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
  ASSERT_EQ(dao_test::item(defs.p, name, out.out()), S_OK);
}

}  // namespace

TEST(dao_write_indexes, index_on_a_filled_table_through_the_collections) {
  const std::string path = test_env::make_temp_dir() + "/indexed.mdb";
  ptr<_DAODBEngine> engine;
  dao_register_engine();
  CoInitialize(nullptr);
  ASSERT_EQ(CoCreateInstance(CLSID_DAODBEngine120, nullptr, CLSCTX_ALL, IID__DAODBEngine,
                             reinterpret_cast<void**>(engine.out())),
            S_OK);
  {
    ptr<DAODatabase> db;
    BSTR target = SysAllocString(jet_from_utf8(path).c_str());
    BSTR locale = SysAllocString(L";LANGID=0x0409;CP=1252;COUNTRY=0");
    var option;
    option.v = long_value(0);
    ASSERT_EQ(engine->CreateDatabase(target, locale, option.v, db.out()), S_OK);
    SysFreeString(target);
    SysFreeString(locale);

    ptr<_DAOTableDef> made;
    var table_name, none;
    table_name.v = dao_test::name(L"People");
    ASSERT_EQ(db->CreateTableDef(table_name.v, none.v, none.v, none.v, made.out()), S_OK);
    add_field(made.p, L"Id", dbLong, 4);
    add_field(made.p, L"Name", dbText, 20);
    {
      ptr<DAOTableDefs> defs;
      ASSERT_EQ(db->get_TableDefs(defs.out()), S_OK);
      ASSERT_EQ(defs->Append(made.p), S_OK);
    }
    ptr<DAORecordset> rows;
    BSTR people_name = SysAllocString(L"People");
    ASSERT_EQ(db->OpenRecordset(people_name, none.v, none.v, none.v, rows.out()), S_OK);
    SysFreeString(people_name);
    for (long i = 0; i < 300; ++i) {
      ASSERT_EQ(rows->AddNew(), S_OK);
      var id_key, id, name_key, name;
      id_key.v = dao_test::name(L"Id");
      id.v = long_value(i);
      name_key.v = dao_test::name(L"Name");
      name.v = dao_test::name(L"Person " + std::to_wstring(i % 50));
      ASSERT_EQ(rows->put_Collect(id_key.v, id.v), S_OK);
      ASSERT_EQ(rows->put_Collect(name_key.v, name.v), S_OK);
      ASSERT_EQ(rows->Update(0, VARIANT_FALSE), S_OK);
    }

    // The table as TableDefs hands it out again takes an index over its 300 rows.
    ptr<_DAOTableDef> people;
    table_def_named(db.p, L"People", people);
    ptr<_DAOIndex> by_name;
    make_index(people.p, L"ByName", L"Name", true, false, by_name);
    ptr<DAOIndexes> indexes;
    ASSERT_EQ(people->get_Indexes(indexes.out()), S_OK);
    ASSERT_EQ(indexes->Append(by_name.p), S_OK);

    // A unique one over the repeated names is refused and not kept.
    ptr<_DAOIndex> unique_name;
    make_index(people.p, L"UniqueName", L"Name", false, true, unique_name);
    EXPECT_NE(indexes->Append(unique_name.p), S_OK);
    std::wstring text;
    EXPECT_EQ(dao_test::last_error(engine.p, &text), 3022);

    ptr<_DAOTableDef> again;
    table_def_named(db.p, L"People", again);
    ptr<DAOIndexes> listed;
    ASSERT_EQ(again->get_Indexes(listed.out()), S_OK);
    short count = 0;
    ASSERT_EQ(listed->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    ptr<_DAOIndex> first;
    ASSERT_EQ(listed->get_Item(dao_test::index(0), first.out()), S_OK);
    BSTR first_name = nullptr;
    ASSERT_EQ(first->get_Name(&first_name), S_OK);
    EXPECT_EQ(dao_test::take(first_name), L"ByName");
    var holder;
    ASSERT_EQ(first->get_Fields(&holder.v), S_OK);
    ptr<DAOIndexFields> fields;
    ASSERT_EQ(holder.v.pdispVal->QueryInterface(IID_DAOIndexFields, reinterpret_cast<void**>(fields.out())), S_OK);
    var field_holder;
    ASSERT_EQ(fields->get_Item(dao_test::index(0), &field_holder.v), S_OK);
    ptr<_DAOField> field;
    ASSERT_EQ(field_holder.v.pdispVal->QueryInterface(IID__DAOField, reinterpret_cast<void**>(field.out())), S_OK);
    LONG attributes = 0;
    ASSERT_EQ(field->get_Attributes(&attributes), S_OK);
    EXPECT_EQ(attributes & dbDescending, dbDescending);
    ASSERT_EQ(db->Close(), S_OK);
  }

  std::unique_ptr<jet::jet_file> file;
  ASSERT_EQ(jet::jet_file::open(path, L"", file), jet::jet_status::ok);
  jet::jet_catalog catalog;
  ASSERT_TRUE(jet::jet_read_catalog(*file, catalog));
  std::vector<jet::jet_index_def> defs;
  ASSERT_TRUE(file->read_indexes(catalog.find_table(L"People")->page(), defs));
  ASSERT_EQ(defs.size(), 1u);
  EXPECT_EQ(defs[0].name, L"ByName");
  ASSERT_EQ(defs[0].columns.size(), 1u);
  EXPECT_TRUE(defs[0].columns[0].descending);
  for (const auto& r : jet_test::check_file_indexes(path, true)) {
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.keys_checked, r.entries);
    if (r.table == L"People") {
      EXPECT_EQ(r.entries, 300u);
    }
  }
}
