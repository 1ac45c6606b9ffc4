// New Access columns: names, DAO types, Required, AllowZeroLength, defaults and AutoNumber.
#include "dao/dao_schema_initializer.h"

#include "OLE/ole_date.h"
#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "dao/dao_exception.h"
#include "dao/dao_field.h"
#include "dao/dao_write_types.h"
#include "dao/ole_com_ptr.h"

namespace {

// A text property value as DAO takes it.
ole_variant text_value(const std::wstring& text) { return ole_variant::from_wstring(text, VT_BSTR); }

void put_property(_DAOField* field, const wchar_t* name, const ole_variant& value) {
  ole_com_ptr<DAOProperties> properties;
  dao_check(field->get_Properties(properties.out()), properties);
  ole_variant key{std::wstring(name)};
  ole_com_ptr<DAOProperty> property;
  dao_check(properties->get_Item(key.get_variant(), property.out()), property);
  dao_check(property->put_Value(value.get_variant()));
}

}  // namespace

dao_schema_initializer::dao_schema_initializer(_DAOTableDef* table_def, const udb_schema& source)
    : udb_schema(true), table_def_(table_def), validator_(source) {
  tk_log1(tk_log_detail, "dao_schema_initializer::ctor");
  for (const t_ftd* from : source.fields) {
    if (!from) continue;
    const bool acceptable = validator_.is_acceptable(from->name);
    const std::wstring name = acceptable ? from->name : validator_.get_safe_name(from->name);
    auto column = std::make_unique<t_ftd>(from->size, name, from->vartype, from->not_null, from->auto_increment,
                                          from->default_value, from->dw_reserved, std::wstring());
    // A decimal keeps its digits only with its own precision and scale.
    if (from->vartype == VT_DECIMAL) {
      column->precision = from->precision;
      column->scale = from->scale;
    }
    fields.push_back(column.get());
    columns_.push_back(std::move(column));
    if (!acceptable) {
      tk_log2(tk_log_detail, L"Store generated column name '%ls'", name.c_str());
      validator_.add_existing_name(name);
      validator_.add_mapped_pair(from->name, name);
      column_map_.emplace(from->name, name);
    }
    // No later column may take this name, whatever its case.
    validator_.restricted_names.push_back(name);
  }
}

void dao_schema_initializer::initialize() {
  tk_log1(tk_log_detail, "dao_schema_initializer::initialize");
  ole_com_ptr<DAOFields> table_fields;
  dao_check(table_def_->get_Fields(table_fields.out()), table_fields);
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const t_ftd& column = *fields[i];
    ole_variant name(column.name);
    ole_variant size(static_cast<int>(column.size));
    total += column.size;
    tk_log1(tk_log_detail, "Field #%d: type=%d, size=%d, dw_reserved=%d, total size=%d", static_cast<int>(i),
            static_cast<int>(column.vartype), static_cast<int>(column.size), static_cast<int>(column.dw_reserved),
            static_cast<int>(total));
    const int type = dao_field::get_native_type(column);
    ole_variant dao_type(type);
    ole_com_ptr<_DAOField> field;
    dao_check(table_def_->CreateField(name.get_variant(), dao_type.get_variant(), size.get_variant(), field.out()),
              field);
    dao_check(field->put_Required(column.not_null ? VARIANT_TRUE : VARIANT_FALSE));
    if (type == dbText || type == dbMemo) {
      tk_log1(tk_log_detail, "Set AllowZeroLength flag");
      dao_check(field->put_AllowZeroLength(VARIANT_TRUE));
    }
    if (type == dbDecimal) set_decimal_shape(field.get(), column);
    set_default(field.get(), column);
    if (type == dbLong && column.auto_increment) {
      LONG attributes = 0;
      dao_check(field->get_Attributes(&attributes));
      dao_check(field->put_Attributes(attributes | dbAutoIncrField));
    } else if (column.auto_increment) {
      // Access numbers rows automatically in Long columns only; the values are still copied.
      tk_log2(tk_log_event, L"Column '%ls' keeps its values but is not numbered automatically", column.name.c_str());
    }
    dao_check(table_fields->Append(field.get()));
  }
}

void dao_schema_initializer::set_decimal_shape(_DAOField* field, const t_ftd& column) {
  const dao_decimal_shape shape = dao_get_decimal_shape(column);
  tk_log1(tk_log_detail, "Decimal precision=%d, scale=%d", shape.precision, shape.scale);
  put_property(field, L"Precision", ole_variant(static_cast<unsigned char>(shape.precision)));
  put_property(field, L"Scale", ole_variant(static_cast<unsigned char>(shape.scale)));
}

void dao_schema_initializer::set_default(_DAOField* field, const t_ftd& column) {
  if (column.vartype == VT_DATE && column.dw_reserved == ftd_marker_now) {
    tk_log1(tk_log_detail, "Processing def.value NOW()");
    dao_check(field->put_DefaultValue(text_value(L"Now()").get_variant()));
    return;
  }
  if (column.vartype == VT_DATE && column.dw_reserved == ftd_marker_today) {
    tk_log1(tk_log_detail, "Processing def.value Date()");
    dao_check(field->put_DefaultValue(text_value(L"Date()").get_variant()));
    return;
  }
  const std::wstring text = column.default_value.to_wstring();
  const VARTYPE default_type = column.default_value.get_type();
  tk_log1(tk_log_trace, "ole_variant::get_type");
  if (text.empty()) return;
  tk_log2(tk_log_detail, L"Putting default value: (%d, %ls)", static_cast<int>(default_type), text.c_str());
  if (dao_needs_valid_variant(default_type)) {
    dao_check(field->put_DefaultValue(dao_get_valid_variant(column.default_value).get_variant()));
  } else if (column.vartype != VT_DATE && column.vartype != VT_BSTR) {
    dao_check(field->put_DefaultValue(column.default_value.get_variant()));
  } else if (column.vartype == VT_BSTR) {
    dao_check(field->put_DefaultValue(text_value(quote_def_value(text)).get_variant()));
  } else {
    tk_log1(tk_log_detail, "Got DATE def value");
    const std::wstring canonical = ole_date(text).to_wstring(6);
    tk_log2(tk_log_trace, L"After canonization: %ls", canonical.c_str());
    if (canonical.empty()) {
      // Access would refuse the column over a default that is no date; the column matters more.
      tk_log2(tk_log_event, L"Column '%ls': the default '%ls' is no date and is left out", column.name.c_str(),
              text.c_str());
      return;
    }
    dao_check(field->put_DefaultValue(text_value(quote_def_value(text)).get_variant()));
  }
}

std::wstring dao_schema_initializer::quote_def_value(const std::wstring& text) {
  tk_log2(tk_log_trace, L"dao_schema_initializer::quote_def_value(%ls)", text.c_str());
  if (text.find(L'"') == std::wstring::npos) return L'"' + text + L'"';
  if (text.find(L'\'') == std::wstring::npos) return L'\'' + text + L'\'';
  // Inside a quoted Access text a doubled quote stands for one: the default keeps every character.
  std::wstring quoted = L"\"";
  for (wchar_t c : text) {
    quoted += c;
    if (c == L'"') quoted += L'"';
  }
  return quoted + L'"';
}
