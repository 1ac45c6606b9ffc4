// Values as MySQL literal text and MySQL result data back into values.
#include "SQL/sql_values.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "OLE/ole_date.h"
#include "OLE/ole_guid.h"
#include "OLE/ole_variant.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_types.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_custom_conversion.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"
#include "platform/win/windows.h"

namespace {

bool is_null_kind(VARTYPE vt) { return vt < 2; }

template <class C>
bool is_digit(C c) {
  return c >= C('0') && c <= C('9');
}
template <class C>
bool is_hex_digit(C c) {
  return is_digit(c) || (c >= C('a') && c <= C('f')) || (c >= C('A') && c <= C('F'));
}

template <class C>
bool is_numeric_literal(const std::basic_string<C>& t) {
  std::size_t i = 0;
  const std::size_t n = t.size();
  if (i < n && (t[i] == C('+') || t[i] == C('-'))) ++i;
  std::size_t digits = 0;
  while (i < n && is_digit(t[i])) ++i, ++digits;
  if (i < n && t[i] == C('.')) {
    ++i;
    while (i < n && is_digit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (t[i] == C('e') || t[i] == C('E'))) {
    ++i;
    if (i < n && (t[i] == C('+') || t[i] == C('-'))) ++i;
    std::size_t exp_digits = 0;
    while (i < n && is_digit(t[i])) ++i, ++exp_digits;
    if (exp_digits == 0) return false;
  }
  return i == n;
}

// Hexadecimal (0x...) or decimal digits: the forms a binary column takes bare.
template <class C>
bool is_binary_literal(const std::basic_string<C>& t) {
  if (t.size() < 2 || !is_digit(t[0])) return false;
  if ((t[1] == C('x') || t[1] == C('X')) && t[0] == C('0')) {
    for (std::size_t i = 2; i < t.size(); ++i)
      if (!is_hex_digit(t[i])) return false;
    return true;
  }
  for (std::size_t i = 1; i < t.size(); ++i)
    if (!is_digit(t[i])) return false;
  return true;
}

void log_mask(char c) { tk_log1(tk_log_trace, "Got symbol to mask (2): %c", c); }
void log_mask(wchar_t c) { tk_log2(tk_log_trace, L"Got symbol to mask (1): %lc", c); }

// Escapes every character the server or the mysql command-line client would otherwise take
// apart: the quote and backslash, NUL (which ends C strings), CR and LF (the client drops the CR
// of a CR LF inside a dump line) and Ctrl-Z (end of file on some platforms).
template <class C>
void append_escaped(std::basic_string<C>& out, const std::basic_string<C>& text) {
  out.reserve(out.size() + text.size() + 2);
  // Runs of characters that need no escape are copied whole.
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const C c = text[i];
    C escape = 0;
    switch (c) {
      case C('\\'): escape = C('\\'); break;
      case C('\''): escape = C('\''); break;
      case C('\0'): escape = C('0'); break;
      case C('\r'): escape = C('r'); break;
      case C('\n'): escape = C('n'); break;
      case C('\x1A'): escape = C('Z'); break;
      default: break;
    }
    if (escape) {
      log_mask(c);
      out.append(text, run, i - run);
      out += C('\\');
      out += escape;
      run = i + 1;
    }
  }
  out.append(text, run, std::basic_string<C>::npos);
}

template <class C>
std::basic_string<C> quoted(const std::basic_string<C>& text) {
  std::basic_string<C> out(1, C('\''));
  append_escaped(out, text);
  out += C('\'');
  return out;
}

// Access keeps a time of day as a date on 1899-12-30, the day the OLE date numbers count from;
// a time alone goes into a DATETIME column on that day. The day "0000-00-00" would be refused
// by a server in strict mode.
constexpr const char* day_zero = "1899-12-30";

enum class date_column { datetime, date, time };

bool starts_with_ci(const std::wstring& text, const wchar_t* prefix) {
  const std::size_t n = std::wcslen(prefix);
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::towupper(text[i]) != std::towupper(prefix[i])) return false;
  }
  return true;
}

// The column's kind: a type the user's rules named, else the type hint of its source or of the
// server (1 date and time, 2 date only, 3 time only; the current-moment defaults 9, 10, 11 the
// same in their low bits).
date_column date_column_of(const t_ftd& column) {
  const std::wstring& type = column.native_type;
  if (!type.empty()) {
    if (starts_with_ci(type, L"DATETIME") || starts_with_ci(type, L"TIMESTAMP")) return date_column::datetime;
    if (starts_with_ci(type, L"TIME")) return date_column::time;
    if (starts_with_ci(type, L"DATE")) return date_column::date;
  }
  switch (column.dw_reserved & ftd_marker_date_kind_mask) {
    case ftd_marker_date: return date_column::date;
    case ftd_marker_time: return date_column::time;
    default: return date_column::datetime;
  }
}

