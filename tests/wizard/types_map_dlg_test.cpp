// The column editor on nwind's Shippers (ShipperID INT, CompanyName VARCHAR(40), Phone
// VARCHAR(24)), driven offscreen: what it shows, what OK leaves in the converter, and the input
// it refuses.
#include <gtest/gtest.h>

#include <QStyle>
#include <QTest>

#include "tests/wizard/selection_test_util.h"
#include "tests/wizard/types_map_env.h"

namespace {

constexpr int kId = 0;
constexpr int kCompany = 1;
constexpr int kPhone = 2;

sql_table_mutator* shippers(vandry_converter& c) { return c.get_table_mutator3(L"Shippers"); }

sql_field_mutator* column(vandry_converter& c, const std::wstring& name) {
  sql_table_mutator* table = shippers(c);
  if (table == nullptr) return nullptr;
  auto it = table->by_source.find(name);
  return it == table->by_source.end() ? nullptr : it->second.get();
}

TEST(TypesMapDialog, ShowsTheColumnsWithTheirConversion) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  const bool shown = env.edit(L"Shippers", [&](types_map_dlg& d) {
    EXPECT_EQ(d.get_text(types_map_dlg::table_name_id), L"Shippers");
    ASSERT_EQ(d.list_count(types_map_dlg::list_id), 3);
    const std::vector<std::vector<std::wstring>> rows = {
        {L"ShipperID", L"INT", L""}, {L"CompanyName", L"VARCHAR(40)", L""}, {L"Phone", L"VARCHAR(24)", L""}};
    for (int row = 0; row < 3; ++row) {
      for (int cell = 0; cell < 3; ++cell)
        EXPECT_EQ(d.view_cell(types_map_dlg::list_id, row, cell + 1), rows[row][cell]);
      EXPECT_TRUE(d.view_row_checked(types_map_dlg::list_id, row));
    }
    EXPECT_EQ(selected_row(d), 0);
    EXPECT_EQ(d.get_text(types_map_dlg::field_name_id), L"ShipperID");
    EXPECT_EQ(type_choices(d), (std::vector<std::wstring>{L"INT", L"BIGINT", L"DECIMAL", L"DOUBLE", L"VARCHAR"}));
    EXPECT_EQ(d.get_text(types_map_dlg::type_id), L"INT");
    select_row(d, kCompany);
    EXPECT_EQ(d.get_text(types_map_dlg::field_name_id), L"CompanyName");
    EXPECT_EQ(d.get_text(types_map_dlg::type_id), L"VARCHAR");
    EXPECT_EQ(d.get_text(types_map_dlg::length_id), L"40");
    EXPECT_TRUE(d.is_shown(types_map_dlg::length_id));
    EXPECT_FALSE(d.is_shown(types_map_dlg::precision_id));
    click(&d, types_map_dlg::help_id);
    EXPECT_EQ(modal_dialog(), &d);
  });
  EXPECT_TRUE(shown);
  EXPECT_EQ(env.help_opened(), std::vector<std::string>{"1024.html"});
  EXPECT_TRUE(env.boxes.texts().empty());
  EXPECT_EQ(shippers(env.converter), nullptr);
}

