// The wizard's shell and pages driven offscreen: box captions and owners, the exit question, help,
// a throwing handler, log lines from a worker, the progress page polling a run and handing over
// to the finish page, Save Settings, and Cancel while the run goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QPlainTextEdit>
#include <QShortcut>
#include <QTest>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "GUI2/gui_finish_page.h"
#include "GUI2/plain_page.h"
#include "GUI2/progress_page.h"
#include "GUI2/wizard_front_end.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_pictures.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "converter/vandry_converter.h"
#include "tests/support/test_env.h"
#include "tests/wizard/label_on_screen.h"
#include "tests/wizard/shell_test_util.h"

namespace {

const std::wstring kTitle = L"Ostrelle 8.3";
const std::wstring kSuccess = L"converted successfully";
const std::wstring kErrors = L"There were some errors";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The log box keeps line ends as the edit control stores them; the lines are what matters.
std::wstring without_cr(const std::wstring& text) { return tk_wstring::replace_all(text, L"\r", L""); }

// The objects the program builds before its pages.
struct Wizard : ::testing::Test {
  void SetUp() override {
    install_program_handlers([](const std::string& what) { wizard_shell::get_instance()->error(what); });
  }
  void TearDown() override { ui_set_exception_handlers({}, {}); }

  tk_logger logger{nullptr, false, tk_log_event, false};
  error_handler handler{dao_error_texts_count, dao_error_texts};
  box_recorder boxes;
  wizard_shell shell{kTitle};
  wizard_front_end front{shell, shell.errors()};
};

// The program's frame carries its own pictures: the watermark and header image from the start,
// the window icon once the first page is shown.
TEST(WizardPictures, TheFrameHasItsThreePictures) {
  wizard_shell shell(kTitle, wizard_icon_id, wizard_watermark_id, wizard_header_id);
  EXPECT_EQ(shell.sheet().watermark().size(), QSize(164, 314));
  EXPECT_EQ(shell.sheet().header_image().size(), QSize(49, 49));
  EXPECT_TRUE(shell.sheet().windowIcon().isNull());
  shell.initialize_if();
  EXPECT_FALSE(shell.sheet().windowIcon().isNull());
  EXPECT_TRUE(wizard_picture(0).isNull());
}

// A page with a log box, for lines written from another thread.
class log_page : public wizard_page_base {
 public:
  log_page()
      : wizard_page_base(
            ui_dialog_def{100, L"", 200, 100, {{wizard_log_box_id, ui_kind::multiline_edit, L"", {4, 4, 190, 90}}}},
            ui_wiz_next) {}
};

// A page whose Next throws what it is given.
class throwing_page : public wizard_page_base {
 public:
  explicit throwing_page(std::function<void()> fault)
      : wizard_page_base(ui_dialog_def{101, L"", 200, 100, {}}, ui_wiz_next), fault_(std::move(fault)) {}
  int on_next() override {
    fault_();
    return 0;
  }

 private:
  std::function<void()> fault_;
};

TEST_F(Wizard, BoxCaptionAndOwnerFollowTheFirstActivation) {
  const std::vector<std::pair<std::wstring, std::function<void()>>> kinds = {
      {L"Message", [&] { shell.message(L"text"); }},
      {L"Question", [&] { shell.question(L"text"); }},
      {L"Error", [&] { shell.error(L"text"); }},
  };
  for (const auto& [kind, show] : kinds) show();
  plain_page page(103, ui_wiz_next, L"Welcome", 1018);
  shell.add_page(&page, {L"", L"", true, true});
  later([&] {
    for (const auto& [kind, show] : kinds) show();
    shell.sheet().end_sheet(ui_sheet_finished);
  });
  shell.run();

  const std::vector<ui_box_request> taken = boxes.taken();
  ASSERT_EQ(taken.size(), 2 * kinds.size());
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    SCOPED_TRACE(std::string(kinds[i].first.begin(), kinds[i].first.end()));
    EXPECT_EQ(taken[i].caption, kinds[i].first);
    EXPECT_EQ(taken[i].owner, nullptr);
    EXPECT_EQ(taken[kinds.size() + i].caption, kTitle + L" " + kinds[i].first);
    EXPECT_EQ(taken[kinds.size() + i].owner, &shell.sheet());
  }
}

