// The tables and views pages in the wizard's sheet, offscreen, on the Access files of the test
// data: moving names and what is selected afterwards, the order of the views, added queries and
// the names they may not take, the question on an empty selection, where Next leads, what the
// converter holds after rounds of Back and Next, and a source that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "GUI2/page_error_text.h"
#include "tests/wizard/selection_test_util.h"
#include "tests/wizard/settings_pages_env.h"

namespace {

constexpr int left_id = sel_tables_page::available_id;
constexpr int right_id = sel_tables_page::selected_id;

// A dump destination, so that views can be made, with the source given.
void use_source(wizard_env& env, const std::string& source, bool views = true) {
  env.converter.direct = false;
  env.converter.src = wide(testdata(source));
  env.converter.convert_views = views;
}

// nwind's tables in the order the list shows them.
const name_list kNwind = {L"Categories", L"Customers", L"Employees", L"Order Details", L"Orders",
                          L"Products",   L"Shippers",  L"Suppliers", L"Umsätze"};

name_list without(const name_list& all, const name_list& gone) {
  name_list rest;
  for (const std::wstring& n : all) {
    if (std::find(gone.begin(), gone.end(), n) == gone.end()) rest.push_back(n);
  }
  return rest;
}

TEST(SelectionPages, MovesAndTheSelectionThatFollows) {
  struct move_case {
    const char* name;
    bool remove;                // from the right list, after Add all
    std::vector<int> selected;  // in the list the press takes from
    name_list moved;
    name_list selected_after;  // in the list the press took from, or the other when it emptied
  } cases[] = {
      {"add none", false, {}, {}, {}},
      {"add one", false, {1}, {L"Customers"}, {L"Employees"}},
      {"add several", false, {0, 2, 3}, {L"Categories", L"Employees", L"Order Details"}, {L"Orders"}},
      {"add the last", false, {8}, {L"Umsätze"}, {L"Suppliers"}},
      {"add every one", false, {0, 1, 2, 3, 4, 5, 6, 7, 8}, kNwind, {L"Categories"}},
      {"remove none", true, {}, {}, {}},
      {"remove one", true, {1}, {L"Customers"}, {L"Employees"}},
      {"remove several", true, {0, 2, 3}, {L"Categories", L"Employees", L"Order Details"}, {L"Orders"}},
      {"remove the last", true, {8}, {L"Umsätze"}, {L"Suppliers"}},
      {"remove every one", true, {0, 1, 2, 3, 4, 5, 6, 7, 8}, kNwind, {L"Categories"}},
  };
  wizard_env env;
  use_source(env, "access/real/nwind.mdb");
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    ASSERT_EQ(env.sheet().current_page(), &page);
    EXPECT_EQ(list_names(page, left_id), kNwind);
    EXPECT_EQ(selected_names(page, left_id), name_list{L"Categories"}) << "the first entry is highlighted";
    EXPECT_FALSE(page.is_shown(sel_tables_page::up_id));
    EXPECT_TRUE(page.is_shown(sel_tables_page::add_query_id));
    for (const move_case& c : cases) {
      SCOPED_TRACE(c.name);
      page.page_init();
      if (c.remove) click(&page, sel_tables_page::add_all_id);
      const int from = c.remove ? right_id : left_id;
      const int to = c.remove ? left_id : right_id;
      select_only(page, from, c.selected);
      page.list_set_caret(from, 4);
      click(&page, c.remove ? sel_tables_page::remove_id : sel_tables_page::add_id);
      EXPECT_EQ(list_names(page, to), c.moved);
      EXPECT_EQ(list_names(page, from), without(kNwind, c.moved));
      const bool emptied = page.list_count(from) == 0;
      EXPECT_EQ(selected_names(page, emptied ? to : from), c.selected_after);
      if (emptied) {
        EXPECT_EQ(page.list_current(to), 0);
      } else {
        // Nothing moved: the caret stays where the user left it.
        EXPECT_EQ(page.list_current(from), c.moved.empty() ? 4 : page.list_selection(from).front());
      }
    }
  });
}

TEST(SelectionPages, AddAllAndRemoveAllAndCaseBlindSorting) {
  wizard_env env;
  use_source(env, "access/real/nwind.mdb");
  // Added queries waiting on the left sort among the tables whatever their case.
  env.converter.available_queries = {{L"orders by year", L"SELECT * FROM Orders"},
                                     {L"alpha", L"SELECT * FROM Products"}};
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    EXPECT_EQ(list_names(page, left_id),
              (name_list{L"alpha", L"Categories", L"Customers", L"Employees", L"Order Details", L"Orders",
                         L"orders by year", L"Products", L"Shippers", L"Suppliers", L"Umsätze"}));
    click(&page, sel_tables_page::add_all_id);
    EXPECT_EQ(page.list_count(left_id), 0);
    EXPECT_EQ(page.list_count(right_id), 11);
    EXPECT_EQ(page.list_current(right_id), 0);
    EXPECT_EQ(page.selected_queries().size(), 2u) << "the queries went across with their names";
    EXPECT_TRUE(page.available_queries().empty());
    click(&page, sel_tables_page::remove_all_id);
    EXPECT_EQ(page.list_count(right_id), 0);
    EXPECT_EQ(page.list_count(left_id), 11);
    EXPECT_EQ(page.list_current(left_id), 0);
    EXPECT_EQ(page.available_queries().size(), 2u);
    env.press(ui_id_help);
    EXPECT_EQ(env.help_opened(), std::vector<std::string>{"1015.html"});
    // A double click on the left adds the entry under the mouse.
    double_click(page, left_id, 2);
    EXPECT_EQ(list_names(page, right_id), name_list{L"Customers"});
  });
}

