// Identifier rules of MySQL for the new (4.1.0 and later) and the old server family.
#include "SQL/sql_validators.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_field.h"
#include "UDB/udb_index.h"
#include "UDB/udb_schema.h"
#include "platform/win/windows.h"

namespace {

constexpr std::uint32_t sql_max_name_length = 64;

bool is_name_char(wchar_t c) { return c == L'_' || c == L'$' || IsCharAlphaNumericW(c); }
bool is_decimal_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }

void add_names(udb_validator& v, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) v.add_existing_name(name);
}

void add_record_names(udb_validator& v, const udb_record& record) {
  for (const auto& field : record.fields) {
    if (field) v.add_existing_name(field->name);
  }
}

void add_schema_names(udb_validator& v, const udb_schema& schema) {
  for (const t_ftd* d : schema.fields) {
    if (d) v.add_existing_name(d->name);
  }
}

void add_index_names(udb_validator& v, const udb_indexes& indexes) {
  for (const udb_index& index : indexes) v.add_existing_name(index.name);
}

}  // namespace

const wchar_t sql_forbidden_chars[14] = {L'`', L'"', L'\'', L'^', L'*', L'\\', L';',
                                         L'+', L'|', L':',  L'<', L'>', L'?',  L'/'};

const std::vector<std::wstring> sql_old_reserved_words = {L"add",
                                                          L"all",
                                                          L"alter",
                                                          L"and",
                                                          L"as",
                                                          L"asc",
                                                          L"between",
                                                          L"bigint",
                                                          L"binary",
                                                          L"blob",
                                                          L"both",
                                                          L"by",
                                                          L"cascade",
                                                          L"case",
                                                          L"char",
                                                          L"character",
                                                          L"change",
                                                          L"column",
                                                          L"columns",
                                                          L"constraint",
                                                          L"create",
                                                          L"cross",
                                                          L"current_date",
                                                          L"current_time",
                                                          L"current_timestamp",
                                                          L"database",
                                                          L"databases",
                                                          L"day_hour",
                                                          L"day_minute",
                                                          L"day_second",
                                                          L"dec",
                                                          L"decimal",
                                                          L"default",
                                                          L"delayed",
                                                          L"delete",
                                                          L"desc",
                                                          L"describe",
                                                          L"distinct",
                                                          L"distinctrow",
                                                          L"double",
                                                          L"drop",
                                                          L"else",
                                                          L"escaped",
                                                          L"enclosed",
                                                          L"explain",
                                                          L"exists",
                                                          L"fields",
                                                          L"float",
                                                          L"float4",
                                                          L"float8",
                                                          L"foreign",
                                                          L"from",
                                                          L"for",
                                                          L"grant",
                                                          L"group",
                                                          L"having",
                                                          L"high_priority",
                                                          L"hour_minute",
                                                          L"hour_second",
                                                          L"ignore",
                                                          L"in",
                                                          L"index",
                                                          L"infile",
                                                          L"inner",
                                                          L"insert",
                                                          L"insert_id",
                                                          L"int",
                                                          L"int1",
                                                          L"int2",
                                                          L"int3",
                                                          L"int4",
                                                          L"int8",
                                                          L"integer",
                                                          L"interval",
                                                          L"into",
                                                          L"if",
                                                          L"is",
                                                          L"join",
                                                          L"key",
                                                          L"keys",
                                                          L"kill",
                                                          L"last_insert_id",
                                                          L"leading",
                                                          L"left",
                                                          L"like",
                                                          L"lines",
                                                          L"limit",
                                                          L"load",
                                                          L"lock",
                                                          L"long",
                                                          L"longblob",
                                                          L"longtext",
                                                          L"low_priority",
                                                          L"match",
                                                          L"mediumblob",
                                                          L"mediumtext",
                                                          L"mediumint",
                                                          L"middleint",
                                                          L"minute_second",
                                                          L"natural",
                                                          L"numeric",
                                                          L"not",
                                                          L"null",
                                                          L"on",
                                                          L"optimize",
                                                          L"option",
                                                          L"optionally",
                                                          L"or",
                                                          L"order",
                                                          L"outer",
                                                          L"outfile",
                                                          L"partial",
                                                          L"precision",
                                                          L"primary",
                                                          L"procedure",
                                                          L"privileges",
                                                          L"read",
                                                          L"real",
                                                          L"regexp",
                                                          L"rename",
                                                          L"replace",
                                                          L"restrict",
                                                          L"returns",
                                                          L"revoke",
                                                          L"rlike",
                                                          L"select",
                                                          L"set",
                                                          L"show",
                                                          L"smallint",
                                                          L"soname",
                                                          L"sql_big_tables",
                                                          L"sql_big_selects",
                                                          L"sql_low_priority_updates",
                                                          L"sql_log_off",
                                                          L"sql_log_update",
                                                          L"sql_select_limit",
                                                          L"sql_small_result",
                                                          L"sql_big_result",
                                                          L"sql_warnings",
                                                          L"straight_join",
                                                          L"starting",
                                                          L"table",
                                                          L"tables",
                                                          L"terminated",
                                                          L"then",
                                                          L"tinyblob",
                                                          L"tinytext",
                                                          L"tinyint",
                                                          L"trailing",
                                                          L"to",
                                                          L"usage",
                                                          L"use",
                                                          L"using",
                                                          L"unique",
                                                          L"unlock",
                                                          L"unsigned",
                                                          L"update",
                                                          L"values",
                                                          L"varchar",
                                                          L"varying",
                                                          L"varbinary",
                                                          L"with",
                                                          L"write",
                                                          L"when",
                                                          L"where",
                                                          L"year_month",
                                                          L"zerofill"};

