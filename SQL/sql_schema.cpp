// The columns of a table being defined for the server, with the row-size rule.
#include "SQL/sql_schema.h"

#include <algorithm>
#include <cstdint>

#include "SQL/sql_init.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_custom_conversion.h"
#include "UDB/udb_index.h"
#include "UDB/udb_name_compare.h"

namespace {

// What a column counts once it is a long text.
const wchar_t* const kLongText = L"LONGTEXT";

bool starts_with(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

// A text column whose written type follows its size, so that size 0 makes it a long text.
// A type the user's rules chose is kept as they chose it.
bool may_become_long_text(const t_ftd& column, const std::wstring& type) {
  if (column.vartype != VT_BSTR || column.size == 0 || !column.native_type.empty()) return false;
  if (column.dw_reserved != ftd_marker_none && column.dw_reserved != ftd_marker_fixed_width) return false;
  if (udb_custom_conversion::is_acceptable1(column)) return false;
  return starts_with(type, L"VARCHAR") || starts_with(type, L"CHAR");
}

}  // namespace

sql_schema::sql_schema() : udb_schema(true) { tk_log1(tk_log_detail, "sql_schema::ctor"); }

void sql_schema::set_indexed_columns(const udb_indexes& indexes) {
  indexed_.clear();
  for (const udb_index& index : indexes)
    for (const std::wstring& column : index.fields) indexed_.push_back(column);
}

void sql_schema::set_target(const sql_row_limits& limits, std::function<std::uint32_t(const t_ftd&)> char_bytes) {
  limits_ = limits;
  char_bytes_ = std::move(char_bytes);
}

bool sql_schema::is_indexed(const std::wstring& name) const {
  for (const std::wstring& column : indexed_)
    if (udb_same_name(column, name)) return true;
  return false;
}

bool sql_schema::converts_before(std::uint32_t a, std::uint32_t b) const {
  const bool a_indexed = is_indexed(fields[a]->name);
  const bool b_indexed = is_indexed(fields[b]->name);
  if (a_indexed != b_indexed) return !a_indexed;
  // Among equals the newer column goes first: a later column of the same size is converted.
  return bytes_[a].row >= bytes_[b].row;
}

sql_column_bytes sql_schema::measure(const t_ftd& column, const std::wstring& type) const {
  const std::uint32_t width = char_bytes_ ? char_bytes_(column) : 4;
  return sql_type_bytes(type, width, limits_, column.size);
}

void sql_schema::update_totals() {
  // The NULL flags grow by a byte with every eighth nullable column.
  const sql_column_bytes overhead = sql_row_overhead(nullable_);
  total_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(row_columns_ + overhead.row, UINT32_MAX));
  page_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(page_columns_ + overhead.page, UINT32_MAX));
}

bool sql_schema::row_too_wide() const {
  return total_size > limits_.max_row || (limits_.counts_page && page_size >= limits_.page_limit);
}

std::size_t sql_schema::pick_lob() const {
  const sql_column_bytes long_text = sql_type_bytes(kLongText, 1, limits_, 0);
  const bool by_row = total_size > limits_.max_row;
  std::size_t best = lobs.size();
  std::uint32_t best_saving = 0;
  bool best_indexed = true;
  for (std::size_t at = 0; at < lobs.size(); ++at) {
    const sql_column_bytes& now = bytes_[lobs[at]];
    const std::uint32_t before = by_row ? now.row : now.page;
    const std::uint32_t after = by_row ? long_text.row : long_text.page;
    if (before <= after) continue;
    const std::uint32_t saving = before - after;
    const bool indexed = is_indexed(fields[lobs[at]]->name);
    // lobs is in conversion order, so the first of equal savings is the one to take.
    if (best == lobs.size() || (best_indexed && !indexed) || (best_indexed == indexed && saving > best_saving)) {
      best = at;
      best_saving = saving;
      best_indexed = indexed;
    }
  }
  return best;
}

void sql_schema::convert(std::size_t entry) {
  const std::uint32_t position = lobs[entry];
  t_ftd* column = fields[position];
  tk_log2(tk_log_event, L"Column '%ls' converted into LONG TEXT", column->name.c_str());
  const sql_column_bytes old_bytes = bytes_[position];
  column->size = 0;
  // A fixed-width text of size 0 would be CHAR(0), which holds nothing.
  column->dw_reserved = ftd_marker_none;
  const sql_column_bytes new_bytes = measure(*column, sql_column_type_text(*column));
  tk_log1(tk_log_detail, "Decreasing total size at %d bytes (record at %d bytes)",
          int(old_bytes.row) - int(new_bytes.row), int(old_bytes.page) - int(new_bytes.page));
  row_columns_ = row_columns_ - old_bytes.row + new_bytes.row;
  page_columns_ = page_columns_ - old_bytes.page + new_bytes.page;
  bytes_[position] = new_bytes;
  update_totals();
  tk_log1(tk_log_detail, "New total_size = %u", total_size);
  lobs.erase(lobs.begin() + static_cast<std::ptrdiff_t>(entry));
}

void sql_schema::push_back(t_ftd* descriptor) {
  if (descriptor == nullptr) throw tk_mail_assertion("sql_sch", 40);
  tk_log2(tk_log_detail, L"sql_schema::push_back(%ls, size=%u)", descriptor->name.c_str(), descriptor->size);
  const auto position = static_cast<std::uint32_t>(fields.size());
  fields.push_back(descriptor);
  const std::wstring type = sql_column_type_text(*descriptor);
  bytes_.push_back(measure(*descriptor, type));
  // A key column is written NOT NULL as well; counting its flag errs by a byte on the safe side.
  if (!descriptor->not_null && !descriptor->auto_increment) ++nullable_;
  row_columns_ += bytes_.back().row;
  page_columns_ += bytes_.back().page;
  update_totals();

  if (may_become_long_text(*descriptor, type)) {
    tk_log1(tk_log_detail, "Special processing for string values");
    size_t at = 0;
    while (at < lobs.size() && !converts_before(position, lobs[at])) ++at;
    tk_log1(tk_log_detail, "Insert new column into 'lobs' at pos=%d", static_cast<int>(at));
    lobs.insert(lobs.begin() + static_cast<std::ptrdiff_t>(at), position);
  }
  if (!row_too_wide()) return;
  tk_log1(tk_log_detail, "Schema total size %u (record %u) exceeds %u bytes (record %u), transforming schema...",
          total_size, page_size, limits_.max_row, limits_.page_limit - 1);
  while (row_too_wide()) {
    const std::size_t entry = pick_lob();
    if (entry == lobs.size()) {
      tk_log1(tk_log_detail, "No column left that would make the row narrower");
      return;
    }
    convert(entry);
  }
}