// The text of a date for a column of that kind; empty for no date.
std::string date_for_column(const ole_date& date, date_column column) {
  std::string text = date.to_string(6);
  if (text.empty()) return text;
  const bool time_alone = date.get_kind() == ole_date_time;
  switch (column) {
    case date_column::time: {
      const std::size_t blank = text.find(' ');
      return blank == std::string::npos ? std::string("00:00:00") : text.substr(blank + 1);
    }
    case date_column::date: return time_alone ? std::string(day_zero) : text.substr(0, 10);
    case date_column::datetime:
      if (time_alone) text.replace(0, 10, day_zero);
      return text;
  }
  return text;
}

std::string date_text(const std::string& text) { return date_for_column(ole_date(text), date_column::datetime); }
std::wstring date_text(const std::wstring& text) { return ole_date(text).to_wstring(6); }

bool guid_of(const std::string& text, std::string& guid) {
  ole_guid_extractor g(text);
  if (!g.is_valid()) return false;
  guid = g.get_guid();
  return true;
}
bool guid_of(const std::wstring& text, std::wstring& guid) {
  ole_guid_extractor g(text);
  if (!g.is_valid()) return false;
  guid = g.get_wguid();
  return true;
}

template <class C>
std::basic_string<C> literal(const std::basic_string<C>& in, VARTYPE vt, bool guid_column) {
  using str = std::basic_string<C>;
  if (is_null_kind(vt)) {
    tk_log1(tk_log_trace, "******* NULL VALUE ******");
    return str{C('N'), C('U'), C('L'), C('L')};
  }
  if (in.empty()) return str(2, C('\''));
  const str& text = in;
  if (vt == VT_DATE) {
    // A text the date parser refuses stays as it is and goes quoted: the server reports it.
    const str parsed = date_text(text);
    return quoted(parsed.empty() ? text : parsed);
  }
  if (sql_is_binary_kind(vt)) {
    tk_log1(tk_log_trace, "GOT BLOB");
    if (is_binary_literal(text)) {
      tk_log1(tk_log_trace, "BLOB IS VALID");
      return text;
    }
    return quoted(text);
  }
  if (vt == VT_BSTR) {
    str guid;
    // Only a GUID column's texts are normalised; a text column keeps every character a user
    // typed, braces included, even when the text happens to look like a GUID.
    if (guid_column && guid_of(text, guid)) {
      tk_log1(tk_log_trace, "BSTR IS AN GUID");
      str out(1, C('\''));
      out += guid;
      out += C('\'');
      return out;
    }
    return quoted(text);
  }
  // Numbers stand bare only when they are numbers; anything else would become SQL.
  if (is_numeric_literal(text)) return text;
  return quoted(text);
}

std::string hex_literal(const unsigned char* bytes, std::uint32_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(2 + 2 * static_cast<std::size_t>(n));
  out += "0x";
  for (std::uint32_t i = 0; i < n; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 0x0F];
  }
  return out;
}

// Reads a signed decimal number the way strtol reads leading digits: saturating, 0 for none.
template <class T>
T leading_integer(const std::wstring& text) {
  if constexpr (sizeof(T) <= 4) {
    long long v = std::wcstoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return static_cast<T>(v);
  } else {
    return static_cast<T>(std::wcstoll(text.c_str(), nullptr, 10));
  }
}

bool is_integer_kind(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
  }
}