TEST_F(Wizard, QuestionIsTrueOnlyForYes) {
  boxes.answers = {ui_id_yes, ui_id_no, ui_id_cancel_answer};
  EXPECT_TRUE(shell.question(L"q", true));
  EXPECT_FALSE(shell.question(L"q", true));
  EXPECT_FALSE(shell.question(L"q", false));
  const std::vector<ui_box_request> taken = boxes.taken();
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[0].default_answer, ui_id_no);
  EXPECT_EQ(taken[0].buttons, ui_box_buttons::yes_no);
  EXPECT_NE(taken[2].default_answer, ui_id_no);
}

TEST_F(Wizard, CancelEscAndCloseAskWithNoFirstAndNoStays) {
  plain_page first(103, ui_wiz_next, L"Welcome", 1018);
  shell.add_page(&first, {L"", L"", true, true});
  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"Cancel", [&] { shell.sheet().press_button(ui_id_cancel); }},
      {"Esc", [&] { QTest::keyClick(&shell.sheet(), Qt::Key_Escape); }},
      {"close", [&] { shell.sheet().close(); }},
  };
  for (const auto& [name, act] : ways) {
    SCOPED_TRACE(name);
    boxes.answers = {ui_id_no, ui_id_yes};
    int after_no = 0;
    later([&, act = act] {
      act();
      after_no = shell.sheet().current_page_id();
      act();
    });
    EXPECT_EQ(shell.run(), ui_sheet_cancelled);
    EXPECT_EQ(after_no, 103) << "No keeps the page";
  }
  for (const ui_box_request& r : boxes.taken()) {
    EXPECT_EQ(r.text, L"Are you sure you want to exit the wizard?");
    EXPECT_EQ(r.default_answer, ui_id_no);
  }
  EXPECT_EQ(boxes.taken().size(), 2 * ways.size());
}

TEST_F(Wizard, HelpButtonAndF1OpenThePageTopicOrSayTheHelpIsMissing) {
  url_recorder urls;
  shell.set_help_folder(OSTRELLE_HELP_SOURCE_DIR);
  plain_page page(102, ui_wiz_back | ui_wiz_next, L"Dump", 1014);
  shell.add_page(&page, {L"Step 1 of 7", L"MySQL dump file settings", false, true});
  later([&] {
    shell.sheet().press_button(ui_id_help);
    QShortcut* f1 = shell.sheet().findChild<QShortcut*>();
    ASSERT_NE(f1, nullptr);
    emit f1->activated();
    shell.set_help_folder(test_env::make_temp_dir());
    shell.sheet().press_button(ui_id_help);
    shell.sheet().end_sheet(ui_sheet_finished);
  });
  shell.run();
  const std::wstring topic = L"file://" + tk_utf8_to_unicode(OSTRELLE_HELP_SOURCE_DIR) + L"/1014.html";
  EXPECT_EQ(urls.urls, (std::vector<std::wstring>{topic, topic}));
  EXPECT_EQ(boxes.texts(), std::vector<std::wstring>{L"Help file does not exist. Reinstall the program."});
}

TEST_F(Wizard, AThrowingHandlerIsReportedAndThePageStays) {
  struct fault_case {
    const char* name;
    std::function<void()> fault;
    std::wstring shown;
  };
  const fault_case cases[] = {
      {"engine error", [] { throw tk_exception("The table is locked.", tk_kind_error); }, L"The table is locked."},
      {"standard exception", [] { throw std::runtime_error("out of range"); }, L"out of range"},
  };
  for (const fault_case& c : cases) {
    SCOPED_TRACE(c.name);
    throwing_page page(c.fault);
    plain_page next(102, ui_wiz_back | ui_wiz_next, L"Dump", 1014);
    ui_property_sheet sheet(kTitle);
    sheet.add_page(&page);
    sheet.add_page(&next);
    int page_after = 0;
    QTimer::singleShot(0, &sheet, [&] {
      sheet.press_button(ui_id_next);
      page_after = sheet.current_page_id();
      sheet.end_sheet(ui_sheet_finished);
    });
    const std::size_t before = boxes.taken().size();
    sheet.run_modal();
    EXPECT_EQ(page_after, 101);
    ASSERT_EQ(boxes.taken().size(), before + 1);
    EXPECT_EQ(boxes.taken().back().text, c.shown);
  }
}

