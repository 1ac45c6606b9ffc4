// The clipboard the error dialog copies its text to. The engine has no window system: the wizard
// installs a hook that puts text on its clipboard; without one, copying does nothing.
#pragma once

#include <functional>
#include <string>

#include "platform/win/windows_types.h"

// Puts one text on the clipboard; answers whether it did.
using clipboard_hook = std::function<bool(const std::wstring& text)>;

// Installs (or, with an empty hook, removes) the front end's clipboard. Call before any thread
// may copy.
void set_clipboard_hook(clipboard_hook hook);

// True when a front end has installed a clipboard (what OpenClipboard answers on Windows).
bool clipboard_available();

// Hands the text to the hook; false when none is installed or it refused the text.
bool set_clipboard_text(const std::wstring& text);
