// Modal dialogs from control tables: the result id they end with, Esc and the close box with and
// without a close box, the link that opens its address and leaves the dialog open, and a
// throwing handler that leaves the dialog running.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "TK/tk_exception.h"
#include "platform/ui/ui_dialog.h"
#include "platform/ui/ui_hooks.h"
#include "tests/wizard/wizard_test_util.h"

namespace {

constexpr int not_ended = 99;

class box_dialog : public ui_dialog {
 public:
  box_dialog()
      : ui_dialog({136,
                   L"Additional Software is Required",
                   208,
                   75,
                   {{1301, ui_kind::icon, L"", {8, 10, 32, 32}},
                    {1320, ui_kind::static_text, L"", {40, 8, 165, 30}},
                    {1335, ui_kind::link, L"", {42, 38, 150, 10}},
                    {1110, ui_kind::push_button, L"&Retry", {8, 56, 50, 14}},
                    {1, ui_kind::default_button, L"OK", {78, 56, 50, 14}}}}) {}

  bool init_ran = false;
  bool throw_on_retry = false;
  bool end_in_init = false;

 protected:
  void on_init_dialog() override {
    init_ran = true;
    set_icon(1301, ui_icon::warning);
    set_text(1320, L"Failed to load the engine.");
    set_link(1335, L"Download it", L"https://example.invalid/runtime");
    if (end_in_init) end_dialog(2);
  }
  bool on_command(int id, ui_event event) override {
    if (id == 1110 && event == ui_event::clicked) {
      if (throw_on_retry) throw tk_exception("retry failed", tk_kind_error);
      end_dialog(4);
      return true;
    }
    return ui_dialog::on_command(id, event);
  }
};

enum class action { ok_button, own_button, enter, escape, close_box };

struct end_case {
  const char* name;
  bool closable;
  action act;
  int expected;
};

class dialog_end : public ::testing::TestWithParam<end_case> {};

// Runs the dialog, acts once its loop runs, and ends it with not_ended when the action did not.
int run_dialog(box_dialog& d, const std::function<void()>& act) {
  QTimer::singleShot(0, [&] {
    act();
    settle();
    if (d.is_running()) d.end_dialog(not_ended);
  });
  return d.do_modal(nullptr);
}

TEST_P(dialog_end, ends_with_the_id_its_code_gives) {
  const end_case& c = GetParam();
  box_dialog d;
  d.set_closable(c.closable);
  const int result = run_dialog(d, [&] {
    switch (c.act) {
      case action::ok_button: QTest::mouseClick(d.control(1), Qt::LeftButton); break;
      case action::own_button: QTest::mouseClick(d.control(1110), Qt::LeftButton); break;
      case action::enter: QTest::keyClick(d.window_widget(), Qt::Key_Return); break;
      case action::escape: QTest::keyClick(d.window_widget(), Qt::Key_Escape); break;
      case action::close_box: d.window_widget()->close(); break;
    }
  });
  EXPECT_TRUE(d.init_ran);
  EXPECT_EQ(result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(table, dialog_end,
                         ::testing::Values(end_case{"ok", true, action::ok_button, 1},
                                           end_case{"own_button", true, action::own_button, 4},
                                           end_case{"enter_presses_the_default_button", true, action::enter, 1},
                                           end_case{"escape_closable", true, action::escape, 2},
                                           end_case{"close_box_closable", true, action::close_box, 2},
                                           end_case{"escape_without_close_box", false, action::escape, not_ended},
                                           end_case{"close_box_without_close_box", false, action::close_box, not_ended},
                                           end_case{"ok_without_close_box", false, action::ok_button, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(dialog_link, opens_the_target_and_the_dialog_stays) {
  std::vector<std::wstring> opened;
  ui_open_url_hook old = ui_set_open_url_hook([&](const std::wstring& url) {
    opened.push_back(url);
    return true;
  });
  box_dialog d;
  bool running_after_click = false;
  const int result = run_dialog(d, [&] {
    QWidget* link = d.control(1335);
    // A click on the text itself, where the anchor is.
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, link->height() / 2));
    running_after_click = d.is_running();
  });
  ui_set_open_url_hook(old);
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://example.invalid/runtime"});
  EXPECT_TRUE(running_after_click);
  EXPECT_EQ(result, not_ended);
  EXPECT_EQ(d.get_text(1335), L"Download it");
}

TEST(dialog_handler, that_throws_is_reported_and_the_dialog_stays) {
  caught_exceptions caught;
  box_dialog d;
  d.throw_on_retry = true;
  const int result = run_dialog(d, [&] { QTest::mouseClick(d.control(1110), Qt::LeftButton); });
  EXPECT_EQ(result, not_ended);
  EXPECT_EQ(caught.tk, std::vector<std::string>{"retry failed"});
}

// A dialog that ends itself while it initialises is never shown: do_modal answers at once.
TEST(dialog_end_in_init, returns_without_showing) {
  box_dialog d;
  d.end_in_init = true;
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = QApplication::activeModalWidget() != nullptr;
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  EXPECT_EQ(d.do_modal(nullptr), 2);
  settle();
  EXPECT_TRUE(d.init_ran);
  EXPECT_FALSE(shown);
}

}  // namespace
