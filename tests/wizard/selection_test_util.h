// What the selection-page tests share: the lists read back as names, a selection set as a user
// leaves it, a double click on a list entry, and the modal dialogs a press opens answered in turn.
#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/ui_control_host.h"
#include "platform/ui/ui_dialog.h"
#include "tests/wizard/shell_test_util.h"

using name_list = std::vector<std::wstring>;

inline name_list list_names(const ui_control_host& page, int id) {
  name_list names;
  for (int i = 0; i < page.list_count(id); ++i) names.push_back(page.list_text(id, i));
  return names;
}

inline name_list selected_names(const ui_control_host& page, int id) {
  name_list names;
  for (const int i : page.list_selection(id)) names.push_back(page.list_text(id, i));
  return names;
}

// Exactly these entries selected.
inline void select_only(ui_control_host& page, int id, const std::vector<int>& indexes) {
  for (const int i : page.list_selection(id)) page.list_select(id, i, false);
  for (const int i : indexes) page.list_select(id, i, true);
}

inline void double_click(ui_control_host& page, int id, int index) {
  auto* list = qobject_cast<QListWidget*>(page.control(id));
  ASSERT_NE(list, nullptr);
  const QRect place = list->visualItemRect(list->item(index));
  // As the mouse does it: a click, then a press that is also the double click. QTest's double
  // click alone finds no pressed entry and the list ignores it.
  QWidget* area = list->viewport();
  QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, place.center());
  QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, place.center());
  QTest::mouseDClick(area, Qt::LeftButton, Qt::NoModifier, place.center());
  QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, place.center());
}

// Runs one step on each running modal dialog in turn, from a timer of its own: a press that opens
// dialogs returns only when they are closed, so the steps must be set up before it. A step that
// leaves its dialog open (a refused OK) hands it to the next step.
class dialog_driver {
 public:
  using step = std::function<void(ui_dialog&)>;

  explicit dialog_driver(std::vector<step> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start(5);
  }
  // Every step ran.
  bool done() const { return next_ == steps_.size(); }

 private:
  void tick() {
    if (done()) return;
    auto* dialog = dynamic_cast<ui_dialog*>(modal_dialog());
    if (dialog == nullptr || !dialog->is_running()) return;
    steps_[next_++](*dialog);
  }

  std::vector<step> steps_;
  std::size_t next_ = 0;
  QTimer timer_;
};

// Steps: fill in the Add Query dialog and press OK; see what it shows and cancel it.
inline dialog_driver::step fill_and_ok(const std::wstring& name, const std::wstring& query) {
  return [=](ui_dialog& d) {
    d.set_text(1019, name);
    d.set_text(1020, query);
    click(&d, 1);
  };
}

struct dialog_fields {
  std::wstring name;
  std::wstring query;
};

inline dialog_driver::step read_and_cancel(dialog_fields& shown) {
  return [&shown](ui_dialog& d) {
    shown = {d.get_text(1019), d.get_text(1020)};
    click(&d, 2);
  };
}
