// Builds a window's controls from its table and serves page code's reads and writes by id.
#include "platform/ui/ui_control_host.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <QTreeWidget>
#include <algorithm>
#include <stdexcept>

#include "platform/ui/ui_dispatch.h"
#include "platform/ui/ui_hooks.h"

namespace {

// A check box that a click reports but does not change: the page decides.
class plain_check_box : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {}
};

class plain_radio : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override {}
};

const char* const raw_text_property = "ui_raw_text";
const char* const link_target_property = "ui_link_target";
const char* const limit_property = "ui_text_limit";

QString q(const std::wstring& s) { return QString::fromStdWString(s); }

// Windows edits break lines with "\r\n"; a Qt text document with "\n".
QString edit_lines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// A label without a field to move to shows its text without the "&" marks (Qt would show the
// ampersand itself); one with a field shows the letter underlined and Alt+letter reaches the field.
QString without_mnemonics(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

// Restores a flag on scope exit, so that a throwing accessor cannot leave it set.
class flag_guard {
 public:
  explicit flag_guard(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~flag_guard() { flag_ = old_; }
  flag_guard(const flag_guard&) = delete;
  flag_guard& operator=(const flag_guard&) = delete;

 private:
  bool& flag_;
  bool old_;
};

QStyle::StandardPixmap pixmap_of(ui_icon icon) {
  switch (icon) {
    case ui_icon::information: return QStyle::SP_MessageBoxInformation;
    case ui_icon::question: return QStyle::SP_MessageBoxQuestion;
    case ui_icon::warning: return QStyle::SP_MessageBoxWarning;
    case ui_icon::error: return QStyle::SP_MessageBoxCritical;
  }
  return QStyle::SP_MessageBoxInformation;
}

// A caption with "&" marks as a label shows it: the letter underlined when the label leads to a
// field, the marks left out when it does not.
QString caption_text(const QLabel* label, const QString& caption) {
  return label->buddy() != nullptr ? caption : without_mnemonics(caption);
}

// A text shown exactly as it stands: a label that leads to a field reads "&" as a mark, so
// there each one is doubled.
QString literal_text(const QLabel* label, const QString& text) {
  if (label->buddy() == nullptr) return text;
  QString doubled = text;
  return doubled.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// The kinds a label's letter can lead to: fields that take typing or a choice.
bool is_field(ui_kind kind) {
  switch (kind) {
    case ui_kind::edit:
    case ui_kind::multiline_edit:
    case ui_kind::list_box:
    case ui_kind::list_view:
    case ui_kind::combo_list:
    case ui_kind::combo_edit: return true;
    default: return false;
  }
}

QString link_html(const QString& caption) {
  return QStringLiteral("<a href=\"link\">") + caption.toHtmlEscaped() + QStringLiteral("</a>");
}

}  // namespace

ui_control_host::ui_control_host(ui_dialog_def def, QWidget* parent) : QWidget(parent), def_(std::move(def)) {
  build();
}

ui_control_host::~ui_control_host() = default;

void ui_control_host::build() {
  QRect all = to_pixels({0, 0, def_.cx, def_.cy});
  setMinimumSize(all.size());
  QButtonGroup* radio_group = nullptr;
  std::vector<QWidget*> rows;  // the widget of each row, in table order
  for (const ui_control_def& c : def_.controls) {
    if (c.id != ui_id_static && controls_.count(c.id) != 0) {
      throw std::logic_error("control id " + std::to_string(c.id) + " appears twice in dialog " +
                             std::to_string(def_.id));
    }
    QWidget* w = nullptr;
    const QString text = q(c.text);
    switch (c.kind) {
      case ui_kind::static_text: {
        auto* label = new QLabel(without_mnemonics(text), this);
        label->setWordWrap((c.flags & ui_flag_wrap_off) == 0);
        label->setAlignment(((c.flags & ui_flag_center) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        w = label;
        break;
      }
      case ui_kind::edit: {
        auto* edit = new QLineEdit(text, this);
        if (c.flags & ui_flag_password) edit->setEchoMode(QLineEdit::Password);
        if (c.flags & ui_flag_number) {
          edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        edit->setReadOnly((c.flags & ui_flag_read_only) != 0);
        w = edit;
        break;
      }
      case ui_kind::multiline_edit: {
        auto* edit = new QPlainTextEdit(text, this);
        edit->setReadOnly((c.flags & ui_flag_read_only) != 0);
        edit->setVerticalScrollBarPolicy((c.flags & ui_flag_vscroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        w = edit;
        break;
      }
      case ui_kind::push_button:
      case ui_kind::default_button: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        if (c.kind == ui_kind::default_button) button->setDefault(true);
        w = button;
        break;
      }
      case ui_kind::check_box: w = new plain_check_box(text, this); break;
      case ui_kind::auto_check_box: w = new QCheckBox(text, this); break;
      case ui_kind::radio: {
        auto* radio = new plain_radio(text, this);
        radio->setAutoExclusive(false);
        w = radio;
        break;
      }
      case ui_kind::auto_radio: {
        auto* radio = new QRadioButton(text, this);
        radio->setAutoExclusive(false);
        if (radio_group == nullptr || (c.flags & ui_flag_group_start)) {
          radio_group = new QButtonGroup(this);
          radio_group->setExclusive(true);
        }
        radio_group->addButton(radio);
        w = radio;
        break;
      }
      case ui_kind::group_box: w = new QGroupBox(text, this); break;
      case ui_kind::list_box: {
        auto* list = new QListWidget(this);
        list->setSelectionMode((c.flags & ui_flag_multi_select) ? QAbstractItemView::ExtendedSelection
                                                                : QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy((c.flags & ui_flag_hscroll) ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
        w = list;
        break;
      }
      case ui_kind::list_view: {
        auto* view = new QTreeWidget(this);
        view->setRootIsDecorated(false);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setHeaderHidden(false);
        view->setColumnCount(1);
        w = view;
        break;
      }
      case ui_kind::combo_list:
      case ui_kind::combo_edit: {
        auto* combo = new QComboBox(this);
        combo->setEditable(c.kind == ui_kind::combo_edit);
        combo->setInsertPolicy(QComboBox::NoInsert);
        w = combo;
        break;
      }
      case ui_kind::progress: {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        w = bar;
        break;
      }
      case ui_kind::link: {
        auto* label = new QLabel(link_html(without_mnemonics(text)), this);
        label->setTextFormat(Qt::RichText);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        label->setOpenExternalLinks(false);
        w = label;
        break;
      }
      case ui_kind::icon:
      case ui_kind::image: {
        auto* label = new QLabel(this);
        if (c.kind == ui_kind::image) label->setScaledContents(true);
        w = label;
        break;
      }
    }
    w->setProperty(raw_text_property, text);
    QRect place = to_pixels(c.rect);
    // A template's combo box height includes its dropped-down list; the closed box is one line
    // high, else it covers the controls below it and shows its text in the middle of that space.
    if (c.kind == ui_kind::combo_list || c.kind == ui_kind::combo_edit) place.setHeight(w->sizeHint().height());
    w->setGeometry(place);
    if (c.kind == ui_kind::group_box) w->lower();
    w->setVisible((c.flags & ui_flag_hidden) == 0);
    w->setEnabled((c.flags & ui_flag_disabled) == 0);
    if (c.id != ui_id_static) {
      controls_[c.id] = w;
      connect_control(c, w);
    }
    rows.push_back(w);
  }
  set_buddies(rows);
}

void ui_control_host::set_buddies(const std::vector<QWidget*>& rows) {
  const std::vector<ui_control_def>& defs = def_.controls;
  for (std::size_t i = 0; i < defs.size(); ++i) {
    if (defs[i].kind != ui_kind::static_text) continue;
    QWidget* field = nullptr;
    if (defs[i].buddy != 0) {
      field = control(defs[i].buddy);
    } else if (i + 1 < defs.size() && is_field(defs[i + 1].kind)) {
      field = rows[i + 1];
    }
    if (field == nullptr) continue;
    auto* label = static_cast<QLabel*>(rows[i]);
    label->setBuddy(field);
    label->setText(label->property(raw_text_property).toString());
  }
}

void ui_control_host::connect_control(const ui_control_def& c, QWidget* w) {
  const int id = c.id;
  auto report = [this, id](ui_event e) {
    if (!updating_) dispatch_command(id, e);
  };
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    connect(button, &QAbstractButton::clicked, this, [report] { report(ui_event::clicked); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    connect(edit, &QLineEdit::textEdited, this, [report] { report(ui_event::text_changed); });
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
    connect(text, &QPlainTextEdit::textChanged, this, [report] { report(ui_event::text_changed); });
  } else if (auto* list = qobject_cast<QListWidget*>(w)) {
    connect(list, &QListWidget::itemSelectionChanged, this, [report] { report(ui_event::selection_changed); });
    connect(list, &QListWidget::itemDoubleClicked, this, [report] { report(ui_event::double_clicked); });
  } else if (auto* view = qobject_cast<QTreeWidget*>(w)) {
    connect(view, &QTreeWidget::itemSelectionChanged, this, [this, id] { view_selection_moved(id); });
    connect(view, &QTreeWidget::itemDoubleClicked, this, [report] { report(ui_event::double_clicked); });
    connect(view, &QTreeWidget::itemChanged, this, [this, id](QTreeWidgetItem* item, int column) {
      if (column == 0) view_item_changed(id, item);
    });
    view_selected_[id] = -1;
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    connect(combo, &QComboBox::activated, this, [report] { report(ui_event::selection_changed); });
    if (combo->lineEdit() != nullptr) {
      connect(combo->lineEdit(), &QLineEdit::textEdited, this, [report] { report(ui_event::text_changed); });
    }
  } else if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && c.kind == ui_kind::link) {
    connect(label, &QLabel::linkActivated, this, [this, label, id] {
      const std::wstring target = label->property(link_target_property).toString().toStdWString();
      ui_guarded([&] { ui_open_url(target); });
      dispatch_command(id, ui_event::clicked);
    });
  }
  w->installEventFilter(this);
}

bool ui_control_host::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    for (const auto& [id, w] : controls_) {
      if (w == watched) {
        dispatch_command(id, event->type() == QEvent::FocusIn ? ui_event::focus_in : ui_event::focus_out);
        break;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool ui_control_host::on_command(int, ui_event) { return false; }

bool ui_control_host::on_row_changing(int, const ui_row_change&) { return true; }

void ui_control_host::on_row_changed(int, const ui_row_change&) {}

namespace {

// The check state a row had when it was last seen, to tell a check box change from a text change
// and to put a refused one back.
constexpr int seen_check_role = Qt::UserRole + 1;

int selected_row(QTreeWidget* view) {
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    if (view->topLevelItem(i)->isSelected()) return i;
  }
  return -1;
}

bool row_checked(QTreeWidget* view, int row) {
  QTreeWidgetItem* item = row < 0 ? nullptr : view->topLevelItem(row);
  return item != nullptr && item->checkState(0) == Qt::Checked;
}

}  // namespace

bool ui_control_host::offer_row_change(int id, const ui_row_change& change) {
  bool allowed = false;
  ui_guarded([&] { allowed = on_row_changing(id, change); });
  return allowed;
}

void ui_control_host::view_selection_moved(int id) {
  auto* view = static_cast<QTreeWidget*>(controls_.at(id));
  const int was = view_selected_[id];
  const int now = selected_row(view);
  if (updating_ || was == now) {
    view_selected_[id] = now;
    return;
  }
  auto put_back = [&] {
    flag_guard quiet(updating_);
    QTreeWidgetItem* old_item = was < 0 ? nullptr : view->topLevelItem(was);
    view->setCurrentItem(old_item);
    if (old_item == nullptr) view->clearSelection();
  };
  std::vector<ui_row_change> changes;
  if (was >= 0 && was < view->topLevelItemCount()) {
    const bool checked = row_checked(view, was);
    changes.push_back({was, true, false, checked, checked});
  }
  if (now >= 0) {
    const bool checked = row_checked(view, now);
    changes.push_back({now, false, true, checked, checked});
  }
  for (const ui_row_change& change : changes) {
    if (!offer_row_change(id, change)) {
      put_back();
      return;
    }
  }
  view_selected_[id] = now;
  for (const ui_row_change& change : changes) ui_guarded([&] { on_row_changed(id, change); });
  dispatch_command(id, ui_event::selection_changed);
}

void ui_control_host::view_item_changed(int id, QTreeWidgetItem* item) {
  auto* view = static_cast<QTreeWidget*>(controls_.at(id));
  const QVariant seen = item->data(0, seen_check_role);
  const bool was_checked = seen.isValid() && seen.toInt() == Qt::Checked;
  const bool checked = item->checkState(0) == Qt::Checked;
  if (seen.isValid() && was_checked == checked) return;  // a text change, not the check box
  if (updating_ || !seen.isValid()) {
    flag_guard quiet(updating_);
    item->setData(0, seen_check_role, static_cast<int>(item->checkState(0)));
    return;
  }
  const bool selected = item->isSelected();
  const ui_row_change change{view->indexOfTopLevelItem(item), selected, selected, was_checked, checked};
  flag_guard quiet(updating_);
  if (!offer_row_change(id, change)) {
    item->setCheckState(0, was_checked ? Qt::Checked : Qt::Unchecked);
    return;
  }
  item->setData(0, seen_check_role, static_cast<int>(item->checkState(0)));
  updating_ = false;
  ui_guarded([&] { on_row_changed(id, change); });
  dispatch_command(id, ui_event::item_check_changed);
}

void ui_control_host::dispatch_command(int id, ui_event event) {
  ui_guarded([&] { on_command(id, event); });
}

void ui_control_host::initialize() {
  if (initialized_) return;
  initialized_ = true;
  ui_guarded([&] { on_init_dialog(); });
}

bool ui_control_host::has_control(int id) const { return controls_.count(id) != 0; }

QWidget* ui_control_host::control(int id) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) {
    throw std::out_of_range("no control " + std::to_string(id) + " in dialog " + std::to_string(def_.id));
  }
  return it->second;
}

const ui_control_def& ui_control_host::def_of(int id) const {
  for (const auto& c : def_.controls) {
    if (c.id == id) return c;
  }
  throw std::out_of_range("no control " + std::to_string(id) + " in dialog " + std::to_string(def_.id));
}

std::wstring ui_control_host::get_text(int id) const {
  QWidget* w = control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdWString();
  if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return text->toPlainText().toStdWString();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText().toStdWString();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdWString();
  if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title().toStdWString();
  return w->property(raw_text_property).toString().toStdWString();
}

void ui_control_host::set_text(int id, const std::wstring& text) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  const QString t = q(text);
  w->setProperty(raw_text_property, t);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(t);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    const int limit = plain->property(limit_property).toInt();
    const QString lines = edit_lines(t);
    plain->setPlainText(limit > 0 ? lines.left(limit) : lines);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->isEditable()) {
      combo->setEditText(t);
    } else {
      combo->setCurrentIndex(combo->findText(t, Qt::MatchFixedString));
    }
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(t);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(t);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    if (def_of(id).kind == ui_kind::link) {
      label->setText(link_html(t));
    } else {
      label->setText(literal_text(label, t));
    }
  }
}

void ui_control_host::set_caption(int id, const std::wstring& caption) {
  auto* label = qobject_cast<QLabel*>(control(id));
  if (label == nullptr || def_of(id).kind != ui_kind::static_text) return set_text(id, caption);
  const QString t = q(caption);
  label->setProperty(raw_text_property, t);
  label->setText(caption_text(label, t));
}

void ui_control_host::append_text(int id, const std::wstring& text) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  QString t = q(text);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    t = edit_lines(t);
    const int limit = plain->property(limit_property).toInt();
    if (limit > 0) {
      // Like EM_LIMITTEXT: what does not fit is not inserted.
      const qsizetype room = std::max<qsizetype>(0, limit - plain->document()->characterCount() + 1);
      t = t.left(room);
    }
    QTextCursor cursor = plain->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(t);
    plain->setTextCursor(cursor);
    plain->ensureCursorVisible();
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->end(false);
    edit->insert(t);
  } else {
    throw std::invalid_argument("control " + std::to_string(id) + " is not an edit");
  }
}

void ui_control_host::set_text_limit(int id, int characters) {
  QWidget* w = control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setMaxLength(characters > 0 ? characters : 32767);
  } else {
    w->setProperty(limit_property, characters);
  }
}

void ui_control_host::set_read_only(int id, bool read_only) {
  QWidget* w = control(id);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setReadOnly(read_only);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->setReadOnly(read_only);
}

void ui_control_host::select_text(int id, int start, int end) {
  QWidget* w = control(id);
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
    QTextCursor cursor = plain->textCursor();
    if (start < 0) {
      cursor.clearSelection();
    } else {
      const int last = plain->document()->characterCount() - 1;
      cursor.setPosition(std::min(start, last));
      cursor.setPosition(end < 0 ? last : std::min(end, last), QTextCursor::KeepAnchor);
    }
    plain->setTextCursor(cursor);
    plain->ensureCursorVisible();
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (start < 0) {
      edit->deselect();
    } else {
      const int last = static_cast<int>(edit->text().size());
      edit->setSelection(start, (end < 0 ? last : std::min(end, last)) - start);
    }
  }
}

