// Column defaults of Access tables and queries.
#include "dao/dao_column_default.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/dao_field.h"
#include "dao/dao_recordset.h"
#include "platform/jet/dao.h"
#include "platform/win/string_compare.h"

namespace {

bool same_text(const std::wstring& a, const wchar_t* b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

bool enclosed_in(const std::wstring& t, wchar_t open, wchar_t close) {
  return t.size() > 1 && t.front() == open && t.back() == close;
}

void drop_pair(std::wstring& t) { t = t.substr(1, t.size() - 2); }

bool is_number(const std::wstring& t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && iswdigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == L'.') {
    ++i;
    while (i < t.size() && iswdigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == L'e' || t[i] == L'E')) {
    ++i;
    if (i < t.size() && (t[i] == L'-' || t[i] == L'+')) ++i;
    std::size_t exponent = 0;
    while (i < t.size() && iswdigit(t[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == t.size();
}

// A whole quoted text: the quote inside only doubled.
bool is_quoted(const std::wstring& t) {
  if (t.size() < 2 || (t.front() != L'"' && t.front() != L'\'') || t.back() != t.front()) return false;
  wchar_t q = t.front();
  for (std::size_t i = 1; i + 1 < t.size(); ++i) {
    if (t[i] != q) continue;
    if (i + 2 < t.size() && t[i + 1] == q) {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

// The text a quoted literal stands for: the quotes around it dropped and each doubled quote
// inside made one, as Access reads it. Any other text stays as it is.
std::wstring unquoted(const std::wstring& t) {
  if (!is_quoted(t)) return t;
  const wchar_t q = t.front();
  std::wstring value;
  for (std::size_t i = 1; i + 1 < t.size(); ++i) {
    value += t[i];
    if (t[i] == q) ++i;  // the second quote of a doubled pair
  }
  return value;
}

bool is_text_type(short dao_type) { return dao_type == dbText || dao_type == dbMemo; }

bool is_boolean_word(const std::wstring& t) {
  for (const wchar_t* w : {L"True", L"False", L"Yes", L"No", L"On", L"Off"})
    if (same_text(t, w)) return true;
  return false;
}

bool is_true_word(const std::wstring& t) {
  return same_text(t, L"True") || same_text(t, L"Yes") || same_text(t, L"On");
}

bool is_current_time_call(const std::wstring& t) {
  return same_text(t, L"now()") || same_text(t, L"date()") || same_text(t, L"time()");
}

// Jet date literals are written month first whatever the user's locale: read them by the
// en-US rules, not by the value layer's own date formats.
bool jet_date_literal(const std::wstring& t, ole_variant& out) {
  DATE date = 0;
  SYSTEMTIME st{};
  if (FAILED(VarDateFromStr(t.c_str(), 1033, 0, &date)) || !VariantTimeToSystemTime(date, &st)) return false;
  out = ole_variant(ole_date(st));
  return true;
}

// The kept text as a value of the column's kind. A text the kind refuses is no usable default.
ole_variant to_value(const std::wstring& t, short dao_type, int column) {
  VARTYPE vt = dao_field::get_vartype(dao_type);
  if (t.empty() || same_text(t, L"Null")) return ole_variant();
  try {
    ole_variant date;
    if (vt == VT_DATE && jet_date_literal(t, date)) return date;
    if (vt == VT_BOOL && is_boolean_word(t)) return ole_variant(is_true_word(t));
    return ole_variant::from_wstring(t, vt);
  } catch (const tk_exception&) {
    tk_log2(tk_log_event, L"Skip incorrect default value [%ls] for field #%d", t.c_str(), column);
    return ole_variant();
  }
}

}  // namespace

bool dao_default_is_literal(const std::wstring& text, short dao_type) {
  std::wstring t = tk_trim(text);
  if (!t.empty() && t.front() == L'=') t = tk_trim(t.substr(1));
  if (t.empty() || is_quoted(t) || is_number(t) || is_boolean_word(t) || same_text(t, L"Null")) return true;
  if (enclosed_in(t, L'#', L'#') && t.find(L'#', 1) == t.size() - 1) return true;
  if (dao_type == dbDate && is_current_time_call(t)) return true;
  if (dao_type == dbText || dao_type == dbMemo) return t.find_first_of(L"()[]&+*/<>=\"'#") == std::wstring::npos;
  return false;
}

ole_variant dao_column_default::table_default() {
  VARTYPE vt = dao_field::get_vartype(dao_type);
  std::wstring t = text;
  tk_log2(tk_log_detail, L"def.value='%ls'", t.c_str());
  // Format only refines the kind of date columns: on others it describes display alone.
  if (vt == VT_DATE) {
    if (same_text(format, L"Short Date") || same_text(format, L"Medium Date") || same_text(format, L"Long Date")) {
      tk_log1(tk_log_detail, "Refine type for 'pure' date");
      marker = ftd_marker_date;
    } else if (same_text(format, L"Short Time") || same_text(format, L"Medium Time") ||
               same_text(format, L"Long Time")) {
      tk_log1(tk_log_detail, "Refine type for 'pure' time");
      marker = ftd_marker_time;
    }
  }
  if (t.empty()) return ole_variant();
  if (!dao_default_is_literal(text, dao_type)) {
    tk_log2(tk_log_event, L"Skip expression default value [%ls] for field #%d", text.c_str(), column);
    return ole_variant();
  }
  if (t.front() == L'=') {
    tk_log1(tk_log_trace, "Got def.value of form ='...'");
    t = tk_trim(t.substr(1));
  }
  // A quoted text is the text Access inserts: without its quotes, each doubled quote made one.
  if (is_quoted(t)) {
    tk_log1(tk_log_detail, "Remove quotes for text def.value");
    t = unquoted(t);
    tk_log2(tk_log_trace, L"After all processing: %ls", t.c_str());
  }
  if (same_text(format, L"On/Off") && same_text(t, L"On")) return ole_variant(1);
  if (dao_type == dbDate) {
    tk_log1(tk_log_trace, "Got date/time def.value");
    if (enclosed_in(t, L'#', L'#')) drop_pair(t);
    if (same_text(t, L"now()")) {
      tk_log1(tk_log_detail, "Got NOW()");
      marker = marker == ftd_marker_date   ? ftd_marker_today
               : marker == ftd_marker_time ? ftd_marker_clock
                                           : ftd_marker_now;
    } else if (same_text(t, L"date()")) {
      tk_log1(tk_log_detail, "Got CURRENT_DATE");
      marker = ftd_marker_today;
    } else if (same_text(t, L"time()")) {
      tk_log1(tk_log_detail, "Got CURRENT_TIME");
      marker = ftd_marker_clock;
    }
    // The current date or time is the marker's to say; as a constant it would be a wrong date.
    if (marker >= ftd_marker_now && marker <= ftd_marker_clock) return ole_variant();
  }
  if (size != 0 && dao_type == dbText && t.size() > static_cast<std::size_t>(size)) {
    tk_log2(tk_log_event, L"Skip incorrect default value [%ls] for field #%d", t.c_str(), column);
    t.clear();
  }
  return to_value(t, dao_type, column);
}

ole_variant dao_column_default::query_default() {
  std::wstring t = text;
  marker = ftd_marker_none;
  if (!t.empty() && !dao_default_is_literal(t, dao_type)) {
    tk_log2(tk_log_event, L"Skip expression default value [%ls] for field #%d", t.c_str(), column);
    return ole_variant();
  }
  if (dao_type == dbDate) {
    tk_log1(tk_log_trace, "Got date/time def.value");
    if (enclosed_in(t, L'#', L'#')) drop_pair(t);
    marker = ftd_marker_datetime;
  } else if (is_text_type(dao_type)) {
    tk_log1(tk_log_trace, "Got string def.value");
    t = unquoted(t);
  }
  return to_value(t, dao_type, column);
}
