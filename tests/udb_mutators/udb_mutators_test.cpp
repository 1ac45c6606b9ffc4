// The user's column and table changes applied to a schema and its records: rename, drop, retype,
// binary columns kept byte for byte, the database mutator's lookups.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_field_mutator.h"
#include "TK/tk_exception.h"
#include "UDB/udb_db_mutator.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"

namespace {

const std::vector<BYTE> blob_bytes = {0x00, 0x41, 0x00, 0xFF, 0x0D, 0x0A, 0x00};

std::vector<BYTE> bytes_of(const ole_variant& v) {
  if (v.get_type() != (VT_ARRAY | VT_UI1)) return {};
  const BYTE* data = nullptr;
  std::string storage;
  const std::uint32_t n = v.get_bytes1(data, storage);
  return std::vector<BYTE>(data, data + n);
}

sql_native_type native(const std::wstring& type, std::uint64_t length = 0, int precision = 0, int scale = 0,
                       const std::wstring& default_value = L"") {
  sql_native_type n;
  n.type = type;
  n.length = length;
  n.precision = precision;
  n.scale = scale;
  n.default_value = default_value;
  return n;
}

// A source table of four columns and one row of it.
struct source_table {
  t_ftd id{4, L"ID", VT_I4, true, true, ole_variant(), 0, L""};
  t_ftd name{50, L"Name", VT_BSTR, false, false, ole_variant(), 0, L""};
  t_ftd photo{0, L"Photo", VT_ARRAY | VT_UI1, false, false, ole_variant(), 0, L""};
  t_ftd price{8, L"Price", VT_BSTR, false, false, ole_variant(), 0, L""};
  udb_schema schema{false};
  udb_record record;

