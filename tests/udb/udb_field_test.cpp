// Fields, records, column descriptors and schemas: sizes, lookups and who owns what.
#include "UDB/udb_field.h"

#include <gtest/gtest.h>

#include "UDB/udb_schema.h"

namespace {

std::unique_ptr<udb_field> field(const std::wstring& name, std::uint32_t size, const ole_variant& v) {
  return std::make_unique<udb_field>(name, size, v, false, false);
}

TEST(udb_field, sizes) {
  struct {
    const char* what;
    ole_variant value;
    std::uint32_t declared;
    std::uint32_t size;
  } cases[] = {
      {"text counts its characters", ole_variant(std::wstring(L"Größe text")), 255, 10},
      {"bytes count their elements", ole_variant(std::vector<BYTE>(300, 7)), 0, 300},
      {"a number counts its declared size", ole_variant(42), 4, 4},
      {"empty counts its declared size", ole_variant(), 9, 9},
  };
  for (const auto& c : cases)
    EXPECT_EQ(udb_field(L"f", c.declared, c.value, false, false).get_size(), c.size) << c.what;
}

TEST(udb_field, copy_keeps_everything) {
  udb_field a(L"Name", 50, ole_variant(std::wstring(L"O'Brien")), true, true);
  udb_field b(a);
  EXPECT_EQ(b.name, L"Name");
  EXPECT_EQ(b.size, 50u);
  EXPECT_TRUE(b.not_null);
  EXPECT_TRUE(b.auto_increment);
  EXPECT_EQ(b.get_type(), VT_BSTR);
  EXPECT_EQ(b.to_wstring(), L"O'Brien");
}

TEST(udb_record, lookup_ignores_case_and_first_wins) {
  udb_record r;
  r.append(field(L"Id", 4, ole_variant(1)));
  r.append(field(L"ID", 4, ole_variant(2)));
  r.append(field(L"Größe", 4, ole_variant(3)));
  ASSERT_NE(r.get_field(L"id"), nullptr);
  EXPECT_EQ(r.get_field(L"id")->to_wstring(), L"1");
  EXPECT_TRUE(r.find_field(L"GRÖSSE") == false && r.find_field(L"GRÖßE"));
  EXPECT_EQ(r.get_field(L"missing"), nullptr);
  EXPECT_FALSE(r.find_field(L"missing"));
}

TEST(udb_record, total_size) {
  udb_record empty;
  EXPECT_EQ(empty.get_total_size(), 0);
  udb_record only_empty;
  only_empty.append(field(L"a", 10, ole_variant()));
  EXPECT_EQ(only_empty.get_total_size(), 0);
  udb_record mixed;
  mixed.append(field(L"t", 255, ole_variant(std::wstring(10, L'x'))));
  mixed.append(field(L"b", 0, ole_variant(std::vector<BYTE>(300, 1))));
  mixed.append(field(L"n", 4, ole_variant(5)));
  mixed.append(nullptr);
  EXPECT_EQ(mixed.get_total_size(), 314);
}

// Counts destructions, so the test sees the record delete each field exactly once.
struct counted_field : udb_field {
  explicit counted_field(int* deaths) : deaths_(deaths) {}
  ~counted_field() override { ++*deaths_; }
  int* deaths_;
};

TEST(ownership, record_owns_its_fields_schema_does_not_own_descriptors) {
  int deaths = 0;
  {
    udb_record r;
    r.append(std::make_unique<counted_field>(&deaths));
    r.append(std::make_unique<counted_field>(&deaths));
  }
  EXPECT_EQ(deaths, 2);

  t_ftd id(4, L"id", VT_I4, true, true, ole_variant(), 0, L"");
  auto name = std::make_unique<t_ftd>(50, L"name", VT_BSTR, false, false, ole_variant(std::wstring(L"none")), 0,
                                      L"VARCHAR(50)");
  {
    udb_schema s(false);
    s.fields = {&id, name.get()};
    udb_schema copy(s);  // copies share the descriptors
    EXPECT_EQ(copy.get_field1(L"NAME"), name.get());
  }
  // Still alive after both schemas are gone (ASan reports a use after free otherwise).
  EXPECT_EQ(name->default_value.to_wstring(), L"none");
  EXPECT_EQ(id.name, L"id");
}

TEST(udb_schema, lookups) {
  t_ftd id(4, L"ID", VT_I4, true, true, ole_variant(), 0, L"");
  t_ftd id2(8, L"id", VT_R8, false, false, ole_variant(), 0, L"");
  udb_schema s(true);  // the flag does not make column lookups exact
  s.fields = {&id, &id2};
  EXPECT_EQ(s.last_auto_number, 1);
  EXPECT_EQ(s.second_word, 1);
  EXPECT_TRUE(s.find_field(L"Id"));
  EXPECT_EQ(s.get_field1(L"id"), &id);
  EXPECT_EQ(s.get_field2(L"iD"), &id);
  EXPECT_EQ(s.get_field_size(L"id"), 4);
  EXPECT_EQ(s.get_field_type(L"id"), VT_I4);
  EXPECT_FALSE(s.find_field(L"other"));
  EXPECT_EQ(s.get_field1(L"other"), nullptr);
  EXPECT_EQ(s.get_field_size(L"other"), -1);
  EXPECT_EQ(s.get_field_type(L"other"), VT_NULL);
}

TEST(t_ftd, from_a_field) {
  udb_field f(L"Notes", 255, ole_variant(std::wstring(L"abc")), true, false);
  t_ftd d(f, ole_variant(std::wstring(L"-")), ftd_marker_fixed_width);
  EXPECT_EQ(d.size, 3u);
  EXPECT_EQ(d.name, L"Notes");
  EXPECT_EQ(d.vartype, VT_BSTR);
  EXPECT_TRUE(d.not_null);
  EXPECT_FALSE(d.auto_increment);
  EXPECT_EQ(d.default_value.to_wstring(), L"-");
  EXPECT_EQ(d.dw_reserved, ftd_marker_fixed_width);
  EXPECT_EQ(d.precision, 0u);
  EXPECT_TRUE(d.native_type.empty() && d.description.empty());
}

}  // namespace
