// The desktop hooks: replaced and restored one by one, the file-type lists Qt can show, and the
// save dialog that asks before replacing an existing file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "platform/ui/ui_hooks.h"

namespace {

struct filter_case {
  const char* name;
  std::vector<ui_file_filter> filters;
  std::wstring expected;
};

class qt_filter : public ::testing::TestWithParam<filter_case> {};

TEST_P(qt_filter, lists_every_entry_in_a_form_qt_shows) {
  EXPECT_EQ(ui_qt_filter(GetParam().filters), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    table, qt_filter,
    ::testing::Values(filter_case{"profile", {{L"Profile Files (*.vdy)", {L"*.vdy"}}}, L"Profile Files (*.vdy)"},
                      filter_case{"two_patterns",
                                  {{L"MS Access Databases (*.mdb;*.accdb)", {L"*.mdb", L"*.accdb"}}},
                                  L"MS Access Databases (*.mdb *.accdb)"},
                      filter_case{"star_dot_star_matches_names_without_a_dot",
                                  {{L"SQL Files", {L"*.sql"}}, {L"All Files (*.*)", {L"*.*"}}},
                                  L"SQL Files (*.sql);;All Files (*)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(hooks, each_is_replaced_and_restored) {
  std::vector<std::wstring> seen;
  auto old_box = ui_set_message_box_hook([&](const ui_box_request& r) {
    seen.push_back(r.caption + L"|" + r.text);
    return ui_id_no;
  });
  auto old_url = ui_set_open_url_hook([&](const std::wstring& url) {
    seen.push_back(url);
    return false;
  });
  auto old_clip = ui_set_clipboard_hook([&](const std::wstring& text) {
    seen.push_back(text);
    return true;
  });
  auto old_open = ui_set_open_file_hook([&](const ui_file_request& r) -> std::optional<std::wstring> {
    seen.push_back(r.title);
    return L"/tmp/a.vdy";
  });
  auto old_save =
      ui_set_save_file_hook([&](const ui_file_request&) -> std::optional<std::wstring> { return std::nullopt; });
  EXPECT_EQ(ui_message_box({nullptr, L"Question", L"Are you sure?", ui_box_icon::question, ui_box_buttons::yes_no, 0}),
            ui_id_no);
  EXPECT_FALSE(ui_open_url(L"https://example.invalid/"));
  EXPECT_TRUE(ui_set_clipboard_text(L"copied"));
  ui_file_request load;
  load.title = L"Load Settings";
  EXPECT_EQ(ui_open_file(load), std::optional<std::wstring>(L"/tmp/a.vdy"));
  EXPECT_EQ(ui_save_file(load), std::nullopt);
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"Question|Are you sure?", L"https://example.invalid/", L"copied",
                                             L"Load Settings"}));
  // The setters hand back what they replaced, so a test puts the desktop back.
  EXPECT_TRUE(static_cast<bool>(ui_set_message_box_hook(old_box)));
  EXPECT_TRUE(static_cast<bool>(ui_set_open_url_hook(old_url)));
  EXPECT_TRUE(static_cast<bool>(ui_set_clipboard_hook(old_clip)));
  EXPECT_TRUE(static_cast<bool>(ui_set_open_file_hook(old_open)));
  EXPECT_TRUE(static_cast<bool>(ui_set_save_file_hook(old_save)));
}

// Calls `act` with the modal window of type T as soon as one is on screen (polled, so a slow
// machine only waits longer); gives up after ten seconds.
template <class T>
void when_modal(std::function<void(T*)> act) {
  auto* poll = new QTimer();
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  QObject::connect(poll, &QTimer::timeout, [poll, started, act] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(window);
    } else if (started->elapsed() > 10000) {
      poll->stop();
      poll->deleteLater();
      ADD_FAILURE() << "the expected window did not appear";
      if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
    }
  });
  poll->start(10);
}

TEST(hooks, the_real_message_box_answers_the_button_pressed_and_no_is_the_default) {
  std::wstring caption;
  when_modal<QMessageBox>([&](QMessageBox* box) {
    caption = box->windowTitle().toStdWString();
    ASSERT_NE(box->defaultButton(), nullptr);
    box->defaultButton()->click();
  });
  EXPECT_EQ(ui_message_box({nullptr, L"Ostrelle Question", L"Are you sure you want to exit the wizard?",
                            ui_box_icon::question, ui_box_buttons::yes_no, ui_id_no}),
            ui_id_no);
  EXPECT_EQ(caption, L"Ostrelle Question");
}

TEST(hooks, the_real_save_dialog_asks_before_replacing_a_file) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("ostrelle-save-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "old.vdy") << "keep me";
  std::wstring question;
  // Confirm the offered name, answer No to the replace question, then give up.
  when_modal<QFileDialog>([&](QFileDialog* dialog) {
    when_modal<QMessageBox>([&, dialog](QMessageBox* box) {
      question = box->text().toStdWString();
      box->button(QMessageBox::No)->click();
      QTimer::singleShot(0, dialog, [dialog] { QMetaObject::invokeMethod(dialog, "reject"); });
    });
    QMetaObject::invokeMethod(dialog, "accept");
  });
  ui_file_request request;
  request.title = L"Save Settings";
  request.filters = {{L"Profile Files", {L"*.vdy"}}};
  request.folder = folder.wstring();
  request.file_name = L"old.vdy";
  request.default_suffix = L"vdy";
  EXPECT_EQ(ui_save_file(request), std::nullopt);
  EXPECT_NE(question.find(L"old.vdy"), std::wstring::npos) << "no replace question was asked";
  std::ifstream kept(folder / "old.vdy");
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "keep me");
  fs::remove_all(folder);
}

}  // namespace
