// The columns of a table being defined for the server, with the row-size rule.
#include "SQL/sql_schema.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_index.h"
#include "UDB/udb_name_compare.h"

namespace {

constexpr std::uint32_t kRowLimit = 65536;         // the server refuses rows of this size
constexpr std::uint32_t kLongValueSize = 5592405;  // such columns live outside the row
constexpr std::uint32_t kMaxShortText = 21844;     // characters of a VARCHAR in a utf8mb4 row

}  // namespace

sql_schema::sql_schema() : udb_schema(true) { tk_log1(2, "sql_schema::ctor"); }

void sql_schema::set_indexed_columns(const udb_indexes& indexes) {
  indexed_.clear();
  for (const udb_index& index : indexes)
    for (const std::wstring& column : index.fields) indexed_.push_back(column);
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
  return fields[a]->size >= fields[b]->size;
}

void sql_schema::push_back(t_ftd* descriptor) {
  if (descriptor == nullptr) throw tk_mail_assertion("sql_sch", 40);
  tk_log2(2, L"sql_schema::push_back(%ls, size=%u)", descriptor->name.c_str(), descriptor->size);
  const auto position = static_cast<std::uint32_t>(fields.size());
  fields.push_back(descriptor);
  if (descriptor->vartype == VT_BSTR && descriptor->size >= 1 && descriptor->size <= kMaxShortText) {
    tk_log1(2, "Special processing for string values");
    size_t at = 0;
    while (at < lobs.size() && !converts_before(position, lobs[at])) ++at;
    tk_log1(2, "Insert new column into 'lobs' at pos=%d", static_cast<int>(at));
    lobs.insert(lobs.begin() + static_cast<std::ptrdiff_t>(at), position);
    total_size += 4 * descriptor->size;
  } else if (descriptor->size < kLongValueSize) {
    total_size += descriptor->size;
  }
  if (total_size < kRowLimit) return;
  tk_log1(2, "Schema total size %u exceeds %u bytes, transforming schema...", total_size,
          kRowLimit - 1);
  while (total_size >= kRowLimit && !lobs.empty()) {
    t_ftd* column = fields[lobs.front()];
    tk_log2(3, L"Column '%ls' converted into LONG TEXT", column->name.c_str());
    const std::uint32_t amount = 4 * column->size;
    tk_log1(2, "Decreasing total size at %u bytes", amount);
    total_size = amount > total_size ? 0 : total_size - amount;
    tk_log1(2, "New total_size = %u", total_size);
    column->size = 0;
    lobs.erase(lobs.begin());
  }
}