TEST(SelectionPages, ViewsAreStoredInTheOrderTheUserGives) {
  wizard_env env;
  use_source(env, "access/real/nwind.mdb");
  udb_database::view_list source_views;
  env.converter.get_all_views(source_views);
  ASSERT_GE(source_views.size(), 3u);
  vdy_sel_views_page& views = env.selection.views;
  name_list shown_order;
  env.run(127, [&] {
    click(&env.selection.tables, sel_tables_page::add_id);
    env.press(ui_id_next);
    ASSERT_EQ(env.sheet().current_page(), &views);
    EXPECT_TRUE(views.is_shown(sel_tables_page::up_id));
    EXPECT_TRUE(views.is_shown(sel_tables_page::down_id));
    EXPECT_FALSE(views.is_shown(sel_tables_page::add_query_id));
    const name_list available = list_names(views, left_id);
    ASSERT_EQ(available.size(), source_views.size());
    select_only(views, left_id, {0, 1, 2});
    click(&views, sel_tables_page::add_id);
    const name_list a = {available[0], available[1], available[2]};
    ASSERT_EQ(list_names(views, right_id), a);
    struct press {
      int caret;  // -1: none
      int button;
      name_list after;
      int caret_after;
    } presses[] = {
        {2, sel_tables_page::up_id, {a[0], a[2], a[1]}, 1},  // the caret follows the entry
        {1, sel_tables_page::up_id, {a[2], a[0], a[1]}, 0},
        {0, sel_tables_page::up_id, {a[2], a[0], a[1]}, 0},    // already first
        {2, sel_tables_page::down_id, {a[2], a[0], a[1]}, 2},  // already last
        {0, sel_tables_page::down_id, {a[0], a[2], a[1]}, 1},
        {-1, sel_tables_page::down_id, {a[0], a[2], a[1]}, -1},  // no caret: nothing moves
    };
    for (const press& p : presses) {
      views.list_set_caret(right_id, p.caret);
      click(&views, p.button);
      EXPECT_EQ(list_names(views, right_id), p.after) << "caret " << p.caret;
      EXPECT_EQ(views.list_current(right_id), p.caret_after);
    }
    shown_order = list_names(views, right_id);
    env.press(ui_id_help);
    EXPECT_EQ(env.help_opened(), std::vector<std::string>{"1026.html"});
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 108);
  });
  name_list stored;
  for (const auto& [view_name, sql] : env.converter.selected_views) {
    stored.push_back(view_name);
    const auto& name = view_name;  // a structured binding cannot be captured in C++20
    const auto source =
        std::find_if(source_views.begin(), source_views.end(), [&](const auto& v) { return v.first == name; });
    ASSERT_NE(source, source_views.end());
    EXPECT_EQ(sql, source->second) << "each view keeps its own SQL text";
  }
  EXPECT_EQ(stored, shown_order);
  EXPECT_TRUE(env.boxes.texts().empty());
}

TEST(SelectionPages, AnEmptySelectionIsQuestionedUnlessThereIsNothingToSelect) {
  const std::wstring question = L"There are no tables selected. Continue anyway?";
  wizard_env env;
  use_source(env, "access/real/nwind.mdb", false);
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    env.boxes.answers = {ui_id_no};
    env.press(ui_id_next);
    EXPECT_EQ(env.sheet().current_page(), &page) << "No stays";
    ASSERT_EQ(env.boxes.texts(), name_list{question});
    EXPECT_EQ(env.boxes.taken().back().default_answer, ui_id_no);
    env.boxes.answers = {ui_id_yes};
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 108);
    EXPECT_TRUE(env.converter.selected_tables.empty());
    // A source without queries gives the views page two empty lists: nothing to ask about.
    env.converter.src = wide(testdata("access/jet4/testV2000.mdb"));
    vdy_sel_views_page& views = env.selection.views;
    views.page_init();
    EXPECT_EQ(views.list_count(left_id), 0);
    EXPECT_EQ(views.on_next(), 0);
  });
  EXPECT_EQ(env.boxes.texts().size(), 2u);
}

