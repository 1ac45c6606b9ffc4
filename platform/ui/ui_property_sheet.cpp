// The property sheet: page navigation by the pages' answers, posted button states, timers that
// follow the current page, and Cancel, Esc, close and F1 routed to the page.
#include "platform/ui/ui_property_sheet.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <stdexcept>

#include "platform/ui/ui_dispatch.h"
#include "platform/ui/ui_thread_call.h"

namespace {

// The answer a notification gets when its handler threw: the page stays.
constexpr int handler_failed = INT_MIN;

QString q(const std::wstring& s) { return QString::fromStdWString(s); }

}  // namespace

ui_property_sheet::ui_property_sheet(const std::wstring& title, QWidget* parent) : QDialog(parent), title_(title) {
  setWindowTitle(q(title));
  setModal(true);

  header_ = new QWidget(this);
  header_title_ = new QLabel(header_);
  QFont bold = header_title_->font();
  bold.setBold(true);
  header_title_->setFont(bold);
  header_subtitle_ = new QLabel(header_);
  header_subtitle_->setIndent(16);
  header_image_ = new QLabel(header_);
  auto* header_texts = new QVBoxLayout();
  header_texts->addWidget(header_title_);
  header_texts->addWidget(header_subtitle_);
  auto* header_layout = new QHBoxLayout(header_);
  header_layout->addLayout(header_texts, 1);
  header_layout->addWidget(header_image_, 0, Qt::AlignRight | Qt::AlignVCenter);

  auto* header_line = new QFrame(this);
  header_line->setFrameShape(QFrame::HLine);
  header_line->setFrameShadow(QFrame::Sunken);
  header_line->setObjectName(QStringLiteral("header_line"));

  stack_ = new QStackedWidget(this);

  auto* right = new QVBoxLayout();
  right->addWidget(header_);
  right->addWidget(header_line);
  right->addWidget(stack_, 1);

  auto* body = new QHBoxLayout();
  body->setContentsMargins(0, 0, 0, 0);
  body->addLayout(right, 1);

  auto* bottom_line = new QFrame(this);
  bottom_line->setFrameShape(QFrame::HLine);
  bottom_line->setFrameShadow(QFrame::Sunken);

  auto* row = new QHBoxLayout();
  auto add_button = [&](int id, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setAutoDefault(false);
    buttons_[id] = b;
    connect(b, &QPushButton::clicked, this, [this, id] { on_button(id); });
    return b;
  };
  row->addWidget(add_button(ui_id_help, tr("Help")));
  row->addStretch(1);
  row->addWidget(add_button(ui_id_back, tr("< &Back")));
  row->addWidget(add_button(ui_id_next, tr("&Next >")));
  row->addWidget(add_button(ui_id_finish, tr("Finish")));
  row->addWidget(add_button(ui_id_cancel, tr("Cancel")));
  buttons_[ui_id_finish]->hide();

  auto* outer = new QVBoxLayout(this);
  outer->addLayout(body, 1);
  outer->addWidget(bottom_line);
  outer->addLayout(row);

  // F1 anywhere in the sheet, whichever control has the focus.
  auto* help_key = new QShortcut(QKeySequence(Qt::Key_F1), this);
  help_key->setContext(Qt::WindowShortcut);
  connect(help_key, &QShortcut::activated, this, [this] { do_help(); });
}

ui_property_sheet::~ui_property_sheet() {
  if (watermark_label_) watermark_label_->setParent(this);
  for (auto& e : pages_) {
    if (e.page) {
      stack_->removeWidget(e.page);
      e.page->setParent(nullptr);
      e.page->sheet_ = nullptr;
    }
  }
}

void ui_property_sheet::set_title(const std::wstring& title) {
  title_ = title;
  setWindowTitle(q(title));
}

std::wstring ui_property_sheet::title() const { return title_; }

void ui_property_sheet::set_big_icon(const QIcon& icon) { setWindowIcon(icon); }

