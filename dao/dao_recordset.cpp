// Access recordsets: row walking, column descriptions and indexes.
#include "dao/dao_recordset.h"

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/dao_bstr.h"
#include "dao/dao_calculated_column.h"
#include "dao/dao_column_default.h"
#include "dao/dao_database.h"
#include "dao/dao_exception.h"
#include "dao/dao_field.h"
#include "dao/dao_record.h"

namespace {

// The text of one property of a field; dao_exception when the field has no such property.
std::wstring property_text(_DAOField* field, const wchar_t* name) {
  ole_com_ptr<DAOProperties> properties;
  dao_check(field->get_Properties(properties.out()), properties);
  ole_variant key{std::wstring(name)};
  ole_com_ptr<DAOProperty> property;
  dao_check(properties->get_Item(key.get_variant(), property.out()), property);
  ole_variant value;
  dao_check(property->get_Value(&value.get_variant()));
  return value.to_wstring();
}

// A property that a column may lack: its absence is normal and only logged.
std::wstring optional_property(_DAOField* field, const wchar_t* name, const char* error_label) {
  try {
    return property_text(field, name);
  } catch (const dao_exception& e) {
    tk_log1(tk_log_detail, "%s:\n%s", error_label, e.what());
    return {};
  }
}

// Precision and scale of an exact numeric column, as its properties give them.
void read_precision(_DAOField* field, t_ftd& column) {
  std::wstring precision = optional_property(field, L"Precision", "ERROR3");
  std::wstring scale = optional_property(field, L"Scale", "ERROR4");
  try {
    if (!precision.empty()) column.precision = static_cast<std::uint32_t>(std::stoul(precision));
    if (!scale.empty()) column.scale = static_cast<std::uint32_t>(std::stoul(scale));
  } catch (const std::exception&) {
    tk_log2(tk_log_detail, L"Unreadable precision '%ls' or scale '%ls'", precision.c_str(), scale.c_str());
  }
}

}  // namespace

dao_recordset::dao_recordset(dao_database* database, const std::wstring& table, DAORecordset* recordset,
                             _DAOTableDef* table_def)
    : udb_recordset(database, table, true), recordset_(recordset), table_def_(table_def) {
  tk_log2(tk_log_detail, L"dao_recordset::dao_recordset(%ls)", table.c_str());
  if (!recordset) throw tk_mail_assertion("dao_rs", 60);
  if (table_def) {
    LONG count = 0;
    dao_check(table_def->get_RecordCount(&count));
    tk_log1(tk_log_detail, "Got records count: %d", static_cast<int>(count));
    record_count_ = count;
    row_count = count > 0 ? static_cast<std::uint64_t>(count) : 0;
    init_schema(table_def);
    init_indexes(table_def);
  }
  read_eof();
  tk_log1(tk_log_detail, "dao_recordset::dao_recordset - END");
}

dao_recordset::dao_recordset(dao_database* database, const std::wstring& name, const std::wstring& sql,
                             DAORecordset* recordset, _DAOQueryDef* query_def, std::uint32_t count)
    : udb_recordset(database, name, sql, true), recordset_(recordset), query_def_(query_def) {
  tk_log2(tk_log_detail, L"dao_recordset::dao_recordset(%ls)", name.c_str());
  if (!recordset) throw tk_mail_assertion("dao_rs", 80);
  if (query_def) {
    record_count_ = static_cast<std::int32_t>(count);
    row_count = count;
    tk_log1(tk_log_detail, "Got records count: %d", static_cast<int>(record_count_));
    init_schema(query_def);
  }
  read_eof();
}

dao_recordset::~dao_recordset() {
  tk_log1(tk_log_detail, "dao_recordset::dtor");
  current_record_.reset();
  if (recordset_) recordset_->Close();
  query_def_.release();
  table_def_.release();
  recordset_.release();
}

void dao_recordset::read_eof() { dao_check(recordset_->get_EOF(&eof_)); }

void dao_recordset::add_column(std::unique_ptr<t_ftd> column) {
  schema.fields.push_back(column.get());
  columns_.push_back(std::move(column));
}

void dao_recordset::init_schema(_DAOTableDef* table_def) {
  tk_log1(tk_log_detail, "dao_recordset::init_schema( DAOTableDef * )");
  if (!table_def) throw tk_mail_assertion("dao_rs", 108);
  ole_com_ptr<DAOFields> fields;
  dao_check(table_def->get_Fields(fields.out()), fields);
  read_columns(fields.get(), true);
}

