// The wizard's frame.
#include "GUI2/wizard_shell.h"

#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "GUI2/help_files.h"
#include "GUI2/wizard_dialogs.h"
#include "GUI2/wizard_pictures.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/ui/ui_thread_call.h"

namespace {

constexpr const wchar_t* kNoHelp = L"Help file does not exist. Reinstall the program.";

}  // namespace

wizard_shell::wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id)
    : title_(title), icon_id_(icon_id), sheet_(title), help_folder_(help_folder()) {
  tk_log2(tk_log_trace, L"wizard_shell::ctor(%ls)", title.c_str());
  if (watermark_id != 0) sheet_.set_watermark(wizard_picture(watermark_id));
  if (header_id != 0) sheet_.set_header_image(wizard_picture(header_id));
}

wizard_shell::~wizard_shell() {
  tk_log1(tk_log_trace, "wizard_shell::dtor");
  initialized_ = false;
  stop_timer();
  errors_.clear();
}

void wizard_shell::add_page(ui_page* page, const ui_page_options& options) { sheet_.add_page(page, options); }

int wizard_shell::run() { return sheet_.run_modal(); }

void wizard_shell::initialize_if() {
  if (initialized_) return;
  tk_log1(tk_log_detail, "wizard_shell::initialize_if");
  sheet_.set_title(title_);
  if (icon_id_ != 0) sheet_.set_big_icon(QIcon(wizard_picture(icon_id_)));
  initialized_ = true;
}

bool wizard_shell::is_initialized() { return exists() && get_instance()->initialized_.load(); }

QWidget* wizard_shell::owner() { return initialized_ ? &sheet_ : nullptr; }

std::wstring wizard_shell::caption(const std::wstring& kind) const {
  return initialized_ ? title_ + L" " + kind : kind;
}

int wizard_shell::box(const std::wstring& kind, const std::wstring& text, ui_box_icon icon, ui_box_buttons buttons,
                      int default_answer) {
  // The owner and caption are decided when the box is shown, on the UI thread.
  return ui_call_blocking_result<int>([&] {
    ui_box_request request;
    request.owner = owner();
    request.caption = caption(kind);
    request.text = text;
    request.icon = icon;
    request.buttons = buttons;
    request.default_answer = default_answer;
    return ui_message_box(request);
  });
}

void wizard_shell::message(const std::wstring& text) {
  tk_log2(tk_log_trace, L"wizard_shell::message(%ls)", text.c_str());
  box(L"Message", text, ui_box_icon::information, ui_box_buttons::ok, 0);
  tk_log2(tk_log_event, L"%ls", text.c_str());
}

bool wizard_shell::question(const std::wstring& text, bool default_no) {
  return box(L"Question", text, ui_box_icon::question, ui_box_buttons::yes_no, default_no ? ui_id_no : ui_id_yes) ==
         ui_id_yes;
}

void wizard_shell::error(const std::wstring& text) {
  tk_log2(tk_log_trace, L"wizard_shell::error(%ls)", text.c_str());
  box(L"Error", text, ui_box_icon::error, ui_box_buttons::ok, 0);
  tk_log2(tk_log_event, L"%ls", text.c_str());
}

void wizard_shell::error(const std::string& text) { error(tk_utf8_to_unicode(text)); }

void wizard_shell::display_help(std::optional<std::uint32_t> topic) {
  if (topic) {
    tk_log1(tk_log_trace, "wizard_shell::display_help(%d)", static_cast<int>(*topic));
  } else {
    tk_log1(tk_log_trace, "wizard_shell::display_help");
  }
  const std::optional<std::string> page = help_page(help_folder_, topic);
  if (!page) {
    error(std::wstring(kNoHelp));
    return;
  }
  const std::wstring url = QUrl::fromLocalFile(QString::fromStdString(*page)).toString().toStdWString();
  if (!ui_call_blocking_result<bool>([&] { return ui_open_url(url); }))
    error(L"The help page cannot be opened: " + tk_utf8_to_unicode(*page));
}

void wizard_shell::start_timer(unsigned milliseconds) {
  if (timer_running_.exchange(true)) throw tk_mail_assertion("g_wiz_sh", 281);
  sheet_.start_timer(progress_timer_id, static_cast<int>(milliseconds));
}

void wizard_shell::stop_timer() {
  if (!timer_running_.exchange(false)) return;
  ui_call_blocking([&] { sheet_.stop_timer(progress_timer_id); });
}

void wizard_shell::write_log(const std::wstring& text) {
  tk_log2(tk_log_trace, L"wizard_shell::write_log(%ls)", text.c_str());
  ui_call_blocking([&] {
    ui_page* page = current_page_;
    if (page == nullptr || !page->has_control(wizard_log_box_id)) {
      tk_log1(tk_log_trace, "Editbox failed to be initialized");
      return;
    }
    page->append_text(wizard_log_box_id, text);
  });
}

continue_answer wizard_shell::ask_continue(const std::wstring& text) {
  return ui_call_blocking_result<continue_answer>([&] {
    dlg_error_continue dialog(text, caption(L"Error"));
    const int result = dialog.do_modal(owner());
    return continue_answer{result == dlg_error_continue::abort_id, dialog.do_not_show()};
  });
}

void wizard_shell::show_internal_error(const std::wstring& text) {
  ui_call_blocking([&] {
    dlg_error_ex dialog(text, caption(L"Error"), initialized_ ? title_ : std::wstring());
    dialog.do_modal(owner());
  });
}

void wizard_shell::show_download_required(const std::wstring& text, const std::wstring& link_caption,
                                          const std::wstring& address) {
  ui_call_blocking([&] {
    url_err_box_dlg dialog(text, address, link_caption);
    dialog.do_modal(owner());
  });
}

void wizard_shell::end_program(int status) {
  // The worker may be the caller while the UI thread still runs: no destructor of either may run
  // under the other's feet, so the process ends at once after the buffers are out.
  std::fflush(nullptr);
  std::_Exit(status);
}
