// Helpers of the wizard's shell tests: boxes answered and recorded instead of shown, the window
// layer's handlers as the program installs them, waiting inside the event loop, and reaching the
// modal dialog on screen.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "platform/ui/ui_control_host.h"
#include "platform/ui/ui_dialog.h"
#include "platform/ui/ui_dispatch.h"
#include "platform/ui/ui_hooks.h"

// Records every box and answers with the next of `answers` (OK when they run out).
struct box_recorder {
  box_recorder() {
    previous_ = ui_set_message_box_hook([this](const ui_box_request& r) {
      std::lock_guard<std::mutex> lock(mutex);
      boxes.push_back(r);
      if (answers.empty()) return ui_id_ok;
      const int answer = answers.front();
      answers.erase(answers.begin());
      return answer;
    });
  }
  ~box_recorder() { ui_set_message_box_hook(previous_); }
  std::vector<ui_box_request> taken() {
    std::lock_guard<std::mutex> lock(mutex);
    return boxes;
  }
  std::vector<std::wstring> texts() {
    std::vector<std::wstring> out;
    for (const ui_box_request& r : taken()) out.push_back(r.text);
    return out;
  }

  std::mutex mutex;
  std::vector<ui_box_request> boxes;
  std::vector<int> answers;

 private:
  ui_message_box_hook previous_;
};

// Records the addresses opened.
struct url_recorder {
  url_recorder() {
    previous_ = ui_set_open_url_hook([this](const std::wstring& url) {
      urls.push_back(url);
      return true;
    });
  }
  ~url_recorder() { ui_set_open_url_hook(previous_); }
  std::vector<std::wstring> urls;

 private:
  ui_open_url_hook previous_;
};

// The program's handlers of exceptions that reach the window layer's dispatch.
inline void install_program_handlers(const std::function<void(const std::string&)>& on_other) {
  ui_set_exception_handlers([](const tk_exception& e) { error_handler::get_instance()->handle(e, true); }, on_other);
}

// Serves events until `ready` answers true; false after `timeout_ms`. A loop of its own: events
// posted while a handler runs reach only a loop entered after them, not processEvents.
inline bool wait_for(const std::function<bool()>& ready, int timeout_ms = 120000) {
  if (ready()) return true;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer poll;
  bool met = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    met = ready();
    if (met || clock.elapsed() > timeout_ms) loop.quit();
  });
  poll.start(5);
  loop.exec();
  return met;
}

// The control host of the modal dialog on screen, or null.
inline ui_control_host* modal_dialog() {
  QWidget* top = QApplication::activeModalWidget();
  if (top == nullptr) return nullptr;
  if (auto* host = qobject_cast<ui_control_host*>(top)) return host;
  return top->findChild<ui_control_host*>();
}

inline void click(ui_control_host* host, int id) {
  auto* button = qobject_cast<QAbstractButton*>(host->control(id));
  ASSERT_NE(button, nullptr) << id;
  button->click();
}

// Runs `script` once the event loop runs (inside a modal loop started right after). From a timer,
// not a posted event: while a posted event is handled, events posted by a worker after it wait
// for the outer loop, and the worker would wait for the script.
inline void later(const std::function<void()>& script) { QTimer::singleShot(1, script); }
