// The recordset base: index merging and key choice, key records, key conditions, row retyping.
#include "UDB/udb_recordset.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "udb_test_doubles.h"

namespace {

udb_index idx(const std::wstring& name, char kind, std::vector<std::wstring> fields = {}) {
  // kind: p primary, u unique, c unique constraint, i plain
  udb_index i(name, kind != 'i', kind == 'p');
  i.unique_constraint = kind == 'c';
  i.fields = std::move(fields);
  return i;
}

char kind_of(const udb_index& i) { return i.primary ? 'p' : i.unique_constraint ? 'c' : i.unique ? 'u' : 'i'; }

TEST(udb_indexes, merging_by_name) {
  struct {
    const char* what;
    std::vector<udb_index> added;
    std::string kinds;         // kind of each index in the list afterwards
    std::wstring first_field;  // the columns of the first index show which definition won
  } cases[] = {
      {"new names append", {idx(L"a", 'i', {L"x"}), idx(L"b", 'u')}, "iu", L"x"},
      {"primary upgrades a plain index in place",
       {idx(L"a", 'i', {L"x"}), idx(L"b", 'i'), idx(L"A", 'p', {L"y"})},
       "pi",
       L"y"},
      {"plain does not replace primary", {idx(L"a", 'p', {L"x"}), idx(L"a", 'i', {L"y"})}, "p", L"x"},
      {"constraint replaces plain", {idx(L"a", 'i', {L"x"}), idx(L"a", 'c', {L"y"})}, "c", L"y"},
      {"constraint replaces unique", {idx(L"a", 'u', {L"x"}), idx(L"a", 'c', {L"y"})}, "c", L"y"},
      {"unique does not replace constraint", {idx(L"a", 'c', {L"x"}), idx(L"a", 'u', {L"y"})}, "c", L"x"},
      {"unique replaces plain", {idx(L"a", 'i', {L"x"}), idx(L"a", 'u', {L"y"})}, "u", L"y"},
      {"unique keeps unique", {idx(L"a", 'u', {L"x"}), idx(L"a", 'u', {L"y"})}, "u", L"x"},
      {"plain keeps plain", {idx(L"a", 'i', {L"x"}), idx(L"a", 'i', {L"y"})}, "i", L"x"},
  };
  for (const auto& c : cases) {
    udb_indexes list;
    for (const auto& i : c.added) list.push_back(i);
    std::string kinds;
    for (const auto& i : list) kinds += kind_of(i);
    EXPECT_EQ(kinds, c.kinds) << c.what;
    EXPECT_EQ(list[0].fields.empty() ? L"" : list[0].fields[0], c.first_field) << c.what;
  }
}

TEST(udb_recordset, key_choice) {
  struct {
    std::vector<udb_index> added;
    int key;
  } cases[] = {
      {{idx(L"U1", 'u'), idx(L"P", 'p'), idx(L"U2", 'u')}, 1},
      {{idx(L"P", 'p'), idx(L"U1", 'u')}, 0},
      {{idx(L"I1", 'i'), idx(L"I2", 'i')}, -1},
      {{idx(L"I1", 'i'), idx(L"U1", 'u')}, 1},
      {{idx(L"P", 'p'), idx(L"p", 'u')}, 0},  // a known name is ignored
  };
  for (const auto& c : cases) {
    test_recordset rs(L"t");
    for (const auto& i : c.added) rs.add_index(i);
    EXPECT_EQ(rs.key_index, c.key);
  }
}

TEST(udb_index, leading_columns) {
  const udb_index i = idx(L"i", 'i', {L"A", L"B", L"D"});
  EXPECT_TRUE(i.starts_with_fields({L"a", L"b"}));
  EXPECT_FALSE(i.starts_with_fields({L"b"}));
  EXPECT_TRUE(i.starts_with_fields({}));
  EXPECT_FALSE(i.starts_with_fields({L"a", L"b", L"d", L"e"}));

  udb_indexes list;
  list.push_back(idx(L"plain", 'i', {L"a", L"b"}));
  list.push_back(idx(L"uniq", 'u', {L"a"}));
  EXPECT_TRUE(list.has_index_on_fields({L"a"}, false));
  EXPECT_FALSE(list.has_index_on_fields({L"a"}, true));  // only the first match counts
  EXPECT_FALSE(list.has_index_on_fields({L"c"}, false));
}

std::unique_ptr<udb_field> field(const std::wstring& name, const ole_variant& v) {
  return std::make_unique<udb_field>(name, 0, v, false, false);
}

TEST(udb_recordset, key_records) {
  test_recordset rs(L"t");
  udb_record row;
  row.append(field(L"B", ole_variant(2)));
  row.append(field(L"x", ole_variant(std::wstring(L"other"))));
  row.append(field(L"A", ole_variant(std::wstring(L"O'Brien"))));
  EXPECT_THROW(rs.get_key(row), tk_exception);  // no key yet

  rs.add_index(idx(L"pk", 'p', {L"a", L"b"}));
  auto key = rs.get_key(row);
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->fields.size(), 2u);
  EXPECT_EQ(key->fields[0]->name, L"A");
  EXPECT_EQ(key->fields[0]->to_wstring(), L"O'Brien");
  EXPECT_EQ(key->fields[1]->name, L"B");

