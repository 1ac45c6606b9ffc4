// The property sheet with fake pages: where Next and Back land by the pages' answers, posted
// button states, Cancel/Esc/close and F1/Help routed to the page, timers that follow the current
// page, and handlers that throw.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "TK/tk_exception.h"
#include "platform/ui/ui_thread_call.h"
#include "tests/wizard/wizard_test_util.h"

namespace {

using answers_t = std::map<int, std::map<ui_notify, int>>;

// Four pages 101 to 104 in this order.
struct four_pages {
  std::vector<std::string> journal;
  ui_property_sheet sheet{L"Ostrelle test"};
  fake_page p101{101, journal}, p102{102, journal}, p103{103, journal}, p104{104, journal};

  explicit four_pages(const answers_t& answers = {}) {
    for (fake_page* p : pages()) {
      sheet.add_page(p, {L"Step", L"Sub", false, true});
      if (auto it = answers.find(p->dialog_id()); it != answers.end()) p->answers = it->second;
    }
  }
  std::vector<fake_page*> pages() { return {&p101, &p102, &p103, &p104}; }
};

struct navigation_case {
  const char* name;
  answers_t answers;
  std::vector<int> presses;
  int expected_page;
  std::vector<std::string> expected_journal;
};

class sheet_navigation : public ::testing::TestWithParam<navigation_case> {};

TEST_P(sheet_navigation, lands_where_the_pages_answers_say) {
  const navigation_case& c = GetParam();
  four_pages w(c.answers);
  // Back and Next are pressed as the user would; the fake pages post no button states, so the
  // sheet's initial Back and Next stay enabled.
  int page_after = 0;
  run_sheet(w.sheet, [&] {
    for (int id : c.presses) w.sheet.press_button(id);
    page_after = w.sheet.current_page_id();
  });
  EXPECT_EQ(page_after, c.expected_page);
  EXPECT_EQ(w.journal, c.expected_journal);
}

const ui_notify set = ui_notify::set_active, kill = ui_notify::kill_active, next = ui_notify::wizard_next,
                back = ui_notify::wizard_back;

INSTANTIATE_TEST_SUITE_P(
    table, sheet_navigation,
    ::testing::Values(
        navigation_case{"set_active_false_skipped_forward",
                        {{102, {{set, -1}}}},
                        {ui_id_next},
                        103,
                        {"101:set", "101:next", "101:kill", "102:set", "103:set"}},
        navigation_case{
            "set_active_false_skipped_backward",
            {{102, {{set, -1}}}},
            {ui_id_next, ui_id_back},
            101,
            {"101:set", "101:next", "101:kill", "102:set", "103:set", "103:back", "103:kill", "102:set", "101:set"}},
        navigation_case{
            "first_page_refusing_opens_on_the_second", {{101, {{set, -1}}}}, {}, 102, {"101:set", "102:set"}},
        navigation_case{"no_later_page_accepting_keeps_the_page",
                        {{102, {{set, -1}}}, {103, {{set, -1}}}, {104, {{set, -1}}}},
                        {ui_id_next},
                        101,
                        {"101:set", "101:next", "101:kill", "102:set", "103:set", "104:set"}},
        navigation_case{"next_minus_one_stays", {{101, {{next, -1}}}}, {ui_id_next}, 101, {"101:set", "101:next"}},
        navigation_case{"next_with_an_id_jumps_over_pages",
                        {{101, {{next, 104}}}},
                        {ui_id_next},
                        104,
                        {"101:set", "101:next", "101:kill", "104:set"}},
        navigation_case{"back_with_an_id_jumps",
                        {{101, {{next, 104}}}, {104, {{back, 101}}}},
                        {ui_id_next, ui_id_back},
                        101,
                        {"101:set", "101:next", "101:kill", "104:set", "104:back", "104:kill", "101:set"}},
        navigation_case{
            "next_with_an_unknown_id_stays", {{101, {{next, 999}}}}, {ui_id_next}, 101, {"101:set", "101:next"}},
        navigation_case{
            "kill_active_false_stays", {{101, {{kill, 1}}}}, {ui_id_next}, 101, {"101:set", "101:next", "101:kill"}},
        navigation_case{"set_active_with_an_id_redirects",
                        {{102, {{set, 104}}}},
                        {ui_id_next},
                        104,
                        {"101:set", "101:next", "101:kill", "102:set", "104:set"}},
        navigation_case{"back_on_the_first_page_stays", {}, {ui_id_back}, 101, {"101:set", "101:back"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(sheet_buttons, a_pages_own_post_wins_over_the_template_post) {
  four_pages w;
  // As the wizard's template posts the page's buttons before the page's own code posts others.
  w.p101.actions[set] = [&] {
    w.sheet.post_buttons(ui_wiz_back | ui_wiz_next);
    w.sheet.post_buttons(ui_wiz_none);
  };
  w.p102.actions[set] = [&] { w.sheet.post_buttons(ui_wiz_finish); };
  run_sheet(w.sheet, [&] {
    settle();
    EXPECT_FALSE(w.sheet.button_enabled(ui_id_back));
    EXPECT_FALSE(w.sheet.button_enabled(ui_id_next));
    EXPECT_FALSE(w.sheet.button_shown(ui_id_finish));
    EXPECT_TRUE(w.sheet.button_enabled(ui_id_cancel));
    // A disabled button does nothing when pressed.
    w.sheet.press_button(ui_id_next);
    EXPECT_EQ(w.sheet.current_page_id(), 101);

    w.sheet.post_buttons(ui_wiz_next);
    settle();
    w.sheet.press_button(ui_id_next);
    settle();
    // Finish takes the place of Next.
    EXPECT_TRUE(w.sheet.button_shown(ui_id_finish));
    EXPECT_TRUE(w.sheet.button_enabled(ui_id_finish));
    EXPECT_FALSE(w.sheet.button_shown(ui_id_next));
    EXPECT_FALSE(w.sheet.button_enabled(ui_id_back));
  });
  EXPECT_EQ(w.journal, (std::vector<std::string>{"101:set", "101:next", "101:kill", "102:set"}));
}

TEST(sheet_buttons, a_post_from_a_worker_thread_arrives) {
  four_pages w;
  run_sheet(w.sheet, [&] {
    std::thread worker([&] { w.sheet.post_buttons(ui_wiz_back); });
    worker.join();
    settle();
    EXPECT_TRUE(w.sheet.button_enabled(ui_id_back));
    EXPECT_FALSE(w.sheet.button_enabled(ui_id_next));
  });
}

TEST(sheet_finish, finish_closes_only_when_the_page_allows) {
  for (int answer : {1, 0}) {
    four_pages w({{101, {{ui_notify::wizard_finish, answer}}}});
    w.p101.actions[set] = [&] { w.sheet.post_buttons(ui_wiz_finish); };
    const int result = run_sheet(w.sheet, [&] {
      settle();
      w.sheet.press_button(ui_id_finish);
    });
    EXPECT_EQ(result, answer == 0 ? ui_sheet_finished : still_open) << "answer " << answer;
  }
}

enum class cancel_trigger { button, escape, close_box };

struct cancel_case {
  const char* name;
  cancel_trigger trigger;
  int answer;           // the page's answer to query_cancel
  bool cancel_enabled;  // Cancel switched off, as on the finish page
  int expected_result;
  std::vector<std::string> expected_journal;
};

class sheet_cancel : public ::testing::TestWithParam<cancel_case> {};

TEST_P(sheet_cancel, asks_the_page) {
  const cancel_case& c = GetParam();
  four_pages w({{101, {{ui_notify::query_cancel, c.answer}}}});
  const int result = run_sheet(w.sheet, [&] {
    w.sheet.enable_button(ui_id_cancel, c.cancel_enabled);
    switch (c.trigger) {
      case cancel_trigger::button: QTest::mouseClick(w.sheet.button(ui_id_cancel), Qt::LeftButton); break;
      case cancel_trigger::escape: {
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &w.sheet;
        QTest::keyClick(target, Qt::Key_Escape);
        break;
      }
      case cancel_trigger::close_box: w.sheet.close(); break;
    }
    settle();
  });
  EXPECT_EQ(result, c.expected_result);
  EXPECT_EQ(w.journal, c.expected_journal);
}

INSTANTIATE_TEST_SUITE_P(
    table, sheet_cancel,
    ::testing::Values(
        cancel_case{"button_no_stays", cancel_trigger::button, 1, true, still_open, {"101:set", "101:cancel"}},
        cancel_case{"button_yes_cancels",
                    cancel_trigger::button,
                    0,
                    true,
                    ui_sheet_cancelled,
                    {"101:set", "101:cancel", "101:reset"}},
        cancel_case{"escape_no_stays", cancel_trigger::escape, 1, true, still_open, {"101:set", "101:cancel"}},
        cancel_case{"escape_yes_cancels",
                    cancel_trigger::escape,
                    0,
                    true,
                    ui_sheet_cancelled,
                    {"101:set", "101:cancel", "101:reset"}},
        cancel_case{"close_box_no_stays", cancel_trigger::close_box, 1, true, still_open, {"101:set", "101:cancel"}},
        cancel_case{"close_box_yes_cancels",
                    cancel_trigger::close_box,
                    0,
                    true,
                    ui_sheet_cancelled,
                    {"101:set", "101:cancel", "101:reset"}},
        cancel_case{"escape_with_cancel_off_does_nothing", cancel_trigger::escape, 0, false, still_open, {"101:set"}},
        cancel_case{
            "close_box_with_cancel_off_does_nothing", cancel_trigger::close_box, 0, false, still_open, {"101:set"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(sheet_help, f1_and_the_help_button_reach_the_current_page) {
  four_pages w;
  run_sheet(w.sheet, [&] {
    w.sheet.press_button(ui_id_next);
    w.sheet.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w.sheet));
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &w.sheet;
    QTest::keyClick(target, Qt::Key_F1);
    QTest::mouseClick(w.sheet.button(ui_id_help), Qt::LeftButton);
  });
  EXPECT_EQ(w.journal,
            (std::vector<std::string>{"101:set", "101:next", "101:kill", "102:set", "102:help", "102:help"}));
}

TEST(sheet_timer, ticks_go_to_the_page_on_screen) {
  four_pages w;
  run_sheet(w.sheet, [&] {
    w.sheet.start_timer(0x10000, 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.p101.ticks.empty(); }, 5000));
    w.sheet.press_button(ui_id_next);
    const size_t ticks_on_101 = w.p101.ticks.size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.p102.ticks.empty(); }, 5000));
    EXPECT_EQ(w.p101.ticks.size(), ticks_on_101);
    EXPECT_EQ(w.p102.ticks.front(), 0x10000);
    w.sheet.stop_timer(0x10000);
    EXPECT_FALSE(w.sheet.timer_running(0x10000));
  });
}

TEST(sheet_timer, a_tick_may_move_the_sheet_to_a_page_by_id) {
  four_pages w;
  w.p101.on_tick = [&](int id) {
    w.sheet.stop_timer(id);
    EXPECT_TRUE(w.sheet.set_current_page(104));
  };
  run_sheet(w.sheet, [&] {
    w.sheet.start_timer(1, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.sheet.current_page_id() == 104; }, 5000));
    EXPECT_FALSE(w.sheet.set_current_page(999));
  });
  EXPECT_EQ(w.journal, (std::vector<std::string>{"101:set", "101:kill", "104:set"}));
}