int ui_control_host::get_check(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(control(id));
  if (button == nullptr) return ui_unchecked;
  if (auto* box = qobject_cast<QCheckBox*>(button)) {
    switch (box->checkState()) {
      case Qt::Checked: return ui_checked;
      case Qt::PartiallyChecked: return ui_indeterminate;
      case Qt::Unchecked: return ui_unchecked;
    }
  }
  return button->isChecked() ? ui_checked : ui_unchecked;
}

void ui_control_host::set_check(int id, int state) {
  auto* button = qobject_cast<QAbstractButton*>(control(id));
  if (button == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " cannot be checked");
  flag_guard quiet(updating_);
  if (auto* box = qobject_cast<QCheckBox*>(button)) {
    if (state == ui_indeterminate) box->setTristate(true);
    box->setCheckState(state == ui_checked         ? Qt::Checked
                       : state == ui_indeterminate ? Qt::PartiallyChecked
                                                   : Qt::Unchecked);
    return;
  }
  button->setCheckable(true);
  // An exclusive group refuses to uncheck its checked button; code may.
  QButtonGroup* group = button->group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive) group->setExclusive(false);
  button->setChecked(state == ui_checked);
  if (exclusive) group->setExclusive(true);
}

void ui_control_host::check_radio(int first, int last, int id) {
  for (const auto& [other, w] : controls_) {
    if (other >= first && other <= last && other != id) set_check(other, ui_unchecked);
  }
  set_check(id, ui_checked);
}