TEST_F(Wizard, LogLinesFromAWorkerArriveInOrder) {
  log_page page;
  shell.add_page(&page, {L"", L"", false, true});
  std::wstring expected;
  for (int i = 0; i < 300; ++i) expected += L"line " + std::to_wstring(i) + L"\r\n";
  later([&] {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
      for (int i = 0; i < 300; ++i) front.write_log(L"line " + std::to_wstring(i) + L"\r\n");
      finished = true;
    });
    EXPECT_TRUE(wait_for([&] { return finished.load(); }));
    worker.join();
    shell.sheet().end_sheet(ui_sheet_finished);
  });
  shell.run();
  EXPECT_EQ(without_cr(page.get_text(wizard_log_box_id)), without_cr(expected));
}

// A run the test steps through: each step sets the counters and waits until the test releases
// it; then the errors are reported and the run ends.
class stepped_run : public udb_converter {
 public:
  struct step {
    std::uint32_t tables_done, tables_total;
    std::uint64_t records_done, records_total;
    std::wstring table;
  };
  bool test_query(const std::wstring&) override { return true; }
  void run() override {
    conversion_front_end::get_instance()->run_started();
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const step& s = steps[i];
      tables_done = s.tables_done, tables_total = s.tables_total;
      records_done = s.records_done, records_total = s.records_total;
      set_current_table(s.table);
      while (released.load() <= static_cast<int>(i) && !stop_requested())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (const std::string& e : errors) error_handler::get_instance()->handle(tk_exception(e, tk_kind_error), false);
    done = true;
  }
  std::vector<step> steps;
  std::vector<std::string> errors;
  std::atomic<int> released{0};
};

struct RunPages : Wizard {
  vandry_converter converter{converter_program::console};
};