TEST(sheet_cancel_question, a_second_escape_while_the_page_asks_is_not_a_second_question) {
  four_pages w;
  w.p101.actions[ui_notify::query_cancel] = [&] {
    // The page's question box runs a nested loop; the user presses Esc and the close box again.
    QTimer::singleShot(0, &w.sheet, [&] {
      QTest::keyClick(&w.sheet, Qt::Key_Escape);
      w.sheet.close();
    });
    settle();
  };
  const int result = run_sheet(w.sheet, [&] { w.sheet.press_button(ui_id_cancel); });
  EXPECT_EQ(result, ui_sheet_cancelled);
  EXPECT_EQ(w.journal, (std::vector<std::string>{"101:set", "101:cancel", "101:reset"}));
}

TEST(sheet_timer, a_worker_thread_starts_it_while_the_ui_thread_serves) {
  four_pages w;
  run_sheet(w.sheet, [&] {
    std::atomic<bool> started{false};
    std::thread worker([&] {
      w.sheet.start_timer(7, 5);
      started = true;
    });
    ui_wait_until([&] { return started.load(); });
    worker.join();
    EXPECT_TRUE(w.sheet.timer_running(7));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.p101.ticks.empty(); }, 5000));
  });
}

enum class thrower { next_handler, help_handler, next_pages_set_active, timer, control };

