// The one place where the UI layer runs application code on Qt's behalf. Every handler runs
// inside ui_guarded: an exception never crosses Qt's event loop. A tk_exception goes to the
// handler the application installs, anything else to the second handler, and the window that
// was handling the event stays as it was.
#pragma once

#include <functional>
#include <string>

class tk_exception;

using ui_tk_exception_handler = std::function<void(const tk_exception&)>;
using ui_other_exception_handler = std::function<void(const std::string& what)>;

// Installs the handlers (empty: the defaults, which write the message to standard error).
// Answers nothing; call on the UI thread before the first window is shown.
void ui_set_exception_handlers(ui_tk_exception_handler on_tk, ui_other_exception_handler on_other);

// Runs `body`; an exception is handed to the installed handler and false is returned. A handler
// that throws itself is written to standard error and swallowed.
bool ui_guarded(const std::function<void()>& body);
