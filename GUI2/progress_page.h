// The page that runs the conversion: it starts the run on a worker thread when it is shown, shows
// the run's lines and a progress bar polled on the shell's timer, and moves on to the finish page
// by itself when the run has ended. Cancel during the run asks first, then stops the run and
// waits for the worker (serving its calls meanwhile) before the wizard closes.
#pragma once

#include "GUI2/wizard_page.h"
#include "TK/tk_thread.h"

class udb_converter;

class progress_page : public wizard_page<108, ui_wiz_back | ui_wiz_next>, public tk_thread {
 public:
  static constexpr int progress_id = 1321;
  static constexpr int table_id = 1323;
  static constexpr int finish_page_id = 116;
  static constexpr int log_limit = 1000000;

  // `run`: the body the worker runs, which writes the counters and the done flag the page polls
  // (the converter; a test gives its own). The page does not own it.
  explicit progress_page(udb_converter& run);
  // A run still going is asked to stop and waited for, its calls to the screen served meanwhile.
  ~progress_page() override;

  tk_thread_functor* create_functor() override;

  bool page_init() override;
  void on_timer(int timer_id) override;
  void on_help() override;
  bool on_cancel() override;

  // Whether a run was started, and whether the user stopped it.
  bool run_started() const { return started_; }
  bool cancelled() const { return cancelled_; }

 private:
  void stop_and_wait();

  udb_converter& run_;
  bool started_ = false;
  bool cancelled_ = false;
};
