// The MySQL column-type table and the four type mappings.
#include "SQL/sql_types.h"

#include <array>
#include <cwchar>
#include <mutex>

#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_schema.h"
#include "platform/win/windows.h"

namespace {

const std::array<const wchar_t*, SQL_NATIVE_TYPE_COUNT> sql_native_type_names = {
    L"BINARY", L"BIT",          L"TINYINT",    L"TINYINT UNSIGNED", L"SMALLINT", L"SMALLINT UNSIGNED",
    L"INT",    L"INT UNSIGNED", L"BIGINT",     L"BIGINT UNSIGNED",  L"FLOAT",    L"DECIMAL",
    L"DOUBLE", L"CHAR",         L"VARBINARY",  L"VARCHAR",          L"DATETIME", L"DATE",
    L"TIME",   L"TIMESTAMP",    L"LONGBLOB",   L"TINYBLOB",         L"BLOB",     L"MEDIUMBLOB",
    L"TEXT",   L"LONGTEXT",     L"MEDIUMTEXT", L"TINYTEXT"};

std::wstring name_of(int id) { return sql_native_type_names[static_cast<std::size_t>(id)]; }

bool starts_with(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

bool equals_no_case(const std::wstring& a, const wchar_t* b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

std::wstring with_size(int id, std::uint64_t size, bool no_size) {
  std::wstring text = name_of(id);
  if (!no_size) text += L"(" + std::to_wstring(size) + L")";
  return text;
}

// The longest VARCHAR a table of one column takes: 65535 bytes less the two length bytes, in
// characters of the widest character the character set holds (3 bytes in utf8, 4 in utf8mb4).
std::uint32_t longest_varchar(const std::wstring& charset) {
  for (const wchar_t* four_byte : {L"utf8mb4", L"utf16", L"utf32"}) {
    if (starts_with(charset, four_byte)) return 16383;
  }
  return 21844;
}

std::wstring text_type(const t_ftd& d, bool no_size, const sql_engine& engine) {
  const bool case_sensitive = engine.case_sensitive;
  tk_log1(tk_log_trace, "process as text");
  if (d.dw_reserved == ftd_marker_text_geometry || d.dw_reserved == ftd_marker_geometry) {
    tk_log1(tk_log_trace, "process VT_BSTR as geometry");
    return L"geometry";
  }
  if (d.dw_reserved == ftd_marker_fixed_width) {
    tk_log1(tk_log_trace, "process VT_BSTR as fixed width CHAR");
    return with_size(SQL_CHAR, d.size, no_size);
  }
  if (d.size == 0 || d.size > 5592405) return name_of(SQL_LONGTEXT);
  std::wstring text;
  const bool mediumtext = d.size > longest_varchar(engine.table_charset());
  if (mediumtext) {
    text = name_of(SQL_MEDIUMTEXT);
    tk_log1(tk_log_trace, "case insensitive MEDIUMTEXT");
  } else {
    text = with_size(SQL_VARCHAR, d.size, no_size);
    tk_log1(tk_log_trace, "case insensitive VARCHAR");
  }
  if (case_sensitive) {
    tk_log1(tk_log_trace, mediumtext ? "settings BINARY for MEDIUMTEXT" : "settings BINARY for VARCHAR");
    text += L" BINARY";
  }
  return text;
}

std::wstring binary_type(std::uint32_t size, bool no_size) {
  tk_log1(tk_log_trace, "process as blob");
  if (size == 0 || size > 16777215) return name_of(SQL_LONGBLOB);
  if (size >= 65536) return name_of(SQL_MEDIUMBLOB);
  if (size >= 256) return name_of(SQL_BLOB);
  return with_size(SQL_VARBINARY, size, no_size);
}

std::wstring date_type(const t_ftd& d, std::uint32_t version) {
  switch (sql_classify_now_default(d)) {
    case sql_now_default::timestamp:
      tk_log1(tk_log_detail, "Customize date type due to NOW() def.value");
      // TIMESTAMP holds only 1970-2038 and follows the session's time zone; where the server
      // lets DATETIME default to the current moment, that keeps every date the source can hold.
      return name_of(sql_datetime_takes_now_default(version) ? SQL_DATETIME : SQL_TIMESTAMP);
    case sql_now_default::date:
      tk_log1(tk_log_trace, "Customize date type due to date() def.value");
      return name_of(SQL_DATE);
    case sql_now_default::time:
    case sql_now_default::none: break;
  }
  switch (d.dw_reserved & ftd_marker_date_kind_mask) {
    case ftd_marker_datetime: return name_of(SQL_DATETIME);
    case ftd_marker_date: tk_log1(tk_log_trace, "Got pure date"); return name_of(SQL_DATE);
    case ftd_marker_time: return name_of(SQL_TIME);
    default: return with_size(SQL_CHAR, 19, false);
  }
}

}  // namespace

bool sql_known_type_name(const std::wstring& text, std::wstring& canonical) {
  for (const wchar_t* name : sql_native_type_names) {
    if (equals_no_case(text, name)) {
      canonical = name;
      return true;
    }
  }
  if (equals_no_case(text, L"GEOMETRY")) {
    canonical = L"GEOMETRY";
    return true;
  }
  return false;
}

std::uint64_t sql_max_mapped_length(const std::wstring& type) {
  if (type == name_of(SQL_CHAR) || type == name_of(SQL_BINARY)) return 255;
  if (type == name_of(SQL_VARCHAR) || type == name_of(SQL_VARBINARY)) return 65535;
  return 4294967295u;
}

std::wstring get_sql_native_type_name(int id) {
  if (id < 0 || id >= SQL_NATIVE_TYPE_COUNT) {
    tk_log1(tk_log_trace, "Type %d wasn't found", id);
    return L"<Unknown type>";
  }
  return name_of(id);
}

bool sql_datetime_takes_now_default(std::uint32_t version) { return version >= 0x00050605; }

sql_now_default sql_classify_now_default(const t_ftd& d) {
  if (d.dw_reserved == ftd_marker_now) return sql_now_default::timestamp;
  if (d.dw_reserved == ftd_marker_today) return sql_now_default::date;
  if (d.dw_reserved == ftd_marker_clock) return sql_now_default::time;
  if (d.default_value.get_type() < 2) return sql_now_default::none;
  const std::wstring dv = d.default_value.to_wstring();
  for (const wchar_t* now : {L"NOW()", L"sysdate", L"sysdate()", L"getdate()", L"getutcdate()", L"CURRENT_TIMESTAMP"}) {
    if (equals_no_case(dv, now)) return sql_now_default::timestamp;
  }
  if (equals_no_case(dv, L"date()")) return sql_now_default::date;
  return sql_now_default::none;
}

std::wstring get_sql_native_type2(const t_ftd& d, bool no_size) {
  tk_log2(tk_log_trace, L"get_sql_native_type2: %ls(%d,%u,%u)", d.name.c_str(), d.vartype, d.size, d.dw_reserved);
  const sql_engine* engine = tk_singleton<sql_engine>::get_instance();
  switch (d.vartype) {
    case VT_I2: return name_of(SQL_SMALLINT);
    case VT_I4:
    case VT_INT: return name_of(SQL_INT);
    case VT_R4: return name_of(SQL_FLOAT);
    case VT_R8: return name_of(SQL_DOUBLE);
    case VT_CY: return no_size ? name_of(SQL_DECIMAL) : name_of(SQL_DECIMAL) + L"(19,4)";
    case VT_DATE: return date_type(d, engine->feature_version());
    case VT_BSTR: return text_type(d, no_size, *engine);
    case VT_BOOL: return no_size ? name_of(SQL_TINYINT) : name_of(SQL_TINYINT) + L"(1)";
    case VT_DECIMAL:
      tk_log1(tk_log_trace, "Scale/precision for decimal column: (%u, %u)", d.scale, d.precision);
      if (d.precision == 0) return name_of(SQL_DOUBLE);
      if (no_size) return name_of(SQL_DECIMAL);
      return name_of(SQL_DECIMAL) + L"(" + std::to_wstring(d.precision) + L"," + std::to_wstring(d.scale) + L")";
    case VT_I1: return name_of(SQL_TINYINT);
    case VT_UI1: return name_of(SQL_TINYINT_UNSIGNED);
    case VT_UI2: return name_of(SQL_SMALLINT_UNSIGNED);
    case VT_UI4:
    case VT_UINT: return name_of(SQL_INT_UNSIGNED);
    case VT_I8: return name_of(SQL_BIGINT);
    case VT_UI8: return name_of(SQL_BIGINT_UNSIGNED);
    case VT_BLOB:
    case VT_ARRAY | VT_UI1: return binary_type(d.size, no_size);
    default: throw tk_mail_assertion("sql_util", 604);
  }
}

std::wstring get_sql_native_type1(const sql_native_type& m) {
  tk_log1(tk_log_trace, "get_sql_native_type1");
  std::wstring text = m.type;
  // VARBINARY has no length of its own: without one the statement does not load.
  if (starts_with(m.type, L"VARCHAR") || starts_with(m.type, L"CHAR") || m.type == L"VARBINARY") {
    text += L"(" + std::to_wstring(m.length) + L")";
  } else if (starts_with(m.type, L"DECIMAL")) {
    text += L"(" + std::to_wstring(m.precision) + L"," + std::to_wstring(m.scale) + L")";
  }
  // The rendered text had a fixed 256-character buffer; keep the same bound so that a type text
  // read from a hand-edited mapping file cannot grow a statement without limit.
  if (text.size() > 255) text.resize(255);
  tk_log2(tk_log_trace, L"buf=%ls", text.c_str());
  return text;
}

VARTYPE get_vartype(int type, unsigned flags) {
  tk_log1(tk_log_trace, "get_vartype(%d,%u)", type, flags);
  const bool is_unsigned = (flags & sql_unsigned_flag) != 0;
  switch (type) {
    case 0:
    case 246: return VT_DECIMAL;
    case 1: return is_unsigned ? VT_UI1 : VT_I1;
    case 2: return is_unsigned ? VT_UI2 : VT_I2;
    case 3: return is_unsigned ? VT_UI4 : VT_I4;
    case 4: return VT_R4;
    case 5: return VT_R8;
    case 7:
    case 10:
    case 11:
    case 12: return VT_DATE;
    case 8: return is_unsigned ? VT_UI8 : VT_I8;
    case 9: return VT_I4;
    case 13: return VT_UI2;
    case 16: return VT_BOOL;
    case 249:
    case 250:
    case 251:
    case 252: {
      const bool blob_to_text = tk_singleton<sql_engine>::get_instance()->blob_to_text;
      tk_log1(tk_log_trace, "Processing BLOB, blob_to_text=%d", blob_to_text ? 1 : 0);
      return blob_to_text ? VARTYPE(VT_BSTR) : VARTYPE(VT_ARRAY | VT_UI1);
    }
    case 253: return (flags & sql_binary_flag) ? VARTYPE(VT_ARRAY | VT_UI1) : VARTYPE(VT_BSTR);
    default: return VT_BSTR;
  }
}

VARTYPE get_vartype_by_native_name(const std::wstring& type, std::uint64_t& size) {
  if (starts_with(type, L"VARCHAR") || starts_with(type, L"CHAR")) {
    if (!type.empty() && type.back() == L')') {
      const std::size_t open = type.find(L'(');
      size = 0;
      if (open != std::wstring::npos) {
        std::uint64_t n = 0;
        for (std::size_t i = open + 1; i < type.size() && type[i] >= L'0' && type[i] <= L'9'; ++i) {
          n = n * 10 + static_cast<std::uint64_t>(type[i] - L'0');
        }
        size = n;
      }
    }
    return VT_BSTR;
  }
  struct fixed {
    const wchar_t* name;
    VARTYPE vt;
    std::uint64_t size;
  };
  static const fixed fixed_types[] = {{L"BIT", VT_I1, 1},
                                      {L"TINYINT", VT_I1, 1},
                                      {L"TINYINT UNSIGNED", VT_UI1, 1},
                                      {L"SMALLINT", VT_I2, 2},
                                      {L"SMALLINT UNSIGNED", VT_UI2, 2},
                                      {L"INT", VT_I4, 4},
                                      {L"INT UNSIGNED", VT_UI4, 4},
                                      {L"BIGINT", VT_I8, 8},
                                      {L"BIGINT UNSIGNED", VT_UI8, 8},
                                      {L"DATE", VT_DATE, 8},
                                      {L"TIME", VT_DATE, 8},
                                      {L"DOUBLE", VT_R8, 8},
                                      {L"FLOAT", VT_R4, 4}};
  for (const fixed& f : fixed_types) {
    if (type == f.name) {
      size = f.size;
      return f.vt;
    }
  }
  if (starts_with(type, L"DECIMAL")) return VT_DECIMAL;
  // Binary names must keep values as bytes: mapped to text, a mutated binary column would be cut
  // at its first zero byte.
  for (const wchar_t* binary : {L"BINARY", L"VARBINARY", L"TINYBLOB", L"BLOB", L"MEDIUMBLOB", L"LONGBLOB"}) {
    if (type == binary ||
        (starts_with(type, binary) && type.size() > std::wcslen(binary) && type[std::wcslen(binary)] == L'(')) {
      return VARTYPE(VT_ARRAY | VT_UI1);
    }
  }
  return VT_BSTR;
}