void dao_recordset::init_schema(_DAOQueryDef* query_def) {
  tk_log1(tk_log_detail, "dao_recordset::init_schema( DAOQueryDef * )");
  if (!query_def) throw tk_mail_assertion("dao_rs", 160);
  ole_com_ptr<DAOFields> fields;
  dao_check(query_def->get_Fields(fields.out()), fields);
  read_columns(fields.get(), false);
}

void dao_recordset::read_columns(DAOFields* fields, bool of_table) {
  short count = 0;
  dao_check(fields->get_Count(&count));
  for (short i = 0; i < count; ++i) {
    ole_variant index(static_cast<unsigned short>(i));
    ole_com_ptr<_DAOField> field;
    dao_check(fields->get_Item(index.get_variant(), field.out()), field);
    dao_column_default d;
    dao_check(field->get_Type(&d.dao_type));
    d.column = i;
    LONG size = 0;
    if (of_table) {
      if (d.dao_type == dbDate) {
        tk_log1(tk_log_detail, "Make date field more precise");
        d.marker = ftd_marker_datetime;
      }
      dao_check(field->get_Size(&size));
      d.size = size;
    }
    ole_variant stored;
    dao_check(field->get_DefaultValue(&stored.get_variant()));
    d.text = stored.to_wstring();
    std::wstring description = optional_property(field.get(), L"Description", "ERROR1");
    tk_log2(tk_log_trace, L"Column description='%ls'", description.c_str());
    std::wstring format = optional_property(field.get(), L"Format", "ERROR2");
    tk_log2(of_table ? tk_log_detail : tk_log_trace, L"Column format='%ls'", format.c_str());
    ole_variant default_value;
    if (of_table) {
      tk_log2(tk_log_detail, L"DAO Field #%d: size=%d, DAO type=%d, def.value=%ls, comment=%ls", static_cast<int>(i),
              static_cast<int>(size), static_cast<int>(d.dao_type), d.text.c_str(), description.c_str());
      // A query's columns show their Format but are not typed by it.
      d.format = format;
      default_value = d.table_default();
    } else {
      tk_log2(tk_log_detail, L"Field #%d: DAO type=%d, default value=%ls", static_cast<int>(i),
              static_cast<int>(d.dao_type), d.text.c_str());
      default_value = d.query_default();
    }

    dao_field value(field.get(), false);
    auto column = std::make_unique<t_ftd>(value, default_value, d.marker);
    if (of_table) column->size = static_cast<std::uint32_t>(size);
    column->vartype = dao_field::get_vartype(d.dao_type);
    if (d.dao_type == dbGUID) {
      column->vartype = VT_BSTR;
      column->size = 38;
      column->dw_reserved = ftd_marker_datetime;
    } else if (d.dao_type == dbAttachment) {
      tk_log1(tk_log_trace, "Special processing for dbAttachment");
      column->dw_reserved = ftd_marker_attachment;
      column->size = 0;
    } else if (dao_field::is_multi_value(d.dao_type)) {
      // The values joined into one text: no length bounds it.
      column->size = 0;
    } else if (column->vartype == VT_DECIMAL) {
      read_precision(field.get(), *column);
    }
    column->description = description;
    if (of_table) {
      std::string fault = dao_result_type_fault(optional_property(field.get(), L"Expression", "ERROR5"),
                                                optional_property(field.get(), L"ResultType", "ERROR6"));
      if (!fault.empty()) {
        tk_log2(tk_log_event, L"Column '%ls': %ls", column->name.c_str(), tk_utf8_to_unicode(fault).c_str());
        value_faults_.emplace_back(columns_.size(), std::move(fault));
      }
    }
    add_column(std::move(column));
  }
  tk_log1(tk_log_detail, "End of dao_recordset::init_schema");
}