void ui_control_host::enable(int id, bool on) { control(id)->setEnabled(on); }
bool ui_control_host::is_enabled(int id) const { return control(id)->isEnabled(); }
void ui_control_host::show(int id, bool on) { control(id)->setVisible(on); }
bool ui_control_host::is_shown(int id) const { return !control(id)->isHidden(); }
void ui_control_host::focus(int id) { control(id)->setFocus(Qt::OtherFocusReason); }

int ui_control_host::focused() const {
  for (QWidget* w = QApplication::focusWidget(); w != nullptr && w != this; w = w->parentWidget()) {
    for (const auto& [id, c] : controls_) {
      if (c == w) return id;
    }
  }
  return ui_id_static;
}

void ui_control_host::list_clear(int id) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  if (auto* list = qobject_cast<QListWidget*>(w)) list->clear();
  if (auto* view = qobject_cast<QTreeWidget*>(w)) view->clear();
  if (auto* combo = qobject_cast<QComboBox*>(w)) combo->clear();
}

int ui_control_host::list_add(int id, const std::wstring& text) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  const QString t = q(text);
  // A sorted list orders without regard to case, as the Windows list does; a new text goes after
  // its equals.
  const bool sorted = (def_of(id).flags & ui_flag_sorted) != 0;
  auto place = [&](int count, auto text_at) {
    int at = count;
    if (sorted) {
      at = 0;
      while (at < count && QString::compare(text_at(at), t, Qt::CaseInsensitive) <= 0) ++at;
    }
    return at;
  };
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    const int at = place(list->count(), [&](int i) { return list->item(i)->text(); });
    list->insertItem(at, t);
    return at;
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    const int at = place(combo->count(), [&](int i) { return combo->itemText(i); });
    combo->insertItem(at, t);
    return at;
  }
  if (qobject_cast<QTreeWidget*>(w) != nullptr) return view_add_row(id, {text});
  throw std::invalid_argument("control " + std::to_string(id) + " is not a list");
}

