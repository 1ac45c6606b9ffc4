// MySQL identifier rules of both server families, as a table of names.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "SQL/sql_engine.h"
#include "SQL/sql_validators.h"

namespace {

enum class kind { new_db, new_table, new_column, old_db, old_table, old_column };

std::unique_ptr<udb_validator> make(kind k) {
  const std::vector<std::wstring> tables = {L"Orders"};
  const std::vector<std::wstring> views = {L"Sales view"};
  switch (k) {
    case kind::new_db: return std::make_unique<sql_new_validator>(true);
    case kind::new_table: return std::make_unique<sql_new_tn_validator>(tables, views);
    case kind::new_column: return std::make_unique<sql_new_validator>(false);
    case kind::old_db: return std::make_unique<sql_old_dn_validator>();
    case kind::old_table: return std::make_unique<sql_old_tn_validator>(tables, views);
    case kind::old_column: return std::make_unique<sql_old_validator>();
  }
  return nullptr;
}

struct name_case {
  kind k;
  std::wstring name;
  bool acceptable;
  std::wstring safe;  // empty: not checked
};

TEST(SqlValidators, NamesOfBothFamilies) {
  const std::wstring n64(64, L'a'), n65(65, L'a');
  const name_case cases[] = {
      {kind::new_table, n64, true, L""},
      {kind::new_table, n65, false, std::wstring(63, L'a')},
      {kind::new_table, L"", false, L""},
      {kind::new_table, L" padded ", false, L"padded"},
      {kind::new_table, L"Order Details", true, L""},
      {kind::new_table, L"a/b", false, L"a_b"},
      {kind::new_column, L"a/b", true, L""},
      {kind::new_column, L"a+b", false, L"a_b"},
      {kind::new_table, L"a+b", false, L"a_b"},
      {kind::new_column, L"it's", false, L"it_s"},
      {kind::new_column, L"Größe ümlaut", true, L""},
      {kind::new_db, L"shop:1", false, L"shop_1"},
      {kind::new_db, L"my shop", true, L""},
      {kind::new_table, L"ORDERS", true, L"orders00000"},
      {kind::old_column, L"select", false, L"select00000"},
      {kind::old_column, L"SELECT", false, L""},
      {kind::old_column, L"first name", false, L"first_name"},
      {kind::old_column, L"a-b", false, L"a_b"},
      {kind::old_column, L"2023", false, L"_023"},
      {kind::old_column, L"1abc", true, L""},
      {kind::old_db, L"1abc", false, L""},
      {kind::old_db, L"abc1", true, L""},
      {kind::old_column, L"Größe", true, L""},
      {kind::old_column, L"$cost_1", true, L""},
      {kind::old_column, L"", false, L""},
      {kind::old_table, L"orders", true, L"orders00000"},
  };
  for (const name_case& c : cases) {
    std::unique_ptr<udb_validator> v = make(c.k);
    EXPECT_EQ(v->is_acceptable(c.name), c.acceptable) << static_cast<int>(c.k) << " " << c.name.size();
    if (!c.safe.empty()) {
      const std::wstring safe = v->get_safe_name(c.name);
      EXPECT_EQ(safe, c.safe) << static_cast<int>(c.k);
      EXPECT_TRUE(v->is_acceptable(safe));
      EXPECT_FALSE(v->is_duplicated(safe));
    }
  }
}

TEST(SqlValidators, SeededNamesAreDuplicatesIgnoringCase) {
  sql_new_tn_validator v({L"Orders"}, {L"Sales view"});
  EXPECT_TRUE(v.is_duplicated(L"ORDERS"));
  EXPECT_TRUE(v.is_duplicated(L"sales VIEW"));
  EXPECT_FALSE(v.is_duplicated(L"Customers"));
}

TEST(SqlValidators, EngineChoosesFamilyByVersion) {
  sql_engine engine;
  engine.version = 0x00040100;
  EXPECT_FALSE(engine.create_dn_validator()->is_acceptable(L"a/b"));
  EXPECT_TRUE(engine.create_dn_validator()->is_acceptable(L"my shop"));
  EXPECT_TRUE(engine.create_tn_validator({}, {})->is_acceptable(L"my table"));
  engine.version = 0x00040018;
  EXPECT_FALSE(engine.create_dn_validator()->is_acceptable(L"my shop"));
  EXPECT_FALSE(engine.create_tn_validator({}, {})->is_acceptable(L"my table"));
  EXPECT_FALSE(engine.create_dn_validator()->is_acceptable(L"1abc"));
}

}  // namespace
