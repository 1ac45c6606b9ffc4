// Controls built from a table and used by id: check boxes that only code changes, radios,
// texts, lists, the progress bar's clamping and the edit's limit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <stdexcept>

#include "platform/ui/ui_control_host.h"
#include "tests/wizard/label_on_screen.h"

namespace {

struct recorded_event {
  int id;
  ui_event event;
  bool operator==(const recorded_event&) const = default;
};

class recording_host : public ui_control_host {
 public:
  explicit recording_host(ui_dialog_def def) : ui_control_host(std::move(def)) {}
  std::vector<recorded_event> events;

 protected:
  bool on_command(int id, ui_event event) override {
    if (event != ui_event::focus_in && event != ui_event::focus_out) events.push_back({id, event});
    return true;
  }
};

ui_dialog_def toggles() {
  return {200,
          L"",
          200,
          120,
          {{1202, ui_kind::check_box, L"&Plain", {5, 5, 80, 10}},
           {1203, ui_kind::auto_check_box, L"&Automatic", {5, 17, 80, 10}},
           {1329, ui_kind::radio, L"P&lain radio", {5, 29, 80, 10}},
           {1330, ui_kind::auto_radio, L"Auto &one", {5, 41, 80, 10}, ui_flag_group_start},
           {1331, ui_kind::auto_radio, L"Auto &two", {5, 53, 80, 10}},
           {1332, ui_kind::auto_radio, L"Other &group", {5, 65, 80, 10}, ui_flag_group_start}}};
}

struct toggle_case {
  const char* name;
  int id;
  std::map<int, int> expected;  // check states of every toggle after one click on `id`
};

class control_click : public ::testing::TestWithParam<toggle_case> {};

TEST_P(control_click, changes_only_what_the_kind_allows_and_is_reported) {
  const toggle_case& c = GetParam();
  recording_host host(toggles());
  host.show();
  host.set_check(1330, ui_checked);
  host.set_check(1332, ui_checked);
  host.events.clear();
  // On the indicator: a check box answers only clicks on its box and its text.
  QWidget* target = host.control(c.id);
  QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
  for (const auto& [id, state] : c.expected) EXPECT_EQ(host.get_check(id), state) << "control " << id;
  EXPECT_EQ(host.events, (std::vector<recorded_event>{{c.id, ui_event::clicked}}));
}

INSTANTIATE_TEST_SUITE_P(
    table, control_click,
    ::testing::Values(
        toggle_case{"plain_check_box_stays", 1202, {{1202, 0}, {1203, 0}, {1329, 0}, {1330, 1}, {1331, 0}, {1332, 1}}},
        toggle_case{
            "automatic_check_box_toggles", 1203, {{1202, 0}, {1203, 1}, {1329, 0}, {1330, 1}, {1331, 0}, {1332, 1}}},
        toggle_case{"plain_radio_stays", 1329, {{1202, 0}, {1203, 0}, {1329, 0}, {1330, 1}, {1331, 0}, {1332, 1}}},
        toggle_case{"automatic_radio_moves_within_its_group",
                    1331,
                    {{1202, 0}, {1203, 0}, {1329, 0}, {1330, 0}, {1331, 1}, {1332, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(control_click, the_space_key_does_not_toggle_a_plain_check_box_either) {
  recording_host host(toggles());
  host.show();
  host.focus(1202);
  QTest::keyClick(host.control(1202), Qt::Key_Space);
  EXPECT_EQ(host.get_check(1202), ui_unchecked);
  EXPECT_EQ(host.events, (std::vector<recorded_event>{{1202, ui_event::clicked}}));
}

TEST(control_check, code_sets_every_state_and_check_radio_clears_the_range) {
  recording_host host(toggles());
  host.set_check(1202, ui_checked);
  EXPECT_EQ(host.get_check(1202), ui_checked);
  host.set_check(1202, ui_indeterminate);
  EXPECT_EQ(host.get_check(1202), ui_indeterminate);
  // An automatic radio group lets code clear its checked member.
  host.set_check(1330, ui_checked);
  host.set_check(1330, ui_unchecked);
  EXPECT_EQ(host.get_check(1330), ui_unchecked);
  host.check_radio(1329, 1331, 1329);
  host.check_radio(1329, 1331, 1331);
  EXPECT_EQ(host.get_check(1329), ui_unchecked);
  EXPECT_EQ(host.get_check(1331), ui_checked);
  EXPECT_TRUE(host.events.empty()) << "code's own changes are not reported as clicks";
}

ui_dialog_def texts() {
  return {300,
          L"",
          220,
          160,
          {{ui_id_static, ui_kind::static_text, L"&Label", {5, 5, 60, 10}},
           {1313, ui_kind::static_text, L"Title && more", {5, 5, 60, 10}},
           {1012, ui_kind::edit, L"", {70, 5, 60, 12}},
           {1016, ui_kind::multiline_edit, L"", {5, 20, 200, 40}, ui_flag_vscroll | ui_flag_read_only},
           {1116, ui_kind::push_button, L"&Save Settings...", {5, 65, 60, 14}},
           {1317, ui_kind::list_box, L"", {5, 85, 60, 50}, ui_flag_sorted | ui_flag_multi_select},
           {1303, ui_kind::combo_list, L"", {70, 85, 80, 60}},
           {1321, ui_kind::progress, L"", {5, 140, 200, 8}},
           {1316, ui_kind::list_view, L"", {150, 5, 60, 60}, ui_flag_check_boxes}}};
}

TEST(control_text, reads_back_what_was_set_and_reports_only_the_users_edits) {
  recording_host host(texts());
  host.show();
  EXPECT_EQ(host.get_text(1313), L"Title && more");
  EXPECT_EQ(host.get_text(1116), L"&Save Settings...");
  host.set_text(1012, L"root");
  host.set_text(1313, L"Conversion is Completed");
  EXPECT_EQ(host.get_text(1012), L"root");
  EXPECT_EQ(host.get_text(1313), L"Conversion is Completed");
  EXPECT_TRUE(host.events.empty());
  host.focus(1012);
  QTest::keyClicks(host.control(1012), "x");
  EXPECT_EQ(host.get_text(1012), L"rootx");
  EXPECT_EQ(host.events, (std::vector<recorded_event>{{1012, ui_event::text_changed}}));
  EXPECT_THROW(host.get_text(4242), std::out_of_range);
  EXPECT_THROW(recording_host({1, L"", 10, 10, {{5, ui_kind::edit, L"", {}}, {5, ui_kind::edit, L"", {}}}}),
               std::logic_error);
}

TEST(control_text, append_goes_to_the_end_and_stops_at_the_limit) {
  recording_host host(texts());
  host.set_text_limit(1016, 12);
  host.append_text(1016, L"line 1\r\n");
  host.select_text(1016, 0, 2);
  host.append_text(1016, L"line 2\r\n");
  EXPECT_EQ(host.get_text(1016), L"line 1\nline ");
}

TEST(control_list, sorted_lists_find_by_prefix_from_after_a_start_and_wrap) {
  recording_host host(texts());
  for (const wchar_t* name : {L"Orders", L"customers", L"Order Details", L"Employees"}) host.list_add(1317, name);
  std::vector<std::wstring> shown;
  for (int i = 0; i < host.list_count(1317); ++i) shown.push_back(host.list_text(1317, i));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"customers", L"Employees", L"Order Details", L"Orders"}));
  host.list_select(1317, 0, true);
  host.list_select(1317, 3, true);
  EXPECT_EQ(host.list_selection(1317), (std::vector<int>{0, 3}));
  for (const wchar_t* cs : {L"utf8 - UTF-8 Unicode", L"latin1 - cp1252 West European", L"utf8mb4 - UTF-8"}) {
    host.list_add(1303, cs);
  }
  // The search starts after the given index, so with the default it skips nothing, and started
  // after 0 it finds utf8mb4 before wrapping to utf8.
  EXPECT_EQ(host.list_find_prefix(1303, L"UTF8"), 0);
  EXPECT_EQ(host.list_find_prefix(1303, L"utf8", 0), 2);
  EXPECT_EQ(host.list_find_prefix(1303, L"LATIN1", 2), 1);
  EXPECT_EQ(host.list_find_prefix(1303, L"koi8"), -1);
  host.list_set_current(1303, 1);
  EXPECT_EQ(host.get_text(1303), L"latin1 - cp1252 West European");
}

TEST(control_list, sorting_ignores_case_and_the_user_selects_several_with_control_and_shift) {
  recording_host host(texts());
  host.show();
  // Qt's own sorting would give "Alpha, Gamma, alpha, beta"; a new text goes after its equals.
  for (const wchar_t* name : {L"Gamma", L"alpha", L"beta", L"Alpha"}) host.list_add(1317, name);
  std::vector<std::wstring> shown;
  for (int i = 0; i < host.list_count(1317); ++i) shown.push_back(host.list_text(1317, i));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"alpha", L"Alpha", L"beta", L"Gamma"}));
  auto* list = qobject_cast<QListWidget*>(host.control(1317));
  ASSERT_NE(list, nullptr);
  auto press = [&](int row, Qt::KeyboardModifiers keys) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, list->visualItemRect(list->item(row)).center());
  };
  press(0, Qt::NoModifier);
  press(2, Qt::ControlModifier);
  EXPECT_EQ(host.list_selection(1317), (std::vector<int>{0, 2}));
  press(3, Qt::ShiftModifier);
  const std::vector<int> extended = host.list_selection(1317);
  EXPECT_NE(std::find(extended.begin(), extended.end(), 3), extended.end());
  EXPECT_NE(std::find(extended.begin(), extended.end(), 2), extended.end());
  EXPECT_EQ(host.events.back(), (recorded_event{1317, ui_event::selection_changed}));
  // The caret moves without touching the selection, and code's move is not reported.
  const std::size_t reported = host.events.size();
  host.list_set_caret(1317, 1);
  EXPECT_EQ(host.list_current(1317), 1);
  EXPECT_EQ(host.list_selection(1317), extended);
  EXPECT_EQ(host.events.size(), reported);
}

