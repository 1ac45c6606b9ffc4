// Date-column statistics of one table.
#include "common/types_map.h"

#include "OLE/ole_date.h"
#include "TK/tk_logger.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"

types_map::types_map(const std::wstring& table) : table_(table) {
  tk_log2(tk_log_detail, L"types_map::ctor(%ls)", table.c_str());
}

dates_map::dates_map(const std::wstring& table, const udb_schema& schema, bool dates_only) : types_map(table) {
  tk_log1(tk_log_detail, "dates_map::ctor(size=%d)", static_cast<int>(schema.fields.size()));
  for (std::uint32_t i = 0; i < schema.fields.size(); ++i) {
    const t_ftd* d = schema.fields[i];
    tk_log1(tk_log_trace, "Field #%d has type %d", static_cast<int>(i), static_cast<int>(d->vartype));
    const bool is_date = d->vartype == VT_DATE;
    if (dates_only && !is_date) {
      tk_log1(tk_log_trace, "Field #%d has not a date type", static_cast<int>(i));
      continue;
    }
    tk_log1(tk_log_trace, "Add map entry for field #%d", static_cast<int>(i));
    entries_.push_back({i, d->name, as_char, is_date, false});
  }
}

void dates_map::add_rec_stat(const udb_record& record) {
  tk_log1(tk_log_trace, "dates_map::add_rec_stat(map size=%d)", static_cast<int>(entries_.size()));
  for (std::size_t n = 0; n < entries_.size(); ++n) {
    entry& e = entries_[n];
    tk_log1(tk_log_trace, "Process %d item, n_field=%d", static_cast<int>(n), static_cast<int>(e.column));
    if (e.column >= record.fields.size() || !record.fields[e.column]) continue;
    const std::wstring text = record.fields[e.column]->to_wstring();
    tk_log2(tk_log_trace, L"Got string representation: '%ls'", text.c_str());
    if (text.empty()) continue;
    const std::uint32_t value_kind = ole_date(text).get_kind();
    if (!e.seen) {
      if (value_kind == as_datetime) {
        e.kind = as_datetime;
        tk_log1(tk_log_trace, "got datetime");
      } else if (value_kind == as_date) {
        e.kind = as_date;
        tk_log1(tk_log_trace, "got date");
      } else if (value_kind == as_time) {
        tk_log1(tk_log_trace, "got time");
        e.kind = as_time;
      }
      e.seen = true;
    } else if (e.kind == as_char) {
      tk_log1(tk_log_trace, "skip mapping CHAR(19)");
    } else if (((e.kind == as_datetime || e.kind == as_date) && value_kind == as_time) ||
               (e.kind == as_time && value_kind != as_time)) {
      tk_log1(tk_log_trace, "switch to char(19)");
      e.kind = as_char;
    }
    if (e.kind == as_date && value_kind == as_datetime) {
      tk_log1(tk_log_trace, "switch to datetime");
      e.kind = as_datetime;
    }
  }
  tk_log1(tk_log_trace, "End of dates_map::add_rec_stat");
}
