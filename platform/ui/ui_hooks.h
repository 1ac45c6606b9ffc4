// The few places where the wizard reaches the desktop: message boxes, the open and save file
// dialogs, opening an address, the clipboard. Each is one function a test replaces, so tests see
// what would have been shown and answer for the user.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// The answers a box returns (IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO).
inline constexpr int ui_id_ok = 1;
inline constexpr int ui_id_cancel_answer = 2;
inline constexpr int ui_id_abort = 3;
inline constexpr int ui_id_retry = 4;
inline constexpr int ui_id_ignore = 5;
inline constexpr int ui_id_yes = 6;
inline constexpr int ui_id_no = 7;

enum class ui_box_icon { none, information, question, warning, error };
enum class ui_box_buttons { ok, ok_cancel, yes_no, yes_no_cancel, retry_cancel, abort_retry_ignore };

struct ui_box_request {
  QWidget* owner = nullptr;  // null: no owner (the box stands alone)
  std::wstring caption;
  std::wstring text;
  ui_box_icon icon = ui_box_icon::none;
  ui_box_buttons buttons = ui_box_buttons::ok;
  int default_answer = 0;  // one of the answers above; 0 the first button
};

// One entry of a file dialog's type list: its name as shown ("Profile Files") and its patterns
// ("*.vdy"). "*.*" matches every name, also names without a dot.
struct ui_file_filter {
  std::wstring name;
  std::vector<std::wstring> patterns;
};

struct ui_file_request {
  QWidget* owner = nullptr;
  std::wstring title;
  std::vector<ui_file_filter> filters;
  std::wstring folder;          // where the dialog opens; empty: the working directory
  std::wstring file_name;       // the name offered at first
  std::wstring default_suffix;  // save: the extension without dot, for the desktop's own use
};

using ui_message_box_hook = std::function<int(const ui_box_request&)>;
using ui_file_hook = std::function<std::optional<std::wstring>(const ui_file_request&)>;
using ui_open_url_hook = std::function<bool(const std::wstring& url)>;
using ui_clipboard_hook = std::function<bool(const std::wstring& text)>;

// Every call below may come from any thread: it runs on the UI thread (ui_call_blocking), and so
// does the hook.

// Shows a box and answers the button pressed.
int ui_message_box(const ui_box_request& request);
// The chosen path, or nothing when the user cancelled. The open dialog accepts only existing
// files; the save dialog is the desktop's usual one, which asks before replacing a file.
std::optional<std::wstring> ui_open_file(const ui_file_request& request);
std::optional<std::wstring> ui_save_file(const ui_file_request& request);
// Opens an address (a web address or a file URL) with the desktop's handler; false on failure.
bool ui_open_url(const std::wstring& url);
// Puts the text on the clipboard; false on failure.
bool ui_set_clipboard_text(const std::wstring& text);

// Each setter installs a replacement and answers the one it replaced; an empty function restores
// the real desktop.
ui_message_box_hook ui_set_message_box_hook(ui_message_box_hook hook);
ui_file_hook ui_set_open_file_hook(ui_file_hook hook);
ui_file_hook ui_set_save_file_hook(ui_file_hook hook);
ui_open_url_hook ui_set_open_url_hook(ui_open_url_hook hook);
ui_clipboard_hook ui_set_clipboard_hook(ui_clipboard_hook hook);

// The Qt filter text for a type list ("Profile Files (*.vdy);;All Files (*)"): "*.*" becomes "*"
// and a name that already ends in a bracketed pattern list loses it, so Qt shows every entry.
std::wstring ui_qt_filter(const std::vector<ui_file_filter>& filters);