void ui_control_host::list_insert(int id, int index, const std::wstring& text) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    list->insertItem(index < 0 ? list->count() : index, q(text));
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    combo->insertItem(index < 0 ? combo->count() : index, q(text));
  } else {
    view_insert_row(id, index, {text});
  }
}

void ui_control_host::list_remove(int id, int index) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  if (auto* list = qobject_cast<QListWidget*>(w)) delete list->takeItem(index);
  if (auto* view = qobject_cast<QTreeWidget*>(w)) delete view->takeTopLevelItem(index);
  if (auto* combo = qobject_cast<QComboBox*>(w)) combo->removeItem(index);
}

int ui_control_host::list_count(int id) const {
  QWidget* w = control(id);
  if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
  if (auto* view = qobject_cast<QTreeWidget*>(w)) return view->topLevelItemCount();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
  return 0;
}

std::wstring ui_control_host::list_text(int id, int index) const {
  QWidget* w = control(id);
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    if (QListWidgetItem* item = list->item(index)) return item->text().toStdWString();
    throw std::out_of_range("no item " + std::to_string(index) + " in list " + std::to_string(id));
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (index < 0 || index >= combo->count()) {
      throw std::out_of_range("no item " + std::to_string(index) + " in list " + std::to_string(id));
    }
    return combo->itemText(index).toStdWString();
  }
  return view_cell(id, index, 0);
}

