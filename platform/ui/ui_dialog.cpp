// Modal dialogs from control tables: a QDialog frame around the control host for the time the
// dialog runs.
#include "platform/ui/ui_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/ui/ui_dispatch.h"

// The frame turns Esc and the close box into the dialog's own close request instead of Qt's
// reject, so a dialog decides what they mean.
class ui_dialog::frame : public QDialog {
 public:
  frame(ui_dialog* owner_dialog, QWidget* parent) : QDialog(parent), dialog_(owner_dialog) {}

 protected:
  void reject() override {
    ui_guarded([&] { dialog_->on_close_request(); });
  }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    reject();
  }

 private:
  ui_dialog* dialog_;
};

ui_dialog::ui_dialog(ui_dialog_def def) : ui_control_host(std::move(def), nullptr) {}

ui_dialog::~ui_dialog() = default;

int ui_dialog::do_modal(QWidget* owner) {
  frame window(this, owner);
  window.setWindowTitle(QString::fromStdWString(definition().caption));
  if (!closable_) {
    window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  }
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(this);
  QWidget::show();
  frame_ = &window;
  result_ = 0;
  ended_ = false;
  initialize();
  window.adjustSize();
  const QRect area = owner != nullptr             ? owner->frameGeometry()
                     : window.screen() != nullptr ? window.screen()->availableGeometry()
                                                  : QRect();
  if (area.isValid()) window.move(area.center() - window.rect().center());
  // A dialog may end itself while it initialises (a file it needs is missing): it is then never
  // shown.
  if (!ended_) window.exec();
  frame_ = nullptr;
  layout->removeWidget(this);
  setParent(nullptr);
  return result_;
}

void ui_dialog::end_dialog(int result) {
  result_ = result;
  ended_ = true;
  if (frame_ != nullptr) frame_->done(result);
}

bool ui_dialog::is_running() const { return frame_ != nullptr && !ended_; }

QWidget* ui_dialog::window_widget() const { return frame_; }

void ui_dialog::set_closable(bool closable) { closable_ = closable; }

bool ui_dialog::on_command(int id, ui_event event) {
  if (event == ui_event::clicked && (id == 1 || id == 2)) {
    end_dialog(id);
    return true;
  }
  return false;
}

void ui_dialog::on_close_request() {
  if (closable_) end_dialog(2);
}
