// Writes a picture of every wizard page and dialog into the folder named on the command line, so
// a person can check the layout (texts not clipped, controls in place) on a real display:
//   xvfb-run -a wizard_shots shots
// The pages are reached as the tests reach them: a run stepped by hand for the progress and
// finish pages, dialogs shown through the shell, the exit question drawn through the box hook.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/gui_finish_page.h"
#include "GUI2/overwrite_dlg3.h"
#include "GUI2/plain_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/selection_pages.h"
#include "GUI2/set_query_dlg.h"
#include "GUI2/settings_pages.h"
#include "GUI2/types_map_dlg.h"
#include "GUI2/types_map_entry.h"
#include "GUI2/url_err_box_dlg.h"
#include "GUI2/wizard_front_end.h"
#include "GUI2/wizard_pictures.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "platform/ui/ui_dispatch.h"
#include "platform/ui/ui_hooks.h"

namespace {

const std::wstring kTitle = L"Ostrelle 8.3";
const std::wstring kSuccess =
    L"Wizard has converted your MS Access database into\nMySQL data source successfully.\n\nClick 'Finish' to exit "
    L"the wizard.";
const std::wstring kErrors =
    L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";

std::filesystem::path out_dir;
std::vector<std::string> failures;

// Serves events until `ready` answers true or ten seconds pass.
bool wait_for(const std::function<bool()>& ready) {
  QElapsedTimer clock;
  clock.start();
  while (!ready()) {
    if (clock.elapsed() > 10000) return false;
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// Lets layout and painting catch up before a picture is taken.
void settle() {
  QEventLoop loop;
  QTimer::singleShot(100, &loop, &QEventLoop::quit);
  loop.exec();
}

void shoot(QWidget* widget, const std::string& name) {
  if (widget == nullptr) {
    failures.push_back(name + ": nothing on screen");
    return;
  }
  settle();
  const std::filesystem::path file = out_dir / (name + ".png");
  if (!widget->grab().save(QString::fromStdString(file.string()), "PNG")) failures.push_back(name + ": not written");
}

// Runs `script` once the modal loop entered right after this call runs.
void later(const std::function<void()>& script) { QTimer::singleShot(1, script); }

// Pictures the modal dialog once it is shown, then presses its button `close_id`.
void shoot_modal_then(const std::string& name, int close_id) {
  later([name, close_id] {
    if (!wait_for([] { return QApplication::activeModalWidget() != nullptr; })) {
      failures.push_back(name + ": dialog not shown");
      return;
    }
    QWidget* top = QApplication::activeModalWidget();
    shoot(top, name);
    auto* host = qobject_cast<ui_control_host*>(top);
    if (host == nullptr) host = top->findChild<ui_control_host*>();
    if (host == nullptr) return;
    if (auto* button = qobject_cast<QAbstractButton*>(host->control(close_id))) button->click();
  });
}

// A run held at one point for the progress picture, then ending with the given errors.
class held_run : public udb_converter {
 public:
  bool test_query(const std::wstring&) override { return true; }
  void run() override {
    conversion_front_end::get_instance()->run_started();
    tables_done = 2, tables_total = 4;
    records_done = 300, records_total = 1000;
    set_current_table(L"Order Details");
    conversion_front_end::get_instance()->write_log(L"Converting table 'Customers'... done\r\n");
    conversion_front_end::get_instance()->write_log(L"Converting table 'Order Details'...\r\n");
    while (!released.load() && !stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    tables_done = 4, records_done = 1000;
    for (const std::string& e : errors) error_handler::get_instance()->handle(tk_exception(e, tk_kind_error), false);
    done = true;
  }
  std::vector<std::string> errors;
  std::atomic<bool> released{false};
};

// The program's objects, a sheet with the settings pages, a template page, progress and finish.
// With `real_selection` the tables and views pages themselves stand where the template page does.
struct wizard {
  explicit wizard(held_run& run, bool real_selection = false)
      : progress(run), finish(converter, kSuccess, kErrors, L"vdy") {
    handler.load_err_map(mysql_error_texts_count, mysql_error_texts);
    converter.keep_stored_settings = true;
    pages.add_to(shell);
    if (real_selection) {
      selection.add_to(shell);
    } else {
      shell.add_page(&tables, ui_page_options{L"Step 5 of 7", L"Select tables to convert", false, true});
    }
    shell.add_page(&progress, ui_page_options{L"Step 7 of 7", L"Database conversion is in progress", false, true});
    shell.add_page(&finish, ui_page_options{L"", L"", true, false});
    ui_set_exception_handlers([](const tk_exception& e) { error_handler::get_instance()->handle(e, true); },
                              [](const std::string& what) { failures.push_back("handler: " + what); });
  }
  ~wizard() { ui_set_exception_handlers({}, {}); }

  tk_logger logger{nullptr, false, tk_log_event, false};
  error_handler handler{dao_error_texts_count, dao_error_texts};
  vandry_converter converter{converter_program::wizard};
  wizard_shell shell{kTitle, wizard_icon_id, wizard_watermark_id, wizard_header_id};
  wizard_front_end front{shell, shell.errors()};
  settings_pages pages{L"vdy"};
  plain_page tables{127, ui_wiz_back | ui_wiz_next, L"Select tables to convert", 1015};
  selection_pages selection;
  progress_page progress;
  gui_finish_page_t finish;
};

// Draws a box as the desktop would, pictures it and answers No.
int draw_box(const ui_box_request& r, const std::string& name) {
  QMessageBox box(QMessageBox::Question, QString::fromStdWString(r.caption), QString::fromStdWString(r.text),
                  QMessageBox::Yes | QMessageBox::No, r.owner);
  box.setDefaultButton(QMessageBox::No);
  box.show();
  shoot(&box, name);
  return ui_id_no;
}

void pages_and_dialogs() {
  held_run run;
  run.errors = {"Orders, record #12: Data truncated for column 'ShipName'",
                "Invoices: Cannot create the view: a function is not supported"};
  wizard w(run);
  ui_property_sheet& sheet = w.shell.sheet();
  later([&] {
    // The character set and engine as on first use: the page shows what it offers then.
    // The welcome page again at the end: the first picture may come before the sheet has its size.
    const std::pair<int, const char*> settings[] = {{102, "page-102-dump"},       {123, "page-123-server"},
                                                    {105, "page-105-workgroup"},  {106, "page-106-databases"},
                                                    {110, "page-110-conversion"}, {103, "page-103-welcome"}};
    for (const auto& [id, name] : settings) {
      sheet.set_current_page(id);
      shoot(&sheet, name);
    }
    sheet.set_current_page(127);
    shoot(&sheet, "frame");

    const ui_message_box_hook previous =
        ui_set_message_box_hook([](const ui_box_request& r) { return draw_box(r, "exit-question"); });
    sheet.press_button(ui_id_cancel);
    ui_set_message_box_hook(previous);

    overwrite_dlg3 overwrite(
        L"The destination database already exists. Select one of the\noptions below. Click 'Help' button for more "
        L"information.",
        1043);
    shoot_modal_then("dialog-133-overwrite", ui_id_cancel);
    overwrite.do_modal(&sheet);

    shoot_modal_then("dialog-115-continue", dlg_error_continue::continue_id);
    w.shell.ask_continue(L"Orders, record #12: Data truncated for column 'ShipName'");
    shoot_modal_then("dialog-114-internal", dlg_error_ex::ok_id);
    w.shell.show_internal_error(L"code=tk_singl:64\nThe program met an internal error.");
    shoot_modal_then("dialog-136-download", url_err_box_dlg::ok_id);
    w.shell.show_download_required(
        L"Failed to load Data Access Objects (DAO) support library. Installing Microsoft Access Runtime may fix the "
        L"problem.",
        L"Download Microsoft Access Runtime", L"https://example.com/runtime");

    sheet.set_current_page(108);
    if (!wait_for([&] { return w.progress.get_progress(progress_page::progress_id) > 0; }))
      failures.push_back("progress: the run did not start");
    shoot(&sheet, "progress-mid-run");
    // The run's errors come as boxes, answered here; the finish page lists them.
    const ui_message_box_hook before_run = ui_set_message_box_hook([](const ui_box_request&) { return ui_id_ok; });
    run.released = true;
    if (!wait_for([&] { return sheet.current_page_id() == 116; })) failures.push_back("finish: not reached");
    ui_set_message_box_hook(before_run);
    shoot(&sheet, "finish-errors");
    sheet.end_sheet(ui_sheet_finished);
  });
  w.shell.run();
}

// The tables page over Northwind with three tables and a query of the user's chosen, the Add Query
// dialog filled in, and the views page with two views chosen (a dump takes views).
void selection_pages_and_query_dialog() {
  held_run run;
  wizard w(run, true);
  w.converter.src = tk_utf8_to_unicode(OSTRELLE_NWIND);
  w.converter.direct = false;
  w.converter.convert_views = true;
  w.converter.selected_tables = {L"Customers", L"Orders", L"Shippers"};
  w.converter.items = {{L"Big freight", L"SELECT * FROM Orders WHERE Freight > 100"}};
  w.converter.selected_views = {{L"Current Product List", L""}, {L"Order Details Extended", L""}};
  ui_property_sheet& sheet = w.shell.sheet();
  later([&] {
    sheet.set_current_page(127);
    shoot(&sheet, "page-127-tables");

    later([] {
      if (!wait_for([] { return QApplication::activeModalWidget() != nullptr; })) {
        failures.push_back("dialog-128-add-query: dialog not shown");
        return;
      }
      QWidget* top = QApplication::activeModalWidget();
      auto* host = qobject_cast<ui_control_host*>(top);
      if (host == nullptr) host = top->findChild<ui_control_host*>();
      if (host == nullptr || host->dialog_id() != set_query_dlg::dialog_id) {
        failures.push_back("dialog-128-add-query: another window on screen");
        return;
      }
      host->set_text(set_query_dlg::name_id, L"Late orders");
      host->set_text(set_query_dlg::query_id,
                     L"SELECT OrderID, CustomerID, RequiredDate, ShippedDate\r\nFROM Orders\r\nWHERE ShippedDate > "
                     L"RequiredDate");
      shoot(top, "dialog-128-add-query");
      if (auto* button = qobject_cast<QAbstractButton*>(host->control(ui_id_cancel))) button->click();
    });
    if (auto* add = qobject_cast<QAbstractButton*>(w.selection.tables.control(sel_tables_page::add_query_id))) {
      add->click();
    } else {
      failures.push_back("dialog-128-add-query: no Add Query button");
    }

    sheet.press_button(ui_id_next);
    if (!wait_for([&] { return sheet.current_page() == &w.selection.views; })) {
      failures.push_back("page-127-views: not reached");
    } else {
      shoot(&sheet, "page-127-views");
    }
    sheet.end_sheet(ui_sheet_finished);
  });
  w.shell.run();
}

// The column editor over nwind's Shippers, with its company name selected.
void column_editor() {
  held_run run;
  wizard w(run);
  w.converter.src = tk_utf8_to_unicode(OSTRELLE_NWIND);
  ui_property_sheet& sheet = w.shell.sheet();
  later([&] {
    later([] {
      if (!wait_for([] { return QApplication::activeModalWidget() != nullptr; })) {
        failures.push_back("dialog-135-edit-table: dialog not shown");
        return;
      }
      QWidget* top = QApplication::activeModalWidget();
      auto* host = qobject_cast<ui_control_host*>(top);
      if (host == nullptr) host = top->findChild<ui_control_host*>();
      if (host == nullptr) return;
      // Clicked as a user would: the field controls follow a user's change of row only.
      if (auto* columns = qobject_cast<QTreeWidget*>(host->control(types_map_dlg::list_id))) {
        const QRect row = columns->visualRect(columns->model()->index(1, 1));
        QTest::mouseClick(columns->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
      }
      shoot(top, "dialog-135-edit-table");
      if (auto* button = qobject_cast<QAbstractButton*>(host->control(ui_id_cancel))) button->click();
    });
    edit_table_types(L"Shippers");
    sheet.end_sheet(ui_sheet_finished);
  });
  w.shell.run();
}

void finish_with_success() {
  held_run run;
  run.released = true;
  wizard w(run);
  ui_property_sheet& sheet = w.shell.sheet();
  later([&] {
    sheet.set_current_page(108);
    if (!wait_for([&] { return sheet.current_page_id() == 116; })) failures.push_back("finish: not reached");
    shoot(&sheet, "finish-success");
    sheet.end_sheet(ui_sheet_finished);
  });
  w.shell.run();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  out_dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  if (error) {
    std::fprintf(stderr, "cannot create %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  // The wizard reads and writes the desktop's settings folder: a temporary one keeps the user's.
  std::string home = (std::filesystem::temp_directory_path() / "wizard-shots-XXXXXX").string();
  if (::mkdtemp(home.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  // The column editor's mapping files where an installed wizard finds them.
  ::setenv("XDG_DATA_HOME", home.c_str(), 1);
  std::filesystem::create_directories(std::filesystem::path(home) / "Quellbrook" / "Ostrelle", error);
  for (const char* name : {"sql.map", "sql.typ"})
    std::filesystem::copy_file(std::filesystem::path(OSTRELLE_GUI2_DIR) / name,
                               std::filesystem::path(home) / "Quellbrook" / "Ostrelle" / name, error);
  {
    QApplication application(argc, argv);
    pages_and_dialogs();
    selection_pages_and_query_dialog();
    column_editor();
    finish_with_success();
  }
  std::filesystem::remove_all(home, error);
  for (const std::string& f : failures) std::fprintf(stderr, "%s\n", f.c_str());
  return failures.empty() ? 0 : 1;
}
