// Guarded dispatch: application code run for Qt never lets an exception into the event loop.
#include "platform/ui/ui_dispatch.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "TK/tk_exception.h"

namespace {

std::mutex handlers_mutex;
ui_tk_exception_handler tk_handler;
ui_other_exception_handler other_handler;

void write_stderr(const char* what) { std::fprintf(stderr, "Unhandled exception: %s\n", what); }

void report_tk(const tk_exception& e) {
  ui_tk_exception_handler handler;
  {
    std::lock_guard lock(handlers_mutex);
    handler = tk_handler;
  }
  if (handler) {
    handler(e);
  } else {
    write_stderr(e.what());
  }
}

void report_other(const std::string& what) {
  ui_other_exception_handler handler;
  {
    std::lock_guard lock(handlers_mutex);
    handler = other_handler;
  }
  if (handler) {
    handler(what);
  } else {
    write_stderr(what.c_str());
  }
}

// Runs a report; a handler that throws must not take the event loop down with it.
template <class F>
void report_safely(F&& report) {
  try {
    report();
  } catch (const std::exception& e) {
    write_stderr(e.what());
  } catch (...) {
    write_stderr("Unknown exception");
  }
}

}  // namespace

void ui_set_exception_handlers(ui_tk_exception_handler on_tk, ui_other_exception_handler on_other) {
  std::lock_guard lock(handlers_mutex);
  tk_handler = std::move(on_tk);
  other_handler = std::move(on_other);
}

bool ui_guarded(const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const tk_exception& e) {
    report_safely([&] { report_tk(e); });
  } catch (const std::exception& e) {
    std::string what = e.what();
    report_safely([&] { report_other(what); });
  } catch (...) {
    report_safely([] { report_other("Unknown exception"); });
  }
  return false;
}