TEST_F(RunPages, ProgressFollowsTheCountersAndTheFinishPageListsTheErrors) {
  stepped_run run;
  run.steps = {{2, 4, 300, 1000, L"R&D"}, {4, 4, 100, 100, L""}};
  run.errors = {"Orders: first\nline", "Customers: second"};
  progress_page progress(run);
  gui_finish_page_t finish(converter, kSuccess, kErrors, L"vdy");
  shell.add_page(&progress, {L"Step 7 of 7", L"Database conversion is in progress", false, true});
  shell.add_page(&finish, {L"", L"", true, false});
  const std::string dir = test_env::make_temp_dir();
  std::vector<std::wstring> save_answers = {tk_utf8_to_unicode(dir + "/first"), tk_utf8_to_unicode(dir + "/second.vdy"),
                                            L"/no/such/folder/job"};
  const ui_file_hook previous = ui_set_save_file_hook([&](const ui_file_request& r) -> std::optional<std::wstring> {
    EXPECT_EQ(ui_qt_filter(r.filters), L"Profile Files (*.vdy);;All Files (*)");
    const std::wstring answer = save_answers.front();
    save_answers.erase(save_answers.begin());
    return answer;
  });
  later([&] {
    EXPECT_TRUE(wait_for([&] {
      return progress.get_progress(progress_page::progress_id) == 57 &&
             progress.get_text(progress_page::table_id) == L"Processing table 'R&D'";
    }));
    EXPECT_TRUE(label_shows(qobject_cast<QLabel*>(progress.control(progress_page::table_id)),
                            QStringLiteral("Processing table 'R&D'")));
    EXPECT_FALSE(shell.sheet().button_enabled(ui_id_next));
    EXPECT_FALSE(shell.sheet().button_enabled(ui_id_back));
    EXPECT_TRUE(shell.sheet().button_enabled(ui_id_cancel));
    run.released = 1;
    EXPECT_TRUE(wait_for([&] { return progress.get_progress(progress_page::progress_id) == 100; }))
        << "125 percent shows as full";
    run.released = 2;
    ASSERT_TRUE(wait_for([&] { return shell.sheet().current_page_id() == 116; }));
    EXPECT_EQ(finish.get_text(gui_finish_page_t::result_id), kErrors);
    EXPECT_TRUE(finish.is_shown(wizard_log_box_id));
    EXPECT_EQ(without_cr(finish.get_text(wizard_log_box_id)), L"Orders: first line\n\nCustomers: second\n\n");
    EXPECT_FALSE(shell.sheet().button_enabled(ui_id_cancel));
    EXPECT_FALSE(shell.sheet().button_enabled(ui_id_help));
    for (int i = 0; i < 3; ++i) click(&finish, gui_finish_page_t::save_id);
    // The finish page's buttons are posted: Finish works once they are applied.
    EXPECT_TRUE(wait_for([&] { return shell.sheet().button_enabled(ui_id_finish); }));
    shell.sheet().press_button(ui_id_finish);
  });
  EXPECT_EQ(shell.run(), ui_sheet_finished);
  ui_set_save_file_hook(previous);

  const std::string first = read_file(dir + "/first.vdy");
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, read_file(dir + "/second.vdy"));
  const std::vector<std::wstring> shown = boxes.texts();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), L"Cannot save the settings to '/no/such/folder/job.vdy'.");
}

TEST_F(RunPages, ARunWithoutTablesOrErrorsEndsOnTheSuccessText) {
  stepped_run run;
  progress_page progress(run);
  gui_finish_page_t finish(converter, kSuccess, kErrors, L"vdy");
  shell.add_page(&progress, {L"Step 7 of 7", L"Database conversion is in progress", false, true});
  shell.add_page(&finish, {L"", L"", true, false});
  later([&] {
    ASSERT_TRUE(wait_for([&] { return shell.sheet().current_page_id() == 116; }));
    EXPECT_EQ(progress.get_progress(progress_page::progress_id), 0);
    EXPECT_EQ(finish.get_text(gui_finish_page_t::result_id), kSuccess);
    EXPECT_FALSE(finish.is_shown(wizard_log_box_id));
    // The finish page's buttons are posted: Finish works once they are applied.
    EXPECT_TRUE(wait_for([&] { return shell.sheet().button_enabled(ui_id_finish); }));
    shell.sheet().press_button(ui_id_finish);
  });
  EXPECT_EQ(shell.run(), ui_sheet_finished);
}

// The finish page's list after a run that reported `count` errors.
std::wstring finish_list_after(wizard_shell& shell, vandry_converter& converter, std::size_t count) {
  stepped_run run;
  for (std::size_t i = 1; i <= count; ++i) run.errors.push_back("error " + std::to_string(i));
  progress_page progress(run);
  gui_finish_page_t finish(converter, kSuccess, kErrors, L"vdy");
  shell.add_page(&progress, {L"Step 7 of 7", L"Database conversion is in progress", false, true});
  shell.add_page(&finish, {L"", L"", true, false});
  std::wstring listed;
  later([&] {
    ASSERT_TRUE(wait_for([&] { return shell.sheet().current_page_id() == 116; }));
    listed = without_cr(finish.get_text(wizard_log_box_id));
    EXPECT_TRUE(wait_for([&] { return shell.sheet().button_enabled(ui_id_finish); }));
    shell.sheet().press_button(ui_id_finish);
  });
  shell.run();
  return listed;
}

std::wstring first_errors(std::size_t count) {
  std::wstring text;
  for (std::size_t i = 1; i <= count; ++i) text += L"error " + std::to_wstring(i) + L"\n\n";
  return text;
}