  udb_record partial;
  partial.append(field(L"a", ole_variant(1)));
  EXPECT_EQ(rs.get_key(partial), nullptr);
}

TEST(udb_recordset, no_key_message) {
  test_recordset rs(L"t");
  rs.add_index(idx(L"plain", 'i', {L"a"}));
  udb_record row;
  try {
    rs.get_key(row);
    FAIL();
  } catch (const tk_exception& e) {
    EXPECT_STREQ(e.what(), "There's no primary/unique key");
  }
}

class filter_test : public ::testing::Test {
 protected:
  filter_test() : rs(L"t") { rs.schema.fields = {&id, &name, &price, &bits, &odd}; }
  t_ftd id{4, L"id", VT_I4, true, false, ole_variant(), 0, L""};
  t_ftd name{50, L"Name", VT_BSTR, false, false, ole_variant(), 0, L""};
  t_ftd price{8, L"price", VT_R8, false, false, ole_variant(), 0, L""};
  t_ftd bits{16, L"bits", VT_ARRAY | VT_UI1, false, false, ole_variant(), 0, L""};
  t_ftd odd{50, L"we`ird", VT_BSTR, false, false, ole_variant(), 0, L""};
  test_recordset rs;
};

TEST_F(filter_test, conditions) {
  struct {
    std::wstring key;
    std::wstring condition;
  } cases[] = {
      {L"", L""},
      {L"<id>5</id><name>a&amp;b</name>", L"`id`=5 and `Name`='a&b' "},
      {L"<NAME>x&lt;y&gt;z</NAME>", L"`Name`='x<y>z' "},
      {L"<name>O'Brien</name>", L"`Name`='O''Brien' "},
      {L"<name>' OR '1'='1</name>", L"`Name`=''' OR ''1''=''1' "},
      {L"<name>back\\</name>", L"`Name`='back\\\\' "},
      {L"<price>-1.5e+10</price>", L"`price`=-1.5e+10"},
      {L"<bits>0x00FF</bits>", L"`bits`=0x00FF"},
      {L"<we`ird>v</we`ird>", L"`we``ird`='v' "},
      {L"junk<id>7</id>junk", L"`id`=7"},
  };
  for (const auto& c : cases) EXPECT_EQ(rs.get_filter_subquery(c.key), c.condition) << c.key.c_str();
}

TEST_F(filter_test, refusals) {
  for (const std::wstring key : {L"<missing>1</missing>", L"<id>1; DROP TABLE t</id>", L"<id></id>",
                                 L"<price>1e</price>", L"<bits>0xZZ</bits>", L"<id>5 </id>"}) {
    try {
      rs.get_filter_subquery(key);
      ADD_FAILURE() << "accepted";
    } catch (const tk_exception& e) {
      EXPECT_STREQ(e.what(), "The structure of data source does not conform to the destination table.");
      EXPECT_EQ(e.kind(), 0u);
    }
  }
}

TEST(udb_recordset, convert_record) {
  test_database db;
  db.names_map.add_fn_map(L"t", {{L"Source Amount", L"amount"}});
  test_recordset rs(&db, L"t", false);
  t_ftd amount(8, L"amount", VT_R8, true, false, ole_variant(), 0, L"");
  t_ftd text(50, L"text", VT_BSTR, false, false, ole_variant(), 0, L"");
  rs.schema.fields = {&amount, &text};

  udb_record row;
  row.append(field(L"Source Amount", ole_variant(std::wstring(L"12.5"))));
  row.append(field(L"TEXT", ole_variant(7)));
  rs.convert_record(row);
  EXPECT_EQ(row.fields[0]->get_type(), VT_R8);
  EXPECT_EQ(row.fields[0]->get_variant().dblVal, 12.5);
  EXPECT_EQ(row.fields[0]->name, L"Source Amount");  // names stay
  EXPECT_EQ(row.fields[1]->get_type(), VT_BSTR);
  EXPECT_EQ(row.fields[1]->to_wstring(), L"7");

  udb_record stray;
  stray.append(field(L"text", ole_variant(8)));
  stray.append(field(L"nowhere", ole_variant(1)));
  stray.append(field(L"Source Amount", ole_variant(std::wstring(L"3"))));
  try {
    rs.convert_record(stray);
    FAIL();
  } catch (const tk_exception& e) {
    EXPECT_STREQ(e.what(), "The structure of data source does not conform to the destination table.");
    EXPECT_EQ(e.kind(), 1u);
  }
  EXPECT_EQ(stray.fields[0]->get_type(), VT_BSTR);  // converted before the stray column
  EXPECT_EQ(stray.fields[2]->get_type(), VT_BSTR);  // never reached
}

TEST(udb_recordset, convert_record_without_database_uses_field_names) {
  test_recordset rs(L"t");
  t_ftd amount(8, L"amount", VT_R8, true, false, ole_variant(), 0, L"");
  rs.schema.fields = {&amount};
  udb_record row;
  row.append(field(L"AMOUNT", ole_variant(std::wstring(L"x1"))));
  EXPECT_THROW(rs.convert_record(row), tk_exception);  // the value's own cast failure passes through
}

}  // namespace
