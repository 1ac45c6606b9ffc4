// Relationships written into an Access database this side creates: each foreign key of the
// data model becomes a DAO Relation, after its referenced table got a unique index on the
// referenced columns where it had none.
#include <algorithm>
#include <ctime>
#include <cwchar>
#include <optional>

#include "OLE/ole_variant.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_bstr.h"
#include "dao/dao_database.h"
#include "dao/dao_exception.h"
#include "dao/dao_field.h"

namespace {

// The mode word of a database opened only to append rows to existing tables.
constexpr std::uint32_t dao_append_mode = 8;
// get_table flag: a read-only recordset of the table.
constexpr std::uint32_t dao_table_read = 1;
constexpr std::size_t most_name_length = 64;

void index_fields_of(_DAOIndex* index, ole_com_ptr<DAOIndexFields>& fields) {
  VARIANT holder;
  VariantInit(&holder);
  dao_check(index->get_Fields(&holder));
  HRESULT hr = E_NOINTERFACE;
  if (holder.vt == VT_DISPATCH && holder.pdispVal != nullptr)
    hr = holder.pdispVal->QueryInterface(IID_DAOIndexFields, reinterpret_cast<void**>(fields.out()));
  VariantClear(&holder);
  dao_check(hr, fields);
}

// DAO's type and size of a column for a Relation or Index field. A column the table lacks
// gets a placeholder: DAO then refuses the relationship naming that column, which is
// reported like any other refusal.
int native_type_of(const t_ftd* column) { return column ? dao_field::get_native_type(*column) : dbLong; }
int size_of(const t_ftd* column) { return column ? static_cast<int>(column->size) : 0; }

// Whether the table already has a unique index on exactly the referenced columns. Any such
// index counts, not only the first that starts with them: a plain index listed before the
// primary key would otherwise earn the table a second, redundant unique index. A unique index
// over more columns does not make the referenced columns unique, so DAO would refuse the
// relationship on it.
bool has_unique_index(const udb_indexes& indexes, const std::vector<std::wstring>& columns) {
  tk_log1(tk_log_trace, "udb_indexes::has_index_on_fields");
  for (const udb_index& index : indexes)
    if (index.starts_with_fields(columns) && index.unique && index.fields.size() == columns.size()) return true;
  return false;
}

}  // namespace

std::wstring dao_database::gen_ui_name(const std::wstring& table) {
  tk_log2(tk_log_detail, L"dao_database::gen_ui_name(%ls)", table.c_str());
  const std::wstring prefix = L"ui_" + table;
  wchar_t buf[160] = {};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::wcsftime(buf, sizeof buf / sizeof buf[0], L"%y%m%d%H%M%S", &local);
  tk_log2(tk_log_detail, L"buf=%ls", buf);
  const std::wstring stamp = buf;
  return prefix.substr(0, std::min(prefix.size(), most_name_length - stamp.size())) + stamp;
}