int ui_control_host::list_find_prefix(int id, const std::wstring& prefix, int start) const {
  const int count = list_count(id);
  const QString p = q(prefix);
  for (int n = 0; n < count; ++n) {
    const int index = (start + 1 + n) % count;
    if (q(list_text(id, index)).startsWith(p, Qt::CaseInsensitive)) return index;
  }
  return -1;
}

int ui_control_host::list_current(int id) const {
  QWidget* w = control(id);
  if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentRow();
  if (auto* view = qobject_cast<QTreeWidget*>(w)) {
    QTreeWidgetItem* item = view->currentItem();
    return item == nullptr ? -1 : view->indexOfTopLevelItem(item);
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
  return -1;
}

void ui_control_host::list_set_current(int id, int index) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  if (auto* list = qobject_cast<QListWidget*>(w)) list->setCurrentRow(index);
  if (auto* view = qobject_cast<QTreeWidget*>(w)) view->setCurrentItem(index < 0 ? nullptr : view->topLevelItem(index));
  if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(index);
}

void ui_control_host::list_set_caret(int id, int index) {
  auto* list = qobject_cast<QListWidget*>(control(id));
  if (list == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " is not a list box");
  flag_guard quiet(updating_);
  list->setCurrentRow(index, QItemSelectionModel::NoUpdate);
}

