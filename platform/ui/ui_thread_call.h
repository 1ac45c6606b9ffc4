// Calls from a worker thread onto the UI thread, where every widget lives. The worker blocks
// until the call has run; the UI thread never blocks on the worker, it waits inside an event loop
// (ui_wait_until) so that the worker's calls are served meanwhile.
#pragma once

#include <functional>

// Runs `body` on the UI thread and returns when it has run. On the UI thread it runs at once. An
// exception from `body` is carried back and rethrown on the calling thread. Without a
// QApplication the body runs on the calling thread.
void ui_call_blocking(const std::function<void()>& body);

// The same with a result.
template <class R>
R ui_call_blocking_result(const std::function<R()>& body) {
  R result{};
  ui_call_blocking([&] { result = body(); });
  return result;
}

// True on the thread that owns the QApplication (or when there is none).
bool ui_on_ui_thread();

// On the UI thread: serves events (the worker's calls among them) until `ready` answers true,
// checking it every `poll_ms` milliseconds. Without a QApplication it only polls.
void ui_wait_until(const std::function<bool()>& ready, int poll_ms = 10);