struct throw_case {
  const char* name;
  thrower where;
  bool toolkit_error;  // a tk_exception, else a std::runtime_error
};

class sheet_throwing_handler : public ::testing::TestWithParam<throw_case> {};

TEST_P(sheet_throwing_handler, is_reported_and_the_page_stays) {
  const throw_case& c = GetParam();
  caught_exceptions caught;
  four_pages w;
  auto fail = [&] {
    if (c.toolkit_error) throw tk_exception("bad toolkit thing", tk_kind_error);
    throw std::runtime_error("bad other thing");
  };
  int page_after = 0;
  run_sheet(w.sheet, [&] {
    switch (c.where) {
      case thrower::next_handler:
        w.p101.actions[next] = fail;
        w.sheet.press_button(ui_id_next);
        break;
      case thrower::help_handler:
        w.p101.actions[ui_notify::help] = fail;
        w.sheet.press_button(ui_id_help);
        break;
      case thrower::next_pages_set_active:
        w.p102.actions[set] = fail;
        w.sheet.press_button(ui_id_next);
        break;
      case thrower::timer:
        w.p101.on_tick = [&](int) {
          w.sheet.stop_timer(3);
          fail();
        };
        w.sheet.start_timer(3, 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w.p101.ticks.empty(); }, 5000));
        break;
      case thrower::control:
        w.p101.on_control = [&](int id, ui_event e) {
          if (id == 1002 && e == ui_event::clicked) fail();
        };
        QTest::mouseClick(w.p101.control(1002), Qt::LeftButton);
        break;
    }
    page_after = w.sheet.current_page_id();
  });
  EXPECT_EQ(page_after, 101);
  if (c.toolkit_error) {
    EXPECT_EQ(caught.tk, std::vector<std::string>{"bad toolkit thing"});
    EXPECT_TRUE(caught.other.empty());
  } else {
    EXPECT_TRUE(caught.tk.empty());
    EXPECT_EQ(caught.other, std::vector<std::string>{"bad other thing"});
  }
}