bool equals_no_case(const std::wstring& a, const wchar_t* b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

// CURRENT_DATE() and CURRENT_TIME() as a column default: MariaDB takes expressions from 10.2.1,
// MySQL from 8.0.13 and only between parentheses; older servers refuse the table.
std::wstring current_date_or_time_default(const wchar_t* function, std::uint32_t version) {
  const bool mariadb_expressions = version >= 0x000A0201;
  const bool mysql_expressions = version >= 0x0008000D && version < 0x000A0000;
  if (mariadb_expressions || mysql_expressions) return std::wstring(L"(") + function + L")";
  tk_log2(tk_log_event, L"Cannot set def.value %ls on this server version, the column gets no default", function);
  return {};
}

std::wstring date_default(const t_ftd* d, const std::wstring& dv) {
  tk_log1(tk_log_trace, "Got DATE def value");
  const std::uint32_t version = tk_singleton<sql_engine>::get_instance()->version;
  switch (sql_classify_now_default(*d)) {
    case sql_now_default::timestamp:
      tk_log1(tk_log_trace, "Special processing for getdate()");
      return L"CURRENT_TIMESTAMP";
    case sql_now_default::date: return current_date_or_time_default(L"CURRENT_DATE()", version);
    case sql_now_default::time: return current_date_or_time_default(L"CURRENT_TIME()", version);
    case sql_now_default::none: break;
  }
  if (dv.empty()) {
    tk_log1(tk_log_trace, "Got empty def value");
    return {};
  }
  const ole_date date(dv);
  std::wstring text = date.to_wstring(6);
  // The column's kind decides the form: a date-only column takes the date part of a date and
  // time, a time-only column its time part.
  const std::uint32_t kind = d->dw_reserved & ftd_marker_date_kind_mask;
  if (kind == ftd_marker_date && text.size() > 10) text.resize(10);
  if (kind == ftd_marker_time && date.get_kind() == ole_date_datetime) text.erase(0, 11);
  tk_log2(tk_log_detail, L"After canonization: %ls", text.c_str());
  if (text.empty()) return {};
  return L"\"" + text + L"\"";
}

ole_variant bytes_value(const char* data, unsigned long length) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(data);
  return ole_variant(std::vector<BYTE>(bytes, bytes + length));
}
ole_variant bytes_value(const wchar_t* data, unsigned long length) {
  std::vector<BYTE> bytes(length);
  for (unsigned long i = 0; i < length; ++i) bytes[i] = static_cast<BYTE>(data[i] & 0xFF);
  return ole_variant(bytes);
}

ole_variant text_value(const char* data, unsigned long length, VARTYPE vt) {
  return ole_variant::from_string(std::string(data, length), vt);
}
ole_variant text_value(const wchar_t* data, unsigned long length, VARTYPE vt) {
  return ole_variant::from_wstring(std::wstring(data, length), vt);
}

template <class C>
ole_variant result_value(int type, unsigned long length, unsigned flags, const C* data) {
  tk_log1(tk_log_trace, "get_variant(2), type=%d, lenght=%lu", type, length);
  if (data == nullptr) {
    tk_log1(tk_log_trace, "process NULL-values");
    return ole_variant();
  }
  const bool binary = (flags & sql_binary_flag) != 0;
  if (type == 253) {
    if (!binary) {
      tk_log1(tk_log_trace, "Extract TEXT value");
      return text_value(data, length, VT_BSTR);
    }
    tk_log1(tk_log_trace, "Process TEXT as BINARY");
    return bytes_value(data, length);
  }
  if (type >= 249 && type <= 252) {
    if (tk_singleton<sql_engine>::get_instance()->blob_to_text || !binary) {
      tk_log1(tk_log_trace, "Process BINARY as TEXT");
      return text_value(data, length, VT_BSTR);
    }
    tk_log1(tk_log_trace, "Extract BINARY value");
    return bytes_value(data, length);
  }
  if (type == 16) {
    // BIT comes as raw bytes, most significant first (b'1' is the byte 0x01): true when any bit is.
    bool any = false;
    for (unsigned long i = 0; i < length; ++i) any = any || data[i] != C(0);
    return ole_variant(any);
  }
  return text_value(data, length, get_vartype(type, flags));
}

// A numeric literal is non-zero exactly when a digit of its mantissa is; read without the C
// library so that no locale's decimal separator takes part.
template <class C>
bool has_nonzero_mantissa(const std::basic_string<C>& t) {
  for (C c : t) {
    if (c == C('e') || c == C('E')) break;
    if (c >= C('1') && c <= C('9')) return true;
  }
  return false;
}

template <class C>
ole_variant typed_value(VARTYPE vt, const C* text) {
  if (text == nullptr) return ole_variant();
  const std::basic_string<C> t(text);
  if (vt == VT_BOOL) {
    // A numeric text is true by its value ("0" is false); other texts keep the byte rule of a
    // BIT column, whose byte 0 ends the text and reads false.
    if (is_numeric_literal(t)) return ole_variant(has_nonzero_mantissa(t));
    return ole_variant(!t.empty());
  }
  if constexpr (sizeof(C) == 1) {
    return ole_variant::from_string(t, vt);
  } else {
    return ole_variant::from_wstring(t, vt);
  }
}

}  // namespace

bool sql_is_numeric_literal(const std::string& text) { return is_numeric_literal(text); }

bool sql_is_unstorable_number(const ole_variant& value) {
  const VARIANT& v = value.get_variant();
  if (v.vt == VT_R4) return !std::isfinite(v.fltVal);
  if (v.vt == VT_R8) return !std::isfinite(v.dblVal);
  return false;
}

