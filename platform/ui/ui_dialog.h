// A modal dialog built from a ui_dialog_def: it runs until code ends it with a result id. By
// default the buttons with ids 1 (OK) and 2 (Cancel) end it with their id, and Esc and the close
// box act as Cancel.
#pragma once

#include <QDialog>

#include "platform/ui/ui_control_host.h"

class ui_dialog : public ui_control_host {
  Q_OBJECT

 public:
  explicit ui_dialog(ui_dialog_def def);
  // Not while do_modal runs: end the dialog first.
  ~ui_dialog() override;

  // Shows the dialog modally over `owner` (centred on it; null: on the screen) and answers the
  // id it was ended with. Runs on_init_dialog first.
  int do_modal(QWidget* owner);
  // Ends the running dialog with this result (EndDialog).
  void end_dialog(int result);
  // True from do_modal until end_dialog.
  bool is_running() const;

  // The window while the dialog runs (owner for its own boxes); null otherwise.
  QWidget* window_widget() const;

  // Without a close box and system menu: Esc and the close box then do nothing, only the
  // dialog's own buttons end it.
  void set_closable(bool closable);

 protected:
  // The default ends the dialog for ids 1 and 2.
  bool on_command(int id, ui_event event) override;
  // Esc or the close box: the default ends the dialog with 2 (as Cancel) when it is closable,
  // else does nothing.
  virtual void on_close_request();

 private:
  class frame;
  frame* frame_ = nullptr;
  bool closable_ = true;
  int result_ = 0;
  bool ended_ = false;
};