INSTANTIATE_TEST_SUITE_P(
    table, sheet_throwing_handler,
    ::testing::Values(throw_case{"next_tk", thrower::next_handler, true},
                      throw_case{"next_std", thrower::next_handler, false},
                      throw_case{"help_tk", thrower::help_handler, true},
                      throw_case{"set_active_of_the_next_page_std", thrower::next_pages_set_active, false},
                      throw_case{"timer_tk", thrower::timer, true}, throw_case{"control_std", thrower::control, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(sheet_frame, exterior_pages_show_the_watermark_and_interior_pages_the_header) {
  std::vector<std::string> journal;
  fake_page welcome(103, journal), dump(102, journal);
  ui_property_sheet sheet(L"Ostrelle 8.3 ");
  QPixmap watermark(164, 314);
  watermark.fill(Qt::darkBlue);
  sheet.set_watermark(watermark);
  sheet.add_page(&welcome, {L"", L"", true, true});
  sheet.add_page(&dump, {L"Step 1 of 7", L"MySQL dump file settings", false, true});
  auto shown_texts = [&] {
    std::vector<std::string> texts;
    for (QLabel* label : sheet.findChildren<QLabel*>()) {
      if (label->isVisible() && !label->text().isEmpty()) texts.push_back(label->text().toStdString());
    }
    return texts;
  };
  auto watermark_shown = [&] {
    for (QLabel* label : sheet.findChildren<QLabel*>()) {
      if (label->isVisible() && label->pixmap().size() == watermark.size()) return true;
    }
    return false;
  };
  run_sheet(sheet, [&] {
    EXPECT_EQ(sheet.windowTitle(), "Ostrelle 8.3 ");
    EXPECT_TRUE(watermark_shown());
    EXPECT_TRUE(shown_texts().empty());
    sheet.press_button(ui_id_next);
    EXPECT_FALSE(watermark_shown());
    EXPECT_EQ(shown_texts(), (std::vector<std::string>{"Step 1 of 7", "MySQL dump file settings"}));
    sheet.press_button(ui_id_back);
    EXPECT_TRUE(watermark_shown());
  });
}

TEST(sheet_run, a_first_page_that_ends_the_sheet_is_not_shown_again) {
  four_pages w;
  w.p101.actions[set] = [&] { w.sheet.end_sheet(ui_sheet_finished); };
  EXPECT_EQ(w.sheet.run_modal(), ui_sheet_finished);
  EXPECT_FALSE(w.sheet.isVisible());
  EXPECT_EQ(w.sheet.current_page(), nullptr);
}

TEST(sheet_pages, survive_the_sheet_and_keep_their_controls) {
  std::vector<std::string> journal;
  fake_page page(101, journal);
  {
    ui_property_sheet sheet(L"t");
    sheet.add_page(&page);
    EXPECT_THROW(sheet.add_page(&page), std::logic_error);
  }
  page.set_text(1001, L"still here");
  EXPECT_EQ(page.get_text(1001), L"still here");
  EXPECT_EQ(page.parentWidget(), nullptr);
}

}  // namespace
