// Column definitions and index clauses of CREATE TABLE for MySQL.
// Names are settled by the server version's validators; every version test reads sql_engine.
#include "SQL/sql_init.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_key_limits.h"
#include "SQL/sql_types.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_custom_conversion.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_properties.h"

namespace {

constexpr std::uint32_t new_server = 0x00040100;         // 4.1.0: backticks, character sets
constexpr std::uint32_t indexed_null_server = 0x031702;  // 3.23.2: NULL allowed in index columns

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

bool is_new_server() { return engine().version >= new_server; }

// An index column whose key part would be a large object: the server takes no plain index on it.
bool is_lob(const t_ftd& column) {
  const VARTYPE vt = column.vartype;
  if (vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == (VT_ARRAY | VT_UI1)) return true;
  return vt == VT_BSTR && column.size - 1u > 767u;
}

// The bytes a column adds to a key: its characters times the widest character of its set.
std::uint32_t key_part_bytes(const t_ftd& column, const std::map<std::wstring, std::wstring>& charsets) {
  std::uint32_t width = 1;
  const auto charset = charsets.find(column.name);
  if (charset != charsets.end()) width = sql_charset_max_bytes(charset->second);
  return column.size * width;
}

// True when some index (only primary ones when primary_only) lists exactly this column name;
// the comparison is exact, as the source spelled the name in both places.
bool is_idx_field(const udb_indexes& indexes, const std::wstring& name, bool primary_only) {
  tk_log2(tk_log_trace, L"udb_indexes::is_idx_field(%ls)", name.c_str());
  for (const udb_index& index : indexes) {
    if (primary_only && !index.primary) continue;
    for (const std::wstring& field : index.fields) {
      if (field == name) {
        tk_log1(tk_log_trace, "index field");
        return true;
      }
    }
  }
  tk_log1(tk_log_trace, "non-index field");
  return false;
}

// True when a unique index or the primary key lists exactly this column name.
bool is_unique_key_field(const udb_indexes& indexes, const std::wstring& name) {
  for (const udb_index& index : indexes) {
    if (!index.unique && !index.primary) continue;
    for (const std::wstring& field : index.fields)
      if (field == name) return true;
  }
  return false;
}

bool can_have_default(const t_ftd& column) {
  if (column.auto_increment) {
    tk_log2(tk_log_detail, L"WARNING: auto_increment columns cannot have default value!");
    return false;
  }
  if (column.vartype == VT_BLOB || column.vartype == VT_BLOB_OBJECT) return false;
  return !(column.vartype == VT_BSTR && column.size - 1u > 21844u);
}

bool can_have_auto_number(const t_ftd& column) {
  return column.vartype < 24 && ((0xFF080Cu >> column.vartype) & 1u) != 0;
}

bool is_character_column(const t_ftd& column) {
  if (column.native_type.empty()) return column.vartype == VT_BSTR;
  return column.native_type.find(L"CHAR") != std::wstring::npos ||
         column.native_type.find(L"TEXT") != std::wstring::npos;
}

// The column's character set: the user's rule for the column, else the user's rule for its
// table (every column names its character set, so the table's default alone would reach none),
// else the engine's default.
std::wstring column_charset(const std::wstring& target_name, udb_properties* table_mutator) {
  if (table_mutator != nullptr) {
    if (udb_properties* column = table_mutator->get_by_target_name(target_name)) {
      const auto& properties = column->get_properties();
      const auto found = properties.find(L"character_set");
      if (found != properties.end() && !found->second.empty()) return found->second;
    }
    const auto& properties = table_mutator->get_properties();
    const auto found = properties.find(L"character set");
    if (found != properties.end() && !found->second.empty()) return found->second;
  }
  return engine().table_charset();
}

}  // namespace

std::wstring sql_table_property(const std::wstring& table_name, const wchar_t* key) {
  udb_properties* all = engine().properties;
  if (all == nullptr) return {};
  udb_properties* table = all->get_by_target_name(table_name);
  if (table == nullptr) return {};
  const auto& properties = table->get_properties();
  const auto found = properties.find(key);
  return found == properties.end() ? std::wstring() : found->second;
}

std::wstring sql_column_type_text(const t_ftd& column) {
  if (udb_custom_conversion::is_acceptable1(column)) return udb_custom_conversion::handle1(column);
  if (!column.native_type.empty()) return column.native_type;
  return get_sql_native_type2(column, false);
}

sql_sized_columns::sql_sized_columns(const std::wstring& table_name, const udb_schema& source,
                                     const udb_indexes& indexes, const std::wstring& storage, std::uint32_t version) {
  udb_properties* all = engine().properties;
  udb_properties* table = all == nullptr ? nullptr : all->get_by_target_name(table_name);
  // Columns are measured under their source names; a column the validator renames later
  // falls back to the engine's character set.
  schema_.set_target(sql_row_limits_for(storage, version), [table](const t_ftd& column) {
    return is_character_column(column) ? sql_charset_max_bytes(column_charset(column.name, table)) : std::uint32_t(1);
  });
  schema_.set_indexed_columns(indexes);
  for (const t_ftd* column : source.fields) {
    copies_.push_back(std::make_unique<t_ftd>(*column));
    schema_.push_back(copies_.back().get());
  }
}

