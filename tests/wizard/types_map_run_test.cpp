// The column editor's edits in a real run into the private server: the renamed table and columns,
// the chosen types, a column left out, and every value of the edited columns as mdb-export reads
// them.
#include <gtest/gtest.h>

#include "tests/support/test_mdbtools.h"
#include "tests/support/test_mysql.h"
#include "tests/wizard/types_map_env.h"

namespace {

const char kDatabase[] = "wizard_types_map";

std::vector<std::vector<std::string>> rows_of(MYSQL* conn, const std::string& statement) {
  std::vector<std::vector<std::string>> out;
  for (const test_env::mysql_row& row : test_env::query_rows(conn, statement)) {
    std::vector<std::string> cells;
    for (const auto& cell : row) cells.push_back(cell.value_or("NULL"));
    out.push_back(cells);
  }
  return out;
}

// mdb-export's rows of a table, only the named columns, in the order of the first.
std::vector<std::vector<std::string>> source_rows(const std::string& table, const std::vector<std::string>& columns) {
  const auto fields = test_env::mdb_export_fields(testdata("access/real/nwind.mdb"), table, "-Q -T '%Y-%m-%d' -0 NULL");
  std::vector<std::size_t> at;
  for (const std::string& name : columns) {
    for (std::size_t i = 0; i < fields.at(0).size(); ++i) {
      if (fields[0][i] == name) at.push_back(i);
    }
  }
  EXPECT_EQ(at.size(), columns.size());
  std::vector<std::vector<std::string>> out;
  for (std::size_t r = 1; r < fields.size(); ++r) {
    std::vector<std::string> cells;
    for (std::size_t i : at) cells.push_back(fields[r][i]);
    out.push_back(cells);
  }
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return std::stol(a[0]) < std::stol(b[0]); });
  return out;
}

TEST(TypesMapRun, EditsShapeTheConvertedTables) {
  mapping_folder files;
  files.write_shipped();
  const test_env::server_address server = test_env::test_server();
  MYSQL* conn = test_env::connect_mysql(server);
  ASSERT_NE(conn, nullptr);
  test_env::query_rows(conn, std::string("DROP DATABASE IF EXISTS ") + kDatabase);

  editor_env env;
  env.use_test_server();
  // Shippers into carriers: CompanyName into name VARCHAR(60), Phone left out.
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    d.set_text(types_map_dlg::table_name_id, L"carriers");
    select_row(d, 1);
    d.set_text(types_map_dlg::field_name_id, L"name");
    d.set_text(types_map_dlg::length_id, L"60");
    tick(d, 2, false);
    click(&d, 1);
  });
  // Orders: a Currency and a date column (nwind holds days only) renamed only, a text column
  // made TEXT.
  env.edit(L"Orders", [&](types_map_dlg& d) {
    for (int row = 0; row < d.list_count(types_map_dlg::list_id); ++row) {
      const std::wstring name = d.view_cell(types_map_dlg::list_id, row, 1);
      if (name != L"Freight" && name != L"OrderDate" && name != L"ShipName") continue;
      select_row(d, row);
      if (name == L"Freight") d.set_text(types_map_dlg::field_name_id, L"freight_cost");
      if (name == L"OrderDate") d.set_text(types_map_dlg::field_name_id, L"ordered");
      if (name == L"ShipName") pick_type(d, L"TEXT");
    }
    click(&d, 1);
  });
  // Products: a Yes/No column renamed only.
  env.edit(L"Products", [&](types_map_dlg& d) {
    for (int row = 0; row < d.list_count(types_map_dlg::list_id); ++row) {
      if (d.view_cell(types_map_dlg::list_id, row, 1) != L"Discontinued") continue;
      select_row(d, row);
      d.set_text(types_map_dlg::field_name_id, L"dropped");
    }
    click(&d, 1);
  });
  EXPECT_TRUE(env.boxes.texts().empty());

  env.converter.direct = true;
  env.converter.dest = wide(kDatabase);
  env.converter.conversion_mode = mode_overwrite_database;
  env.converter.selected_tables = {L"Shippers", L"Orders", L"Products"};
  env.converter.convert_views = false;
  env.converter.run();
  EXPECT_EQ(env.shell.errors().entries(), std::vector<std::string>{});

  const std::string columns = std::string(
                                  "SELECT TABLE_NAME, COLUMN_NAME, COLUMN_TYPE FROM information_schema.COLUMNS "
                                  "WHERE TABLE_SCHEMA = '") +
                              kDatabase +
                              "' AND (TABLE_NAME = 'carriers' OR COLUMN_NAME IN ('freight_cost', "
                              "'ordered', 'ShipName')) ORDER BY TABLE_NAME, ORDINAL_POSITION";
  EXPECT_EQ(rows_of(conn, columns), (std::vector<std::vector<std::string>>{{"carriers", "ShipperID", "int(11)"},
                                                                           {"carriers", "name", "varchar(60)"},
                                                                           {"Orders", "ordered", "date"},
                                                                           {"Orders", "freight_cost", "decimal(19,4)"},
                                                                           {"Orders", "ShipName", "text"}}));
  EXPECT_EQ(rows_of(conn, std::string("SELECT ShipperID, name FROM ") + kDatabase + ".carriers ORDER BY 1"),
            source_rows("Shippers", {"ShipperID", "CompanyName"}));
  EXPECT_EQ(rows_of(conn, std::string("SELECT OrderID, ordered, freight_cost, ShipName FROM ") + kDatabase +
                              ".Orders ORDER BY 1"),
            source_rows("Orders", {"OrderID", "OrderDate", "Freight", "ShipName"}));
  EXPECT_EQ(rows_of(conn, std::string("SELECT ProductID, dropped FROM ") + kDatabase + ".Products ORDER BY 1"),
            source_rows("Products", {"ProductID", "Discontinued"}));
  test_env::query_rows(conn, std::string("DROP DATABASE IF EXISTS ") + kDatabase);
  mysql_close(conn);
}

}  // namespace