  source_table() {
    schema.fields = {&id, &name, &photo, &price};
    record.append(std::make_unique<udb_field>(L"ID", 4, ole_variant(7), true, true));
    record.append(std::make_unique<udb_field>(L"Name", 50, ole_variant(std::wstring(L"Zoë")), false, false));
    record.append(std::make_unique<udb_field>(L"Photo", 7, ole_variant(blob_bytes), false, false));
    record.append(std::make_unique<udb_field>(L"Price", 8, ole_variant(std::wstring(L"12")), false, false));
  }
};

std::vector<std::wstring> names(const udb_schema& s) {
  std::vector<std::wstring> out;
  for (const t_ftd* d : s.fields) out.push_back(d->name);
  return out;
}

std::vector<std::wstring> names(const udb_record& r) {
  std::vector<std::wstring> out;
  for (const auto& f : r.fields) out.push_back(f->name);
  return out;
}

class Mutators : public ::testing::Test {
 protected:
  sql_engine engine_;  // the type texts read the server version
  source_table table_;
  sql_table_mutator mutator_{L"products"};
};

TEST_F(Mutators, WithoutColumnChangesOnlyTheNameChanges) {
  EXPECT_EQ(mutator_.modify1(table_.schema), L"products");
  EXPECT_EQ(table_.schema.fields[0], &table_.id);
  EXPECT_EQ(&mutator_.modify2(table_.record), &table_.record);
}

TEST_F(Mutators, RenameDropAndRetype) {
  mutator_.update_field(L"ID", L"product_id", native(L"BIGINT", 8));
  mutator_.update_field(L"Name", L"", native(L"VARCHAR", 80));
  mutator_.update_field(L"Price", L"price", native(L"DECIMAL", 0, 10, 2));
  mutator_.update_field(L"Photo", L"photo", native(L"LONGBLOB"))->action = udb_drop_column;

  EXPECT_EQ(mutator_.modify1(table_.schema), L"products");
  // An empty new name keeps the source name, in the schema and in every record alike.
  EXPECT_EQ(names(table_.schema), (std::vector<std::wstring>{L"product_id", L"Name", L"price"}));
  const t_ftd& id = *table_.schema.fields[0];
  EXPECT_EQ(id.vartype, VT_I8);
  EXPECT_EQ(id.native_type, L"BIGINT");
  const t_ftd& name = *table_.schema.fields[1];
  EXPECT_EQ(name.native_type, L"VARCHAR(80)");
  EXPECT_EQ(name.size, 80u);
  const t_ftd& price = *table_.schema.fields[2];
  EXPECT_EQ(price.vartype, VT_DECIMAL);
  EXPECT_EQ(price.native_type, L"DECIMAL(10,2)");
  EXPECT_EQ(price.precision, 10u);
  EXPECT_EQ(price.scale, 2u);
  // The source's descriptors are left as they were.
  EXPECT_EQ(table_.id.name, L"ID");

  udb_record& row = mutator_.modify2(table_.record);
  EXPECT_EQ(names(row), (std::vector<std::wstring>{L"product_id", L"Name", L"price"}));
  EXPECT_EQ(row.fields[0]->get_type(), VT_I8);
  EXPECT_EQ(row.fields[0]->to_wstring(), L"7");
  EXPECT_EQ(row.fields[1]->to_wstring(), L"Zoë");
  EXPECT_EQ(row.fields[2]->get_type(), VT_DECIMAL);
  EXPECT_EQ(row.fields[2]->to_wstring(), L"12");
  // The source record is untouched.
  EXPECT_EQ(table_.record.fields.size(), 4u);
  EXPECT_EQ(table_.record.fields[0]->name, L"ID");
}

TEST_F(Mutators, BinaryColumnKeepsEveryByte) {
  // Renamed only, retyped to another BLOB, or even mapped to a text type: bytes stay bytes.
  for (const wchar_t* type : {L"LONGBLOB", L"MEDIUMBLOB", L"VARBINARY", L"TEXT"}) {
    source_table table;
    sql_table_mutator mutator(L"products");
    mutator.update_field(L"Photo", L"picture", native(type, 255));
    mutator.modify1(table.schema);
    udb_record& row = mutator.modify2(table.record);
    const udb_field* photo = row.get_field(L"picture");
    ASSERT_NE(photo, nullptr) << type;
    EXPECT_EQ(bytes_of(*photo), blob_bytes) << type;
  }
}

TEST_F(Mutators, SchemaCanBeMutatedAgain) {
  mutator_.update_field(L"Name", L"title", native(L"VARCHAR", 80));
  mutator_.modify1(table_.schema);
  // The schema now refers to the mutator's own copies; mutating it again must not read them
  // after they are gone.
  mutator_.modify1(table_.schema);
  EXPECT_EQ(names(table_.schema), (std::vector<std::wstring>{L"ID", L"title", L"Photo", L"Price"}));
}

TEST_F(Mutators, NullStaysNull) {
  udb_record record;
  record.append(std::make_unique<udb_field>(L"ID", 4, ole_variant(), false, false));
  mutator_.update_field(L"ID", L"id", native(L"INT", 4));
  udb_record& row = mutator_.modify2(record);
  EXPECT_EQ(row.fields[0]->get_type(), VT_EMPTY);
}

TEST_F(Mutators, RefusedConversionIsReported) {
  udb_record record;
  record.append(std::make_unique<udb_field>(L"When", 8, ole_variant(std::wstring(L"not a date")), false, false));
  mutator_.update_field(L"When", L"when", native(L"DATE", 8));
  try {
    mutator_.modify2(record);
    FAIL() << "a text that is no date became a date";
  } catch (const tk_exception& e) {
    EXPECT_STREQ(e.what(), "Data conversion is not supported for given type mapping");
    EXPECT_EQ(e.kind(), 0u);
  }
}

TEST_F(Mutators, DescriptorKeepsWhatTheMappingLeavesOpen) {
  t_ftd d(8, L"Amount", VT_DECIMAL, false, false, ole_variant(), 0, L"");
  d.precision = 18;
  d.scale = 4;
  sql_field_mutator m(L"amount", native(L"DOUBLE", 8), 0, udb_apply_all);
  m.modify1(d);  // vartype VT_NULL: the type stays; precision and scale 0: they stay
  EXPECT_EQ(d.vartype, VT_DECIMAL);
  EXPECT_EQ(d.precision, 18u);
  EXPECT_EQ(d.scale, 4u);
  EXPECT_EQ(d.native_type, L"DOUBLE");
  EXPECT_EQ(d.default_value.to_wstring(), L"");
}

TEST_F(Mutators, PropertiesOfAColumn) {
  sql_field_mutator* m = mutator_.update_field(L"Name", L"title", native(L"VARCHAR", 50));
  const udb_properties::property_map& p = m->get_properties();
  EXPECT_EQ(p.at(L"type"), L"VARCHAR");
  EXPECT_EQ(p.at(L"length"), L"50");
  EXPECT_EQ(p.at(L"new_name"), L"title");
  EXPECT_EQ(mutator_.get_by_source_name(L"Name"), m);
  EXPECT_EQ(mutator_.get_by_target_name(L"title"), m);
  EXPECT_EQ(mutator_.get_by_source_name(L"name"), nullptr);  // keys compare exactly
}

TEST(DbMutator, LookupsByTableName) {
  udb_db_mutator<sql_table_mutator> db;
  sql_table_mutator* t = db.get_table_mutator2(L"Orders", L"orders");
  EXPECT_EQ(db.get_table_mutator2(L"Orders", L"orders_2019"), t);
  EXPECT_EQ(t->new_name, L"orders_2019");
  EXPECT_EQ(db.get_table_mutator3(L"Orders"), t);
  EXPECT_EQ(db.get_table_mutator3(L"Customers"), nullptr);
  EXPECT_EQ(db.get_by_target_name(L"orders"), t);  // registered under its first name
  EXPECT_EQ(db.get_by_target_name(L"orders_2019"), nullptr);
}

}  // namespace
