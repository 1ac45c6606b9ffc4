// Loading, saving and applying the user's table and column changes.
#include "common/sql_db_mutator.h"

#include <cwchar>
#include <map>
#include <mutex>
#include <vector>

#include "SQL/sql_types.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_index.h"
#include "UDB/udb_profile.h"
#include "UDB/udb_schema.h"

namespace {

const std::wstring kList = L"Type Mappings";

// Line prefixes of the list, by their indentation.
const std::wstring kTableName = L"  - name:";
const std::wstring kTableNewName = L"    new_name:";
const std::wstring kFields = L"    fields:";
const std::wstring kColumnName = L"      - name:";
const std::wstring kProperties = L"    properties:";
const std::wstring kPropertyIndent = L"        ";
const std::wstring kNewName = L"        new_name:";
const std::wstring kStatus = L"        status:";
const std::wstring kType = L"        type:";
const std::wstring kDefault = L"        default_value:";
const std::wstring kCharset = L"        character_set:";
const std::wstring kLength = L"        length:";
const std::wstring kScale = L"        scale:";
const std::wstring kPrecision = L"        precision:";

bool starts_with(const std::wstring& line, const std::wstring& prefix) {
  return line.compare(0, prefix.size(), prefix) == 0;
}

std::wstring value_after(const std::wstring& line, const std::wstring& prefix) {
  return tk_trim(line.substr(prefix.size()));
}

// "key: value" split at the first ": " (a value may hold colons itself, a URL or a time); a line
// ending in ":" is a key with an empty value. False for a line that is neither.
bool split_property(const std::wstring& line, std::wstring& key, std::wstring& value) {
  const std::size_t at = line.find(L": ");
  if (at != std::wstring::npos) {
    key = tk_trim(line.substr(0, at));
    value = tk_trim(line.substr(at + 2));
  } else {
    const std::wstring trimmed = tk_trim(line);
    if (trimmed.empty() || trimmed.back() != L':') return false;
    key = tk_trim(trimmed.substr(0, trimmed.size() - 1));
    value.clear();
  }
  return !key.empty();
}

// A column's lines as the profile spells them; the numbers are checked once the table and
// column are known, so that a refusal can name them.
struct column_entry {
  std::wstring new_name;
  bool deleted = false;
  sql_native_type native;
  std::wstring length, scale, precision;
};

struct table_entry {
  std::wstring new_name;
  std::map<std::wstring, column_entry> columns;
  std::map<std::wstring, std::wstring> properties;
};

enum class state { start, table, named, fields, column, attribute, properties };

// A whole number of plain digits no larger than `most`: a sign, a blank or any other character
// would otherwise be read past (wcstoull takes "-5" as a huge length and "abc" as 0).
bool parse_whole_number(const std::wstring& text, std::uint64_t most, std::uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  std::uint64_t n = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - L'0');
    if (digit > most || n > (most - digit) / 10) return false;
    n = n * 10 + digit;
  }
  value = n;
  return true;
}

// A character set or storage engine reaches the statement as a bare word: letters, digits and
// underscores only.
bool is_plain_word(const std::wstring& text) {
  if (text.empty() || text.size() > 64) return false;
  for (wchar_t c : text) {
    const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
    if (!ok) return false;
  }
  return true;
}

[[noreturn]] void refuse_mapping(const std::wstring& where, const std::wstring& what, const std::wstring& value,
                                 const std::wstring& needed) {
  throw tk_exception(L"Type mappings: " + where + L": " + what + L" '" + value + L"' is not " + needed + L".",
                     tk_kind_error);
}

std::wstring column_place(const std::wstring& table, const std::wstring& column) {
  return L"column '" + column + L"' of table '" + table + L"'";
}

// The column editor writes a size it does not set as "none": -1 (a length as the 64-bit
// unsigned value of -1). Only types whose text carries no such size may leave it unset.
bool is_unset_size(const std::wstring& text) { return text == L"-1" || text == L"18446744073709551615"; }

bool takes_length(const std::wstring& type) { return sql_max_mapped_length(type) <= 65535; }

