// The base of every wizard page: the sheet's notifications turned into a few operations with
// plain meanings (initialise on activation, next, back, finish, cancel, help), so that a page
// overrides only what it needs. Exceptions of these operations are caught by the window layer's
// dispatch and reported there; the page stays as it was.
#pragma once

#include <cstdint>

#include "platform/ui/ui_page.h"
#include "platform/ui/ui_property_sheet.h"

class wizard_page_base : public ui_page {
 public:
  wizard_page_base(ui_dialog_def def, unsigned buttons);
  ~wizard_page_base() override;

  int on_notify(ui_notify code) override;

  // true: show the page; false: the sheet moves on in the direction of travel.
  virtual bool page_init() { return true; }
  // true: the page may be left.
  virtual bool on_kill_active() { return true; }
  // true: the wizard may close.
  virtual bool on_finish() { return true; }
  virtual void on_help() {}
  // 0: the next (previous) page in sheet order; -1: stay; a dialog id: go to that page.
  virtual int on_next() { return 0; }
  virtual int on_back() { return 0; }
  // true: the wizard may be cancelled. Asks "Are you sure you want to exit the wizard?", No first.
  virtual bool on_cancel();

  // Toggles a plain check box (the only way it changes).
  void invert_chbox(int id);
  // Enables or disables a control; an enabled one takes the focus.
  void enable_ctrl(int id, bool on);

 protected:
  // What the page does on each activation before page_init: its own buttons (posted, so that a
  // page_init that posts others wins), the shell's first-activation set-up, and the shell's note
  // of the current page.
  void on_set_active();

 private:
  unsigned buttons_;
};

// A page with its dialog id and wizard buttons fixed by its class.
template <int Dialog, unsigned Buttons>
class wizard_page : public wizard_page_base {
 public:
  static constexpr int dialog_id = Dialog;
  explicit wizard_page(ui_dialog_def def) : wizard_page_base(std::move(def), Buttons) {}
};
