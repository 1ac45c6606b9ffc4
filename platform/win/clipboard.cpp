// The clipboard hook the wizard installs.
#include "platform/win/clipboard.h"

#include <utility>

namespace {
clipboard_hook& installed_hook() {
  static clipboard_hook hook;
  return hook;
}
}  // namespace

void set_clipboard_hook(clipboard_hook hook) { installed_hook() = std::move(hook); }

bool clipboard_available() { return static_cast<bool>(installed_hook()); }

bool set_clipboard_text(const std::wstring& text) {
  const clipboard_hook& hook = installed_hook();
  return hook ? hook(text) : false;
}