std::vector<int> ui_control_host::list_selection(int id) const {
  QWidget* w = control(id);
  std::vector<int> rows;
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->isSelected()) rows.push_back(i);
    }
  } else if (auto* view = qobject_cast<QTreeWidget*>(w)) {
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
      if (view->topLevelItem(i)->isSelected()) rows.push_back(i);
    }
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->currentIndex() >= 0) rows.push_back(combo->currentIndex());
  }
  return rows;
}

void ui_control_host::list_select(int id, int index, bool selected) {
  QWidget* w = control(id);
  flag_guard quiet(updating_);
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    if (QListWidgetItem* item = list->item(index)) item->setSelected(selected);
  } else if (auto* view = qobject_cast<QTreeWidget*>(w)) {
    if (QTreeWidgetItem* item = view->topLevelItem(index)) {
      if (selected) view->setCurrentItem(item);
      item->setSelected(selected);
    }
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (selected) combo->setCurrentIndex(index);
  }
}

namespace {

QTreeWidget* as_view(QWidget* w, int id) {
  auto* view = qobject_cast<QTreeWidget*>(w);
  if (view == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " is not a list view");
  return view;
}

QTreeWidgetItem* view_row(QTreeWidget* view, int id, int row) {
  QTreeWidgetItem* item = view->topLevelItem(row);
  if (item == nullptr) {
    throw std::out_of_range("no row " + std::to_string(row) + " in list view " + std::to_string(id));
  }
  return item;
}

}  // namespace