// Checks a column's mapping and fills its numbers; throws tk_exception (kind 1) naming the
// table, the column and the value that cannot be used.
void check_column(const std::wstring& table, const std::wstring& column, column_entry& c) {
  const std::wstring where = column_place(table, column);
  if (!c.native.type.empty()) {
    std::wstring canonical;
    if (!sql_known_type_name(c.native.type, canonical))
      refuse_mapping(where, L"type", c.native.type, L"a MySQL column type");
    c.native.type = canonical;
  }
  const bool decimal = c.native.type == L"DECIMAL";
  const std::uint64_t most_length = sql_max_mapped_length(c.native.type);
  std::uint64_t number = 0;
  if (!c.length.empty()) {
    if (is_unset_size(c.length) && !takes_length(c.native.type)) {
      c.native.length = static_cast<std::uint64_t>(-1);
    } else if (parse_whole_number(c.length, most_length, number)) {
      c.native.length = number;
    } else {
      refuse_mapping(where, L"length", c.length, L"a whole number from 0 to " + std::to_wstring(most_length));
    }
  }
  struct size_line {
    const wchar_t* what;
    const std::wstring& text;
    std::int32_t most;
    std::int32_t& value;
  } sizes[] = {{L"precision", c.precision, sql_max_decimal_precision, c.native.precision},
               {L"scale", c.scale, sql_max_decimal_scale, c.native.scale}};
  for (const size_line& size : sizes) {
    if (size.text.empty()) continue;
    if (is_unset_size(size.text) && !decimal) {
      size.value = -1;
    } else if (parse_whole_number(size.text, static_cast<std::uint64_t>(size.most), number)) {
      size.value = static_cast<std::int32_t>(number);
    } else {
      refuse_mapping(where, size.what, size.text, L"a whole number from 0 to " + std::to_wstring(size.most));
    }
  }
  if (decimal && c.native.scale > c.native.precision)
    refuse_mapping(where, L"scale", c.scale, L"at most the precision " + c.precision);
  if (!c.native.character_set.empty() && !is_plain_word(c.native.character_set))
    refuse_mapping(where, L"character set", c.native.character_set, L"a character set name");
}

// `where`: "table 'T'", or "database" for the settings of every table.
void check_engine_and_charset(const std::wstring& where, const std::map<std::wstring, std::wstring>& properties) {
  for (const wchar_t* key : {L"engine", L"character set"}) {
    const auto found = properties.find(key);
    if (found != properties.end() && !found->second.empty() && !is_plain_word(found->second))
      refuse_mapping(where, key, found->second,
                     std::wstring(L"a ") + (key[0] == L'e' ? L"storage engine" : L"character set") + L" name");
  }
}

}  // namespace

void sql_db_mutator::clear() {
  properties_.clear();
  by_target.clear();
  by_source.clear();
}

sql_table_mutator* sql_db_mutator::find_by_new_name(const std::wstring& name) {
  auto it = by_target.find(name);
  return it == by_target.end() ? nullptr : it->second;
}

const std::set<std::wstring>& sql_db_mutator::get_names() {
  static const std::set<std::wstring> names;
  return names;
}

void sql_db_mutator::get_default_native_type(const t_ftd& column, sql_native_type& native) const {
  native.type = get_sql_native_type2(column, true);
  native.length = column.size;
  // A type that keeps its length in its name (dates of no known kind become CHAR(19)): that
  // length is the column's, not the source's size.
  const std::size_t open = native.type.find(L'(');
  if (open != std::wstring::npos) {
    std::uint64_t inside = 0;
    if (parse_whole_number(native.type.substr(open + 1, native.type.size() - open - 2), 4294967295u, inside))
      native.length = inside;
  }
  // The source's own default text, which the table's creation turns into SQL as it does for an
  // unedited column; the SQL form itself would be quoted a second time there. A default that
  // the conversion drops stays dropped.
  native.default_value = make_mysql_def_val(&column).empty() ? std::wstring() : column.default_value.to_wstring();
  // Precision and scale as the column's own type text gives them: a column edited in nothing but
  // its name must not lose its digits (DECIMAL(0,0) keeps no fraction).
  if (column.vartype == VT_CY) {
    native.precision = 19;
    native.scale = 4;
  } else if (column.vartype == VT_DECIMAL && column.precision != 0) {
    native.precision = static_cast<std::int32_t>(column.precision);
    native.scale = static_cast<std::int32_t>(column.scale);
  } else if (column.vartype == VT_DECIMAL) {
    native.scale = static_cast<std::int32_t>(column.dw_reserved & 0xFF);
    native.precision = static_cast<std::int32_t>((column.dw_reserved >> 8) & 0xFF);
  }
}

bool sql_db_mutator::store(udb_profile& profile) const {
  auto add = [&profile](const std::wstring& line) { profile.add_list_item(kList, line); };
  add(L"database:");
  for (const auto& [key, value] : properties_) add(L"  " + key + L": " + value);
  add(L"tables:");
  for (const auto& [source, table] : by_source) {
    add(L"  - name: " + source);
    add(L"    new_name: " + table->new_name);
    add(L"    fields:");
    for (const auto& [column, field] : table->by_source) {
      add(kColumnName + column);
      add(L"        new_name: " + field->new_name);
      add(std::wstring(L"        status: ") + (field->action == udb_drop_column ? L"deleted" : L"changed"));
      add(L"        type: " + field->native.type);
      add(L"        default_value: " + field->native.default_value);
      add(L"        character_set: " + field->native.character_set);
      add(L"        length: " + std::to_wstring(field->native.length));
      add(L"        scale: " + std::to_wstring(field->native.scale));
      add(L"        precision: " + std::to_wstring(field->native.precision));
    }
    const udb_properties::property_map& props = table->udb_properties::get_properties();
    if (!props.empty()) {
      add(kProperties);
      for (const auto& [key, value] : props) add(kPropertyIndent + key + L": " + value);
    }
  }
  return true;
}

