// The desktop behind the hooks: Qt's message box, file dialogs, URL opener and clipboard, each
// replaceable by a test.
#include "platform/ui/ui_hooks.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>
#include <mutex>

#include "platform/ui/ui_thread_call.h"

namespace {

// The hooks are installed on the UI thread, but the clipboard may be reached from a worker via
// the engine's own clipboard stand-in, so every hook is read under the lock.
std::mutex hooks_mutex;
ui_message_box_hook box_hook;
ui_file_hook open_hook;
ui_file_hook save_hook;
ui_open_url_hook url_hook;
ui_clipboard_hook clip_hook;

template <class H>
H swap_hook(H& slot, H hook) {
  std::lock_guard lock(hooks_mutex);
  H old = std::move(slot);
  slot = std::move(hook);
  return old;
}

template <class H>
H read_hook(const H& slot) {
  std::lock_guard lock(hooks_mutex);
  return slot;
}

QString q(const std::wstring& s) { return QString::fromStdWString(s); }

struct answer_button {
  QMessageBox::StandardButton button;
  int answer;
};

std::vector<answer_button> buttons_of(ui_box_buttons buttons) {
  switch (buttons) {
    case ui_box_buttons::ok: return {{QMessageBox::Ok, ui_id_ok}};
    case ui_box_buttons::ok_cancel: return {{QMessageBox::Ok, ui_id_ok}, {QMessageBox::Cancel, ui_id_cancel_answer}};
    case ui_box_buttons::yes_no: return {{QMessageBox::Yes, ui_id_yes}, {QMessageBox::No, ui_id_no}};
    case ui_box_buttons::yes_no_cancel:
      return {{QMessageBox::Yes, ui_id_yes}, {QMessageBox::No, ui_id_no}, {QMessageBox::Cancel, ui_id_cancel_answer}};
    case ui_box_buttons::retry_cancel:
      return {{QMessageBox::Retry, ui_id_retry}, {QMessageBox::Cancel, ui_id_cancel_answer}};
    case ui_box_buttons::abort_retry_ignore:
      return {
          {QMessageBox::Abort, ui_id_abort}, {QMessageBox::Retry, ui_id_retry}, {QMessageBox::Ignore, ui_id_ignore}};
  }
  return {{QMessageBox::Ok, ui_id_ok}};
}

QMessageBox::Icon icon_of(ui_box_icon icon) {
  switch (icon) {
    case ui_box_icon::information: return QMessageBox::Information;
    case ui_box_icon::question: return QMessageBox::Question;
    case ui_box_icon::warning: return QMessageBox::Warning;
    case ui_box_icon::error: return QMessageBox::Critical;
    case ui_box_icon::none: break;
  }
  return QMessageBox::NoIcon;
}

int desktop_box(const ui_box_request& r) {
  QMessageBox box(icon_of(r.icon), q(r.caption), q(r.text), QMessageBox::NoButton, r.owner);
  std::vector<answer_button> buttons = buttons_of(r.buttons);
  QMessageBox::StandardButtons all;
  for (const auto& b : buttons) all |= b.button;
  box.setStandardButtons(all);
  for (const auto& b : buttons) {
    if (b.answer == r.default_answer) box.setDefaultButton(b.button);
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& b : buttons) {
    if (clicked == box.button(b.button)) return b.answer;
  }
  // Closed without a button (Esc where the box allows it): the answer Windows gives, Cancel
  // when offered, else the last button.
  for (const auto& b : buttons) {
    if (b.answer == ui_id_cancel_answer) return b.answer;
  }
  return buttons.back().answer;
}

std::optional<std::wstring> desktop_file(const ui_file_request& r, bool save) {
  QFileDialog dialog(r.owner, q(r.title), q(r.folder), q(ui_qt_filter(r.filters)));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!r.file_name.empty()) dialog.selectFile(q(r.file_name));
  if (!r.default_suffix.empty()) dialog.setDefaultSuffix(q(r.default_suffix));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdWString();
}

}  // namespace

std::wstring ui_qt_filter(const std::vector<ui_file_filter>& filters) {
  static const QRegularExpression bracketed(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  QStringList entries;
  for (const auto& f : filters) {
    QString name = q(f.name);
    name.remove(bracketed);
    QStringList patterns;
    for (const auto& p : f.patterns) {
      // Qt's "*.*" needs a dot in the name, Windows' does not.
      patterns << (p == L"*.*" ? QStringLiteral("*") : q(p));
    }
    entries << name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;")).toStdWString();
}

int ui_message_box(const ui_box_request& request) {
  return ui_call_blocking_result<int>([&] {
    if (auto hook = read_hook(box_hook)) return hook(request);
    return desktop_box(request);
  });
}

std::optional<std::wstring> ui_open_file(const ui_file_request& request) {
  return ui_call_blocking_result<std::optional<std::wstring>>([&] {
    if (auto hook = read_hook(open_hook)) return hook(request);
    return desktop_file(request, false);
  });
}

std::optional<std::wstring> ui_save_file(const ui_file_request& request) {
  return ui_call_blocking_result<std::optional<std::wstring>>([&] {
    if (auto hook = read_hook(save_hook)) return hook(request);
    return desktop_file(request, true);
  });
}

bool ui_open_url(const std::wstring& url) {
  return ui_call_blocking_result<bool>([&] {
    if (auto hook = read_hook(url_hook)) return hook(url);
    return QDesktopServices::openUrl(QUrl(q(url)));
  });
}

bool ui_set_clipboard_text(const std::wstring& text) {
  return ui_call_blocking_result<bool>([&] {
    if (auto hook = read_hook(clip_hook)) return hook(text);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(q(text));
    return true;
  });
}

ui_message_box_hook ui_set_message_box_hook(ui_message_box_hook hook) { return swap_hook(box_hook, std::move(hook)); }
ui_file_hook ui_set_open_file_hook(ui_file_hook hook) { return swap_hook(open_hook, std::move(hook)); }
ui_file_hook ui_set_save_file_hook(ui_file_hook hook) { return swap_hook(save_hook, std::move(hook)); }
ui_open_url_hook ui_set_open_url_hook(ui_open_url_hook hook) { return swap_hook(url_hook, std::move(hook)); }
ui_clipboard_hook ui_set_clipboard_hook(ui_clipboard_hook hook) { return swap_hook(clip_hook, std::move(hook)); }
