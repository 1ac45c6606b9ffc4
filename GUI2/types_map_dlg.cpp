#include "GUI2/types_map_dlg.h"

#include <QString>
#include <QTreeWidget>

#include "GUI2/types_map_files.h"
#include "GUI2/types_map_template.h"
#include "GUI2/wizard_shell.h"
#include "SQL/sql_types.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/vandry_converter.h"

namespace {

constexpr std::uint64_t kNoLength = static_cast<std::uint64_t>(-1);

bool same_no_case(const std::wstring& a, const std::wstring& b) {
  return QString::fromStdWString(a).compare(QString::fromStdWString(b), Qt::CaseInsensitive) == 0;
}

std::wstring up_to_parenthesis(const std::wstring& type) { return type.substr(0, type.find(L'(')); }

bool lists(const std::vector<std::wstring>& attributes, const wchar_t* name) {
  for (const std::wstring& a : attributes) {
    if (same_no_case(a, name)) return true;
  }
  return false;
}

// A size field: empty for none, else a whole number of plain digits up to `most`. A sign, a blank
// or a letter would otherwise be read past and give the column another size than the one shown.
bool parse_size(const std::wstring& text, std::uint64_t most, bool& given, std::uint64_t& value) {
  given = !text.empty();
  value = 0;
  if (!given) return true;
  if (text.size() > 20) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    const auto digit = static_cast<std::uint64_t>(c - L'0');
    if (value > (most - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

// The types whose column text carries the length: without one the statement does not load.
bool needs_length(const std::wstring& type) { return type == L"CHAR" || type == L"VARCHAR" || type == L"VARBINARY"; }

// The default mapping as the controls show it, for telling an edit from no edit.
sql_native_type as_shown(const sql_native_type& mapping) {
  sql_native_type shown = mapping;
  shown.type = up_to_parenthesis(mapping.type);
  if (shown.length >= 65536) shown.length = kNoLength;
  shown.character_set.clear();
  return shown;
}

bool same_mapping(const sql_native_type& a, const sql_native_type& b) {
  return same_no_case(a.type, b.type) && a.default_value == b.default_value && a.length == b.length &&
         a.scale == b.scale && a.precision == b.precision;
}

std::wstring size_text(std::int64_t value) { return value < 0 ? std::wstring() : std::to_wstring(value); }

void tell(const std::wstring& text) { wizard_shell::get_instance()->message(text); }

}  // namespace

types_map_dlg::types_map_dlg(const std::wstring& table, std::unique_ptr<udb_schema> schema)
    : ui_dialog(types_map_template()), source_name_(table), schema_(std::move(schema)) {
  tk_log1(tk_log_detail, "types_map_dlg::types_map_dlg");
  if (!schema_) throw tk_mail_assertion("map_list", 61);
}

types_map_dlg::~types_map_dlg() = default;

int types_map_dlg::field_count() const { return static_cast<int>(schema_->fields.size()); }

const std::wstring& types_map_dlg::field_name(int row) const {
  if (row < 0 || row >= field_count()) throw tk_mail_assertion("map_list", 233);
  return schema_->fields[static_cast<std::size_t>(row)]->name;
}

const sql_native_type& types_map_dlg::current_type(int row) const {
  const std::wstring& field = field_name(row);
  if (auto it = edited_.find(field); it != edited_.end()) return it->second.native;
  return default_types_.at(field);
}

void types_map_dlg::on_init_dialog() {
  tk_log1(tk_log_detail, "types_map_dlg::on_init");
  set_text(table_name_id, source_name_);
  set_text_limit(table_name_id, 1024);
  view_set_columns(list_id, {L"", L"Field Name", L"Field Type", L"Default value"});

  vandry_converter* converter = vandry_converter::get_instance();
  if (sql_table_mutator* table = converter->get_table_mutator3(source_name_)) {
    new_name_ = table->new_name;
    for (const auto& [column, field] : table->by_source) {
      sql_native_type native = field->native;
      native.type = up_to_parenthesis(native.type);
      const int state = field->action == udb_drop_column ? state_leave_out : state_convert;
      edited_[column] = {field->new_name, native, state};
    }
  } else {
    new_name_ = source_name_;
  }
  set_text(table_name_id, new_name_);

  for (auto it = schema_->fields.rbegin(); it != schema_->fields.rend(); ++it) add_item(**it);
  // The columns were sized to their headers; names and types such as "CompanyName" and
  // "VARCHAR(40)" would otherwise show cut off.
  if (auto* view = qobject_cast<QTreeWidget*>(control(list_id))) {
    for (int column = 1; column < view->columnCount(); ++column) view->resizeColumnToContents(column);
  }
  for (int row = 0; row < list_count(list_id); ++row) {
    auto found = edited_.find(view_cell(list_id, row, 1));
    view_set_row_checked(list_id, row, found == edited_.end() || found->second.state != state_leave_out);
  }
  if (field_count() > 0) {
    list_select(list_id, 0, true);
    focus(list_id);
    if (!set_available_conversions(0)) return;
    fill_controls(0);
  }
  if (QWidget* window = window_widget()) window->raise();
  initialised_ = true;
}

void types_map_dlg::add_item(t_ftd& column) {
  tk_log1(tk_log_trace, "types_map_dlg::add_item");
  sql_native_type native;
  vandry_converter::get_instance()->get_default_native_type(column, native);
  // The list shows the whole column type the conversion gives when nothing is edited.
  column.native_type = get_sql_native_type2(column, false);
  view_insert_row(list_id, 0, {L"", column.name, column.native_type, native.default_value});
  tk_log2(tk_log_trace, L"Column name: '%ls'", column.name.c_str());
  tk_log2(tk_log_trace, L"Deafult value: '%ls'", native.default_value.c_str());
  default_types_.emplace(column.name, native);
}

bool types_map_dlg::set_available_conversions(int row) {
  tk_log1(tk_log_trace, "types_map_dlg::set_available_conversions(%d)", row);
  tk_log1(tk_log_trace, "schema.size()=%d", field_count());
  const std::wstring type = up_to_parenthesis(current_type(row).type);
  tk_log2(tk_log_trace, L"selected_field_type.type=%ls", type.c_str());
  std::vector<std::wstring> conversions;
  try {
    conversions = mapped_types(type);
  } catch (const tk_exception& e) {
    fail(e.what());
    return false;
  }
  list_clear(type_id);
  for (const std::wstring& name : conversions) {
    // The name reaches the CREATE TABLE unquoted: only the type table's names are offered.
    std::wstring canonical;
    if (!sql_known_type_name(name, canonical)) {
      tk_log2(tk_log_event, L"sql.map: '%ls' is not a MySQL column type", name.c_str());
      continue;
    }
    tk_log2(tk_log_trace, L"Adding->%ls", canonical.c_str());
    list_add(type_id, canonical);
  }
  return true;
}

bool types_map_dlg::show_ctrl() {
  const int current = list_current(type_id);
  const std::wstring type = current < 0 ? std::wstring() : list_text(type_id, current);
  std::vector<std::wstring> attributes;
  try {
    attributes = type_attributes(type);
  } catch (const tk_exception& e) {
    fail(e.what());
    return false;
  }
  const bool length = lists(attributes, L"LENGTH");
  const bool decimal = lists(attributes, L"PRECISION") && lists(attributes, L"SCALE");
  for (int id : {length_label_id, length_id}) show(id, length);
  for (int id : {precision_label_id, precision_id, scale_label_id, scale_id}) show(id, decimal);
  tk_log1(tk_log_trace, "types_map_dlg::show_ctrl(%d=%d)", length_id, length ? 1 : 0);
  tk_log1(tk_log_trace, "types_map_dlg::show_ctrl(%d=%d)", precision_id, decimal ? 1 : 0);
  return true;
}

void types_map_dlg::select_type(const std::wstring& type) {
  for (int i = 0; i < list_count(type_id); ++i) {
    if (same_no_case(list_text(type_id, i), type)) {
      list_set_current(type_id, i);
      return;
    }
  }
}

// Every field is set from the row's own values, so nothing of the row shown before stays.
void types_map_dlg::fill_controls(int row) {
  const std::wstring& field = field_name(row);
  if (auto it = edited_.find(field); it != edited_.end()) {
    const edited_column& edit = it->second;
    set_text(field_name_id, edit.new_name);
    select_type(edit.native.type);
    set_text(default_id, edit.native.default_value);
    set_text(length_id, edit.native.length == kNoLength ? std::wstring() : std::to_wstring(edit.native.length));
    set_text(precision_id, size_text(edit.native.precision));
    set_text(scale_id, size_text(edit.native.scale));
    return;
  }
  const sql_native_type& mapping = default_types_.at(field);
  set_text(field_name_id, field);
  select_type(up_to_parenthesis(mapping.type));
  set_text(default_id, mapping.default_value);
  set_text(length_id, mapping.length < 65536 ? std::to_wstring(mapping.length) : std::wstring());
  set_text(precision_id, size_text(mapping.precision));
  set_text(scale_id, size_text(mapping.scale));
}

bool types_map_dlg::read_row(int row, std::wstring& new_name, sql_native_type& native) {
  new_name = get_text(field_name_id);
  if (tk_trim(new_name).empty()) {
    tell(L"Name cannot be empty. Try again.");
    focus(field_name_id);
    return false;
  }
  const int current = list_current(type_id);
  std::wstring type = current < 0 ? up_to_parenthesis(current_type(row).type) : list_text(type_id, current);
  if (!sql_known_type_name(type, native.type)) {
    tell(L"'" + type + L"' is not a MySQL column type. Choose another type.");
    focus(type_id);
    return false;
  }
  native.default_value = get_text(default_id);
  native.character_set.clear();

  const bool decimal = native.type == L"DECIMAL";
  const std::uint64_t most_length = sql_max_mapped_length(native.type);
  struct size_field {
    int id;
    const wchar_t* what;
    std::uint64_t least;
    std::uint64_t most;
    bool required;
  } sizes[] = {
      {length_id, L"length", 0, most_length, needs_length(native.type)},
      {precision_id, L"precision", decimal ? 1u : 0u,
       decimal ? static_cast<std::uint64_t>(sql_max_decimal_precision) : 2147483647u, decimal},
      {scale_id, L"scale", 0, decimal ? static_cast<std::uint64_t>(sql_max_decimal_scale) : 2147483647u, decimal},
  };
  std::uint64_t values[3] = {};
  bool given[3] = {};
  for (int i = 0; i < 3; ++i) {
    const size_field& s = sizes[i];
    const bool whole = parse_size(get_text(s.id), s.most, given[i], values[i]);
    if (!whole || values[i] < s.least || (s.required && !given[i])) {
      tell(std::wstring(L"The ") + s.what + L" must be a whole number from " + std::to_wstring(s.least) + L" to " +
           std::to_wstring(s.most) + L". Try again.");
      focus(s.id);
      return false;
    }
  }
  if (decimal && values[2] > values[1]) {
    tell(L"The scale cannot be larger than the precision. Try again.");
    focus(scale_id);
    return false;
  }
  native.length = given[0] ? values[0] : kNoLength;
  native.precision = given[1] ? static_cast<std::int32_t>(values[1]) : -1;
  native.scale = given[2] ? static_cast<std::int32_t>(values[2]) : -1;
  return true;
}

void types_map_dlg::set_state(int row, int state, const std::wstring& new_name, const sql_native_type& native) {
  const std::wstring& field = field_name(row);
  if (state == state_convert && new_name == field && same_mapping(native, as_shown(default_types_.at(field)))) {
    // Back to what the conversion does anyway: no edit, so the run keeps its own mapping.
    edited_.erase(field);
    return;
  }
  edited_[field] = {new_name, native, state};
}

bool types_map_dlg::store_row(int row) {
  if (row < 0 || !initialised_) return true;
  std::wstring new_name;
  sql_native_type native;
  if (!read_row(row, new_name, native)) return false;
  // The row's box decides whether the column is converted, also for a row edited while unticked.
  set_state(row, view_row_checked(list_id, row) ? state_convert : state_leave_out, new_name, native);
  return true;
}

bool types_map_dlg::on_row_changing(int id, const ui_row_change& change) {
  if (id != list_id || !initialised_ || closing_) return true;
  tk_log1(tk_log_trace, "types_map_dlg::on_item_changing");
  if (change.was_selected && !change.selected) return store_row(change.row);
  // The selected row's box takes the row's controls with it: they must be readable.
  if (change.selected && change.was_checked != change.checked) {
    std::wstring new_name;
    sql_native_type native;
    return read_row(change.row, new_name, native);
  }
  return true;
}

void types_map_dlg::on_row_changed(int id, const ui_row_change& change) {
  if (id != list_id || !initialised_ || closing_) return;
  tk_log1(tk_log_trace, "types_map_dlg::on_item_changed");
  tk_log1(tk_log_trace, "b_selected_now=%d, b_selected_before=%d", change.selected ? 1 : 0,
          change.was_selected ? 1 : 0);
  const int row = change.row;
  if (change.selected && !change.was_selected) {
    tk_log1(tk_log_trace, "Row #%d is selected", row);
    field_name(row);
    if (!set_available_conversions(row)) return;
    fill_controls(row);
  }
  if (change.was_checked != change.checked && row >= 0 && row < field_count()) {
    const int state = change.checked ? state_convert : state_leave_out;
    if (change.selected) {
      std::wstring new_name;
      sql_native_type native;
      if (read_row(row, new_name, native)) set_state(row, state, new_name, native);
    } else {
      // Another row's box: that row keeps its own edit or default mapping, only its state changes.
      const std::wstring& field = field_name(row);
      auto it = edited_.find(field);
      if (it != edited_.end()) {
        set_state(row, state, it->second.new_name, it->second.native);
      } else {
        set_state(row, state, field, as_shown(default_types_.at(field)));
      }
    }
  }
  show_ctrl();
}

bool types_map_dlg::names_are_unique() {
  std::vector<std::wstring> names;
  for (int row = 0; row < field_count(); ++row) {
    const std::wstring& field = field_name(row);
    auto it = edited_.find(field);
    if (it != edited_.end() && it->second.state == state_leave_out) continue;
    const std::wstring& name = it == edited_.end() ? field : it->second.new_name;
    for (const std::wstring& other : names) {
      if (same_no_case(other, name)) {
        tell(L"Column name '" + name + L"' is used twice. Try again.");
        return false;
      }
    }
    names.push_back(name);
  }
  return true;
}

void types_map_dlg::on_ok() {
  tk_log1(tk_log_detail, "types_map_dlg::on_ok");
  const std::vector<int> selected = list_selection(list_id);
  if (!store_row(selected.empty() ? -1 : selected.front())) return;
  std::wstring table_name = get_text(table_name_id);
  if (table_name.size() > 1024) table_name.resize(1024);
  if (tk_trim(table_name).empty()) {
    tell(L"Name cannot be empty. Try again.");
    focus(table_name_id);
    return;
  }
  if (!names_are_unique()) return;

  vandry_converter* converter = vandry_converter::get_instance();
  sql_table_mutator* existing = converter->get_table_mutator3(source_name_);
  if (existing == nullptr && table_name == new_name_ && edited_.empty()) {
    end_dialog(1);
    return;
  }
  sql_table_mutator* table = converter->get_table_mutator2(source_name_, table_name);
  // The destination map follows the new name, so a rename is found under the name it has now.
  std::erase_if(converter->by_target, [table](const auto& entry) { return entry.second == table; });
  converter->by_target[table_name] = table;
  // The dialog showed every edit the table had: what it holds now replaces them all, so an edit
  // taken back in the dialog is gone from the run too.
  table->by_target.clear();
  table->by_source.clear();
  for (int row = 0; row < field_count(); ++row) {
    auto it = edited_.find(field_name(row));
    if (it == edited_.end()) continue;
    sql_field_mutator* field = table->update_field(it->first, it->second.new_name, it->second.native);
    field->action = it->second.state == state_leave_out ? udb_drop_column : udb_apply_all;
  }
  end_dialog(1);
}

void types_map_dlg::fail(const std::string& text) {
  closing_ = true;
  wizard_shell::get_instance()->error(text);
  end_dialog(2);
}

bool types_map_dlg::on_command(int id, ui_event event) {
  if (closing_) return true;
  if (id == type_id && event == ui_event::selection_changed) {
    show_ctrl();
    return true;
  }
  if (event != ui_event::clicked) return false;
  switch (id) {
    case 1: on_ok(); return true;
    case 2:
      tk_log1(tk_log_detail, "types_map_dlg::on_cancel");
      end_dialog(2);
      return true;
    case help_id: wizard_shell::get_instance()->display_help(help_topic); return true;
    default: return false;
  }
}

void types_map_dlg::on_close_request() {
  tk_log1(tk_log_detail, "types_map_dlg::on_cancel");
  end_dialog(2);
}