TEST(control_list, list_view_rows_cells_and_check_boxes) {
  recording_host host(texts());
  host.show();
  host.view_set_columns(1316, {L"", L"Field Name", L"Field Type"});
  host.view_add_row(1316, {L"", L"ID", L"int"});
  host.view_insert_row(1316, 0, {L"", L"Name", L"varchar(50)"});
  EXPECT_EQ(host.view_cell(1316, 0, 1), L"Name");
  EXPECT_EQ(host.view_cell(1316, 1, 2), L"int");
  host.view_set_row_checked(1316, 1, true);
  EXPECT_FALSE(host.view_row_checked(1316, 0));
  EXPECT_TRUE(host.view_row_checked(1316, 1));
  EXPECT_TRUE(host.events.empty());
  EXPECT_THROW(host.view_cell(1316, 5, 0), std::out_of_range);
}

TEST(control_progress, values_outside_the_range_show_its_nearer_end) {
  recording_host host(texts());
  for (auto [value, shown] : std::vector<std::pair<int, int>>{{57, 57}, {125, 100}, {-3, 0}, {0, 0}, {100, 100}}) {
    host.set_progress(1321, 57);
    host.set_progress(1321, value);
    EXPECT_EQ(host.get_progress(1321), shown) << "value " << value;
  }
}

