// The wizard walked from welcome to finish as a user walks it, in the program's own function (the
// sheet and pages it builds), with QTest clicks and keystrokes: once into the private server and
// once into a dump file loaded into a fresh database afterwards. Every table's values are checked
// against mdb-export; the settings saved on the finish page, run by VDYAGENT --profile, must give
// the same database again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "GUI2/conversion_settings.h"
#include "GUI2/gui_finish_page.h"
#include "GUI2/mysql_settings_page.h"
#include "GUI2/sel_file_page.h"
#include "GUI2/sel_tables_page.h"
#include "GUI2/types_map_dlg.h"
#include "GUI2/welcome_page.h"
#include "GUI2/wizard_program.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_utils.h"
#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/test_env.h"
#include "tests/support/test_mdbtools.h"
#include "tests/support/test_mysql.h"
#include "tests/support/value_check.h"
#include "tests/wizard/shell_test_util.h"

namespace {

using console_test::mysql_client;

constexpr int kWelcome = 103;
constexpr int kDumpOptions = 102;
constexpr int kServer = 123;
constexpr int kWorkgroup = 105;
constexpr int kDatabases = 106;
constexpr int kConversion = 110;
constexpr int kSelection = 127;  // the tables page, then the views page
constexpr int kProgress = 108;
constexpr int kFinish = 116;

// The views picked on the views page, with the rows each must show.
const std::string kViews[] = {"Order Details Extended", "Current Product List"};
const char* const kViewRows[] = {"2155", "69"};

// What a walk chooses on its way.
struct walk_choices {
  bool direct = true;
  std::string dest;     // the database name or the dump file
  std::string profile;  // saved from the finish page
};

// Answers every save dialog with one path and counts the requests.
class save_dialog_answer {
 public:
  explicit save_dialog_answer(const std::string& path) {
    previous_ = ui_set_save_file_hook([this, path](const ui_file_request&) -> std::optional<std::wstring> {
      ++asked;
      return tk_utf8_to_unicode(path);
    });
  }
  ~save_dialog_answer() { ui_set_save_file_hook(previous_); }
  int asked = 0;

 private:
  ui_file_hook previous_;
};

ui_property_sheet& sheet() { return wizard_shell::get_instance()->sheet(); }

// The last box shown, for a failure's message.
std::string last_box(box_recorder& boxes) {
  const std::vector<std::wstring> texts = boxes.texts();
  return texts.empty() ? "(no box)" : tk_unicode_to_utf8(texts.back());
}

// Clicks a sheet button with the mouse once it is enabled, then waits for `expected` to show.
void press(int button, int expected, box_recorder& boxes, int timeout_ms = 30000) {
  ASSERT_TRUE(wait_for([&] { return sheet().button_enabled(button) && sheet().button_shown(button); }))
      << "button " << button << " on page " << sheet().current_page_id();
  QTest::mouseClick(sheet().button(button), Qt::LeftButton);
  ASSERT_TRUE(wait_for([&] { return sheet().current_page_id() == expected; }, timeout_ms))
      << "expected page " << expected << ", still on " << sheet().current_page_id() << "; " << last_box(boxes);
}

// Types into an edit, replacing what it held.
void type_into(ui_control_host* host, int id, const std::string& text) {
  auto* edit = qobject_cast<QLineEdit*>(host->control(id));
  ASSERT_NE(edit, nullptr) << id;
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, QString::fromStdString(text));
  ASSERT_EQ(edit->text().toStdString(), text);
}

void type(int id, const std::string& text) { type_into(sheet().current_page(), id, text); }

QAbstractButton* page_button(int id) { return qobject_cast<QAbstractButton*>(sheet().current_page()->control(id)); }
QListWidget* list(int id) { return qobject_cast<QListWidget*>(sheet().current_page()->control(id)); }