TEST(SelectionPages, NextSkipsTheViewsPageWhenNoViewWillBeMade) {
  struct route_case {
    const char* name;
    const char* source;
    bool direct;                   // to the private server, else a dump
    std::uint32_t server_version;  // 0: the private server's own
    bool convert_views;
    bool to_views;
  } cases[] = {
      {"dump, views on", "access/real/nwind.mdb", false, 0, true, true},
      {"views off", "access/real/nwind.mdb", false, 0, false, false},
      {"server that can make views", "access/real/nwind.mdb", true, 0, true, true},
      {"server too old for views", "access/real/nwind.mdb", true, 0x00040100, true, false},
      {"source without queries", "access/jet4/testV2000.mdb", false, 0, true, false},
  };
  for (const route_case& c : cases) {
    SCOPED_TRACE(c.name);
    wizard_env env;
    use_source(env, c.source, c.convert_views);
    if (c.direct) {
      env.converter.direct = true;
      env.use_test_server();
      if (c.server_version != 0) env.converter.engine.version = c.server_version;
    }
    env.run(127, [&] {
      click(&env.selection.tables, sel_tables_page::add_id);
      env.press(ui_id_next);
      if (c.to_views) {
        EXPECT_EQ(env.sheet().current_page(), &env.selection.views);
      } else {
        EXPECT_EQ(env.page(), 108);
      }
    });
    EXPECT_EQ(env.converter.selected_tables.size(), 1u);
    EXPECT_TRUE(env.boxes.texts().empty());
  }
}

TEST(SelectionPages, BackAndNextKeepTablesAndQueriesOnceAndTheRunConvertsThem) {
  const std::string folder = test_env::make_temp_dir();
  wizard_env env;
  use_source(env, "access/real/nwind.mdb");
  const udb_converter::item kept{L"Cheap products", L"SELECT * FROM Products WHERE UnitPrice < 10"};
  const udb_converter::item set_aside{L"Big orders", L"SELECT * FROM Orders WHERE Freight > 100"};
  // A profile may list a table among the items; the page shows it selected and stores it as one.
  env.converter.items = {kept, {L"Orders", L""}};
  env.converter.available_queries = {set_aside};
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    EXPECT_EQ(list_names(page, right_id), (name_list{kept.first, L"Orders"}));
    // Shippers and Customers across, then three rounds of Next and Back.
    select_only(page, left_id, {2, 6});
    click(&page, sel_tables_page::add_id);
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(round);
      env.press(ui_id_next);
      ASSERT_EQ(env.sheet().current_page(), &env.selection.views);
      EXPECT_EQ(env.converter.selected_tables, (name_list{L"Customers", L"Orders", L"Shippers"}));
      EXPECT_EQ(env.converter.items, udb_converter::item_list{kept});
      EXPECT_EQ(env.converter.available_queries, udb_converter::item_list{set_aside});
      env.press(ui_id_back);
      ASSERT_EQ(env.sheet().current_page(), &page);
      EXPECT_EQ(list_names(page, right_id), (name_list{kept.first, L"Customers", L"Orders", L"Shippers"}));
      EXPECT_EQ(page.list_count(left_id), 7) << "six tables and the query set aside";
    }
    env.press(ui_id_next);
    click(&env.selection.views, sel_tables_page::remove_all_id);
    env.boxes.answers = {ui_id_yes};
    env.press(ui_id_next);
    EXPECT_EQ(env.page(), 108);
  });
  // What the pages stored is what the run converts.
  env.converter.dest = wide(folder + "/reentry.sql");
  env.converter.run();
  EXPECT_EQ(env.converter.tables_written, 4u);
  std::ifstream in(folder + "/reentry.sql");
  const std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const char* table : {"Customers", "Orders", "Shippers", "Cheap products"}) {
    EXPECT_NE(dump.find(std::string("CREATE TABLE `") + table + "`"), std::string::npos) << table;
  }
  for (const char* table : {"Employees", "Products", "Big orders"}) {
    EXPECT_EQ(dump.find(std::string("CREATE TABLE `") + table + "`"), std::string::npos) << table;
  }
}

TEST(SelectionPages, ASourceThatCannotBeReadIsReportedAndNextStays) {
  const std::string folder = test_env::make_temp_dir();
  const std::string broken = folder + "/broken.mdb";
  std::ofstream(broken) << "not an Access database";
  wizard_env env;
  env.converter.direct = false;
  env.converter.src = wide(broken);
  std::wstring expected;
  try {
    std::vector<std::wstring> tables;
    env.converter.get_all_tables(tables);
    FAIL() << "the file was read";
  } catch (const tk_exception& e) {
    expected = page_error_text(e);
  }
  vdy_sel_tables_page& page = env.selection.tables;
  env.run(127, [&] {
    EXPECT_EQ(env.sheet().current_page(), &page) << "the page shows, so the user sees where it failed";
    EXPECT_EQ(env.boxes.texts(), name_list{expected});
    env.press(ui_id_next);
    EXPECT_EQ(env.sheet().current_page(), &page);
    EXPECT_EQ(env.boxes.texts(), (name_list{expected, expected}));
    // Mended and shown again, the page reads the source and Next goes on.
    env.converter.src = wide(testdata("access/real/nwind.mdb"));
    env.press(ui_id_back);
    env.press(ui_id_next);
    ASSERT_EQ(env.sheet().current_page(), &page);
    click(&page, sel_tables_page::add_id);
    env.press(ui_id_next);
    EXPECT_NE(env.sheet().current_page(), &page);
  });
  EXPECT_TRUE(env.other_errors.empty());
}

}  // namespace