// Without sql.map the editor does not open; without sql.typ it opens and closes at the first
// change of row, box or type. Nothing edited reaches the converter either way.
TEST(TypesMapDialog, MissingFileClosesTheEditor) {
  struct Case {
    const char* name;
    bool with_map;
    std::function<void(types_map_dlg&)> change;
    const wchar_t* error;
  } cases[] = {
      {"no sql.map", false, nullptr, L"Cannot find sql.map. Custom type mapping is not available."},
      {"no sql.typ, row", true, [](types_map_dlg& d) { select_row(d, kCompany); },
       L"Cannot find sql.typ. Custom type mapping is not available."},
      {"no sql.typ, box", true, [](types_map_dlg& d) { tick(d, kPhone, false); },
       L"Cannot find sql.typ. Custom type mapping is not available."},
      {"no sql.typ, type", true, [](types_map_dlg& d) { pick_type(d, L"BIGINT"); },
       L"Cannot find sql.typ. Custom type mapping is not available."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mapping_folder files;
    if (c.with_map) files.write("sql.map", file_text(shipped_file("sql.map")));
    editor_env env;
    bool closed = false;
    const bool shown = env.edit(L"Shippers", [&](types_map_dlg& d) {
      d.set_text(types_map_dlg::table_name_id, L"carriers");
      d.set_text(types_map_dlg::field_name_id, L"id");
      c.change(d);
      closed = modal_dialog() != &d;
    });
    EXPECT_EQ(shown, c.with_map);
    if (c.with_map) {
      EXPECT_TRUE(closed);
    }
    EXPECT_EQ(env.boxes.texts(), std::vector<std::wstring>{c.error});
    ASSERT_FALSE(env.boxes.taken().empty());
    EXPECT_EQ(env.boxes.taken()[0].icon, ui_box_icon::error);
    EXPECT_EQ(shippers(env.converter), nullptr);
  }
}

TEST(TypesMapDialog, SizeFieldsFollowTheTypeFile) {
  struct Case {
    const char* typ;
    const wchar_t* type;
    bool length;
    bool precision_and_scale;
  } cases[] = {
      {"VARCHAR:\n- LENGTH\n", L"VARCHAR", true, false},
      {"VARCHAR:\n  - length\n", L"VARCHAR", true, false},
      {"DECIMAL:\n- PRECISION\n- SCALE\n", L"DECIMAL", false, true},
      {"DECIMAL:\n- Scale\n- LENGTH\n- precision\n", L"DECIMAL", true, true},
      {"DECIMAL:\n- PRECISION\n", L"DECIMAL", false, false},
      {"DECIMAL:\n- SCALE\n", L"DECIMAL", false, false},
      {"VARCHAR:\n- LENGTH\n", L"TEXT", false, false},
      {"TEXT:\n- WIDTH\n", L"TEXT", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typ) + " / " + tk_unicode_to_utf8(c.type));
    mapping_folder files;
    files.write("sql.map", "VARCHAR:\n- VARCHAR\n- TEXT\n- DECIMAL\n");
    files.write("sql.typ", c.typ);
    editor_env env;
    env.edit(L"Shippers", [&](types_map_dlg& d) {
      select_row(d, kCompany);
      pick_type(d, c.type);
      EXPECT_EQ(d.is_shown(types_map_dlg::length_label_id), c.length);
      EXPECT_EQ(d.is_shown(types_map_dlg::length_id), c.length);
      for (int id : {types_map_dlg::precision_label_id, types_map_dlg::precision_id, types_map_dlg::scale_label_id,
                     types_map_dlg::scale_id}) {
        EXPECT_EQ(d.is_shown(id), c.precision_and_scale) << id;
      }
    });
    EXPECT_TRUE(env.boxes.texts().empty());
  }
}

