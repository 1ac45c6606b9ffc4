// Foreign-key records and the names they are given.
#include "UDB/udb_relationship.h"

#include <gtest/gtest.h>

namespace {

TEST(udb_relationship, generated_name_replaces_blanks) {
  udb_relationship r(L"order lines", L"big orders", {L"order id"}, {L"id"}, L" ON DELETE CASCADE");
  EXPECT_EQ(r.name, L"FK_big_orders_order_lines");
  EXPECT_EQ(r.name2, L"");
  EXPECT_EQ(r.table, L"order lines");
  EXPECT_EQ(r.ref_table, L"big orders");
  EXPECT_EQ(r.properties, L" ON DELETE CASCADE");
  EXPECT_EQ(r.fields, std::vector<std::wstring>{L"order id"});
  EXPECT_EQ(r.ref_fields, std::vector<std::wstring>{L"id"});
}

TEST(udb_relationships, unique_names) {
  struct {
    std::vector<std::wstring> taken;
    std::wstring name;
  } cases[] = {
      {{}, L"FK_b_a"},
      {{L"FK_b_a"}, L"FK_b_a_"},
      {{L"fk_b_a"}, L"FK_b_a_"},  // case is ignored
      {{L"FK_b_a", L"FK_b_a_"}, L"FK_b_a_1"},
      {{L"FK_b_a", L"FK_b_a_", L"FK_b_a_1", L"FK_b_a_1_", L"FK_b_a_1_2", L"FK_b_a_1_2_", L"FK_b_a_1_2_3"},
       L"FK_b_a_1_2_3_"},
  };
  for (const auto& c : cases) {
    udb_relationships list;
    for (const auto& name : c.taken)
      list.emplace_back(name, L"", L"x", L"y", std::vector<std::wstring>{}, std::vector<std::wstring>{}, L"");
    EXPECT_EQ(list.gen_relship_name(udb_relationship(L"a", L"b", {}, {}, L"")), c.name);
  }
}

TEST(udb_relationships, generated_names_keep_blanks) {
  udb_relationships list;
  EXPECT_EQ(list.gen_relship_name(udb_relationship(L"order lines", L"orders", {}, {}, L"")), L"FK_orders_order lines");
}

}  // namespace
