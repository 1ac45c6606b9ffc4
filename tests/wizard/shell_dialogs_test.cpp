// The wizard's dialogs driven offscreen (the go-on question, the internal error, the download
// box) and the file dialogs' filter and extension rules.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <memory>

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/file_dialog_rules.h"
#include "GUI2/url_err_box_dlg.h"
#include "GUI2/wizard_front_end.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "common/error_handler.h"
#include "tests/wizard/label_on_screen.h"
#include "tests/wizard/shell_test_util.h"

namespace {

// Shows `dialog` modally and, once it is on screen, runs `act` on it; answers its result.
int run_dialog(ui_dialog& dialog, const std::function<void(ui_control_host*)>& act) {
  later([&] {
    ASSERT_TRUE(wait_for([] { return modal_dialog() != nullptr; }, 10000));
    act(modal_dialog());
  });
  return dialog.do_modal(nullptr);
}

void press_escape(ui_control_host*) { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); }
void close_box(ui_control_host*) { QApplication::activeModalWidget()->close(); }

TEST(ContinueDialog, ContinueAbortAndDoNotShowAgain) {
  struct answer_case {
    const char* name;
    std::function<void(ui_control_host*)> act;
    int result;
    bool do_not_show;
  };
  const answer_case cases[] = {
      {"Continue", [](ui_control_host* d) { click(d, dlg_error_continue::continue_id); }, 2, false},
      {"Abort", [](ui_control_host* d) { click(d, dlg_error_continue::abort_id); }, 1, false},
      {"Esc continues", press_escape, 2, false},
      {"the close box continues", close_box, 2, false},
      {"ticked, Continue",
       [](ui_control_host* d) {
         click(d, dlg_error_continue::do_not_show_id);
         click(d, dlg_error_continue::continue_id);
       },
       2, true},
      {"ticked twice, Abort",
       [](ui_control_host* d) {
         click(d, dlg_error_continue::do_not_show_id);
         click(d, dlg_error_continue::do_not_show_id);
         click(d, dlg_error_continue::abort_id);
       },
       1, false},
  };
  for (const answer_case& c : cases) {
    SCOPED_TRACE(c.name);
    dlg_error_continue dialog(L"Orders, record #12: Data truncated", L"Error");
    std::wstring shown;
    const int result = run_dialog(dialog, [&](ui_control_host* d) {
      shown = d->get_text(wizard_dialog_text_id);
      c.act(d);
    });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(dialog.do_not_show(), c.do_not_show);
    EXPECT_EQ(shown, L"Orders, record #12: Data truncated");
  }
}

// An error names the table or the value it met: "&" there is a character, not a mark.
TEST(ErrorDialogs, ShowTheirTextAsItStands) {
  const std::wstring text = L"R&D, record #12: Data truncated (A && B)";
  struct dialog_case {
    const char* name;
    std::function<std::unique_ptr<ui_dialog>()> make;
    int close_id;
  };
  const dialog_case cases[] = {
      {"go on or stop", [&] { return std::make_unique<dlg_error_continue>(text, L"Error"); },
       dlg_error_continue::continue_id},
      {"internal error", [&] { return std::make_unique<dlg_error_ex>(text, L"Error", L""); }, dlg_error_ex::ok_id},
      {"download",
       [&] { return std::make_unique<url_err_box_dlg>(text, L"https://example.com/runtime", L"R&D Runtime"); },
       url_err_box_dlg::ok_id},
  };
  for (const dialog_case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<ui_dialog> dialog = c.make();
    bool shown = false;
    run_dialog(*dialog, [&](ui_control_host* d) {
      auto* label = qobject_cast<QLabel*>(d->control(wizard_dialog_text_id));
      shown = label != nullptr && label_shows(label, QString::fromStdWString(text));
      click(d, c.close_id);
    });
    EXPECT_TRUE(shown);
  }
}

TEST(InternalErrorDialog, CopyPutsTheTextOnTheClipboardAndOkCloses) {
  std::vector<std::wstring> copied;
  const ui_clipboard_hook previous = ui_set_clipboard_hook([&](const std::wstring& text) {
    copied.push_back(text);
    return true;
  });
  struct button_case {
    int button;
    int result;
  };
  for (const button_case c : {button_case{dlg_error_ex::copy_id, 1108}, button_case{dlg_error_ex::ok_id, 1}}) {
    dlg_error_ex dialog(L"code=tk_singl:64", L"Error", L"");
    EXPECT_EQ(run_dialog(dialog, [&](ui_control_host* d) { click(d, c.button); }), c.result);
  }
  ui_set_clipboard_hook(previous);
  EXPECT_EQ(copied, std::vector<std::wstring>{L"code=tk_singl:64"});
}

