// The wizard frame: a modal property sheet (not QWizard) with a header (title, subtitle, image),
// a watermark beside the pages that hide the header, and the buttons Back, Next, Finish, Cancel
// and Help. It sends its pages the property-sheet notifications and honours their answers.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/ui_page.h"

class QAbstractButton;
class QLabel;
class QPushButton;
class QStackedWidget;

// The sheet's buttons, by the ids the pages use (ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH, IDCANCEL,
// IDHELP).
inline constexpr int ui_id_back = 12323;
inline constexpr int ui_id_next = 12324;
inline constexpr int ui_id_finish = 12325;
inline constexpr int ui_id_cancel = 2;
inline constexpr int ui_id_help = 9;

// Which wizard buttons a page offers (PSWIZB_*). Finish takes the place of Next.
enum ui_wizard_buttons : unsigned {
  ui_wiz_none = 0,
  ui_wiz_back = 1,
  ui_wiz_next = 2,
  ui_wiz_finish = 4,
  ui_wiz_disabled_finish = 8,
};

// What run_modal answers.
enum ui_sheet_result : int { ui_sheet_cancelled = 0, ui_sheet_finished = 1 };

struct ui_page_options {
  std::wstring header_title;
  std::wstring header_subtitle;
  bool hide_header = false;  // no header; the watermark fills the left side instead
  bool has_help = true;      // Help is enabled while this page is current
};

class ui_property_sheet : public QDialog {
  Q_OBJECT

 public:
  explicit ui_property_sheet(const std::wstring& title, QWidget* parent = nullptr);
  // Pages still alive are handed back to their owner (unparented), never deleted here.
  ~ui_property_sheet() override;

  void set_title(const std::wstring& title);
  std::wstring title() const;
  void set_big_icon(const QIcon& icon);
  void set_header_image(const QPixmap& picture);
  void set_watermark(const QPixmap& picture);
  QPixmap header_image() const;
  QPixmap watermark() const { return watermark_; }

  // Adds a page at the end. The caller keeps ownership; the page's dialog id is its page id for
  // jumps. Adding the same page twice or while the sheet runs is a programming fault
  // (std::logic_error).
  void add_page(ui_page* page, ui_page_options options = {});
  int page_count() const;

  // Shows the sheet modally on the first page that accepts set_active and runs its event loop
  // until Finish or a cancel the page allows. A sheet without a page that accepts ends at once
  // with ui_sheet_cancelled.
  int run_modal();

  // The page on screen; null before run_modal and after the sheet ended.
  ui_page* current_page() const;
  int current_page_id() const;  // 0 when none

  // PSM_SETWIZBUTTONS: posted, so that a later post (from a page's set_active) wins over an
  // earlier one. Any thread.
  void post_buttons(unsigned buttons);
  // Enables or disables one sheet button now (EnableWindow on the button).
  void enable_button(int id, bool on);
  bool button_enabled(int id) const;
  bool button_shown(int id) const;
  QAbstractButton* button(int id) const;
  // As if the user clicked the button (PSM_PRESSBUTTON); a disabled button does nothing.
  void press_button(int id);

  // PSM_SETCURSELID: leaves the current page (kill_active decides) and shows the page with this
  // id, skipping forward past pages that refuse. False when the id is unknown or nothing moved.
  bool set_current_page(int page_id);

  // Ends the sheet with this result, as when the last notification allowed it.
  void end_sheet(int result);

  // A timer by id: while it runs, each tick goes to the page that is current at that moment.
  // Starting a running id restarts it. Any thread (the call is carried to the UI thread).
  void start_timer(int timer_id, int interval_ms);
  void stop_timer(int timer_id);
  bool timer_running(int timer_id) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void timerEvent(QTimerEvent* event) override;
  // Keeps the watermark as tall as the page it lies on.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct entry {
    QPointer<ui_page> page;
    ui_page_options options;
    bool activated = false;
  };

  void on_button(int id);
  void go_back();
  void go_next();
  void do_finish();
  void do_cancel();
  void do_help();
  // Asks the pages from `index` on in direction `step` (+1 or -1) until one accepts; answers the
  // index shown or -1.
  int activate_from(int index, int step);
  bool leave_current();
  int index_of_id(int page_id) const;
  void show_page(int index);
  void apply_buttons(unsigned buttons);
  void apply_posted_buttons();
  void place_watermark(ui_page* page, bool on);
  void fit_watermark();
  int notify(ui_page* page, ui_notify code, int if_failed);

  std::vector<entry> pages_;
  int current_ = -1;
  bool running_ = false;
  bool cancelling_ = false;  // a query_cancel is being answered
  int end_result_ = ui_sheet_cancelled;
  std::wstring title_;
  QPixmap watermark_;
  QStackedWidget* stack_ = nullptr;
  QWidget* header_ = nullptr;
  QLabel* header_title_ = nullptr;
  QLabel* header_subtitle_ = nullptr;
  QLabel* header_image_ = nullptr;
  // Lies over the left edge of the page on screen, where exterior pages leave room for it; owned
  // by that page while it is there, so it may go with a page that is destroyed first.
  QPointer<QLabel> watermark_label_;
  std::map<int, QPushButton*> buttons_;
  std::map<int, int> timers_;  // our id -> Qt's id
  std::mutex posted_mutex_;    // post_buttons may come from any thread
  std::vector<unsigned> posted_buttons_;
};