TEST_F(RunPages, ErrorsPastTheListsRoomAreCountedInOneLine) {
  EXPECT_EQ(finish_list_after(shell, converter, 23),
            first_errors(20) + L"3 more errors are not listed here and were not kept: no log file was set.");
}

TEST_F(RunPages, ErrorsPastTheListsRoomAreCountedAndPointToTheLogWhenItIsOn) {
  const std::string log = test_env::make_temp_dir() + "/run.log";
  logger.set_file_name(log.c_str());
  logger.enable();
  EXPECT_EQ(finish_list_after(shell, converter, 21),
            first_errors(20) + L"1 more error is not listed here; the log file holds them.");
  EXPECT_NE(read_file(log).find("error 21"), std::string::npos);
}

TEST_F(RunPages, TheFirstFocusOfTheErrorListGoesToFinishLaterOnesStay) {
  stepped_run run;
  run.errors = {"Orders: first", "Customers: second"};
  progress_page progress(run);
  gui_finish_page_t finish(converter, kSuccess, kErrors, L"vdy");
  shell.add_page(&progress, {L"Step 7 of 7", L"Database conversion is in progress", false, true});
  shell.add_page(&finish, {L"", L"", true, false});
  later([&] {
    shell.sheet().activateWindow();
    ASSERT_TRUE(wait_for([&] { return shell.sheet().current_page_id() == 116; }));
    QAbstractButton* finish_button = shell.sheet().button(ui_id_finish);
    ASSERT_NE(finish_button, nullptr);
    auto* log = qobject_cast<QPlainTextEdit*>(finish.control(wizard_log_box_id));
    ASSERT_NE(log, nullptr);
    // The page hands its first focus, which lands in the error list, on to Finish.
    EXPECT_TRUE(wait_for([&] { return QApplication::focusWidget() == finish_button; }, 10000))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "no focus");
    EXPECT_FALSE(log->textCursor().hasSelection());
    // The user entering the list afterwards keeps the focus there, to read or copy the errors.
    log->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(wait_for([&] { return QApplication::focusWidget() == log; }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(QApplication::focusWidget(), log);
    shell.sheet().press_button(ui_id_finish);
  });
  EXPECT_EQ(shell.run(), ui_sheet_finished);
}

// A run that writes lines until it is asked to stop.
class endless_run : public udb_converter {
 public:
  bool test_query(const std::wstring&) override { return true; }
  void run() override {
    conversion_front_end::get_instance()->run_started();
    for (int i = 0; !stop_requested(); ++i)
      conversion_front_end::get_instance()->write_log(L"row " + std::to_wstring(i) + L"\r\n");
    returned = true;
    done = true;
  }
  std::atomic<bool> returned{false};
};

TEST_F(RunPages, CancelDuringTheRunAsksThenStopsTheWorkerBeforeTheWizardCloses) {
  endless_run run;
  progress_page progress(run);
  gui_finish_page_t finish(converter, kSuccess, kErrors, L"vdy");
  shell.add_page(&progress, {L"Step 7 of 7", L"Database conversion is in progress", false, true});
  shell.add_page(&finish, {L"", L"", true, false});
  boxes.answers = {ui_id_no, ui_id_yes};
  bool running_after_no = false;
  later([&] {
    EXPECT_TRUE(wait_for([&] { return !progress.get_text(wizard_log_box_id).empty(); }));
    shell.sheet().press_button(ui_id_cancel);
    running_after_no = progress.is_running() && shell.sheet().current_page_id() == 108;
    QTest::keyClick(&shell.sheet(), Qt::Key_Escape);
  });
  EXPECT_EQ(shell.run(), ui_sheet_cancelled);
  EXPECT_TRUE(running_after_no) << "No lets the run go on";
  EXPECT_TRUE(run.returned) << "the worker has returned when the wizard closes";
  EXPECT_TRUE(progress.cancelled());
  EXPECT_EQ(boxes.texts(), (std::vector<std::wstring>(2, L"Are you sure you want to exit the wizard?")));
}

}  // namespace