TEST(TypesMapDialog, OkStoresTheEditsAndReopeningShowsThem) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  // Only the table renamed: a table mutator without columns.
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    d.set_text(types_map_dlg::table_name_id, L"carriers");
    click(&d, 1);
  });
  ASSERT_NE(shippers(env.converter), nullptr);
  EXPECT_EQ(shippers(env.converter)->new_name, L"carriers");
  EXPECT_TRUE(shippers(env.converter)->by_source.empty());
  EXPECT_EQ(env.converter.find_by_new_name(L"carriers"), shippers(env.converter));

  // Phone unticked while CompanyName is selected, CompanyName renamed to name VARCHAR(60).
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    EXPECT_EQ(d.get_text(types_map_dlg::table_name_id), L"carriers");
    select_row(d, kCompany);
    tick(d, kPhone, false);
    EXPECT_EQ(selected_row(d), kCompany);
    d.set_text(types_map_dlg::field_name_id, L"name");
    d.set_text(types_map_dlg::length_id, L"60");
    click(&d, 1);
  });
  sql_field_mutator* company = column(env.converter, L"CompanyName");
  sql_field_mutator* phone = column(env.converter, L"Phone");
  ASSERT_NE(company, nullptr);
  ASSERT_NE(phone, nullptr);
  EXPECT_EQ(column(env.converter, L"ShipperID"), nullptr);
  EXPECT_EQ(company->new_name, L"name");
  EXPECT_EQ(company->native.type, L"VARCHAR");
  EXPECT_EQ(company->native.length, 60u);
  EXPECT_EQ(company->action, udb_apply_all);
  EXPECT_EQ(phone->action, udb_drop_column);
  EXPECT_EQ(phone->new_name, L"Phone");
  EXPECT_EQ(phone->native.type, L"VARCHAR");
  EXPECT_EQ(phone->native.length, 24u);

  // Reopened: the edits are shown. Cancel after more edits keeps what OK stored.
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    EXPECT_EQ(d.get_text(types_map_dlg::table_name_id), L"carriers");
    EXPECT_FALSE(d.view_row_checked(types_map_dlg::list_id, kPhone));
    EXPECT_TRUE(d.view_row_checked(types_map_dlg::list_id, kCompany));
    // The list keeps showing the type the conversion gives without edits.
    EXPECT_EQ(d.view_cell(types_map_dlg::list_id, kCompany, 2), L"VARCHAR(40)");
    select_row(d, kCompany);
    EXPECT_EQ(d.get_text(types_map_dlg::field_name_id), L"name");
    EXPECT_EQ(d.get_text(types_map_dlg::length_id), L"60");
    d.set_text(types_map_dlg::field_name_id, L"other");
    tick(d, kPhone, true);
    d.set_text(types_map_dlg::table_name_id, L"shipping");
    click(&d, 2);
  });
  EXPECT_EQ(shippers(env.converter)->new_name, L"carriers");
  EXPECT_EQ(column(env.converter, L"CompanyName")->new_name, L"name");
  EXPECT_EQ(column(env.converter, L"Phone")->action, udb_drop_column);

  // Taking an edit back in the dialog takes it back from the run too.
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    select_row(d, kCompany);
    d.set_text(types_map_dlg::field_name_id, L"CompanyName");
    d.set_text(types_map_dlg::length_id, L"40");
    tick(d, kPhone, true);
    click(&d, 1);
  });
  EXPECT_EQ(column(env.converter, L"CompanyName"), nullptr);
  EXPECT_EQ(column(env.converter, L"Phone"), nullptr);
  EXPECT_EQ(shippers(env.converter)->new_name, L"carriers");
  EXPECT_TRUE(env.boxes.texts().empty());
}

// Every row shows its own sizes: nothing typed for one row shows up in the next.
TEST(TypesMapDialog, EachRowKeepsItsOwnSizes) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    select_row(d, kCompany);
    d.set_text(types_map_dlg::length_id, L"50");
    select_row(d, kId);
    EXPECT_EQ(d.get_text(types_map_dlg::length_id), L"4");
    select_row(d, kPhone);
    EXPECT_EQ(d.get_text(types_map_dlg::length_id), L"24");
    pick_type(d, L"TEXT");
    d.set_text(types_map_dlg::length_id, L"");
    select_row(d, kCompany);
    EXPECT_EQ(d.get_text(types_map_dlg::length_id), L"50");
    select_row(d, kPhone);
    EXPECT_EQ(d.get_text(types_map_dlg::type_id), L"TEXT");
    EXPECT_EQ(d.get_text(types_map_dlg::length_id), L"");
    EXPECT_EQ(d.get_text(types_map_dlg::precision_id), L"0");
    click(&d, 1);
  });
  EXPECT_EQ(column(env.converter, L"CompanyName")->native.length, 50u);
  EXPECT_EQ(column(env.converter, L"Phone")->native.type, L"TEXT");
  EXPECT_EQ(column(env.converter, L"Phone")->native.length, static_cast<std::uint64_t>(-1));
  EXPECT_EQ(column(env.converter, L"ShipperID"), nullptr);
}

