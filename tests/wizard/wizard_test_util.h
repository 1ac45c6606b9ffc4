// Helpers of the window-layer tests: fake pages that record what the sheet sends them and answer
// as a case says, and a way to drive a modal sheet from inside its own event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/ui_dispatch.h"
#include "platform/ui/ui_property_sheet.h"

inline const char* notify_name(ui_notify code) {
  switch (code) {
    case ui_notify::set_active: return "set";
    case ui_notify::kill_active: return "kill";
    case ui_notify::wizard_back: return "back";
    case ui_notify::wizard_next: return "next";
    case ui_notify::wizard_finish: return "finish";
    case ui_notify::query_cancel: return "cancel";
    case ui_notify::help: return "help";
    case ui_notify::reset: return "reset";
  }
  return "?";
}

// A page with one edit and one button; it answers each notification from its table (0 when not
// given), may run an action first, and writes "<id>:<notification>" to a shared journal.
class fake_page : public ui_page {
 public:
  fake_page(int id, std::vector<std::string>& journal)
      : ui_page(ui_dialog_def{
            id,
            L"",
            200,
            100,
            {{1001, ui_kind::edit, L"", {7, 7, 100, 12}}, {1002, ui_kind::push_button, L"&Go", {7, 25, 50, 14}}}}),
        journal_(journal) {}

  std::map<ui_notify, int> answers;
  std::map<ui_notify, std::function<void()>> actions;
  std::vector<int> ticks;
  std::function<void(int)> on_tick;
  std::function<void(int, ui_event)> on_control;

  int on_notify(ui_notify code) override {
    journal_.push_back(std::to_string(dialog_id()) + ":" + notify_name(code));
    if (auto a = actions.find(code); a != actions.end() && a->second) a->second();
    auto it = answers.find(code);
    return it == answers.end() ? 0 : it->second;
  }
  void on_timer(int timer_id) override {
    ticks.push_back(timer_id);
    if (on_tick) on_tick(timer_id);
  }

 protected:
  bool on_command(int id, ui_event event) override {
    if (on_control) on_control(id, event);
    return true;
  }

 private:
  std::vector<std::string>& journal_;
};

// Runs the sheet modally and, once its loop runs, the script; a script that leaves the sheet
// open has it ended with `still_open`. Answers what run_modal answered.
inline constexpr int still_open = 77;
inline int run_sheet(ui_property_sheet& sheet, const std::function<void()>& script) {
  QTimer::singleShot(0, &sheet, [&] {
    script();
    if (sheet.isVisible() && sheet.current_page() != nullptr) sheet.end_sheet(still_open);
  });
  return sheet.run_modal();
}

// Lets posted events (button states, queued calls) arrive.
inline void settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Collects what the dispatch hands to the application's two handlers, for one test.
class caught_exceptions {
 public:
  caught_exceptions() {
    ui_set_exception_handlers([this](const tk_exception& e) { tk.push_back(e.what()); },
                              [this](const std::string& what) { other.push_back(what); });
  }
  ~caught_exceptions() { ui_set_exception_handlers({}, {}); }
  caught_exceptions(const caught_exceptions&) = delete;
  caught_exceptions& operator=(const caught_exceptions&) = delete;

  std::vector<std::string> tk;
  std::vector<std::string> other;
};