sql_new_validator::sql_new_validator(bool full) : udb_validator(sql_max_name_length) {
  const std::size_t n = full ? 14 : 8;
  illegal_chars.assign(sql_forbidden_chars, sql_forbidden_chars + n);
}

bool sql_new_validator::is_acceptable(const std::wstring& name) {
  tk_log2(tk_log_detail, L"sql_new_validator::is_acceptable(%ls)", name.c_str());
  if (name.empty() || name.size() > sql_max_name_length) {
    tk_log1(tk_log_trace, "Invalid length");
    return false;
  }
  if (name.front() == L' ' || name.back() == L' ') {
    tk_log1(tk_log_trace, "ID cannot starts or ends with ' '");
    return false;
  }
  return udb_validator::is_acceptable(name);
}

std::wstring sql_new_validator::get_safe_name(const std::wstring& name) {
  return udb_validator::get_safe_name(tk_trim(name));
}

sql_new_tn_validator::sql_new_tn_validator(const std::vector<std::wstring>& tables,
                                           const std::vector<std::wstring>& views)
    : sql_new_validator(true) {
  add_names(*this, tables);
  add_names(*this, views);
}

sql_new_fn_validator::sql_new_fn_validator(const udb_record& record) : sql_new_validator(false) {
  add_record_names(*this, record);
}

sql_new_fn_validator::sql_new_fn_validator(const udb_schema& schema) : sql_new_validator(false) {
  add_schema_names(*this, schema);
}

sql_new_in_validator::sql_new_in_validator(const udb_indexes& indexes) : sql_new_validator(false) {
  add_index_names(*this, indexes);
}

sql_old_validator::sql_old_validator() : udb_validator(sql_max_name_length) {
  restricted_names = sql_old_reserved_words;
}

bool sql_old_validator::is_acceptable(const std::wstring& name) {
  tk_log2(tk_log_detail, L"sql_old_validator::is_acceptable(%ls)", name.c_str());
  if (!udb_validator::is_acceptable(name)) return false;
  bool digits_only = true;
  for (wchar_t c : name) {
    if (!is_name_char(c)) {
      tk_log2(tk_log_detail, L"Name contains invalid symbol: '%lc'", c);
      return false;
    }
    if (!is_decimal_digit(c)) digits_only = false;
  }
  if (digits_only) {
    tk_log1(tk_log_detail, "Name consists of digits only");
    return false;
  }
  return true;
}

std::wstring sql_old_validator::get_safe_name(const std::wstring& name) {
  std::wstring safe = name;
  bool digits_only = true;
  for (wchar_t& c : safe) {
    if (!is_name_char(c)) c = L'_';
    if (!is_decimal_digit(c)) digits_only = false;
  }
  if (digits_only && !safe.empty()) safe[0] = L'_';
  return udb_validator::get_safe_name(safe);
}

bool sql_old_dn_validator::is_acceptable(const std::wstring& name) {
  if (!sql_old_validator::is_acceptable(name)) return false;
  return !is_decimal_digit(name.front());
}

sql_old_tn_validator::sql_old_tn_validator(const std::vector<std::wstring>& tables,
                                           const std::vector<std::wstring>& views) {
  add_names(*this, tables);
  add_names(*this, views);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_record& record) { add_record_names(*this, record); }

sql_old_fn_validator::sql_old_fn_validator(const udb_schema& schema) { add_schema_names(*this, schema); }

sql_old_in_validator::sql_old_in_validator(const udb_indexes& indexes) { add_index_names(*this, indexes); }
