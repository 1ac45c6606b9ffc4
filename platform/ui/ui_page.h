// One page of a property sheet: a control host that answers the sheet's notifications. The
// results follow the property-sheet conventions, so a wizard page template can map its own
// operations onto them one to one.
#pragma once

#include "platform/ui/ui_control_host.h"

// The notifications a sheet sends to its current page (PSN_*).
enum class ui_notify {
  set_active,     // the page is about to be shown: 0 show it, -1 skip it in the direction of
                  // travel, a page id go there instead
  kill_active,    // the page is about to be left: 0 may leave, anything else stays
  wizard_back,    // Back: 0 previous page, -1 stay, a page id go there
  wizard_next,    // Next: 0 next page, -1 stay, a page id go there
  wizard_finish,  // Finish: 0 the sheet closes with ui_sheet_finished, anything else stays
  query_cancel,   // Cancel, Esc or the close box: 0 the sheet closes with ui_sheet_cancelled,
                  // anything else stays
  help,           // the Help button or F1; result ignored
  reset,          // the sheet is closing after a cancel; result ignored
};

class ui_property_sheet;

class ui_page : public ui_control_host {
  Q_OBJECT

 public:
  explicit ui_page(ui_dialog_def def, QWidget* parent = nullptr);
  ~ui_page() override;

  // The sheet that holds the page; null until added.
  ui_property_sheet* sheet() const { return sheet_; }

  // Called by the sheet inside the guarded dispatch. The default answers 0 to everything.
  virtual int on_notify(ui_notify code);
  // A timer started on the sheet (ui_property_sheet::start_timer) fired while this page is the
  // current one.
  virtual void on_timer(int timer_id);

 private:
  friend class ui_property_sheet;
  ui_property_sheet* sheet_ = nullptr;
};
