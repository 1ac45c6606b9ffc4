// Foreign-key records and their unique names.
#include "UDB/udb_relationship.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"

udb_relationship::udb_relationship(std::wstring name_, std::wstring name2_, std::wstring table_,
                                   std::wstring ref_table_, std::vector<std::wstring> fields_,
                                   std::vector<std::wstring> ref_fields_, std::wstring properties_)
    : name(std::move(name_)),
      name2(std::move(name2_)),
      table(std::move(table_)),
      ref_table(std::move(ref_table_)),
      properties(std::move(properties_)),
      fields(std::move(fields_)),
      ref_fields(std::move(ref_fields_)) {}

udb_relationship::udb_relationship(std::wstring table_, std::wstring ref_table_, std::vector<std::wstring> fields_,
                                   std::vector<std::wstring> ref_fields_, std::wstring properties_)
    : name(L"FK_" + tk_wstring::replace_all(ref_table_, L" ", L"_") + L"_" +
           tk_wstring::replace_all(table_, L" ", L"_")),
      table(std::move(table_)),
      ref_table(std::move(ref_table_)),
      properties(std::move(properties_)),
      fields(std::move(fields_)),
      ref_fields(std::move(ref_fields_)) {}

bool udb_relationships::is_acceptable_name(const std::wstring& name) const {
  tk_log2(tk_log_trace, L"udb_relationships::is_acceptable_name(%ls)", name.c_str());
  for (const auto& r : *this)
    if (udb_same_name(r.name, name)) return false;
  return true;
}

std::wstring udb_relationships::gen_relship_name(const udb_relationship& r) const {
  tk_log1(tk_log_trace, "udb_relationships::gen_relship_name");
  static const wchar_t* const kPieces[] = {L"_", L"1", L"_", L"2", L"_", L"3"};
  std::wstring name = L"FK_" + r.ref_table + L"_" + r.table;
  for (size_t refusals = 0; !is_acceptable_name(name); ++refusals) {
    tk_log2(tk_log_detail, L"%ls is not acceptable as a FK name", name.c_str());
    name += kPieces[refusals % 6];
  }
  return name;
}