// A box ticked on a row that is not selected changes that row's state only: the selected row's
// controls are neither read into it nor lost.
TEST(TypesMapDialog, BoxOfAnotherRowChangesOnlyItsState) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    select_row(d, kPhone);
    d.set_text(types_map_dlg::field_name_id, L"telephone");
    select_row(d, kCompany);
    pick_type(d, L"TEXT");
    d.set_text(types_map_dlg::field_name_id, L"company");
    tick(d, kPhone, false);
    tick(d, kId, false);
    tick(d, kId, true);
    EXPECT_EQ(selected_row(d), kCompany);
    EXPECT_EQ(d.get_text(types_map_dlg::field_name_id), L"company");
    EXPECT_EQ(d.get_text(types_map_dlg::type_id), L"TEXT");
    click(&d, 1);
  });
  sql_field_mutator* phone = column(env.converter, L"Phone");
  ASSERT_NE(phone, nullptr);
  EXPECT_EQ(phone->new_name, L"telephone");
  EXPECT_EQ(phone->native.type, L"VARCHAR");
  EXPECT_EQ(phone->native.length, 24u);
  EXPECT_EQ(phone->action, udb_drop_column);
  EXPECT_EQ(column(env.converter, L"CompanyName")->native.type, L"TEXT");
  EXPECT_EQ(column(env.converter, L"CompanyName")->new_name, L"company");
  // Ticked off and on again with nothing else changed: no edit at all.
  EXPECT_EQ(column(env.converter, L"ShipperID"), nullptr);
}

// The same with a real mouse click on the box of a row that is not selected.
TEST(TypesMapDialog, ClickOnAnotherRowsBoxKeepsTheSelectedRowsEdits) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    select_row(d, kCompany);
    d.set_text(types_map_dlg::field_name_id, L"company");
    QTreeWidget* view = columns_view(d);
    const QRect cell = view->visualItemRect(view->topLevelItem(kPhone));
    const int indicator = view->style()->pixelMetric(QStyle::PM_IndicatorWidth);
    const QPoint box(cell.left() + view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + indicator / 2 + 1,
                     cell.center().y());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box);
    settle();
    ASSERT_FALSE(d.view_row_checked(types_map_dlg::list_id, kPhone));
    EXPECT_EQ(selected_row(d), kCompany);
    EXPECT_EQ(d.get_text(types_map_dlg::field_name_id), L"company");
    click(&d, 1);
  });
  ASSERT_NE(column(env.converter, L"Phone"), nullptr);
  EXPECT_EQ(column(env.converter, L"Phone")->new_name, L"Phone");
  EXPECT_EQ(column(env.converter, L"Phone")->native.length, 24u);
  EXPECT_EQ(column(env.converter, L"Phone")->action, udb_drop_column);
  ASSERT_NE(column(env.converter, L"CompanyName"), nullptr);
  EXPECT_EQ(column(env.converter, L"CompanyName")->new_name, L"company");
}