TEST(control_geometry, a_closed_combo_box_is_one_line_high_and_leaves_the_control_below_visible) {
  // Templates give a combo box the height of its dropped-down list.
  recording_host host({200,
                       L"",
                       200,
                       120,
                       {{1303, ui_kind::combo_list, L"", {5, 5, 150, 80}},
                        {1304, ui_kind::combo_edit, L"", {5, 23, 150, 40}},
                        {1305, ui_kind::edit, L"", {5, 41, 150, 12}}}});
  host.show();
  for (int id : {1303, 1304}) {
    SCOPED_TRACE(id);
    QWidget* combo = host.control(id);
    const QRect below = host.control(id + 1)->geometry();
    EXPECT_EQ(combo->height(), combo->sizeHint().height());
    EXPECT_LE(combo->geometry().bottom(), below.top()) << "covers the next control";
    EXPECT_EQ(combo->width(), below.width()) << "the template's width is kept";
  }
}

}  // namespace

namespace {

// A list view whose owner writes every row change it is offered and may refuse the old row's loss
// of the selection or any check box change, as a column editor refuses to leave a row it cannot
// store.
class row_host : public ui_control_host {
 public:
  row_host()
      : ui_control_host(
            {135, L"", 200, 120, {{1316, ui_kind::list_view, L"", {5, 5, 190, 100}, ui_flag_check_boxes}}}) {}
  bool refuse_leaving = false;
  bool refuse_check = false;
  std::vector<std::string> journal;

