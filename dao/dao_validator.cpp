// Access's name rules for the columns and indexes of tables this side creates.
#include "dao/dao_validator.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

dao_validator::dao_validator() : udb_validator(0) {
  tk_log1(tk_log_trace, "dao_validator::ctor");
  illegal_chars = {L'`', L'!', L'[', L']', L'.', L'/', L'\''};
}

bool dao_validator::is_acceptable(const std::wstring& name) {
  tk_log2(tk_log_detail, L"dao_validator::is_acceptable(%ls)", name.c_str());
  if (name.empty()) return false;
  if (name.front() == L' ' || name.back() == L' ') return false;
  return udb_validator::is_acceptable(name);
}

std::wstring dao_validator::get_safe_name(const std::wstring& name) {
  tk_log2(tk_log_detail, L"dao_validator::get_safe_name(%ls)", name.c_str());
  std::wstring bare = tk_wstring::replace_all(name, L"[", L"");
  bare = tk_wstring::replace_all(bare, L"]", L"");
  return udb_validator::get_safe_name(tk_trim(bare));
}

dao_fn_validator::dao_fn_validator(const udb_schema& schema) {
  tk_log1(tk_log_trace, "dao_fn_validator::ctor");
  for (const t_ftd* column : schema.fields)
    if (column) add_existing_name(column->name);
}

dao_in_validator::dao_in_validator(const udb_indexes& indexes) {
  tk_log1(tk_log_trace, "dao_in_validator::ctor");
  illegal_chars.push_back(L':');
  for (const udb_index& index : indexes) add_existing_name(index.name);
}
