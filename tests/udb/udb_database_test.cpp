// The database and engine bases: table-name bookkeeping, unsupported operations, file checks.
#include "UDB/udb_database.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TK/tk_exception.h"
#include "UDB/udb_engine.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_recordset.h"
#include "tests/support/test_env.h"
#include "udb_test_doubles.h"

namespace {

TEST(udb_database, table_names) {
  struct {
    bool case_sensitive;
    std::wstring asked;
    bool exists;
  } cases[] = {{false, L"ORDERS", true},
               {true, L"ORDERS", false},
               {true, L"Orders", true},
               {false, L"Größe", true},
               {false, L"GRÖSSE", false}};
  for (const auto& c : cases) {
    test_database db(c.case_sensitive);
    db.get_table_names() = {L"Orders", L"größe"};
    EXPECT_EQ(db.is_table_exist(c.asked), c.exists) << c.case_sensitive;
  }
}

TEST(udb_database, delete_tab_removes_the_first_match_only) {
  test_database db(false);
  db.table_names = {L"a", L"B", L"c", L"b"};
  EXPECT_TRUE(db.delete_tab(L"b"));
  EXPECT_EQ(db.table_names, (std::vector<std::wstring>{L"a", L"c", L"b"}));
  EXPECT_FALSE(db.delete_tab(L"z"));
  EXPECT_EQ(db.table_names.size(), 3u);
}

TEST(udb_database, unsupported_operations_are_internal_errors) {
  test_database db(false);
  EXPECT_THROW(db.empty_table(L"t"), tk_mail_assertion);
  EXPECT_THROW(db.query(L"select 1"), tk_mail_assertion);
  EXPECT_THROW(db.create_table(L"t", udb_schema(false), udb_indexes(), 4), tk_mail_assertion);
}

TEST(udb_database, create_indexes_in_order) {
  test_database db(false);
  udb_indexes list;
  list.push_back(udb_index(L"i1", false, false));
  list.push_back(udb_index(L"pk", true, true));
  db.create_indexes(L"t", 0, list);
  EXPECT_EQ(db.created, (std::vector<std::wstring>{L"t.i1", L"t.pk"}));
}

TEST(udb_database, table_mappings_reach_the_names_map) {
  test_database db(false);
  db.add_tn_mapping(L"Order Details", L"order_details");
  EXPECT_EQ(db.names_map.get_tn_mapped_name(L"order details", false), L"order_details");
}

class file_engine : public udb_engine {
 public:
  std::unique_ptr<udb_database> create_db(const std::wstring&) override { return nullptr; }
  std::unique_ptr<udb_database> open_db(const std::wstring&, std::uint32_t, const std::wstring&) override {
    return nullptr;
  }
};

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(udb_engine, file_databases) {
  const std::string dir = test_env::make_temp_dir();
  const std::string file = dir + "/db.mdb";
  std::ofstream(file) << "x";
  file_engine engine;
  EXPECT_TRUE(engine.is_db_exist(wide(file)));
  EXPECT_FALSE(engine.is_db_exist(wide(dir)));
  engine.db_delete(wide(file));
  EXPECT_FALSE(engine.is_db_exist(wide(file)));
  try {
    engine.db_delete(wide(file));
    FAIL();
  } catch (const tk_exception& e) {
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    EXPECT_EQ(e.kind(), 1u);
  }
}

class plain_properties : public udb_properties {
 public:
  udb_properties* get_by_source_name(const std::wstring&) override { return nullptr; }
  udb_properties* get_by_target_name(const std::wstring&) override { return nullptr; }
};

TEST(udb_engine, keeps_but_does_not_own_its_properties) {
  plain_properties props;
  props.get_properties()[L"engine"] = L"InnoDB";
  {
    file_engine engine;
    EXPECT_EQ(engine.properties, nullptr);
    engine.set_properties(&props);
    EXPECT_EQ(engine.properties->get_properties().at(L"engine"), L"InnoDB");
  }
  EXPECT_EQ(props.get_properties().count(L"character set"), 0u);
}

}  // namespace
