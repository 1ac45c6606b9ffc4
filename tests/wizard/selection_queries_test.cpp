// The user's added queries on the tables page and the Add Query dialog, offscreen on nwind:
// adding, editing, removing and adding again, the names a query may not take, the dialog's own
// checks, and Test Query against the source.
#include <gtest/gtest.h>

#include "GUI2/set_query_dlg.h"
#include "TK/tk_addresses.h"
#include "tests/wizard/selection_test_util.h"
#include "tests/wizard/settings_pages_env.h"

namespace {

constexpr int left_id = sel_tables_page::available_id;
constexpr int right_id = sel_tables_page::selected_id;
constexpr const wchar_t* kDuplicate = L"Duplicate table name. Try again.";
constexpr const wchar_t* kNotSelect = L"The query must start with SELECT.";

void use_nwind(wizard_env& env) {
  env.converter.direct = false;
  env.converter.src = wide(testdata("access/real/nwind.mdb"));
  env.converter.convert_views = false;
}

int index_of(const ui_control_host& page, int id, const std::wstring& name) {
  const name_list names = list_names(page, id);
  const auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

TEST(SelectionQueries, RemovedQueriesWaitOnTheLeftWithTheirText) {
  const udb_converter::item big{L"Big orders", L"SELECT * FROM Orders WHERE Freight > 100"};
  wizard_env env;
  use_nwind(env);
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    {
      dialog_driver dialogs({fill_and_ok(big.first, L"\r\n\t  " + big.second)});
      click(&page, sel_tables_page::add_query_id);
      EXPECT_TRUE(dialogs.done());
    }
    EXPECT_EQ(list_names(page, right_id), name_list{big.first});
    EXPECT_EQ(page.selected_queries(), udb_converter::item_list{big}) << "stored without its leading blanks";
    select_only(page, right_id, {0});
    click(&page, sel_tables_page::remove_id);
    EXPECT_EQ(index_of(page, left_id, big.first), 0);
    EXPECT_TRUE(page.selected_queries().empty());
    EXPECT_EQ(page.available_queries(), udb_converter::item_list{big});
    select_only(page, left_id, {0});
    click(&page, sel_tables_page::add_id);
    EXPECT_EQ(page.selected_queries(), udb_converter::item_list{big});
    // Stored on Next and restored on the next visit with its text.
    env.press(ui_id_next);
    EXPECT_EQ(env.converter.items, udb_converter::item_list{big});
    EXPECT_TRUE(env.converter.selected_tables.empty()) << "a query is not a source table";
    env.sheet().set_current_page(127);
    EXPECT_EQ(page.selected_queries(), udb_converter::item_list{big});
  });
}

TEST(SelectionQueries, NamesTakenInEitherListAreRefusedAndTheDialogComesBackFilledIn) {
  wizard_env env;
  use_nwind(env);
  env.converter.items = {{L"Big orders", L"SELECT * FROM Orders WHERE Freight > 100"}};
  env.converter.available_queries = {{L"Cheap products", L"SELECT * FROM Products WHERE UnitPrice < 10"}};
  const std::wstring query = L"SELECT * FROM Employees";
  struct name_case {
    const char* name;
    std::wstring entered;
    bool refused;
  } cases[] = {
      {"a selected table", L"Orders", true},
      {"a table still on the left", L"Products", true},
      {"a selected table in other case", L"ORDERS", true},
      {"another added query", L"big Orders", true},
      {"a query set aside on the left", L"cheap products", true},
      {"a free name", L"Staff", false},
  };
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    select_only(page, left_id, {index_of(page, left_id, L"Orders")});
    click(&page, sel_tables_page::add_id);
    for (const name_case& c : cases) {
      SCOPED_TRACE(c.name);
      const name_list before = list_names(page, right_id);
      dialog_fields again;
      std::vector<dialog_driver::step> steps{fill_and_ok(c.entered, query)};
      if (c.refused) steps.push_back(read_and_cancel(again));
      dialog_driver dialogs(steps);
      env.boxes.boxes.clear();
      click(&page, sel_tables_page::add_query_id);
      EXPECT_TRUE(dialogs.done());
      if (c.refused) {
        EXPECT_EQ(env.boxes.texts(), name_list{kDuplicate});
        EXPECT_EQ(again.name, c.entered);
        EXPECT_EQ(again.query, query);
        EXPECT_EQ(list_names(page, right_id), before);
      } else {
        EXPECT_TRUE(env.boxes.texts().empty());
        EXPECT_GE(index_of(page, right_id, c.entered), 0);
      }
    }
    EXPECT_EQ(page.selected_queries().size(), 2u);

    // Editing: the query may keep its own name in another case, not take another entry's.
    const int big = index_of(page, right_id, L"Big orders");
    dialog_fields shown;
    dialog_fields after_refusal;
    {
      dialog_driver dialogs(
          {[&](ui_dialog& d) {
             shown = {d.get_text(set_query_dlg::name_id), d.get_text(set_query_dlg::query_id)};
             d.set_text(set_query_dlg::name_id, L"customers");
             click(&d, 1);
           },
           [&](ui_dialog& d) {
             after_refusal = {d.get_text(set_query_dlg::name_id), d.get_text(set_query_dlg::query_id)};
             d.set_text(set_query_dlg::name_id, L"BIG ORDERS");
             click(&d, 1);
           }});
      env.boxes.boxes.clear();
      double_click(page, right_id, big);
      EXPECT_TRUE(dialogs.done());
    }
    EXPECT_EQ(shown.name, L"Big orders");
    EXPECT_EQ(shown.query, L"SELECT * FROM Orders WHERE Freight > 100");
    EXPECT_EQ(env.boxes.texts(), name_list{kDuplicate});
    EXPECT_EQ(after_refusal.name, L"customers");
    EXPECT_EQ(index_of(page, right_id, L"Big orders"), -1);
    EXPECT_GE(index_of(page, right_id, L"BIG ORDERS"), 0);
    EXPECT_EQ(page.selected_queries().front(),
              (udb_converter::item{L"BIG ORDERS", L"SELECT * FROM Orders WHERE Freight > 100"}))
        << "edited in place";
  });
}

