// Rows of a dump file as INSERT statements: batched while rows are small, one a row after a
// row over 1000000 bytes, values over the field-size limit streamed into the file in pieces.
#include "SQL/dmp_recordset.h"

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_values.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_validator.h"

namespace {

constexpr std::size_t batch_limit = 1000000;  // characters of one multi-row INSERT
constexpr std::size_t big_row = 1000000;      // bytes of a row that ends batching for good
constexpr std::size_t piece = 0x20000;        // bytes or characters of a streamed value at a time

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

bool is_binary_column(const t_ftd& column) {
  return column.vartype == VT_BLOB || column.vartype == VT_BLOB_OBJECT || column.vartype == (VT_ARRAY | VT_UI1);
}

const char* generic_error =
    "Generic error occurred while migrating the data.\n"
    "Please send the log file to Quellbrook support for help.";
const char* structure_error =
    "The structure of data source does not conform to the destination table. For more "
    "information see Troubleshooting article of the product documentation.";

}  // namespace

dmp_recordset::dmp_recordset(dmp_database* database, const std::wstring& table_name, const udb_schema& schema)
    : udb_recordset(database, table_name, false), dump_(database) {
  for (const t_ftd* column : schema.fields) {
    columns_.push_back(std::make_unique<t_ftd>(*column));
    this->schema.fields.push_back(columns_.back().get());
  }
}

dmp_recordset::~dmp_recordset() {
  tk_log1(tk_log_detail, "dmp_recordset::dtor");
  try {
    flush();
  } catch (const tk_exception& e) {
    // The database's close() reports a file that can no longer be written.
    tk_log1(tk_log_event, "%s", e.what());
  }
}

void dmp_recordset::flush() {
  if (append_buffer_.empty()) return;
  tk_log1(tk_log_trace, "Run SQL query: [%s]", append_buffer_.c_str());
  // The buffer keeps its room for the next batch: growing a megabyte again for every batch cost
  // more than writing it.
  try {
    dump_->write_statement(append_buffer_);
  } catch (...) {
    append_buffer_.clear();
    throw;
  }
  append_buffer_.clear();
}

std::string dmp_recordset::quoted_name(const std::wstring& name) const {
  return tk_unicode_to_utf8(engine().is_old_version() ? name : sql_engine::get_safe_name(name));
}

void dmp_recordset::append_record(udb_record& record) {
  tk_log1(tk_log_trace, "dmp_recordset::append_record");
  const int size = record.get_total_size();
  tk_log1(tk_log_trace, "record size=%d", size);
  sql_engine& sql = engine();
  if (size > 0 && static_cast<std::size_t>(size) > big_row) {
    tk_log1(tk_log_event, "Row is too big (%d bytes), swtich to slow_append", size);
    sql.fast_insert = false;
    flush();
  }
  if (sql.fast_insert) {
    fast_append(record);
  } else {
    slow_append(record);
  }
}

const std::wstring& dmp_recordset::source_name(const t_ftd* column) {
  auto it = source_names_.find(column);
  if (it == source_names_.end()) {
    it = source_names_.emplace(column, dump_->names_map.get_fn_orig_name(table_name, column->name)).first;
  }
  return it->second;
}

const std::vector<std::size_t>* dmp_recordset::match_fields(const udb_record& record, bool pending) {
  // Every row of a table brings the same field names in the same order: the matching of the
  // first row serves the others.
  bool same = matched_valid_ && matched_names_.size() == record.fields.size();
  for (std::size_t i = 0; same && i < record.fields.size(); ++i) same = matched_names_[i] == record.fields[i]->name;
  if (same && (!pending || reduced_schema_ == matched_columns_)) return &matched_at_;

  // Each value is taken by the name of its column: a record need not list its fields in the
  // table's order.
  std::vector<const t_ftd*> kept;
  std::vector<std::size_t> at;
  for (const t_ftd* column : reduced_schema_) {
    const std::wstring& source = source_name(column);
    tk_log2(tk_log_trace, L"Name=%ls, original name=%ls", column->name.c_str(), source.c_str());
    udb_field* field = record.get_field_exact(source);
    if (field == nullptr) {
      tk_log2(tk_log_detail, L"Field %ls not found", source.c_str());
      if (pending) throw tk_exception(generic_error, tk_kind_continuable);
      tk_log1(tk_log_detail, "1st time => reduce schema");
      continue;
    }
    std::size_t position = 0;
    while (record.fields[position].get() != field) ++position;
    kept.push_back(column);
    at.push_back(position);
  }
  matched_valid_ = !pending;
  if (!matched_valid_) {
    // A batch that is open keeps its own columns; this matching is this row's alone.
    once_at_ = std::move(at);
    return &once_at_;
  }
  matched_names_.clear();
  for (const auto& field : record.fields) matched_names_.push_back(field->name);
  matched_columns_ = std::move(kept);
  matched_at_ = std::move(at);
  return &matched_at_;
}

