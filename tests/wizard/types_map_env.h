// What the column editor's tests share: the mapping files written into a temporary working folder
// (with an empty user data folder, so no file of the user's is read), the editor opened on a
// table of nwind.mdb with a script run inside its modal loop, and the user's actions on it.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "GUI2/types_map_dlg.h"
#include "GUI2/types_map_entry.h"
#include "GUI2/types_map_files.h"
#include "tests/wizard/settings_pages_env.h"

// The shipped files, as the program finds them beside itself.
inline std::string shipped_file(const std::string& name) { return std::string(OSTRELLE_GUI2_SOURCE_DIR) + "/" + name; }

inline std::string file_text(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A temporary working folder for the files of one test; the user data folder is another, empty
// one. Both caches are forgotten before and after.
class mapping_folder {
 public:
  mapping_folder() : folder_(test_env::make_temp_dir()), previous_(std::filesystem::current_path()) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr) previous_data_ = data;
    had_data_ = data != nullptr;
    setenv("XDG_DATA_HOME", test_env::make_temp_dir().c_str(), 1);
    std::filesystem::current_path(folder_);
    forget_type_mapping_files();
  }
  ~mapping_folder() {
    std::filesystem::current_path(previous_);
    if (had_data_) {
      setenv("XDG_DATA_HOME", previous_data_.c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    forget_type_mapping_files();
  }
  mapping_folder(const mapping_folder&) = delete;
  mapping_folder& operator=(const mapping_folder&) = delete;

  void write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ + "/" + name, std::ios::binary) << text;
  }
  // The files that ship with the program.
  void write_shipped() const {
    write("sql.map", file_text(shipped_file("sql.map")));
    write("sql.typ", file_text(shipped_file("sql.typ")));
  }
  const std::string& path() const { return folder_; }

 private:
  std::string folder_;
  std::filesystem::path previous_;
  std::string previous_data_;
  bool had_data_ = false;
};

// The wizard's singletons with nwind.mdb as the source.
struct editor_env : wizard_env {
  editor_env() { converter.src = wide(testdata("access/real/nwind.mdb")); }

  // Opens the editor on `table` and runs `script` on it once it shows; a script that leaves it
  // open has it cancelled. Answers whether the editor showed at all.
  bool edit(const std::wstring& table, const std::function<void(types_map_dlg&)>& script) {
    bool shown = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* dialog = dynamic_cast<types_map_dlg*>(modal_dialog());
      if (dialog == nullptr) return;
      shown = true;
      script(*dialog);
      if (modal_dialog() == dialog) click(dialog, 2);
    });
    timer.start(1);
    edit_table_types(table);
    return shown;
  }
};

inline QTreeWidget* columns_view(types_map_dlg& d) {
  return qobject_cast<QTreeWidget*>(d.control(types_map_dlg::list_id));
}

// The user's clicks: a row selected, a row's box, a type picked from the list.
inline void select_row(types_map_dlg& d, int row) {
  QTreeWidget* view = columns_view(d);
  view->setCurrentItem(view->topLevelItem(row));
  settle();
}
inline void tick(types_map_dlg& d, int row, bool on) {
  columns_view(d)->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
  settle();
}
inline void pick_type(types_map_dlg& d, const std::wstring& type) {
  auto* combo = qobject_cast<QComboBox*>(d.control(types_map_dlg::type_id));
  const int index = combo->findText(QString::fromStdWString(type));
  ASSERT_GE(index, 0) << tk_unicode_to_utf8(type);
  combo->setCurrentIndex(index);
  emit combo->activated(index);
  settle();
}
inline int selected_row(types_map_dlg& d) {
  const std::vector<int> rows = d.list_selection(types_map_dlg::list_id);
  return rows.empty() ? -1 : rows.front();
}
inline std::vector<std::wstring> type_choices(types_map_dlg& d) {
  std::vector<std::wstring> names;
  for (int i = 0; i < d.list_count(types_map_dlg::type_id); ++i)
    names.push_back(d.list_text(types_map_dlg::type_id, i));
  return names;
}