void dao_database::create_relationships(const udb_relationships& relationships) {
  tk_log1(tk_log_detail, "dao_database::create_relationships");
  if (mode == dao_append_mode) {
    tk_log1(tk_log_event, "Foreign keys are not converted in append mode");
    return;
  }
  ole_com_ptr<DAORelations> relations;
  dao_check(database_->get_Relations(relations.out()), relations);
  for (const udb_relationship& r : relationships) {
    tk_log2(tk_log_event, L"Processing '%ls'", r.name.c_str());
    try {
      // A referenced table that is missing is left to DAO to refuse at Append, named.
      std::unique_ptr<udb_recordset> referenced;
      if (is_table_exist(r.ref_table)) referenced = get_table(r.ref_table, dao_table_read);
      const udb_schema* columns = referenced ? &referenced->schema : nullptr;
      auto column = [&](const std::wstring& name) { return columns ? columns->get_field1(name) : nullptr; };

      ole_com_ptr<_DAOTableDef> table_def;
      ole_com_ptr<_DAOIndex> unique_index;
      // An index over a column the table lacks would be refused for that alone: the
      // relationship's own refusal names the column.
      const bool columns_known = std::all_of(r.ref_fields.begin(), r.ref_fields.end(),
                                             [&](const std::wstring& c) { return column(c) != nullptr; });
      if (referenced && columns_known && !r.ref_fields.empty() &&
          !has_unique_index(referenced->indexes, r.ref_fields)) {
        tk_log2(tk_log_detail, L"Table %ls does not have unique index on FK columns, add it", r.ref_table.c_str());
        ole_variant key(r.ref_table);
        dao_check(table_defs_->get_Item(key.get_variant(), table_def.out()), table_def);
        const std::wstring index_name = gen_ui_name(r.ref_table);
        tk_log2(tk_log_detail, L"Gen.name=%ls", index_name.c_str());
        ole_variant name(index_name);
        dao_check(table_def->CreateIndex(name.get_variant(), unique_index.out()), unique_index);
        tk_log1(tk_log_detail, "Step #1");
        ole_com_ptr<DAOIndexFields> fields;
        index_fields_of(unique_index.get(), fields);
        tk_log1(tk_log_detail, "Step #2");
        for (const std::wstring& ref_column : r.ref_fields) {
          tk_log2(tk_log_detail, L"\tProcess unique index field %ls", ref_column.c_str());
          const t_ftd* descriptor = column(ref_column);
          ole_variant field_name(ref_column);
          ole_variant type(native_type_of(descriptor));
          ole_variant size(size_of(descriptor));
          ole_com_ptr<_DAOField> field;
          dao_check(
              unique_index->CreateField(field_name.get_variant(), type.get_variant(), size.get_variant(), field.out()),
              field);
          dao_check(fields->Append(field.get()));
        }
        dao_check(unique_index->put_Primary(VARIANT_FALSE));
        dao_check(unique_index->put_Unique(VARIANT_TRUE));
      }

      tk_log1(tk_log_detail, "Step #3");
      // Created without cascade rules, whatever the foreign key's own rules are.
      ole_variant name(r.name), table(r.ref_table), foreign_table(r.table), attributes(0);
      ole_com_ptr<_DAORelation> relation;
      dao_check(database_->CreateRelation(name.get_variant(), table.get_variant(), foreign_table.get_variant(),
                                          attributes.get_variant(), relation.out()),
                relation);
      tk_log1(tk_log_detail, "Step #4");
      ole_com_ptr<DAOFields> relation_fields;
      dao_check(relation->get_Fields(relation_fields.out()), relation_fields);
      // Column lists of different lengths pair up with an empty name, which DAO refuses as a
      // relationship on a different number of fields.
      const std::size_t pairs = std::max(r.fields.size(), r.ref_fields.size());
      for (std::size_t i = 0; i < pairs; ++i) {
        const std::wstring child = i < r.fields.size() ? r.fields[i] : std::wstring();
        const std::wstring parent = i < r.ref_fields.size() ? r.ref_fields[i] : std::wstring();
        tk_log2(tk_log_trace, L"Adding fields (%ls,%ls)", child.c_str(), parent.c_str());
        const t_ftd* descriptor = column(parent);
        ole_variant field_name(parent);
        ole_variant type(native_type_of(descriptor));
        ole_variant size(0);
        ole_com_ptr<_DAOField> field;
        dao_check(relation->CreateField(field_name.get_variant(), type.get_variant(), size.get_variant(), field.out()),
                  field);
        dao_check(field->put_ForeignName(dao_bstr(child)));
        dao_check(relation_fields->Append(field.get()));
      }
      referenced.reset();
      if (unique_index) {
        ole_com_ptr<DAOIndexes> indexes;
        dao_check(table_def->get_Indexes(indexes.out()), indexes);
        dao_check(indexes->Append(unique_index.get()));
      }
      dao_check(relations->Append(relation.get()));
    } catch (const dao_exception& e) {
      tk_log1(tk_log_detail, "ERROR:\n%s", e.what());
      report(tk_unicode_to_utf8(r.name), e);
    }
  }
}