void dao_recordset::init_indexes(_DAOTableDef* table_def) {
  tk_log1(tk_log_detail, "dao_recordset::init_indexes");
  if (!table_def) throw tk_mail_assertion("dao_rs", 197);
  ole_com_ptr<DAOIndexes> list;
  dao_check(table_def->get_Indexes(list.out()), list);
  short count = 0;
  dao_check(list->get_Count(&count));
  tk_log1(tk_log_detail, "Got %d indexes", static_cast<int>(count));
  for (short i = 0; i < count; ++i) {
    tk_log1(tk_log_detail, "Processing index %d", static_cast<int>(i));
    ole_variant at(static_cast<unsigned short>(i));
    ole_com_ptr<_DAOIndex> index;
    dao_check(list->get_Item(at.get_variant(), index.out()), index);
    dao_bstr name;
    dao_check(index->get_Name(name.out()));
    udb_index entry(name.text(), false, false);
    VARIANT_BOOL flag = VARIANT_FALSE;
    dao_check(index->get_Foreign(&flag));
    tk_log1(tk_log_detail, "tmp_val=%d", static_cast<int>(flag));
    if (flag == VARIANT_TRUE) {
      // Access's own index behind a relationship: the foreign key is made from the relationship.
      tk_log2(tk_log_detail, L"Index '%ls' is a FK, skip it", entry.name.c_str());
      continue;
    }
    dao_check(index->get_Primary(&flag));
    tk_log1(tk_log_detail, "tmp_val=%d", static_cast<int>(flag));
    entry.primary = flag == VARIANT_TRUE;
    dao_check(index->get_Unique(&flag));
    tk_log1(tk_log_detail, "tmp_val=%d", static_cast<int>(flag));
    entry.unique = flag == VARIANT_TRUE;
    tk_log2(tk_log_detail, L"Name=%ls, is_primary=%d, is_unique=%d", entry.name.c_str(), entry.primary ? 1 : 0,
            entry.unique ? 1 : 0);
    ole_variant fields_value;
    dao_check(index->get_Fields(&fields_value.get_variant()));
    if (fields_value.get_variant().vt != VT_DISPATCH || !fields_value.get_variant().pdispVal)
      throw tk_exception(tk_kind_error);
    ole_com_ptr<DAOIndexFields> fields;
    dao_check(
        fields_value.get_variant().pdispVal->QueryInterface(IID_DAOIndexFields, reinterpret_cast<void**>(fields.out())),
        fields);
    short n_fields = 0;
    dao_check(fields->get_Count(&n_fields));
    for (short j = 0; j < n_fields; ++j) {
      ole_variant item_at(static_cast<unsigned short>(j));
      ole_variant item;
      dao_check(fields->get_Item(item_at.get_variant(), &item.get_variant()));
      if (item.get_variant().vt != VT_DISPATCH || !item.get_variant().pdispVal) throw tk_exception(tk_kind_error);
      ole_com_ptr<_DAOField> field;
      dao_check(item.get_variant().pdispVal->QueryInterface(IID__DAOField, reinterpret_cast<void**>(field.out())),
                field);
      dao_bstr field_name;
      dao_check(field->get_Name(field_name.out()));
      tk_log2(tk_log_trace, L"got index field: %ls", field_name.text().c_str());
      entry.fields.push_back(field_name.text());
    }
    add_index(entry);
  }
  tk_log1(tk_log_detail, "End of dao_recordset::init_indexes");
}

udb_record* dao_recordset::get_item() {
  tk_log1(tk_log_trace, "dao_recordset::get_item");
  if (!recordset_) throw tk_mail_assertion("dao_rs", 262);
  if (current_record_) {
    // The record of the previous row takes this row's values: no record or field objects are
    // built a row. A row that cannot be read leaves no record behind.
    try {
      current_record_->reload();
    } catch (...) {
      current_record_.reset();
      throw;
    }
    mark_value_faults();
    return current_record_.get();
  }
  ole_com_ptr<DAOFields> fields;
  dao_check(recordset_->get_Fields(fields.out()), fields);
  tk_log1(tk_log_trace, "dao_recordset::get_item - END");
  current_record_ = std::make_unique<dao_record>(fields.get());
  mark_value_faults();
  return current_record_.get();
}

void dao_recordset::mark_value_faults() {
  auto& fields = current_record_->fields;
  for (const auto& [column, fault] : value_faults_)
    if (column < fields.size() && fields[column]->get_type() != VT_NULL) fields[column]->kept_as_stored = fault;
}

void dao_recordset::next() {
  if (!recordset_) throw tk_mail_assertion("dao_rs", 273);
  dao_check(recordset_->MoveNext());
  read_eof();
}

void dao_recordset::prev() {
  if (!recordset_) throw tk_mail_assertion("dao_rs", 279);
  VARIANT_BOOL bof = VARIANT_FALSE;
  dao_check(recordset_->get_BOF(&bof));
  if (bof) return;
  dao_check(recordset_->MovePrevious());
  // From the first row DAO steps onto BOF, where no row is current: stay on the first row.
  dao_check(recordset_->get_BOF(&bof));
  if (bof) dao_check(recordset_->MoveFirst());
}

void dao_recordset::reset() {
  if (!recordset_) throw tk_mail_assertion("dao_rs", 287);
  if (record_count_ != 0) dao_check(recordset_->MoveFirst());
  // After a walk to the end the cached EOF still says "no row"; a second walk needs it fresh.
  read_eof();
}