TEST(SelectionQueries, CheckQueryTrimsTheFrontAndWantsSelect) {
  const std::wstring long_query = L"SELECT '" + std::wstring(20000, L'x') + L"' AS wide";
  struct query_case {
    const char* name;
    std::wstring text;
    bool passes;
    std::wstring stored;
  } cases[] = {
      {"plain", L"SELECT * FROM Orders", true, L"SELECT * FROM Orders"},
      {"leading blanks, tabs and line breaks", L" \t\r\n\n  select * from Orders", true, L"select * from Orders"},
      {"mixed case", L"SeLeCt 1", true, L"SeLeCt 1"},
      {"the word alone", L"select", true, L"select"},
      {"five characters", L"SELEC", false, L"SELEC"},
      {"all blanks", L" \t \n ", false, L""},
      {"another statement", L"DELETE FROM Orders", false, L"DELETE FROM Orders"},
      {"empty passes for the caller to report", L"", true, L""},
      {"20,000 characters kept whole", long_query, true, long_query},
  };
  for (const query_case& c : cases) {
    SCOPED_TRACE(c.name);
    set_query_dlg dialog(L"t", L"");
    dialog.set_text(set_query_dlg::query_id, c.text);
    EXPECT_EQ(dialog.check_query(), c.passes);
    EXPECT_EQ(dialog.query(), c.stored);
  }
}

TEST(SelectionQueries, OkRefusesWhatCannotBeStoredAndTestQueryAsksTheSource) {
  wizard_env env;
  use_nwind(env);
  const std::wstring syntax_start =
      L"You have an error in your query syntax. Make sure that it is a correct SQL SELECT-statement.";
  struct press_case {
    const char* name;
    std::wstring table;
    std::wstring query;
    int button;
    std::wstring box;  // starts with
  } cases[] = {
      {"no name", L"", L"SELECT 1", 1, L"Table name is empty!"},
      {"not a select", L"t", L"UPDATE Orders SET Freight = 0", 1, kNotSelect},
      {"no query", L"t", L"", 1, L"Query is empty!"},
      {"blanks only", L"t", L"  \r\n", 1, kNotSelect},
      {"test: a valid select", L"", L"SELECT OrderID, Freight FROM Orders WHERE Freight > 100", 129,
       L"The query is correct."},
      {"test: broken", L"", L"SELECT FROM WHERE Orders", 129, syntax_start},
      {"test: a table nwind lacks", L"", L"SELECT * FROM NoSuchTable", 129, syntax_start},
      {"test: not a select", L"", L"DROP TABLE Orders", 129, kNotSelect},
  };
  env.run(127, [&] {
    std::vector<dialog_driver::step> steps;
    for (const press_case& c : cases) {
      steps.push_back([&c](ui_dialog& d) {
        d.set_text(set_query_dlg::name_id, c.table);
        d.set_text(set_query_dlg::query_id, c.query);
        click(&d, c.button);
      });
    }
    steps.push_back([](ui_dialog& d) { click(&d, set_query_dlg::help_id); });
    bool still_open = false;
    steps.push_back([&](ui_dialog& d) {
      still_open = d.is_running();
      click(&d, 2);
    });
    dialog_driver dialogs(steps);
    set_query_dlg dialog(L"", L"");
    EXPECT_EQ(dialog.do_modal(env.shell.owner()), 2);
    EXPECT_TRUE(dialogs.done());
    EXPECT_TRUE(still_open) << "no refused OK, no test and no help closes the dialog";
  });
  EXPECT_EQ(env.help_opened(), std::vector<std::string>{"1025.html"});
  const name_list boxes = env.boxes.texts();
  ASSERT_EQ(boxes.size(), std::size(cases));
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].rfind(cases[i].box, 0), 0u) << cases[i].name << ": " << tk_unicode_to_utf8(boxes[i]);
  }
  EXPECT_NE(boxes[5].find(wide(tk_support_address)), std::wstring::npos) << "the syntax text names support";
}

}  // namespace