std::vector<std::string> list_texts(int id) {
  std::vector<std::string> texts;
  QListWidget* l = list(id);
  for (int i = 0; l != nullptr && i < l->count(); ++i) texts.push_back(l->item(i)->text().toStdString());
  return texts;
}

// The modal dialog with this id once it shows; null when it does not within half a minute.
ui_control_host* dialog_shown(int id) {
  ui_control_host* found = nullptr;
  wait_for(
      [&] {
        found = modal_dialog();
        return found != nullptr && found->dialog_id() == id;
      },
      30000);
  return found != nullptr && found->dialog_id() == id ? found : nullptr;
}

// Clicks the entry with this text.
void click_item(QListWidget* l, const std::string& text, Qt::KeyboardModifiers keys) {
  ASSERT_NE(l, nullptr);
  const QList<QListWidgetItem*> found = l->findItems(QString::fromStdString(text), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text;
  l->scrollToItem(found[0]);
  QTest::mouseClick(l->viewport(), Qt::LeftButton, keys, l->visualItemRect(found[0]).center());
  ASSERT_TRUE(found[0]->isSelected()) << text;
}

// Checks a radio button or check box of the page on screen.
void choose(int id) {
  auto* button = qobject_cast<QAbstractButton*>(sheet().current_page()->control(id));
  ASSERT_NE(button, nullptr) << id;
  if (!button->isChecked()) button->click();
  ASSERT_TRUE(button->isChecked()) << id;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

bool exists(const std::string& path) {
  struct stat state;
  return ::stat(path.c_str(), &state) == 0;
}

// One base table or view as the server holds it: its definition and its rows, sorted.
struct table_state {
  std::string name;
  std::string definition;  // SHOW CREATE TABLE; for a view only its kind
  std::vector<std::vector<std::string>> rows;
};

std::vector<table_state> database_state(mysql_client& sql, const std::string& database) {
  std::vector<table_state> state;
  for (const test_env::mysql_row& t :
       test_env::query_rows(sql.handle(), "SHOW FULL TABLES FROM " + console_test::quoted(database))) {
    table_state s;
    s.name = t[0].value_or("");
    const std::string full = console_test::quoted(database) + "." + console_test::quoted(s.name);
    if (t[1].value_or("") == "VIEW") {
      s.definition = "VIEW";
    } else {
      const std::vector<test_env::mysql_row> create = test_env::query_rows(sql.handle(), "SHOW CREATE TABLE " + full);
      if (!create.empty()) s.definition = create[0][1].value_or("");
    }
    s.rows = test_env::null_marked(test_env::query_rows(sql.handle(), "SELECT * FROM " + full));
    std::sort(s.rows.begin(), s.rows.end());
    state.push_back(std::move(s));
  }
  std::sort(state.begin(), state.end(), [](const table_state& a, const table_state& b) { return a.name < b.name; });
  return state;
}

// Fails the test for every table or view that differs between two states of a database.
void expect_same_state(const std::vector<table_state>& expected, const std::vector<table_state>& found,
                       const std::string& what) {
  std::vector<std::string> expected_names, found_names;
  for (const table_state& t : expected) expected_names.push_back(t.name);
  for (const table_state& t : found) found_names.push_back(t.name);
  EXPECT_EQ(found_names, expected_names) << what;
  for (const table_state& e : expected) {
    for (const table_state& f : found) {
      if (f.name != e.name) continue;
      EXPECT_EQ(f.definition, e.definition) << what << ": " << e.name;
      EXPECT_EQ(f.rows.size(), e.rows.size()) << what << ": " << e.name;
      EXPECT_TRUE(f.rows == e.rows) << what << ": the rows of " << e.name;
    }
  }
}

class WizardWalk : public ::testing::Test {
 protected:
  // The column editor's mapping files where an installed program finds them: the user's data folder.
  void SetUp() override {
    namespace fs = std::filesystem;
    const fs::path data = fs::path(dir) / "data";
    fs::create_directories(data / "Quellbrook" / "Ostrelle");
    for (const char* name : {"sql.map", "sql.typ"})
      fs::copy_file(fs::path(OSTRELLE_GUI2_DIR) / name, data / "Quellbrook" / "Ostrelle" / name);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  }

  // Runs the wizard program and walks it with `choices`; answers its exit status.
  int walk(const walk_choices& choices) {
    save_dialog_answer save(choices.profile);
    later([&] {
      walk_pages(choices);
      // A walk that failed half way leaves the sheet open: end it so the program returns.
      if (wizard_shell::exists() && sheet().isVisible() && sheet().current_page() != nullptr)
        sheet().end_sheet(ui_sheet_cancelled);
    });
    const char* args[] = {"vandry"};
    const int status = wizard_program(1, args);
    EXPECT_EQ(save.asked, 1);
    return status;
  }

  void walk_pages(const walk_choices& c) {
    ASSERT_TRUE(wait_for([] { return sheet().current_page_id() == kWelcome; }));
    choose(c.direct ? welcome_page::direct_id : welcome_page::dump_id);
    if (c.direct) {
      ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kServer, boxes));
      choose(mysql_settings_page::remote_id);
      type(mysql_settings_page::host_id, "127.0.0.1");
      type(mysql_settings_page::port_id, std::to_string(server.port));
      type(mysql_settings_page::user_id, server.user);
      type(mysql_settings_page::password_id, server.password);
    } else {
      ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kDumpOptions, boxes));
    }
    ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kWorkgroup, boxes));
    ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kDatabases, boxes));
    type(sel_file_page::source_id, source);
    type(sel_file_page::dest_id, c.dest);
    ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kConversion, boxes));
    ASSERT_NO_FATAL_FAILURE(walk_selection_pages());
    // The run: nwind under the sanitizers takes a while.
    ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kProgress, boxes));
    ASSERT_TRUE(wait_for([] { return sheet().current_page_id() == kFinish; }, 600000)) << last_box(boxes);
    const std::wstring result = sheet().current_page()->get_text(gui_finish_page_t::result_id);
    EXPECT_NE(result.find(L"successfully"), std::wstring::npos) << tk_unicode_to_utf8(result);
    auto* save_button = qobject_cast<QAbstractButton*>(sheet().current_page()->control(gui_finish_page_t::save_id));
    ASSERT_NE(save_button, nullptr);
    QTest::mouseClick(save_button, Qt::LeftButton);
    EXPECT_TRUE(exists(c.profile));
    ASSERT_TRUE(wait_for([] { return sheet().button_enabled(ui_id_finish); }));
    QTest::mouseClick(sheet().button(ui_id_finish), Qt::LeftButton);
  }

  // Step 5: every table, Shippers edited in the column editor; step 6: two of the queries as views.
  void walk_selection_pages() {
    choose(conversion_settings::views_id);
    ASSERT_NO_FATAL_FAILURE(press(ui_id_next, kSelection, boxes));
    QTest::mouseClick(page_button(sel_tables_page::add_all_id), Qt::LeftButton);
    ASSERT_EQ(list_texts(sel_tables_page::selected_id).size(), test_env::mdb_tables(source).size());
    ASSERT_NO_FATAL_FAILURE(edit_shippers());
    const ui_page* tables = sheet().current_page();
    ASSERT_TRUE(wait_for([] { return sheet().button_enabled(ui_id_next); }));
    QTest::mouseClick(sheet().button(ui_id_next), Qt::LeftButton);
    ASSERT_TRUE(wait_for([&] { return sheet().current_page() != tables; })) << last_box(boxes);
    ASSERT_EQ(sheet().current_page_id(), kSelection);
    // Two views picked with Ctrl held, then moved across.
    QListWidget* available = list(sel_tables_page::available_id);
    click_item(available, kViews[0], Qt::NoModifier);
    click_item(available, kViews[1], Qt::ControlModifier);
    QTest::mouseClick(page_button(sel_tables_page::add_id), Qt::LeftButton);
    std::vector<std::string> chosen = list_texts(sel_tables_page::selected_id);
    std::sort(chosen.begin(), chosen.end());
    ASSERT_EQ(chosen, (std::vector<std::string>{kViews[1], kViews[0]}));
  }

  static void fill_editor(ui_control_host* dialog) {
    auto* columns = qobject_cast<QTreeWidget*>(dialog->control(types_map_dlg::list_id));
    ASSERT_NE(columns, nullptr);
    const QList<QTreeWidgetItem*> found = columns->findItems("CompanyName", Qt::MatchExactly, 1);
    ASSERT_EQ(found.size(), 1);
    const QModelIndex row = columns->indexFromItem(found[0], 1);
    columns->scrollTo(row);
    QTest::mouseClick(columns->viewport(), Qt::LeftButton, Qt::NoModifier, columns->visualRect(row).center());
    ASSERT_TRUE(found[0]->isSelected());
    type_into(dialog, types_map_dlg::table_name_id, "carriers");
    type_into(dialog, types_map_dlg::field_name_id, "name");
    auto* types = qobject_cast<QComboBox*>(dialog->control(types_map_dlg::type_id));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->currentText().toStdString(), "VARCHAR");
    type_into(dialog, types_map_dlg::length_id, "60");
    QTest::mouseClick(qobject_cast<QAbstractButton*>(dialog->control(ui_id_ok)), Qt::LeftButton);
  }

  // A double click on Shippers opens the column editor: the table becomes carriers and its
  // CompanyName a name of VARCHAR(60).
  void edit_shippers() {
    bool edited = false;
    later([&] {
      ui_control_host* dialog = dialog_shown(types_map_dlg::dialog_id);
      ASSERT_NE(dialog, nullptr) << "the column editor did not open";
      const QPointer<QWidget> window = QApplication::activeModalWidget();
      fill_editor(dialog);
      edited = window.isNull() || !window->isVisible();
      // A failed step leaves the editor open: Cancel lets the walk end.
      if (!edited) QTest::mouseClick(qobject_cast<QAbstractButton*>(dialog->control(ui_id_cancel)), Qt::LeftButton);
    });
    QListWidget* selected = list(sel_tables_page::selected_id);
    const QList<QListWidgetItem*> shippers = selected->findItems("Shippers", Qt::MatchExactly);
    ASSERT_EQ(shippers.size(), 1);
    const QRect place = selected->visualItemRect(shippers[0]);
    // A desktop sends a press and a release before the double click; QTest's double click alone
    // would not reach the list as one.
    QTest::mouseClick(selected->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    QTest::mouseDClick(selected->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    ASSERT_TRUE(edited) << last_box(boxes);
  }

  // In `database`: every table of the source but Shippers with the values mdb-export reads,
  // Shippers as carriers with its CompanyName as name VARCHAR(60), and the two views.
  void expect_converted(const std::string& database) {
    mysql_client sql(server);
    ASSERT_TRUE(sql.ok());
    const std::string schema = "TABLE_SCHEMA = '" + database + "'";
    std::vector<std::string> expected;
    for (const std::string& table : test_env::mdb_tables(source))
      expected.push_back(table == "Shippers" ? "carriers" : table);
    EXPECT_EQ(sorted(sql.column(
                  "SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_TYPE = 'BASE TABLE' AND " + schema)),
              sorted(expected));
    for (const std::string& table : expected) {
      if (table == "carriers") continue;
      SCOPED_TRACE(table);
      value_check::expect_same_values(sql.handle(), {source, "", table, database, table, true});
    }

    EXPECT_EQ(sql.column("SELECT COLUMN_TYPE FROM information_schema.COLUMNS WHERE " + schema +
                         " AND TABLE_NAME = 'carriers' AND COLUMN_NAME = 'name'"),
              std::vector<std::string>{"varchar(60)"});
    // carriers seen under Shippers' names, so the value check compares it with the source table.
    const std::string as_source = database + "_as_source";
    recreate(sql, as_source);
    sql.execute("CREATE VIEW " + console_test::quoted(as_source) +
                ".Shippers AS SELECT ShipperID, name AS CompanyName, Phone FROM " + console_test::quoted(database) +
                ".carriers");
    value_check::expect_same_values(sql.handle(), {source, "", "Shippers", as_source, "Shippers", true});
    sql.execute("DROP DATABASE " + console_test::quoted(as_source));

    EXPECT_EQ(sorted(sql.column("SELECT TABLE_NAME FROM information_schema.VIEWS WHERE " + schema)),
              sorted({kViews[0], kViews[1]}));
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(
          sql.column("SELECT COUNT(*) FROM " + console_test::quoted(database) + "." + console_test::quoted(kViews[i])),
          std::vector<std::string>{kViewRows[i]})
          << kViews[i];
  }

  void recreate(mysql_client& sql, const std::string& database) {
    sql.execute("DROP DATABASE IF EXISTS " + console_test::quoted(database));
    sql.execute("CREATE DATABASE " + console_test::quoted(database) + " CHARACTER SET utf8mb4");
  }

  std::string dir = test_env::make_temp_dir();
  std::string source = test_env::testdata_path("access/real/nwind.mdb");
  test_env::server_address server = test_env::test_server();
  box_recorder boxes;
};

TEST_F(WizardWalk, IntoTheServerAndAgainFromTheSavedSettings) {
  const walk_choices choices{true, "wizard_walk_server", dir + "/walk.vdy"};
  {
    mysql_client sql(server);
    ASSERT_TRUE(sql.ok());
    sql.execute("DROP DATABASE IF EXISTS wizard_walk_server");
  }
  EXPECT_EQ(walk(choices), 0);
  EXPECT_TRUE(boxes.texts().empty()) << last_box(boxes);
  ASSERT_NO_FATAL_FAILURE(expect_converted(choices.dest));

  // The saved settings run by the console program rebuild the same database. Making views is a
  // switch of the program, not of the profile: --queries makes the profile's chosen views.
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  const std::vector<table_state> walked = database_state(sql, choices.dest);
  sql.execute("DROP DATABASE wizard_walk_server");
  const console_test::program_result run = console_test::run_vdyagent({"--profile=" + choices.profile, "--queries"});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  expect_same_state(walked, database_state(sql, choices.dest), "the profile's run");
}

TEST_F(WizardWalk, IntoADumpThatLoadsIntoAFreshDatabase) {
  const walk_choices choices{false, dir + "/walked north wind.sql", dir + "/walk dump.vdy"};
  EXPECT_EQ(walk(choices), 0);
  EXPECT_TRUE(boxes.texts().empty()) << last_box(boxes);
  ASSERT_TRUE(exists(choices.dest));

  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());
  recreate(sql, "wizard_walk_dump");
  ASSERT_EQ(console_test::load_dump(server, "wizard_walk_dump", choices.dest), "");
  ASSERT_NO_FATAL_FAILURE(expect_converted("wizard_walk_dump"));

  // The saved settings run by the console program (with --queries, as above) write a dump that
  // loads into the same database.
  const std::vector<table_state> walked = database_state(sql, "wizard_walk_dump");
  ASSERT_TRUE(std::filesystem::remove(choices.dest));
  const console_test::program_result run = console_test::run_vdyagent({"--profile=" + choices.profile, "--queries"});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  recreate(sql, "wizard_walk_dump_again");
  ASSERT_EQ(console_test::load_dump(server, "wizard_walk_dump_again", choices.dest), "");
  expect_same_state(walked, database_state(sql, "wizard_walk_dump_again"), "the profile's dump");
}

}  // namespace