sql_schema_initializer::sql_schema_initializer(const std::wstring& table_name, const udb_schema& source,
                                               const udb_indexes& source_indexes, std::wstring& auto_increment_name)
    : table_name_(table_name),
      source_(source),
      source_indexes_(source_indexes),
      auto_increment_name_(auto_increment_name),
      target_schema_(false),
      validator_(engine().create_fn_validator(source)) {
  tk_log2(tk_log_detail, L"sql_schema_initializer::ctor");
  for (const t_ftd* column : source_.fields) {
    const std::wstring& source_name = column->name;
    const bool acceptable = validator_->is_acceptable(source_name);
    const std::wstring target_name = acceptable ? source_name : validator_->get_safe_name(source_name);

    auto copy = std::make_unique<t_ftd>(*column);
    copy->name = target_name;
    tk_log2(tk_log_detail, L"GOT FIELD: name=%ls, type=%d, size=%d, flags=%d, description=%ls", target_name.c_str(),
            int(copy->vartype), int(copy->size), int(copy->dw_reserved), copy->description.c_str());
    target_schema_.fields.push_back(copy.get());
    copies_.push_back(std::move(copy));

    if (!acceptable) {
      tk_log2(tk_log_detail, L"Store generated column name '%ls'", target_name.c_str());
      validator_->add_existing_name(target_name);
      validator_->add_mapped_pair(source_name, target_name);
      column_map_.emplace(source_name, target_name);
    }
    // A later column whose name equals this one but for case must get a name of its own.
    validator_->restricted_names.push_back(target_name);
  }
}

sql_schema_initializer::~sql_schema_initializer() = default;

const t_names_map& sql_schema_initializer::get_names_map() const { return validator_->mapped_names; }

void sql_schema_initializer::get_init_chunks(std::vector<std::wstring>& chunks, udb_properties* table_mutator) {
  auto_increment_name_.clear();
  tk_log2(tk_log_detail, L"sql_schema_initializer::get_init_chunks(n_columns=%d)", int(target_schema_.fields.size()));
  const bool new_version = is_new_server();
  for (std::size_t i = 0; i < target_schema_.fields.size(); ++i) {
    const t_ftd& column = *target_schema_.fields[i];
    const std::wstring& source_name = source_.fields[i]->name;
    tk_log2(tk_log_detail, L"Processing field '%ls'", column.name.c_str());

    std::wstring chunk = (new_version ? sql_engine::get_safe_name(column.name) : column.name) + L" ";

    chunk += sql_column_type_text(column);

    if (new_version && is_character_column(column)) {
      const std::wstring charset = column_charset(column.name, table_mutator);
      // No character set at all leaves the server's default rather than a broken clause.
      if (!charset.empty()) {
        chunk += L" CHARACTER SET " + charset;
        column_charsets_[column.name] = charset;
        if (is_unique_key_field(source_indexes_, source_name) || joined_columns.count(source_name) != 0) {
          const std::wstring collation = engine().key_collation(charset);
          if (!collation.empty()) chunk += L" COLLATE " + collation;
        }
      }
    }

    const bool not_null = column.not_null || column.auto_increment ||
                          is_idx_field(source_indexes_, source_name, true) ||
                          (engine().version < indexed_null_server && is_idx_field(source_indexes_, source_name, false));
    if (not_null) chunk += L" NOT NULL";

    if (can_have_default(column)) {
      const std::wstring def = make_mysql_def_val(&column);
      if (!def.empty()) chunk += L" DEFAULT " + def;
    }

    if (column.auto_increment && can_have_auto_number(column)) {
      // Two auto-increment columns: the schema came out of the source inconsistent.
      if (!auto_increment_name_.empty()) throw tk_mail_assertion("sql_init", 157);
      auto_increment_name_ = column.name;
      chunk += L" AUTO_INCREMENT";
    }

    if (!column.description.empty()) {
      // A description is a text literal like any value: backslashes and line breaks inside it
      // must reach the server as they are.
      chunk += L" COMMENT " + to_mysql_wstr(column.description, VT_BSTR);
    }

    tk_log2(tk_log_detail, L"sql_query=%ls", chunk.c_str());
    chunks.push_back(chunk);
  }
  tk_log2(tk_log_detail, L"sql_schema_initializer::get_init_chunks - END");
}

sql_key_room sql_key_room_of(const sql_schema_initializer& columns, std::uint32_t max_key_bytes) {
  sql_key_room room;
  room.max_key_bytes = max_key_bytes;
  for (const t_ftd* column : columns.get_target_schema().fields) {
    if (column != nullptr && !is_lob(*column))
      room.column_bytes[column->name] = key_part_bytes(*column, columns.get_column_charsets());
  }
  return room;
}