void ui_property_sheet::set_header_image(const QPixmap& picture) { header_image_->setPixmap(picture); }

QPixmap ui_property_sheet::header_image() const { return header_image_->pixmap(); }

void ui_property_sheet::set_watermark(const QPixmap& picture) {
  watermark_ = picture;
  if (watermark_label_) watermark_label_->setPixmap(picture);
}

void ui_property_sheet::place_watermark(ui_page* page, bool on) {
  if (!on || watermark_.isNull()) {
    if (watermark_label_) watermark_label_->hide();
    return;
  }
  if (!watermark_label_) {
    watermark_label_ = new QLabel();
    watermark_label_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    watermark_label_->setPixmap(watermark_);
  }
  // A page taller than the picture shows the band on to its bottom, in the picture's lowest colour,
  // as a stretched watermark would fill it, without distorting the drawing.
  QPalette band = watermark_label_->palette();
  band.setColor(QPalette::Window, watermark_.toImage().pixelColor(0, watermark_.height() - 1));
  watermark_label_->setPalette(band);
  watermark_label_->setAutoFillBackground(true);
  if (watermark_label_->parent() != page) {
    if (watermark_label_->parent() != nullptr) watermark_label_->parent()->removeEventFilter(this);
    watermark_label_->setParent(page);
    page->installEventFilter(this);
  }
  fit_watermark();
  watermark_label_->show();
  watermark_label_->raise();
}

void ui_property_sheet::fit_watermark() {
  auto* page = watermark_label_ ? qobject_cast<QWidget*>(watermark_label_->parent()) : nullptr;
  if (page == nullptr) return;
  watermark_label_->setGeometry(0, 0, watermark_.width(), std::max(page->height(), watermark_.height()));
}

bool ui_property_sheet::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watermark_label_ && watched == watermark_label_->parent()) fit_watermark();
  return QDialog::eventFilter(watched, event);
}

void ui_property_sheet::add_page(ui_page* page, ui_page_options options) {
  if (page == nullptr || running_) throw std::logic_error("a page is added before the sheet runs");
  for (const auto& e : pages_) {
    if (e.page == page) throw std::logic_error("page " + std::to_string(page->dialog_id()) + " added twice");
  }
  page->sheet_ = this;
  stack_->addWidget(page);
  pages_.push_back({page, std::move(options), false});
}

int ui_property_sheet::page_count() const { return static_cast<int>(pages_.size()); }

int ui_property_sheet::run_modal() {
  running_ = true;
  current_ = -1;
  apply_buttons(ui_wiz_back | ui_wiz_next);
  const int first = activate_from(0, +1);
  // The first page may already have ended the sheet; exec would show it again.
  if (!running_) return end_result_;
  if (first < 0) {
    running_ = false;
    current_ = -1;
    return ui_sheet_cancelled;
  }
  const int result = exec();
  running_ = false;
  current_ = -1;
  return result;
}

ui_page* ui_property_sheet::current_page() const {
  if (current_ < 0 || current_ >= static_cast<int>(pages_.size())) return nullptr;
  return pages_[current_].page;
}

int ui_property_sheet::current_page_id() const {
  ui_page* page = current_page();
  return page == nullptr ? 0 : page->dialog_id();
}

void ui_property_sheet::post_buttons(unsigned buttons) {
  {
    std::lock_guard lock(posted_mutex_);
    posted_buttons_.push_back(buttons);
  }
  QMetaObject::invokeMethod(
      this, [this] { apply_posted_buttons(); }, Qt::QueuedConnection);
}

void ui_property_sheet::apply_posted_buttons() {
  std::vector<unsigned> posted;
  {
    std::lock_guard lock(posted_mutex_);
    posted.swap(posted_buttons_);
  }
  // Posts apply in their order, so the last one decides.
  if (!posted.empty()) apply_buttons(posted.back());
}

