// Appending rows to an Access table: one pending row per record, each column set by name, then
// committed. A value that makes the row too large for Access is left out and reported.
#include <vector>

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/dao_database.h"
#include "dao/dao_exception.h"
#include "dao/dao_recordset.h"
#include "dao/dao_write_types.h"

namespace {

constexpr const char* not_conforming = "The structures of data source does not conform to the destination table.";
constexpr long dao_record_too_large = 3047;
constexpr LONG dao_update_regular = 1;

bool is_too_large(const dao_exception& e) {
  return (e.code() & 0xFFFFu) == dao_record_too_large || std::string(e.what()) == "Record is too large.";
}

// The row added by AddNew is dropped unless committed, so that a failure half-way leaves no
// pending row in the way of the next append.
class pending_row {
 public:
  explicit pending_row(DAORecordset* recordset) : recordset_(recordset) {}
  pending_row(const pending_row&) = delete;
  pending_row& operator=(const pending_row&) = delete;
  ~pending_row() {
    if (recordset_ && FAILED(recordset_->CancelUpdate(dao_update_regular)))
      tk_log1(tk_log_detail, "The pending row could not be cancelled");
  }
  void committed() { recordset_ = nullptr; }

 private:
  DAORecordset* recordset_;
};

// The value Access is given for one field of the record.
ole_variant collect_value(const udb_field& field, const t_ftd& column) {
  const VARTYPE vt = field.get_type();
  if (column.not_null && (vt == VT_EMPTY || vt == VT_NULL)) {
    tk_log1(tk_log_trace, "Got NULL value for not null field");
    return ole_variant::from_string(std::string(), column.vartype);
  }
  if (vt == VT_DATE) {
    std::string text = field.to_string();
    std::size_t at = text.find("0000-00-00");
    if (at != std::string::npos) {
      tk_log1(tk_log_detail, "Null date has been found");
      text.replace(at, 10, "1899-12-30");
    }
    tk_log1(tk_log_detail, "Got date: '%s'", text.c_str());
    return field;
  }
  if (dao_needs_valid_variant(vt)) return dao_get_valid_variant(field);
  return field;
}

}  // namespace

void dao_recordset::append_record(udb_record& record) {
  tk_log1(tk_log_detail, "dao_recordset::append_record");
  convert_record(record);
  dao_check(recordset_->AddNew());
  tk_log1(tk_log_detail, "\tAdd blank DAO record");
  pending_row pending(recordset_.get());
  if (record.fields.size() != schema.fields.size()) throw tk_exception(not_conforming, tk_kind_continuable);
  for (const auto& field : record.fields)
    if (!field) throw tk_exception(not_conforming, tk_kind_continuable);

  const std::int64_t row = static_cast<std::int64_t>(record_count_) + 1;
  std::vector<bool> holds_value(schema.fields.size(), false);
  for (std::size_t i = 0; i < schema.fields.size(); ++i) {
    const t_ftd& column = *schema.fields[i];
    const udb_field& field = *record.fields[i];
    tk_log2(tk_log_detail, L"\tAdd field '%ls', type=%08X (value=%ls)", column.name.c_str(),
            static_cast<unsigned>(field.get_type()), field.to_wstring().c_str());
    const ole_variant value = collect_value(field, column);
    try {
      put_column(column, value);
      holds_value[i] = value.get_type() != VT_EMPTY && value.get_type() != VT_NULL;
    } catch (const dao_exception& e) {
      if (!is_too_large(e)) throw;
      leave_out(column, row, e);
    }
  }

  tk_log1(tk_log_detail, "Commit new record into database");
  commit(row, holds_value);
  pending.committed();
  ++record_count_;
  tk_log1(tk_log_detail, "dao_recordset::append_record - END");
}

void dao_recordset::put_column(const t_ftd& column, const ole_variant& value) {
  ole_variant item(column.name);
  dao_check(recordset_->put_Collect(item.get_variant(), value.get_variant()));
}

void dao_recordset::leave_out(const t_ftd& column, std::int64_t row, const dao_exception& e) {
  tk_log1(tk_log_detail, "Record is too large.");
  put_column(column, ole_variant());
  const std::string context = "Table '" + tk_unicode_to_utf8(table_name) + "', row " + std::to_string(row) +
                              ", column '" + tk_unicode_to_utf8(column.name) + "': the value is left out";
  tk_log1(tk_log_event, "%s: %s", context.c_str(), e.what());
  if (auto* db = dynamic_cast<dao_database*>(database)) db->report_lost_value(context, e);
}

void dao_recordset::commit(std::int64_t row, std::vector<bool>& holds_value) {
  // Access may find the row too large only when it stores it: the values are then left out from
  // the last column back until the row fits, each one reported.
  for (;;) {
    if (SUCCEEDED(recordset_->Update(dao_update_regular, VARIANT_FALSE))) return;
    dao_exception e;
    if (!is_too_large(e)) throw e;
    std::size_t last = holds_value.size();
    while (last > 0 && (!holds_value[last - 1] || schema.fields[last - 1]->not_null)) --last;
    if (last == 0) throw e;
    holds_value[last - 1] = false;
    leave_out(*schema.fields[last - 1], row, e);
  }
}
