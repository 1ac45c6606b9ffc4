// What the wizard's front end needs from the screen: the log box, the error boxes and dialogs,
// the progress timer. The wizard shell implements it over widgets; each call may come from the
// worker thread and returns only when the UI thread has done it.
#pragma once

#include <string>

// The user's answer to the "go on?" dialog.
struct continue_answer {
  bool abort = false;        // Abort rather than Continue
  bool do_not_show = false;  // "Do not show this dialog box again" was ticked
};

class wizard_screen {
 public:
  virtual ~wizard_screen() = default;

  // Whether the wizard's sheet has been shown: only then do errors reach the finish page's list.
  virtual bool initialized() const = 0;
  // Appends to the current page's log box (the caller supplies line ends).
  virtual void append_log(const std::wstring& text) = 0;
  // The error box.
  virtual void show_error(const std::wstring& text) = 0;
  // The dialog that asks whether the run goes on after an error.
  virtual continue_answer ask_continue(const std::wstring& text) = 0;
  // The internal-error dialog; the program ends after it.
  virtual void show_internal_error(const std::wstring& text) = 0;
  // The box that names a missing component and links to where it can be downloaded.
  virtual void show_download_required(const std::wstring& text, const std::wstring& link_caption,
                                      const std::wstring& address) = 0;
  // Starts the timer whose ticks make the progress page poll the run.
  virtual void start_progress_timer(unsigned milliseconds) = 0;
  // Ends the process with `status` after an internal error (a test's screen may return).
  virtual void end_program(int status) = 0;
};