void dmp_recordset::fast_append(udb_record& record) {
  tk_log1(tk_log_trace, "dmp_recordset::fast_append");
  const bool pending = !append_buffer_.empty();
  if (!pending) {
    tk_log1(tk_log_trace, "Initialize new query...");
    reduced_schema_.clear();
    for (const auto& column : columns_) reduced_schema_.push_back(column.get());
  }
  const std::vector<std::size_t>& at = *match_fields(record, pending);
  const std::vector<const t_ftd*>& kept = pending ? reduced_schema_ : matched_columns_;

  // The row goes straight into the batch; a value that fails takes the row out again.
  const std::size_t row_start = append_buffer_.size();
  try {
    if (!pending) {
      // The batch's column list comes from its first record.
      append_buffer_.reserve(batch_limit + big_row / 8);
      append_buffer_ += "INSERT INTO ";
      append_buffer_ += quoted_name(table_name);
      append_buffer_ += "(";
      for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) append_buffer_ += ", ";
        append_buffer_ += quoted_name(kept[i]->name);
      }
      append_buffer_ += ") VALUES(";
    } else {
      append_buffer_ += ", (";
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
      if (i > 0) append_buffer_ += ", ";
      append_buffer_ += get_fld_append_str(record.fields[at[i]].get(), kept[i], false);
    }
    append_buffer_ += ")";
  } catch (...) {
    append_buffer_.resize(row_start);
    throw;
  }
  if (!pending) reduced_schema_ = kept;
  tk_log1(tk_log_trace, "*** FAST INSERT MODE ***");
  if (append_buffer_.size() > batch_limit) {
    flush();
    tk_log1(tk_log_trace, "Cleaning append_buffer...");
  }
}

void dmp_recordset::slow_append(udb_record& record) {
  tk_log1(tk_log_trace, "dmp_recordset::slow_append");
  // The whole column list is settled before any value is written.
  std::vector<const t_ftd*> columns;
  std::vector<udb_field*> fields;
  if (record.fields.size() < schema.fields.size()) {
    tk_log1(tk_log_trace, "Size of record is less than size of schema");
    std::unique_ptr<udb_validator> validator = engine().create_fn_validator(record);
    for (const auto& owned : record.fields) {
      udb_field* field = owned.get();
      std::wstring name = field->name;
      if (!validator->is_acceptable(name)) {
        name = validator->get_safe_name(name);
        validator->add_existing_name(name);
      }
      tk_log2(tk_log_trace, L"Name=%ls, mapped name=%ls", field->name.c_str(), name.c_str());
      // The column the table's definition made of this field: by the names map where the name
      // had to change (a twin in another case among them), else by its own name.
      const std::wstring mapped = dump_->names_map.get_fn_mapped_name(table_name, field->name, true);
      const t_ftd* column = schema.get_field_exact(mapped != field->name ? mapped : name);
      if (column == nullptr) {
        tk_log2(tk_log_detail, L"Field %ls not found", name.c_str());
        throw tk_exception(structure_error, tk_kind_continuable);
      }
      columns.push_back(column);
      fields.push_back(field);
    }
  } else {
    tk_log1(tk_log_trace, "Size of schema is less or equal to the size of record");
    for (const auto& column : columns_) {
      const std::wstring& source = source_name(column.get());
      tk_log2(tk_log_trace, L"Name=%ls, original name=%ls", column->name.c_str(), source.c_str());
      udb_field* field = record.get_field_exact(source);
      if (field == nullptr) {
        tk_log2(tk_log_detail, L"Field %ls not found", source.c_str());
        throw tk_exception(structure_error, tk_kind_continuable);
      }
      columns.push_back(column.get());
      fields.push_back(field);
    }
  }

  std::string text = "INSERT INTO " + quoted_name(table_name) + "(";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ", ";
    text += quoted_name(columns[i]->name);
  }
  text += ") \nVALUES (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ", ";
    if (fields[i]->get_size() <= sql_engine::max_field_size) {
      text += get_fld_append_str(fields[i], columns[i], false);
      continue;
    }
    // Everything before a large value goes out first, so the value never sits in a buffer whole.
    dump_->write(text);
    text.clear();
    stream_value(*fields[i], *columns[i]);
  }
  text += ")";
  tk_log1(tk_log_trace, "Run SQL query: %s", text.c_str());
  dump_->write_statement(text);
}

void dmp_recordset::stream_value(const udb_field& field, const t_ftd& column) {
  const VARTYPE vt = field.get_type();
  if (is_binary_column(column) && (vt == ole_vt_binary || vt == VT_BLOB || vt == VT_BLOB_OBJECT)) {
    dump_->write(std::string("0x"));
    std::string hex;
    std::uint32_t at = 0;
    while (const std::uint32_t consumed = field.get_at(hex, at, piece)) {
      dump_->write(hex);
      at += consumed;
    }
    return;
  }
  if (column.vartype != VT_BSTR) {
    dump_->write(get_fld_append_str(&field, &column, false));
    return;
  }
  // A text is escaped like every text literal, piece by piece: escaping looks at one character
  // at a time, so the pieces join into the literal of the whole text.
  const std::wstring value = field.to_wstring();
  dump_->write(std::string("'"));
  for (std::size_t at = 0; at < value.size(); at += piece) {
    const std::wstring literal = to_mysql_wstr(value.substr(at, piece), VT_BSTR);
    dump_->write(literal.substr(1, literal.size() - 2));
  }
  dump_->write(std::string("'"));
}