void ui_property_sheet::apply_buttons(unsigned buttons) {
  const bool finish = (buttons & (ui_wiz_finish | ui_wiz_disabled_finish)) != 0;
  buttons_[ui_id_back]->setEnabled((buttons & ui_wiz_back) != 0);
  buttons_[ui_id_next]->setVisible(!finish);
  buttons_[ui_id_next]->setEnabled(!finish && (buttons & ui_wiz_next) != 0);
  buttons_[ui_id_finish]->setVisible(finish);
  buttons_[ui_id_finish]->setEnabled((buttons & ui_wiz_finish) != 0);
  buttons_[ui_id_next]->setDefault(!finish);
  buttons_[ui_id_finish]->setDefault(finish);
}

void ui_property_sheet::enable_button(int id, bool on) {
  if (QAbstractButton* b = button(id)) b->setEnabled(on);
}

bool ui_property_sheet::button_enabled(int id) const {
  QAbstractButton* b = button(id);
  return b != nullptr && b->isEnabled();
}

bool ui_property_sheet::button_shown(int id) const {
  QAbstractButton* b = button(id);
  return b != nullptr && !b->isHidden();
}

QAbstractButton* ui_property_sheet::button(int id) const {
  auto it = buttons_.find(id);
  return it == buttons_.end() ? nullptr : it->second;
}

void ui_property_sheet::press_button(int id) {
  QAbstractButton* b = button(id);
  if (b == nullptr || !b->isEnabled() || b->isHidden()) return;
  on_button(id);
}

void ui_property_sheet::on_button(int id) {
  if (!running_ || current_page() == nullptr) return;
  switch (id) {
    case ui_id_back: go_back(); break;
    case ui_id_next: go_next(); break;
    case ui_id_finish: do_finish(); break;
    case ui_id_cancel: do_cancel(); break;
    case ui_id_help: do_help(); break;
    default: break;
  }
}

int ui_property_sheet::notify(ui_page* page, ui_notify code, int if_failed) {
  int result = if_failed;
  if (!ui_guarded([&] { result = page->on_notify(code); })) return if_failed;
  return result;
}

bool ui_property_sheet::leave_current() {
  ui_page* page = current_page();
  return page == nullptr || notify(page, ui_notify::kill_active, 1) == 0;
}

int ui_property_sheet::index_of_id(int page_id) const {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i].page && pages_[i].page->dialog_id() == page_id) return static_cast<int>(i);
  }
  return -1;
}

int ui_property_sheet::activate_from(int index, int step) {
  const int n = static_cast<int>(pages_.size());
  // Each page is asked at most twice: a ring of pages that send each other on cannot hang the
  // sheet.
  for (int asked = 0; index >= 0 && index < n && asked < 2 * n; ++asked) {
    ui_page* page = pages_[index].page;
    if (page == nullptr) {
      index += step;
      continue;
    }
    page->initialize();
    const int answer = notify(page, ui_notify::set_active, handler_failed);
    if (answer == handler_failed || !running_) return -1;
    if (answer == 0) {
      show_page(index);
      return index;
    }
    if (answer == -1) {
      index += step;
    } else {
      index = index_of_id(answer);
    }
  }
  return -1;
}

void ui_property_sheet::show_page(int index) {
  // The buttons the page posted while it was activated are in place before the focus enters the
  // page (the stack moves it there itself), so a page may hand the focus on to Finish; the last
  // post still wins.
  apply_posted_buttons();
  entry& e = pages_[index];
  e.activated = true;
  current_ = index;
  const bool hide_header = e.options.hide_header;
  header_->setVisible(!hide_header);
  if (QWidget* line = findChild<QWidget*>(QStringLiteral("header_line"))) line->setVisible(!hide_header);
  header_title_->setText(q(e.options.header_title));
  header_subtitle_->setText(q(e.options.header_subtitle));
  place_watermark(e.page, hide_header);
  buttons_[ui_id_help]->setEnabled(e.options.has_help);
  stack_->setCurrentWidget(e.page);
  // The first control that takes the Tab key gets the focus, as a dialog's first tab stop does.
  for (const ui_control_def& c : e.page->definition().controls) {
    if (c.id == ui_id_static) continue;
    QWidget* w = e.page->control(c.id);
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && !w->isHidden()) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
  }
}