bool sql_is_binary_kind(VARTYPE vt) { return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == (VT_ARRAY | VT_UI1); }

std::string to_mysql_str(const std::string& text, VARTYPE vt, bool guid_column) {
  tk_log1(tk_log_trace, "to_mysql_str(%s)", text.c_str());
  return literal(text, vt, guid_column);
}

std::wstring to_mysql_wstr(const std::wstring& text, VARTYPE vt, bool guid_column) {
  tk_log2(tk_log_trace, L"to_mysql_wstr(%ls)", text.c_str());
  return literal(text, vt, guid_column);
}

std::string to_mysql_str(const udb_field* field) {
  tk_log1(tk_log_trace, "to_mysql_str");
  if (field == nullptr) throw tk_mail_assertion("sql_util", 907);
  if (sql_is_unstorable_number(*field)) return "NULL";
  const VARTYPE vt = field->get_type();
  if (vt == (VT_ARRAY | VT_UI1)) {
    tk_log1(tk_log_trace, "special processing for BLOBs");
    const BYTE* bytes = nullptr;
    std::string storage;
    const std::uint32_t n = field->get_bytes1(bytes, storage);
    tk_log1(tk_log_trace, "to_mysql_str - at the END");
    // A value of no bytes is still a value: NULL would lose the difference and be refused by a
    // NOT NULL column.
    if (n == 0) return "''";
    return hex_literal(bytes, n);
  }
  if (vt == VT_DATE) {
    // The date itself, not the source's display text of it (which may hide Access's day zero).
    const std::string text = date_for_column(field->get_date(), date_column::datetime);
    return text.empty() ? "''" : "'" + text + "'";
  }
  if (vt == VT_R4) {
    // The value's own text keeps 7 digits, too few for every Single (1000.0001 would arrive as
    // 1000). The server reads a number as a double: the text of the float's exact double value
    // reads back as that float, and never beyond the largest float (as -3.4028235e38 would).
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(field->get_variant().fltVal)).ptr;
    return std::string(text, end);
  }
  return to_mysql_str(field->to_string(), vt);
}

std::string get_fld_append_str(const udb_field* field, const t_ftd* d, bool prepared) {
  tk_log1(tk_log_trace, "get_fld_append_str");
  if (field == nullptr) throw tk_mail_assertion("sql_util", 1138);
  if (d == nullptr) throw tk_mail_assertion("sql_util", 1139);
  const VARTYPE field_vt = field->get_type();
  if (prepared && field_vt != VT_EMPTY && field->get_size() > sql_engine::max_field_size) {
    tk_log1(tk_log_trace, "fld->get_size()=%u", field->get_size());
    tk_log1(tk_log_trace, "Returns placeholder for prepared statement");
    return "?";
  }
  if (udb_custom_conversion::is_acceptable2(*field)) {
    tk_log1(tk_log_trace, "udb_custom_conversion::is_acceptable");
    return tk_unicode_to_utf8(udb_custom_conversion::handle2(*field));
  }
  // A number no column holds goes the way of a missing value.
  const bool unstorable = sql_is_unstorable_number(*field);
  if (d->vartype == VT_DATE && field_vt == VT_DATE) {
    // A TIME column takes the time of day, a DATE column the day; a DATETIME column both.
    const std::string text = date_for_column(field->get_date(), date_column_of(*d));
    if (!text.empty()) return "'" + text + "'";
  }
  if (d->vartype != VT_BSTR) {
    std::string text = unstorable ? std::string("NULL") : to_mysql_str(field);
    const bool column_numeric = ole_is_numeric_type(d->vartype);
    if (column_numeric && !unstorable && !ole_is_numeric_type(field_vt)) {
      text = to_mysql_str(field->to_string(), d->vartype);
    }
    tk_log1(tk_log_trace, "Got field: %s, type=%08X", text.c_str(), static_cast<unsigned>(field_vt));
    if (!unstorable && !is_null_kind(field_vt) && !text.empty() && text != "\"\"" && text != "''") {
      return text;
    }
    if (d->vartype == VT_BLOB || d->vartype == (VT_ARRAY | VT_UI1)) return text;
    if (d->not_null) {
      tk_log1(tk_log_trace, "Put default value");
      const std::string def = d->default_value.to_string();
      if (!def.empty()) return to_mysql_str(def, d->vartype);
      // The column's kind decides: a NOT NULL number without a default takes 0, which every
      // numeric column accepts, where '' is refused in strict mode.
      return column_numeric ? "0" : text;
    }
    tk_log1(tk_log_trace, "Put NULL-field");
    return "NULL";
  }
  if (unstorable) return d->not_null ? "''" : "NULL";
  const VARIANT& held = field->get_variant();
  const bool guid_column = d->dw_reserved == ftd_marker_datetime;
  const bool geometry = d->dw_reserved == ftd_marker_text_geometry || d->dw_reserved == ftd_marker_geometry;
  if (field_vt == VT_BSTR && held.vt == VT_BSTR && !guid_column && !geometry) {
    // Text into a text column, the most common value: converted from the field's own text and
    // quoted once. The escapes are ASCII, which no UTF-8 sequence holds, so quoting after the
    // conversion gives what quoting before it would.
    const wchar_t* chars = held.bstrVal != nullptr ? held.bstrVal : L"";
    tk_log2(tk_log_trace, L"Got BSTR value: %ls, flags=%u", chars, d->dw_reserved);
    return quoted(
        tk_unicode_to_utf8(std::wstring_view(chars, held.bstrVal != nullptr ? SysStringLen(held.bstrVal) : 0)));
  }
  const std::wstring text = field->to_wstring();
  tk_log2(tk_log_trace, L"Got BSTR value: %ls, flags=%u", text.c_str(), d->dw_reserved);
  if (geometry) {
    if (is_null_kind(field_vt)) return "NULL";
    std::wstring geometry = L"ST_GeomFromText(";
    geometry += quoted(text);
    geometry += L")";
    return tk_unicode_to_utf8(geometry);
  }
  return tk_unicode_to_utf8(to_mysql_wstr(text, field_vt, guid_column));
}

