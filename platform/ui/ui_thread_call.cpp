// Blocking calls from worker threads onto the UI thread, and the UI thread's serving wait.
#include "platform/ui/ui_thread_call.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <exception>
#include <thread>

bool ui_on_ui_thread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

void ui_call_blocking(const std::function<void()>& body) {
  if (ui_on_ui_thread()) {
    body();
    return;
  }
  // The body runs inside a catch-all on the UI thread; its exception travels back to the worker,
  // which is where the caller expects it.
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&] {
        try {
          body();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
}

void ui_wait_until(const std::function<bool()>& ready, int poll_ms) {
  if (ready()) return;
  if (QCoreApplication::instance() == nullptr) {
    // No event loop to serve (and no UI thread to call onto): plain polling.
    while (!ready()) std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
    return;
  }
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(poll_ms);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (ready()) loop.quit();
  });
  poll.start();
  loop.exec();
}
