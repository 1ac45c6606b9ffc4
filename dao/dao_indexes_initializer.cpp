// New Access indexes: names, columns through the column-name map, DAO Index objects.
#include "dao/dao_indexes_initializer.h"

#include <utility>

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/dao_bstr.h"
#include "dao/dao_exception.h"
#include "dao/dao_field.h"
#include "dao/dao_schema_initializer.h"
#include "dao/ole_com_ptr.h"
#include "platform/jet/write/jet_writer.h"

namespace {

constexpr VARTYPE vt_blob = 65;
constexpr VARTYPE vt_byte_array = VT_ARRAY | VT_UI1;
// A text column this long is a Memo, which an index cannot hold here.
constexpr std::uint32_t longest_indexed_text = 255;

}  // namespace

dao_indexes_initializer::dao_indexes_initializer(_DAOTableDef* table_def, const dao_schema_initializer& columns,
                                                 const udb_indexes& source, const udb_names_map::name_map* column_map,
                                                 reporter report)
    : table_def_(table_def),
      validator_(source),
      columns_(&columns),
      column_map_(column_map),
      report_(std::move(report)) {
  tk_log1(tk_log_detail, "dao_indexes_initializer::ctor");
  if (column_map_ != nullptr)
    for (const auto& [from, to] : *column_map_) renamed_.add(from, to);
  if (table_def_ != nullptr) {
    dao_bstr name;
    if (SUCCEEDED(table_def_->get_Name(name.out()))) table_ = name.text();
  }
  for (const udb_index& from : source) {
    // DAO refuses an index without columns, and with it the whole table.
    if (from.fields.empty()) {
      report_left_out(from.name, "It has no columns.");
      continue;
    }
    if (from.fields.size() > jet::jet_index_most_columns) {
      report_left_out(from.name, "It has more than 10 columns.");
      continue;
    }
    const bool acceptable = validator_.is_acceptable(from.name);
    const std::wstring name = acceptable ? from.name : validator_.get_safe_name(from.name);
    udb_index index(name, from.unique, from.primary);
    bool usable = true;
    for (const std::wstring& column : from.fields) {
      const std::wstring mapped = mapped_name(column);
      const t_ftd* field = columns_->get_field2(mapped);
      if (field == nullptr) {
        report_left_out(from.name, "Its column '" + tk_unicode_to_utf8(mapped) + "' is not a column of the table.");
        usable = false;
        break;
      }
      if (field->vartype == vt_blob || field->vartype == vt_byte_array ||
          (field->vartype == VT_BSTR && field->size > longest_indexed_text)) {
        tk_log2(tk_log_detail, L"Field '%ls' cannot be part of index", mapped.c_str());
        report_left_out(from.name, "Its column '" + tk_unicode_to_utf8(mapped) + "' cannot be part of an index.");
        usable = false;
        break;
      }
      index.fields.push_back(mapped);
    }
    if (!usable) continue;
    tk_log2(tk_log_trace, L"udb_index::ctor('%ls',%d,%d)", name.c_str(), index.unique ? 1 : 0, index.primary ? 1 : 0);
    indexes_.push_back(index);
    if (!acceptable) {
      tk_log2(tk_log_detail, L"Store generated index name '%ls'", name.c_str());
      validator_.add_existing_name(name);
    }
    validator_.restricted_names.push_back(name);
  }
}

std::wstring dao_indexes_initializer::mapped_name(const std::wstring& column) const {
  return renamed_.get_mapped_name(column);
}

// The user learns of every index the new table lacks; the table itself is still made.
void dao_indexes_initializer::report_left_out(const std::wstring& index, const std::string& why) const {
  const std::string context =
      "Table '" + tk_unicode_to_utf8(table_) + "', index '" + tk_unicode_to_utf8(index) + "': the index is not created";
  tk_log1(tk_log_event, "%s: %s", context.c_str(), why.c_str());
  if (report_) report_(context, tk_exception(why, tk_kind_continuable));
}

void dao_indexes_initializer::initialize() {
  tk_log1(tk_log_detail, "dao_indexes_initializer::initialize");
  ole_com_ptr<DAOIndexes> table_indexes;
  dao_check(table_def_->get_Indexes(table_indexes.out()), table_indexes);
  std::size_t appended = 0;
  for (const udb_index& index : indexes_) {
    if (appended == jet::jet_index_most_per_table) {
      report_left_out(index.name, "A table holds at most 32 indexes.");
      continue;
    }
    tk_log2(tk_log_detail, L"Process index %ls, primary=%d, unique=%d", index.name.c_str(), index.primary ? 1 : 0,
            index.unique ? 1 : 0);
    ole_variant name(index.name);
    ole_com_ptr<_DAOIndex> dao_index;
    dao_check(table_def_->CreateIndex(name.get_variant(), dao_index.out()), dao_index);
    VARIANT fields_holder;
    VariantInit(&fields_holder);
    dao_check(dao_index->get_Fields(&fields_holder));
    ole_com_ptr<DAOIndexFields> index_fields;
    HRESULT hr = E_NOINTERFACE;
    if (fields_holder.vt == VT_DISPATCH && fields_holder.pdispVal != nullptr)
      hr = fields_holder.pdispVal->QueryInterface(IID_DAOIndexFields, reinterpret_cast<void**>(index_fields.out()));
    VariantClear(&fields_holder);
    dao_check(hr, index_fields);
    for (const std::wstring& column : index.fields) {
      tk_log2(tk_log_detail, L"\tProcess index field %ls", column.c_str());
      const t_ftd* descriptor = columns_->get_field2(column);
      if (descriptor == nullptr) throw tk_mail_assertion("dao_idx", 90);
      ole_variant field_name(column);
      ole_variant type(dao_field::get_native_type(*descriptor));
      ole_variant size(static_cast<int>(descriptor->size));
      ole_com_ptr<_DAOField> field;
      dao_check(dao_index->CreateField(field_name.get_variant(), type.get_variant(), size.get_variant(), field.out()),
                field);
      dao_check(index_fields->Append(field.get()));
    }
    dao_check(dao_index->put_Primary(index.primary ? VARIANT_TRUE : VARIANT_FALSE));
    dao_check(dao_index->put_Unique(index.unique ? VARIANT_TRUE : VARIANT_FALSE));
    dao_check(table_indexes->Append(dao_index.get()));
    ++appended;
  }
}
