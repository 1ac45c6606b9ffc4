// A paged reader over a server table or query.
#include "SQL/sql_recordset.h"

#include "OLE/ole_exceptions.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_types.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

sql_engine& engine() { return *tk_singleton<sql_engine>::get_instance(); }

}  // namespace

sql_recordset::sql_recordset(sql_database* database_, const std::wstring& table, udb_relationships* relationships_)
    : udb_recordset(database_, table, true), sql_db(database_), relationships(relationships_) {
  tk_log1(tk_log_detail, "sql_recordset::sql_recordset1");
  initialize();
}

sql_recordset::sql_recordset(sql_database* database_, const std::wstring& name, const std::wstring& sql,
                             udb_relationships* relationships_)
    : udb_recordset(database_, name, sql, true), sql_db(database_), relationships(relationships_) {
  tk_log1(tk_log_detail, "sql_recordset::sql_recordset2");
  initialize();
}

sql_recordset::~sql_recordset() {
  tk_log1(tk_log_trace, "sql_recordset::dtor");
  clean();
}

void sql_recordset::append_record(udb_record&) {
  tk_log1(tk_log_trace, "sql_recordset::append_record");
  throw tk_mail_assertion("sql_recs", 250);
}

std::int32_t sql_recordset::get_rec_count() {
  tk_log1(tk_log_detail, "sql_recordset::get_rec_count");
  std::wstring statement;
  if (is_query()) {
    statement = L"SELECT COUNT(*) FROM (" + query + L") as query";
  } else {
    statement =
        L"SELECT COUNT(*) FROM " + (engine().is_old_version() ? table_name : sql_engine::get_safe_name(table_name));
  }
  std::unique_ptr<udb_recordset> rows = sql_db->query(statement);
  std::int32_t result = -1;
  if (rows && !rows->is_eof()) {
    udb_record* row = rows->get_item();
    if (row != nullptr && !row->fields.empty()) {
      try {
        result = row->fields[0]->to_long();
      } catch (const ole_cast_exception&) {
      }
    }
  }
  tk_log1(tk_log_detail, "sql_recordset::get_rec_count - END (result=%d)", result);
  return result;
}

void sql_recordset::clean() {
  tk_log1(tk_log_detail, "sql_recordset::clean");
  for (auto& slot : page_) slot.reset();
}

void sql_recordset::load_page(std::uint32_t offset) {
  clean();
  sql_database::sql_limited_query page_query(*sql_db, is_query() ? query : table_name, offset, sql_database::page_size,
                                             is_query());
  page_query.store_to(&page_, is_query() ? nullptr : &schema);
}