void ui_property_sheet::go_next() {
  const int answer = notify(current_page(), ui_notify::wizard_next, -1);
  if (answer == -1) return;
  const int target = answer == 0 ? current_ + 1 : index_of_id(answer);
  if (target < 0 || target >= static_cast<int>(pages_.size())) return;
  if (!leave_current()) return;
  activate_from(target, +1);
}

void ui_property_sheet::go_back() {
  const int answer = notify(current_page(), ui_notify::wizard_back, -1);
  if (answer == -1) return;
  const int target = answer == 0 ? current_ - 1 : index_of_id(answer);
  if (target < 0 || target >= static_cast<int>(pages_.size())) return;
  if (!leave_current()) return;
  activate_from(target, -1);
}

bool ui_property_sheet::set_current_page(int page_id) {
  const int target = index_of_id(page_id);
  if (target < 0 || !leave_current()) return false;
  return activate_from(target, +1) >= 0;
}

void ui_property_sheet::do_finish() {
  if (notify(current_page(), ui_notify::wizard_finish, 1) == 0) end_sheet(ui_sheet_finished);
}

void ui_property_sheet::do_cancel() {
  // With Cancel switched off (the finish page) Esc and the close box do not cancel either. A page
  // that asks the user runs a nested event loop; a second Esc or close meanwhile is not a second
  // question.
  if (!running_ || cancelling_ || current_page() == nullptr || !buttons_[ui_id_cancel]->isEnabled()) return;
  cancelling_ = true;
  const int answer = notify(current_page(), ui_notify::query_cancel, 1);
  cancelling_ = false;
  if (answer != 0 || !running_) return;
  for (auto& e : pages_) {
    if (e.page && e.activated) notify(e.page, ui_notify::reset, 0);
  }
  end_sheet(ui_sheet_cancelled);
}

void ui_property_sheet::do_help() {
  if (!running_ || current_page() == nullptr) return;
  notify(current_page(), ui_notify::help, 0);
}

void ui_property_sheet::end_sheet(int result) {
  for (const auto& [id, qt_id] : timers_) killTimer(qt_id);
  timers_.clear();
  running_ = false;
  current_ = -1;
  end_result_ = result;
  done(result);
}

void ui_property_sheet::start_timer(int timer_id, int interval_ms) {
  ui_call_blocking([&] {
    auto it = timers_.find(timer_id);
    if (it != timers_.end()) killTimer(it->second);
    timers_[timer_id] = startTimer(interval_ms);
  });
}

void ui_property_sheet::stop_timer(int timer_id) {
  ui_call_blocking([&] {
    auto it = timers_.find(timer_id);
    if (it == timers_.end()) return;
    killTimer(it->second);
    timers_.erase(it);
  });
}

bool ui_property_sheet::timer_running(int timer_id) const {
  return ui_call_blocking_result<bool>([&] { return timers_.count(timer_id) != 0; });
}

void ui_property_sheet::timerEvent(QTimerEvent* event) {
  for (const auto& [id, qt_id] : timers_) {
    if (qt_id == event->timerId()) {
      const int timer_id = id;
      if (ui_page* page = current_page()) ui_guarded([&] { page->on_timer(timer_id); });
      return;
    }
  }
  QDialog::timerEvent(event);
}

void ui_property_sheet::keyPressEvent(QKeyEvent* event) { QDialog::keyPressEvent(event); }

void ui_property_sheet::closeEvent(QCloseEvent* event) {
  event->ignore();
  do_cancel();
}

void ui_property_sheet::reject() { do_cancel(); }