// Input that would give a wrong or broken column is refused with a message; the row stays
// selected and the dialog open, and nothing reaches the converter.
TEST(TypesMapDialog, BadInputIsRefusedAndTheDialogStays) {
  struct Case {
    const char* name;
    int row;
    int id;
    const wchar_t* text;
    const wchar_t* type;  // picked first; null keeps the row's type
    const wchar_t* message;
  } cases[] = {
      {"length 12a", kCompany, types_map_dlg::length_id, L"12a", nullptr,
       L"The length must be a whole number from 0 to 65535. Try again."},
      {"length 1.5", kCompany, types_map_dlg::length_id, L"1.5", nullptr,
       L"The length must be a whole number from 0 to 65535. Try again."},
      {"length -5", kCompany, types_map_dlg::length_id, L"-5", nullptr,
       L"The length must be a whole number from 0 to 65535. Try again."},
      {"length too long", kCompany, types_map_dlg::length_id, L"65536", nullptr,
       L"The length must be a whole number from 0 to 65535. Try again."},
      {"no length", kCompany, types_map_dlg::length_id, L"", nullptr,
       L"The length must be a whole number from 0 to 65535. Try again."},
      {"precision 0", kId, types_map_dlg::precision_id, L"0", L"DECIMAL",
       L"The precision must be a whole number from 1 to 65. Try again."},
      {"scale x", kId, types_map_dlg::scale_id, L"x", L"DECIMAL",
       L"The scale must be a whole number from 0 to 30. Try again."},
      {"precision blank", kId, types_map_dlg::precision_id, L" 9", L"INT",
       L"The precision must be a whole number from 0 to 2147483647. Try again."},
      {"empty column name", kPhone, types_map_dlg::field_name_id, L"", nullptr, L"Name cannot be empty. Try again."},
      {"blank column name", kPhone, types_map_dlg::field_name_id, L"  ", nullptr, L"Name cannot be empty. Try again."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mapping_folder files;
    files.write_shipped();
    for (bool by_ok : {false, true}) {
      SCOPED_TRACE(by_ok ? "OK" : "another row");
      editor_env env;
      env.edit(L"Shippers", [&](types_map_dlg& d) {
        select_row(d, c.row);
        if (c.type != nullptr) pick_type(d, c.type);
        // An INT column shows precision 0, which DECIMAL does not take.
        if (c.type != nullptr && c.id != types_map_dlg::precision_id) d.set_text(types_map_dlg::precision_id, L"10");
        d.set_text(types_map_dlg::table_name_id, L"carriers");
        d.set_text(c.id, c.text);
        if (by_ok) {
          click(&d, 1);
        } else {
          select_row(d, c.row == kCompany ? kPhone : kCompany);
        }
        EXPECT_EQ(modal_dialog(), &d);
        EXPECT_EQ(selected_row(d), c.row);
        EXPECT_EQ(d.get_text(c.id), c.text);
      });
      EXPECT_EQ(env.boxes.texts(), std::vector<std::wstring>{c.message});
      EXPECT_EQ(shippers(env.converter), nullptr);
    }
  }
}

TEST(TypesMapDialog, OkRefusesAnEmptyTableNameAndTwoColumnsOfOneName) {
  struct Case {
    const char* name;
    std::function<void(types_map_dlg&)> edit;
    const wchar_t* message;
  } cases[] = {
      {"empty table name", [](types_map_dlg& d) { d.set_text(types_map_dlg::table_name_id, L""); },
       L"Name cannot be empty. Try again."},
      {"blank table name", [](types_map_dlg& d) { d.set_text(types_map_dlg::table_name_id, L"   "); },
       L"Name cannot be empty. Try again."},
      {"a column renamed to another's name in other case",
       [](types_map_dlg& d) {
         select_row(d, kPhone);
         d.set_text(types_map_dlg::field_name_id, L"COMPANYNAME");
       },
       L"Column name 'COMPANYNAME' is used twice. Try again."},
      {"two columns renamed alike",
       [](types_map_dlg& d) {
         select_row(d, kPhone);
         d.set_text(types_map_dlg::field_name_id, L"name");
         select_row(d, kCompany);
         d.set_text(types_map_dlg::field_name_id, L"Name");
       },
       L"Column name 'name' is used twice. Try again."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mapping_folder files;
    files.write_shipped();
    editor_env env;
    env.edit(L"Shippers", [&](types_map_dlg& d) {
      c.edit(d);
      click(&d, 1);
      EXPECT_EQ(modal_dialog(), &d);
    });
    EXPECT_EQ(env.boxes.texts(), std::vector<std::wstring>{c.message});
    EXPECT_EQ(shippers(env.converter), nullptr);
  }
  // A column left out does not hold its name: another may take it.
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    tick(d, kPhone, false);
    select_row(d, kCompany);
    d.set_text(types_map_dlg::field_name_id, L"phone");
    click(&d, 1);
  });
  EXPECT_TRUE(env.boxes.texts().empty());
  EXPECT_EQ(column(env.converter, L"CompanyName")->new_name, L"phone");
}

