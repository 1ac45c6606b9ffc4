// The wizard's frame: the property sheet that holds the pages, and the one place through which
// the pages, the error handler and the run on its worker thread show boxes, open help, drive the
// progress timer, write to the log box and collect the errors of a run. A process-wide single
// object; every call that touches the screen may come from the worker and runs on the UI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "GUI2/wizard_error_list.h"
#include "GUI2/wizard_screen.h"
#include "TK/tk_singleton.h"
#include "platform/ui/ui_hooks.h"
#include "platform/ui/ui_property_sheet.h"

class wizard_shell : public tk_singleton<wizard_shell>, public wizard_screen {
 public:
  // The timer whose ticks reach the current page (the progress page polls the run on it).
  static constexpr int progress_timer_id = 0x10000;

  // The pictures by their resource ids (wizard_pictures.h); 0: none.
  explicit wizard_shell(const std::wstring& title, int icon_id = 0, int watermark_id = 0, int header_id = 0);
  ~wizard_shell() override;
  wizard_shell(const wizard_shell&) = delete;
  wizard_shell& operator=(const wizard_shell&) = delete;

  ui_property_sheet& sheet() { return sheet_; }
  const std::wstring& title() const { return title_; }
  wizard_error_list& errors() { return errors_; }

  // Adds a page (the caller keeps it) and shows the sheet until it ends; answers ui_sheet_*.
  void add_page(ui_page* page, const ui_page_options& options);
  int run();

  // The first page activation sets the caption and centres the sheet; from then on boxes are
  // owned by the sheet and their captions carry the title.
  void initialize_if();
  static bool is_initialized();
  // The page shown last (timer ticks and log lines go to it).
  void set_current_page(ui_page* page) { current_page_ = page; }

  void message(const std::wstring& text);
  // Yes/No; true only for Yes. `default_no`: No is the default button.
  bool question(const std::wstring& text, bool default_no = false);
  void error(const std::wstring& text);
  void error(const std::string& text);

  // Opens the help page of the topic (none: the index) in the desktop's browser.
  void display_help(std::optional<std::uint32_t> topic = std::nullopt);
  // Where the help pages are; beside the program unless a test says otherwise.
  void set_help_folder(const std::string& folder) { help_folder_ = folder; }

  // Starting a running timer is an internal error.
  void start_timer(unsigned milliseconds);
  void stop_timer();

  void write_log(const std::wstring& text);

  // wizard_screen, for the front end.
  bool initialized() const override { return initialized_.load(); }
  void append_log(const std::wstring& text) override { write_log(text); }
  void show_error(const std::wstring& text) override { error(text); }
  continue_answer ask_continue(const std::wstring& text) override;
  void show_internal_error(const std::wstring& text) override;
  void show_download_required(const std::wstring& text, const std::wstring& link_caption,
                              const std::wstring& address) override;
  void start_progress_timer(unsigned milliseconds) override { start_timer(milliseconds); }
  void end_program(int status) override;

  // The window boxes and dialogs are owned by: the sheet once initialised, else none.
  QWidget* owner();
  // "Error" before the sheet is shown, "<title> Error" after; likewise for the other kinds.
  std::wstring caption(const std::wstring& kind) const;

 private:
  int box(const std::wstring& kind, const std::wstring& text, ui_box_icon icon, ui_box_buttons buttons,
          int default_answer);

  std::wstring title_;
  int icon_id_ = 0;
  ui_property_sheet sheet_;
  std::atomic<bool> initialized_{false};
  std::atomic<bool> timer_running_{false};
  ui_page* current_page_ = nullptr;
  wizard_error_list errors_;
  std::string help_folder_;
};