bool sql_db_mutator::load(udb_profile& profile) {
  tk_log1(tk_log_detail, "udb_db_mutator::load");
  clear();
  const std::vector<std::wstring> lines = profile.get_list(kList);
  if (lines.empty()) return true;

  std::size_t i = 0;
  if (lines[0] == L"database:") {
    for (i = 1; i < lines.size() && starts_with(lines[i], L"  "); ++i) {
      std::wstring key, value;
      if (split_property(lines[i], key, value)) properties_[key] = value;
    }
  }
  try {
    check_engine_and_charset(L"database", properties_);
  } catch (const tk_exception&) {
    clear();
    throw;
  }
  if (i >= lines.size()) return true;
  if (lines[i] != L"tables:") {
    tk_log2(tk_log_trace, L"Skipping %ls", lines[i].c_str());
    return true;
  }

  std::map<std::wstring, table_entry> tables;
  table_entry* table = nullptr;
  column_entry* column = nullptr;
  state at = state::start;
  for (++i; i < lines.size(); ++i) {
    const std::wstring& line = lines[i];
    tk_log2(tk_log_trace, L"Processing '%ls'", line.c_str());
    if (line.empty()) continue;
    const bool in_column = at == state::column || at == state::attribute;
    if (at == state::properties && starts_with(line, kPropertyIndent)) {
      std::wstring key, value;
      if (split_property(line, key, value)) table->properties[key] = value;
    } else if (starts_with(line, kTableName)) {
      table = &tables[value_after(line, kTableName)];
      column = nullptr;
      at = state::table;
    } else if (starts_with(line, kTableNewName)) {
      if (at != state::table) return false;
      table->new_name = value_after(line, kTableNewName);
      tk_log2(tk_log_trace, L"tm_new_table_name=%ls", table->new_name.c_str());
      at = state::named;
    } else if (starts_with(line, kFields)) {
      if (at != state::table && at != state::named && !in_column) return false;
      at = state::fields;
    } else if (starts_with(line, kColumnName)) {
      if (at != state::fields && !in_column) return false;
      column = &table->columns[value_after(line, kColumnName)];
      at = state::column;
    } else if (starts_with(line, kProperties)) {
      if (table == nullptr) return false;
      at = state::properties;
    } else {
      struct attribute {
        const std::wstring& prefix;
        void (*apply)(column_entry&, const std::wstring&);
      };
      static const attribute attributes[] = {
          {kNewName, [](column_entry& c, const std::wstring& v) { c.new_name = v; }},
          {kStatus,
           [](column_entry& c, const std::wstring& v) {
             if (v == L"deleted") c.deleted = true;
           }},
          {kType, [](column_entry& c, const std::wstring& v) { c.native.type = v; }},
          {kDefault, [](column_entry& c, const std::wstring& v) { c.native.default_value = v; }},
          {kCharset, [](column_entry& c, const std::wstring& v) { c.native.character_set = v; }},
          {kLength, [](column_entry& c, const std::wstring& v) { c.length = v; }},
          {kScale, [](column_entry& c, const std::wstring& v) { c.scale = v; }},
          {kPrecision, [](column_entry& c, const std::wstring& v) { c.precision = v; }},
      };
      const attribute* match = nullptr;
      for (const attribute& a : attributes) {
        if (starts_with(line, a.prefix)) match = &a;
      }
      if (match == nullptr || !in_column) return false;
      match->apply(*column, value_after(line, match->prefix));
      at = state::attribute;
    }
  }

  // Every rule is checked before the first is applied: a refused profile leaves no rule behind.
  for (auto& [source, entry] : tables) {
    check_engine_and_charset(L"table '" + source + L"'", entry.properties);
    for (auto& [column_name, c] : entry.columns) check_column(source, column_name, c);
  }

  for (const auto& [source, entry] : tables) {
    // A table entry without a new name keeps its source name rather than getting an empty one.
    const std::wstring new_name = entry.new_name.empty() ? source : entry.new_name;
    sql_table_mutator* mutator = get_table_mutator2(source, new_name);
    for (const auto& [column_name, c] : entry.columns) {
      sql_field_mutator* field =
          mutator->update_field(column_name, c.new_name.empty() ? column_name : c.new_name, c.native);
      if (c.deleted) field->action = udb_drop_column;
    }
    for (const auto& [key, value] : entry.properties) mutator->udb_properties::get_properties()[key] = value;
  }
  return true;
}

void modify3(const sql_table_mutator& table, udb_indexes& indexes) {
  tk_log1(tk_log_detail, "udb_table_mutator::modify3()");
  for (udb_index& index : indexes.items) {
    if (index.fields.empty()) continue;
    std::vector<std::wstring> kept;
    for (const std::wstring& column : index.fields) {
      auto it = table.by_source.find(column);
      if (it == table.by_source.end()) {
        kept.push_back(column);
      } else if (it->second->action != udb_drop_column) {
        kept.push_back(it->second->new_name.empty() ? column : it->second->new_name);
      }
    }
    index.fields = std::move(kept);
  }
}

void drop_empty_indexes(udb_indexes& indexes) {
  std::erase_if(indexes.items, [](const udb_index& index) { return index.fields.empty(); });
}