// From the tables page: a double click on a selected table opens the editor on it over the sheet;
// its OK reaches the converter.
TEST(TypesMapDialog, OpensFromTheTablesPage) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  env.converter.direct = false;
  env.converter.convert_views = false;
  std::wstring caption;
  std::wstring shown_name;
  env.run(127, [&] {
    vdy_sel_tables_page& page = env.selection.tables;
    ASSERT_EQ(env.sheet().current_page(), &page);
    click(&page, sel_tables_page::add_all_id);
    const name_list names = list_names(page, sel_tables_page::selected_id);
    const auto at = std::find(names.begin(), names.end(), L"Shippers");
    ASSERT_NE(at, names.end());
    dialog_driver driver({[&](ui_dialog& d) {
      caption = d.window_widget()->windowTitle().toStdWString();
      shown_name = d.get_text(types_map_dlg::table_name_id);
      d.set_text(types_map_dlg::table_name_id, L"carriers");
      click(&d, 1);
    }});
    double_click(page, sel_tables_page::selected_id, static_cast<int>(at - names.begin()));
    EXPECT_TRUE(wait_for([&] { return driver.done(); }, 20000));
  });
  EXPECT_EQ(caption, L"Edit Table");
  EXPECT_EQ(shown_name, L"Shippers");
  ASSERT_NE(shippers(env.converter), nullptr);
  EXPECT_EQ(shippers(env.converter)->new_name, L"carriers");
}

// What OK stores is what a saved profile holds and loads again, so the console runs the same.
TEST(TypesMapDialog, EditsSurviveAProfile) {
  mapping_folder files;
  files.write_shipped();
  editor_env env;
  env.edit(L"Shippers", [&](types_map_dlg& d) {
    d.set_text(types_map_dlg::table_name_id, L"carriers");
    select_row(d, kId);
    pick_type(d, L"DECIMAL");
    d.set_text(types_map_dlg::precision_id, L"12");
    d.set_text(types_map_dlg::scale_id, L"2");
    select_row(d, kCompany);
    d.set_text(types_map_dlg::field_name_id, L"name");
    d.set_text(types_map_dlg::length_id, L"60");
    tick(d, kPhone, false);
    click(&d, 1);
  });
  const std::string profile = files.path() + "/edits.vdy";
  ASSERT_TRUE(env.converter.store_profile(wide(profile)));
  env.converter.sql_db_mutator::clear();
  ASSERT_TRUE(env.converter.load_profile(wide(profile)));
  ASSERT_NE(shippers(env.converter), nullptr);
  EXPECT_EQ(shippers(env.converter)->new_name, L"carriers");
  ASSERT_NE(column(env.converter, L"ShipperID"), nullptr);
  EXPECT_EQ(column(env.converter, L"ShipperID")->native.type, L"DECIMAL");
  EXPECT_EQ(column(env.converter, L"ShipperID")->native.precision, 12);
  EXPECT_EQ(column(env.converter, L"ShipperID")->native.scale, 2);
  EXPECT_EQ(column(env.converter, L"CompanyName")->new_name, L"name");
  EXPECT_EQ(column(env.converter, L"CompanyName")->native.length, 60u);
  EXPECT_EQ(column(env.converter, L"Phone")->action, udb_drop_column);
}

}  // namespace
