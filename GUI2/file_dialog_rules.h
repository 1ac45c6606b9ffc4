// The rules of the open and save dialogs that need no dialog: the filter texts the pages write
// ("Profile Files (.vdy)|*.vdy|All Files (*.*)|*.*|") read into type lists the desktop dialog
// shows, and the default extension of a saved name.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/ui_hooks.h"

// One entry per (description, patterns) pair of `filter` ('|' separated, a trailing '|' allowed).
// The description loses a parenthesised part at its end (the dialog shows the entry's own
// patterns there: "Profile Files (.vdy)" names a pattern Qt would not match), and the patterns
// are split at ';'. A pair without patterns is dropped.
std::vector<ui_file_filter> file_dialog_filters(const std::wstring& filter);

// The name with "." + extension appended unless it already ends with it (letter case aside);
// an empty extension leaves the name alone.
std::wstring with_default_extension(const std::wstring& name, const std::wstring& extension);
