// The column editor, dialog 135 "Edit Table": every column of one source table with the MySQL
// type the conversion gives it. The user renames the table and its columns, picks another type
// from those "sql.map" allows, changes default and sizes, or unticks a column to leave it out.
// OK turns the edits into the converter's table and column mutators, which the run applies;
// Cancel keeps what the converter held before.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "SQL/sql_native_type.h"
#include "UDB/udb_schema.h"
#include "platform/ui/ui_dialog.h"

class types_map_dlg : public ui_dialog {
 public:
  static constexpr int dialog_id = 135;
  static constexpr int list_id = 1316;
  static constexpr int table_name_id = 1003;
  static constexpr int field_name_id = 1004;
  static constexpr int type_id = 1302;
  static constexpr int default_id = 1005;
  static constexpr int length_label_id = 1340;
  static constexpr int length_id = 1006;
  static constexpr int precision_label_id = 1341;
  static constexpr int precision_id = 1007;
  static constexpr int scale_label_id = 1342;
  static constexpr int scale_id = 1008;
  static constexpr int help_id = 9;
  static constexpr std::uint32_t help_topic = 1024;

  // Column states as the converter's column mutators hold them.
  static constexpr int state_convert = 1;
  static constexpr int state_leave_out = 2;

  // The schema is the dialog's own copy of the source table's columns, in table order.
  types_map_dlg(const std::wstring& table, std::unique_ptr<udb_schema> schema);
  ~types_map_dlg() override;

 protected:
  void on_init_dialog() override;
  bool on_command(int id, ui_event event) override;
  bool on_row_changing(int id, const ui_row_change& change) override;
  void on_row_changed(int id, const ui_row_change& change) override;
  void on_close_request() override;

 private:
  struct edited_column {
    std::wstring new_name;
    sql_native_type native;
    int state = state_convert;
  };

  int field_count() const;
  const std::wstring& field_name(int row) const;
  // The type a row has now: its edit, else its default mapping.
  const sql_native_type& current_type(int row) const;

  void add_item(t_ftd& column);
  // Fills the type list with the conversions "sql.map" allows for the row's type; false (the
  // dialog closed) when the file cannot be read.
  bool set_available_conversions(int row);
  // Shows the size fields the selected type takes; false (the dialog closed) when "sql.typ"
  // cannot be read.
  bool show_ctrl();
  void fill_controls(int row);
  void select_type(const std::wstring& type);
  // The selected row's controls; false after telling the user what is wrong with them.
  bool read_row(int row, std::wstring& new_name, sql_native_type& native);
  // Keeps the controls' values as the row's edit when they differ from its default mapping.
  bool store_row(int row);
  // The row's edit := its default mapping with the new state, or no edit when that is all.
  void set_state(int row, int state, const std::wstring& new_name, const sql_native_type& native);
  bool names_are_unique();
  void on_ok();
  // Shows why a mapping file cannot be used and closes the dialog without storing anything.
  void fail(const std::string& text);

  std::wstring source_name_;
  std::unique_ptr<udb_schema> schema_;
  std::wstring new_name_;
  bool initialised_ = false;
  bool closing_ = false;
  std::map<std::wstring, edited_column> edited_;
  std::map<std::wstring, sql_native_type> default_types_;
};