void sql_recordset::initialize() {
  tk_log1(tk_log_detail, "sql_recordset::initialize");
  tk_log1(tk_log_detail, "is_blob_to_text=%d", engine().blob_to_text ? 1 : 0);
  clean();
  const std::int32_t count = get_rec_count();
  row_count = static_cast<std::uint64_t>(static_cast<std::int64_t>(count));
  tk_log1(tk_log_detail, "get_rec_count returns %d", count);

  std::wstring select_list = L"SELECT ";
  std::wstring auto_number;
  bool has_geometry = false;
  {
    sql_database::sql_limited_query first(*sql_db, is_query() ? query : table_name, 0, sql_database::page_size,
                                          is_query());
    MYSQL_RES* result = first.result();
    const unsigned n = result ? mysql_num_fields(result) : 0;
    MYSQL_FIELD* fields = result ? mysql_fetch_fields(result) : nullptr;
    for (unsigned k = 0; k < n; ++k) {
      const MYSQL_FIELD& f = fields[k];
      tk_log1(tk_log_detail, "Processing field #%u", k + 1);
      if (k > 0) select_list += L",";
      const std::wstring column = tk_utf8_to_unicode(std::string(f.name, f.name_length));
      std::uint32_t subtype = ftd_marker_none;
      switch (f.type) {
        case MYSQL_TYPE_DATETIME: subtype = ftd_marker_datetime; break;
        case MYSQL_TYPE_DATE: subtype = ftd_marker_date; break;
        case MYSQL_TYPE_TIME: subtype = ftd_marker_time; break;
        case MYSQL_TYPE_LONGLONG: subtype = (f.flags & UNSIGNED_FLAG) ? ftd_marker_unsigned : ftd_marker_signed; break;
        case MYSQL_TYPE_GEOMETRY:
          tk_log1(tk_log_detail, "Got MYSQL_TYPE_GEOMETRY");
          select_list += L"ST_AsText(" + sql_engine::get_safe_name(column) + L") as ";
          has_geometry = true;
          subtype = ftd_marker_text_geometry;
          break;
        default: break;
      }
      select_list += sql_engine::get_safe_name(column);
      tk_log2(tk_log_detail, L"GOT FIELD: name=%ls, type=%d, size=%lu, flags=%u", column.c_str(),
              static_cast<int>(f.type), f.length, f.flags);
      auto descriptor = std::make_unique<t_ftd>(
          static_cast<std::uint32_t>(f.length), column, get_vartype(f.type, f.flags), (f.flags & NOT_NULL_FLAG) != 0,
          (f.flags & AUTO_INCREMENT_FLAG) != 0, ole_variant(), subtype, std::wstring());
      if (descriptor->auto_increment) {
        tk_log2(tk_log_trace, L"Got auto_number column: '%ls'", column.c_str());
        auto_number = column;
      }
      if (descriptor->vartype == VT_BLOB || descriptor->vartype == (VT_ARRAY | VT_UI1)) {
        if (engine().blob_to_text || (f.flags & BINARY_FLAG) == 0) {
          tk_log1(tk_log_detail, "Change type from BLOB to TEXT");
          descriptor->vartype = VT_BSTR;
        }
      } else if (f.type == MYSQL_TYPE_DECIMAL || f.type == MYSQL_TYPE_NEWDECIMAL) {
        tk_log1(tk_log_trace, "Scale/precision: (%u,%lu)", f.decimals, f.length);
        descriptor->precision = static_cast<std::uint32_t>(f.decimals > 0 ? f.length - 2 : f.length - 1);
        descriptor->scale = f.decimals;
      }
      schema.fields.push_back(descriptor.get());
      columns_.push_back(std::move(descriptor));
      column_types_.push_back(static_cast<int>(f.type));
    }
    first.store_to(&page_, is_query() ? nullptr : &schema);
  }
  select_list += L" FROM " + sql_engine::get_safe_name(table_name);
  tk_log2(tk_log_detail, L"local_select_qry=%ls", select_list.c_str());
  if (is_query()) {
    tk_log1(tk_log_detail, "It's a SQL-query, nothing to do anymore");
    return;
  }
  if (!auto_number.empty()) {
    tk_log2(tk_log_detail, L"Refining auto_number '%ls' (last value)", auto_number.c_str());
    const std::wstring statement =
        L"select max( " + sql_engine::get_safe_name(auto_number) + L") from " + sql_engine::get_safe_name(table_name);
    tk_log2(tk_log_detail, L"auto_number query=%ls", statement.c_str());
    try {
      std::unique_ptr<udb_recordset> rows = sql_db->query(statement);
      if (rows && !rows->is_eof() && rows->get_item() && !rows->get_item()->fields.empty()) {
        const udb_field& value = *rows->get_item()->fields[0];
        // An empty table has no maximum yet.
        const std::int32_t last = value.get_type() == VT_EMPTY || value.get_type() == VT_NULL ? 0 : value.to_long();
        tk_log1(tk_log_detail, "got last value=%d", last);
        schema.last_auto_number = last;
      }
    } catch (const std::exception& e) {
      tk_log1(tk_log_event, "Failed to extract last value for auto_number column");
      tk_log1(tk_log_detail, "ERROR: %s", e.what());
    }
  }
  if (has_geometry) query = select_list;
  tk_log1(tk_log_detail, "sql_recordset::initialize - END");
}

udb_record* sql_recordset::get_item() { return page_[page_index_].get(); }

bool sql_recordset::is_eof() {
  // A count that was no number reads as the largest one: the walk ends at an empty slot.
  return position_ >= row_count || page_[page_index_] == nullptr;
}

void sql_recordset::next() {
  tk_log1(tk_log_trace, "sql_recordset::next");
  if (page_index_ < sql_database::page_size - 1) {
    ++page_index_;
    ++position_;
    return;
  }
  load_page(position_ + 1);
  page_index_ = 0;
  ++position_;
}

void sql_recordset::prev() {
  tk_log1(tk_log_trace, "sql_recordset::prev");
  if (position_ == 0) return;
  if (page_index_ > 0) --page_index_;
  --position_;
}

int sql_recordset::column_type(const t_ftd* column) const {
  for (std::size_t k = 0; k < columns_.size(); ++k)
    if (columns_[k].get() == column) return column_types_[k];
  return -1;
}

void sql_recordset::reset() {
  tk_log1(tk_log_detail, "sql_recordset::reset");
  position_ = 0;
  page_index_ = 0;
  row_count = static_cast<std::uint64_t>(static_cast<std::int64_t>(get_rec_count()));
  load_page(0);
}