 protected:
  static std::string text(const char* what, const ui_row_change& c) {
    return std::string(what) + " " + std::to_string(c.row) + " sel " + std::to_string(c.was_selected) + ">" +
           std::to_string(c.selected) + " chk " + std::to_string(c.was_checked) + ">" + std::to_string(c.checked);
  }
  bool on_row_changing(int, const ui_row_change& c) override {
    journal.push_back(text("changing", c));
    if (refuse_leaving && c.was_selected && !c.selected) return false;
    return !(refuse_check && c.was_checked != c.checked);
  }
  void on_row_changed(int, const ui_row_change& c) override { journal.push_back(text("changed", c)); }
  bool on_command(int, ui_event e) override {
    if (e == ui_event::selection_changed) journal.push_back("selection_changed");
    if (e == ui_event::item_check_changed) journal.push_back("item_check_changed");
    return true;
  }
};

enum class row_action { click_row_1, space_on_row_0 };

struct row_case {
  const char* name;
  row_action act;
  bool refuse_leaving;
  bool refuse_check;
  int expected_selected;
  bool expected_row_0_checked;
  std::vector<std::string> expected_journal;
};

class list_view_rows : public ::testing::TestWithParam<row_case> {};

TEST_P(list_view_rows, offers_each_change_and_a_refused_one_leaves_the_row_as_it_was) {
  const row_case& c = GetParam();
  row_host host;
  host.show();
  host.view_set_columns(1316, {L"", L"Field Name"});
  host.view_add_row(1316, {L"", L"ID"});
  host.view_add_row(1316, {L"", L"Name"});
  host.list_select(1316, 0, true);
  host.refuse_leaving = c.refuse_leaving;
  host.refuse_check = c.refuse_check;
  auto* view = host.control(1316);
  if (c.act == row_action::click_row_1) {
    auto* tree = static_cast<QTreeWidget*>(view);
    const QRect cell = tree->visualItemRect(tree->topLevelItem(1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(cell.center().x() + cell.width() / 4, cell.center().y()));
  } else {
    host.focus(1316);
    QTest::keyClick(view, Qt::Key_Space);
  }
  EXPECT_EQ(host.list_selection(1316), std::vector<int>{c.expected_selected});
  EXPECT_EQ(host.view_row_checked(1316, 0), c.expected_row_0_checked);
  EXPECT_EQ(host.journal, c.expected_journal);
}

INSTANTIATE_TEST_SUITE_P(
    table, list_view_rows,
    ::testing::Values(
        row_case{"selection_moves",
                 row_action::click_row_1,
                 false,
                 false,
                 1,
                 false,
                 {"changing 0 sel 1>0 chk 0>0", "changing 1 sel 0>1 chk 0>0", "changed 0 sel 1>0 chk 0>0",
                  "changed 1 sel 0>1 chk 0>0", "selection_changed"}},
        row_case{"leaving_refused", row_action::click_row_1, true, false, 0, false, {"changing 0 sel 1>0 chk 0>0"}},
        row_case{"check_box_ticked",
                 row_action::space_on_row_0,
                 false,
                 false,
                 0,
                 true,
                 {"changing 0 sel 1>1 chk 0>1", "changed 0 sel 1>1 chk 0>1", "item_check_changed"}},
        row_case{
            "check_box_refused", row_action::space_on_row_0, false, true, 0, false, {"changing 0 sel 1>1 chk 0>1"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// A label's letter leads to the next row when that is a field, or to the field the template names;
// a label with no field keeps no "&" on screen and takes no key.
TEST(control_mnemonic, a_label_leads_to_its_field_and_one_without_a_field_shows_plain_text) {
  ui_control_host host({100,
                        L"",
                        200,
                        100,
                        {{ui_id_static, ui_kind::static_text, L"&Name:", {5, 5, 40, 9}},
                         {1003, ui_kind::edit, L"", {50, 5, 100, 12}},
                         {ui_id_static, ui_kind::static_text, L"&Query:", {5, 20, 40, 9}, ui_flag_none, 1005},
                         {1004, ui_kind::edit, L"", {50, 20, 100, 12}},
                         {1005, ui_kind::edit, L"", {50, 35, 100, 12}},
                         {1320, ui_kind::static_text, L"R&D failed", {5, 50, 90, 9}},
                         {1, ui_kind::push_button, L"OK", {100, 50, 40, 14}}}});
  host.show();
  QApplication::setActiveWindow(&host);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
  struct key_case {
    Qt::Key key;
    int focused;
  } cases[] = {{Qt::Key_N, 1003}, {Qt::Key_Q, 1005}};
  for (const key_case& c : cases) {
    host.focus(1004);
    QTest::keyClick(host.control(1004), c.key, Qt::AltModifier);
    EXPECT_EQ(host.focused(), c.focused) << QKeySequence(c.key).toString().toStdString();
  }
  EXPECT_EQ(qobject_cast<QLabel*>(host.control(1320))->text(), QStringLiteral("RD failed"));
  EXPECT_EQ(host.get_text(1320), L"R&D failed");
  host.focus(1004);
  QTest::keyClick(host.control(1004), Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(host.focused(), 1004);
}

// Text that code sets (a table name, a message) shows as it stands; only a caption carries "&"
// marks, whose letter leads to the label's field and whose "&&" shows one "&".
TEST(control_mnemonic, text_set_by_code_shows_as_it_stands_and_only_captions_carry_marks) {
  ui_control_host host({100,
                        L"",
                        240,
                        100,
                        {{1301, ui_kind::static_text, L"&Name:", {5, 5, 60, 9}},
                         {1303, ui_kind::edit, L"", {70, 5, 100, 12}},
                         {1302, ui_kind::static_text, L"", {5, 20, 200, 9}},
                         {1304, ui_kind::link, L"", {5, 35, 200, 9}},
                         {1305, ui_kind::edit, L"", {70, 50, 100, 12}},
                         {1, ui_kind::push_button, L"OK", {180, 70, 40, 14}}}});
  host.show();
  QApplication::setActiveWindow(&host);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
  struct text_case {
    const char* what;
    int id;
    bool caption;  // set_caption, else set_text
    const wchar_t* text;
    const char* shown;  // null: a mark shows underlined, no plain text to compare with
    Qt::Key alt_key;
    int focused;  // after Alt+alt_key from the last edit
  } cases[] = {
      {"a table name on a label", 1302, false, L"Processing table 'R&D'", "Processing table 'R&D'", Qt::Key_D, 1305},
      {"doubled ampersands on a label", 1302, false, L"A && B", "A && B", Qt::Key_B, 1305},
      {"a table name on a label that leads to a field", 1301, false, L"R&D", "R&D", Qt::Key_D, 1305},
      {"a table name on a link", 1304, false, L"R&D", "R&D", Qt::Key_D, 1305},
      {"a caption on a label without a field", 1302, true, L"R&&D &Costs", "R&D Costs", Qt::Key_C, 1305},
      {"a caption with a doubled mark on a label with a field", 1301, true, L"R&&D:", "R&D:", Qt::Key_D, 1305},
      {"a caption whose letter leads to the field", 1301, true, L"&Name:", nullptr, Qt::Key_N, 1303},
  };
  for (const text_case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.caption) {
      host.set_caption(c.id, c.text);
    } else {
      host.set_text(c.id, c.text);
    }
    EXPECT_EQ(host.get_text(c.id), c.text);
    auto* label = qobject_cast<QLabel*>(host.control(c.id));
    ASSERT_NE(label, nullptr);
    if (c.shown != nullptr) {
      EXPECT_TRUE(label_shows(label, QString::fromUtf8(c.shown))) << label->text().toStdString();
    }
    host.focus(1305);
    QTest::keyClick(host.control(1305), c.alt_key, Qt::AltModifier);
    EXPECT_EQ(host.focused(), c.focused);
  }
}