TEST(InternalErrorDialog, EscAndTheCloseBoxDoNotEndIt) {
  dlg_error_ex dialog(L"code=tk_singl:64", L"Error", L"");
  EXPECT_EQ(run_dialog(dialog,
                       [](ui_control_host* d) {
                         press_escape(d);
                         close_box(d);
                         EXPECT_NE(modal_dialog(), nullptr);
                         click(d, dlg_error_ex::ok_id);
                       }),
            1);
}

TEST(InternalErrorDeathTest, TheProgramEndsWith255AfterTheDialog) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        tk_logger logger(nullptr, false, tk_log_event, false);
        error_handler handler(dao_error_texts_count, dao_error_texts);
        wizard_shell shell(L"Ostrelle 8.3");
        wizard_front_end front(shell, shell.errors());
        QTimer ok;
        QObject::connect(&ok, &QTimer::timeout, [] {
          if (ui_control_host* d = modal_dialog()) click(d, dlg_error_ex::ok_id);
        });
        ok.start(10);
        handler.handle(tk_mail_assertion("g_test", 1), false);
        std::exit(0);
      },
      ::testing::ExitedWithCode(255), "");
}

TEST(DownloadDialog, TheLinkOpensTheAddressAndOnlyOkCloses) {
  url_recorder urls;
  url_err_box_dlg dialog(L"Failed to load Data Access Objects (DAO) support library.", L"https://example.com/runtime",
                         L"Download Microsoft Access Runtime");
  bool open_after_link = false;
  std::wstring text;
  const int result = run_dialog(dialog, [&](ui_control_host* d) {
    text = d->get_text(wizard_dialog_text_id);
    auto* link = qobject_cast<QLabel*>(d->control(url_err_box_dlg::link_id));
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->text().contains(QStringLiteral("Download Microsoft Access Runtime")));
    emit link->linkActivated(QStringLiteral("link"));
    press_escape(d);
    close_box(d);
    open_after_link = modal_dialog() != nullptr;
    click(d, url_err_box_dlg::ok_id);
  });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(open_after_link);
  EXPECT_EQ(text, L"Failed to load Data Access Objects (DAO) support library.");
  EXPECT_EQ(urls.urls, std::vector<std::wstring>{L"https://example.com/runtime"});
}

TEST(FileDialogRules, FiltersAreRebuiltSoQtShowsTheFiles) {
  struct filter_case {
    std::wstring pages_filter;
    std::wstring qt_filter;
  };
  const filter_case cases[] = {
      {L"Profile Files (.vdy)|*.vdy|All Files (*.*)|*.*|", L"Profile Files (*.vdy);;All Files (*)"},
      {L"MS Access Databases (*.mdb;*.accdb)|*.mdb;*.accdb|All Files (*.*)|*.*|",
       L"MS Access Databases (*.mdb *.accdb);;All Files (*)"},
      {L"Workgroup Information Files (*.mdw)|*.mdw", L"Workgroup Information Files (*.mdw)"},
      {L"No patterns||", L""},
  };
  for (const filter_case& c : cases) {
    SCOPED_TRACE(std::string(c.pages_filter.begin(), c.pages_filter.end()));
    EXPECT_EQ(ui_qt_filter(file_dialog_filters(c.pages_filter)), c.qt_filter);
  }
}

TEST(FileDialogRules, TheExtensionIsAppendedUnlessTheNameEndsWithIt) {
  struct name_case {
    std::wstring name, extension, saved;
  };
  const name_case cases[] = {
      {L"a", L"vdy", L"a.vdy"},
      {L"a.vdy", L"vdy", L"a.vdy"},
      {L"A.VDY", L"vdy", L"A.VDY"},
      {L"x.vdy.bak", L"vdy", L"x.vdy.bak.vdy"},
      {L"x.sqlold", L"sql", L"x.sqlold.sql"},
      {L"/tmp/my job", L"vdy", L"/tmp/my job.vdy"},
      {L"avdy", L"vdy", L"avdy.vdy"},
      {L"a", L"", L"a"},
  };
  for (const name_case& c : cases) EXPECT_EQ(with_default_extension(c.name, c.extension), c.saved) << c.name.size();
}

}  // namespace