void ui_control_host::view_set_columns(int id, const std::vector<std::wstring>& headers) {
  QTreeWidget* view = as_view(control(id), id);
  QStringList labels;
  for (const auto& h : headers) labels << q(h);
  view->setColumnCount(static_cast<int>(labels.size()));
  view->setHeaderLabels(labels);
  for (int i = 0; i < view->columnCount(); ++i) view->resizeColumnToContents(i);
}

int ui_control_host::view_add_row(int id, const std::vector<std::wstring>& cells) {
  QTreeWidget* view = as_view(control(id), id);
  view_insert_row(id, view->topLevelItemCount(), cells);
  return view->topLevelItemCount() - 1;
}

void ui_control_host::view_insert_row(int id, int index, const std::vector<std::wstring>& cells) {
  QTreeWidget* view = as_view(control(id), id);
  flag_guard quiet(updating_);
  auto* item = new QTreeWidgetItem();
  for (size_t i = 0; i < cells.size(); ++i) item->setText(static_cast<int>(i), q(cells[i]));
  if (def_of(id).flags & ui_flag_check_boxes) {
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setData(0, seen_check_role, static_cast<int>(Qt::Unchecked));
  }
  view->insertTopLevelItem(index < 0 ? view->topLevelItemCount() : std::min(index, view->topLevelItemCount()), item);
}

void ui_control_host::view_set_cell(int id, int row, int column, const std::wstring& text) {
  QTreeWidget* view = as_view(control(id), id);
  flag_guard quiet(updating_);
  view_row(view, id, row)->setText(column, q(text));
}

std::wstring ui_control_host::view_cell(int id, int row, int column) const {
  QTreeWidget* view = as_view(control(id), id);
  return view_row(view, id, row)->text(column).toStdWString();
}

bool ui_control_host::view_row_checked(int id, int row) const {
  QTreeWidget* view = as_view(control(id), id);
  return view_row(view, id, row)->checkState(0) == Qt::Checked;
}

void ui_control_host::view_set_row_checked(int id, int row, bool checked) {
  QTreeWidget* view = as_view(control(id), id);
  flag_guard quiet(updating_);
  QTreeWidgetItem* item = view_row(view, id, row);
  item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
  item->setData(0, seen_check_role, static_cast<int>(item->checkState(0)));
}

void ui_control_host::set_progress_range(int id, int low, int high) {
  auto* bar = qobject_cast<QProgressBar*>(control(id));
  if (bar == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " is not a progress bar");
  bar->setRange(low, high);
}

void ui_control_host::set_progress(int id, int value) {
  auto* bar = qobject_cast<QProgressBar*>(control(id));
  if (bar == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " is not a progress bar");
  // Qt ignores a value outside the range and keeps the old one; the bar must show its end.
  bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
}

int ui_control_host::get_progress(int id) const {
  auto* bar = qobject_cast<QProgressBar*>(control(id));
  if (bar == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " is not a progress bar");
  return bar->value();
}

void ui_control_host::set_link(int id, const std::wstring& caption, const std::wstring& target) {
  auto* label = qobject_cast<QLabel*>(control(id));
  if (label == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " is not a link");
  label->setProperty(raw_text_property, q(caption));
  label->setProperty(link_target_property, q(target));
  label->setTextFormat(Qt::RichText);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  label->setText(link_html(q(caption)));
}

void ui_control_host::set_icon(int id, ui_icon icon) {
  auto* label = qobject_cast<QLabel*>(control(id));
  if (label == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " cannot show an icon");
  const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  label->setPixmap(style()->standardIcon(pixmap_of(icon), nullptr, this).pixmap(side, side));
}

void ui_control_host::set_image(int id, const QPixmap& picture) {
  auto* label = qobject_cast<QLabel*>(control(id));
  if (label == nullptr) throw std::invalid_argument("control " + std::to_string(id) + " cannot show a picture");
  label->setPixmap(picture);
}

QRect ui_control_host::to_pixels(const ui_rect& r) const {
  const QFontMetrics fm(font());
  // The average character width as Windows measures a dialog font.
  const int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const int cw = std::max(1, (letters / 26 + 1) / 2);
  const int ch = std::max(1, fm.height());
  return QRect(r.x * cw / 4, r.y * ch / 8, r.cx * cw / 4, r.cy * ch / 8);
}