std::wstring make_mysql_def_val(const t_ftd* d) {
  if (d == nullptr) throw tk_mail_assertion("sql_util", 53);
  const std::wstring dv = d->default_value.to_wstring();
  tk_log2(tk_log_trace, L"make_mysql_def_val(%d,%ls)", d->vartype, dv.c_str());
  if (dv == L"to_char(sysdate,'yyyy-mm-dd hh24:mi:ss')") {
    tk_log1(tk_log_event, "Cannot set def.value as current timetsamp for varchar column");
    return {};
  }
  if (d->vartype == VT_DATE) return date_default(d, dv);
  if (d->vartype == VT_BSTR && !dv.empty()) {
    tk_log2(tk_log_trace, L"Got BSTR def value: %ls", dv.c_str());
    return to_mysql_wstr(dv, VT_BSTR);
  }
  if (dv.empty()) {
    tk_log1(tk_log_trace, "Got empty def value");
    return {};
  }
  if (equals_no_case(dv, L"newid()")) {
    tk_log1(tk_log_trace, "newid() is not supported");
    return {};
  }
  if (is_integer_kind(d->vartype)) {
    if (std::to_wstring(leading_integer<std::int32_t>(dv)) != dv) return {};
    tk_log1(tk_log_trace, "Int/long default value is correct");
    return dv;
  }
  if (d->vartype == VT_I8) {
    if (std::to_wstring(leading_integer<std::int64_t>(dv)) != dv) return {};
    tk_log1(tk_log_trace, "__int64 default value is correct");
    return dv;
  }
  if (d->vartype == VT_UI8) {
    if (std::to_wstring(static_cast<std::uint64_t>(leading_integer<std::int64_t>(dv))) != dv) {
      return {};
    }
    tk_log1(tk_log_trace, "unsigned __int64 default value is correct");
    return dv;
  }
  if (d->vartype == VT_R4 || d->vartype == VT_R8 || d->vartype == VT_CY || d->vartype == VT_DECIMAL) {
    // Only a whole number literal: a default read by its leading digits alone ("1);DROP...",
    // "0,5") would carry the rest of the text into the CREATE TABLE statement.
    return is_numeric_literal(dv) ? dv : std::wstring();
  }
  return {};
}

ole_variant get_variant(VARTYPE vt, const char* text) {
  tk_log1(tk_log_trace, "get_variant(char)");
  tk_log1(tk_log_trace, "Type=%d, src=%s", vt, text ? text : "(null)");
  return typed_value(vt, text);
}

ole_variant get_variant(VARTYPE vt, const wchar_t* text) {
  tk_log1(tk_log_trace, "get_variant(wchar_t)");
  tk_log2(tk_log_trace, L"Type=%d, src=%ls", vt, text ? text : L"(null)");
  return typed_value(vt, text);
}

ole_variant get_variant(int type, unsigned long length, unsigned flags, const char* data) {
  return result_value(type, length, flags, data);
}

ole_variant get_variant(int type, unsigned long length, unsigned flags, const wchar_t* data) {
  return result_value(type, length, flags, data);
}