sql_indexes_initializer::sql_indexes_initializer(const sql_schema_initializer& columns,
                                                 const udb_indexes& source_indexes,
                                                 const std::wstring& auto_increment_name, std::uint32_t max_key_bytes)
    : columns_(columns), auto_increment_name_(auto_increment_name), max_key_bytes_(max_key_bytes) {
  tk_log2(tk_log_detail, L"sql_indexes_initializer::ctor");
  std::unique_ptr<udb_validator> validator(engine().create_in_validator(source_indexes));
  const t_names_map& names = columns_.get_names_map();
  for (const udb_index& source : source_indexes) {
    tk_log2(tk_log_detail, L"Processing '%ls'", source.name.c_str());
    std::wstring name = source.name;
    const bool acceptable = name.empty() || validator->is_acceptable(name);
    if (!acceptable) {
      name = validator->get_safe_name(name);
      tk_log2(tk_log_detail, L"new_name=%ls", name.c_str());
    }
    std::vector<std::wstring> fields;
    for (const std::wstring& field : source.fields) fields.push_back(names.get_mapped_name(field));
    udb_index target(name, source.unique, source.primary);
    target.fields = fields;
    indexes_.push_back(target);
    if (!acceptable) {
      tk_log2(tk_log_detail, L"Store generated index name '%ls'", name.c_str());
      validator->add_existing_name(name);
    }
    validator->restricted_names.push_back(name);
  }
  tk_log2(tk_log_detail, L"sql_indexes_initializer::ctor - END");
}

std::wstring sql_indexes_initializer::make_clause(const udb_index& index) const {
  sql_engine& sql = engine();
  std::wstring clause;
  if (index.primary) {
    clause = L"PRIMARY KEY";
  } else {
    clause = index.unique ? L"UNIQUE " : L"INDEX ";
    clause += sql.get_safe_name(index.name);
  }
  clause += L" (";
  std::uint32_t key_bytes = 0;
  const auto& charsets = columns_.get_column_charsets();
  for (std::size_t i = 0; i < index.fields.size(); ++i) {
    const std::wstring& field = index.fields[i];
    if (i > 0) clause += L", ";
    clause += sql.get_safe_name(field);

    const t_ftd* column = columns_.get_target_schema().get_field1(field);
    if (column == nullptr) {
      tk_log2(tk_log_detail, L"Index column '%ls' is not found", field.c_str());
      return {};
    }
    if (is_lob(*column)) {
      tk_log2(tk_log_event, L"Index '%ls' built on LOB column(s) is not allowed", index.name.c_str());
      return {};
    }
    key_bytes += key_part_bytes(*column, charsets);
    if (key_bytes > max_key_bytes_) {
      tk_log2(tk_log_event, L"Index '%ls' is too big, skip it", index.name.c_str());
      return {};
    }
  }
  return clause + L")";
}

void sql_indexes_initializer::get_init_chunks(std::vector<std::wstring>& chunks) {
  tk_log2(tk_log_detail, L"sql_indexes_initializer::get_init_chunks(n_indexes=%d)", int(indexes_.size()));
  const std::uint32_t max_indexes = is_new_server() ? 63 : 15;
  bool auto_increment_needs_index = !auto_increment_name_.empty();
  std::uint32_t handled = 0;
  for (const udb_index& index : indexes_) {
    if (handled >= max_indexes) {
      tk_log2(tk_log_detail, L"Max number of indexes has been reached");
      break;
    }
    tk_log2(tk_log_detail, L"Process index '%ls'", index.name.c_str());
    if (index.fields.empty()) {
      tk_log2(tk_log_event, L"Skip index '%ls' as it is built on empty fields list", index.name.c_str());
      continue;
    }
    if (index.fields.size() > 16) {
      tk_log2(tk_log_detail, L"Max number of indexes has been reached");
      continue;
    }
    const std::wstring clause = make_clause(index);
    ++handled;
    if (clause.empty()) continue;
    tk_log2(tk_log_detail, L"sql_query=%ls", clause.c_str());
    chunks.push_back(clause);
    written_.push_back(index);
    // The server accepts an auto-increment column only as the first column of a key.
    if (auto_increment_needs_index && udb_same_name(index.fields.front(), auto_increment_name_)) {
      tk_log2(tk_log_detail, L"Got index for auto_increment field");
      auto_increment_needs_index = false;
    }
  }

  if (auto_increment_needs_index) {
    tk_log2(tk_log_detail, L"Creating index for auto-field");
    // The index takes the column's name unless a written index has it already (index names
    // compare ignoring case; the primary key is the server's PRIMARY).
    udb_indexes taken;
    for (const udb_index& index : written_) {
      taken.push_back(index.primary ? udb_index(L"PRIMARY", true, true) : index);
    }
    std::unique_ptr<udb_validator> validator(engine().create_in_validator(taken));
    const std::wstring name =
        validator->is_acceptable(auto_increment_name_) && !validator->is_duplicated(auto_increment_name_)
            ? auto_increment_name_
            : validator->get_safe_name(auto_increment_name_);
    sql_engine& sql = engine();
    chunks.push_back(L"INDEX " + sql.get_safe_name(name) + L" (" + sql.get_safe_name(auto_increment_name_) + L")");
    udb_index own(name, false, false);
    own.fields.push_back(auto_increment_name_);
    written_.push_back(own);
  }
}
