// Jet's functions over SQLite values. Dates travel as REAL OLE dates, booleans as -1/0,
// Currency as REAL; text is UTF-8 in SQLite and wide text here.
#include "platform/jet/sql/jet_sql_functions.h"

#include <sqlite3.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <string>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_format.h"
#include "platform/jet/sql/jet_sql_error.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "platform/jet/sql/jet_sql_value.h"
#include "platform/win/local_time.h"
#include "platform/win/string_compare.h"

namespace {

// A failed conversion or call ends the statement with DAO's message.
struct function_error {
  long number;
  const char* text;
};

const function_error type_mismatch{jet_err_type_mismatch, "Data type mismatch in criteria expression."};
const function_error overflow{3349, "Numeric field overflow."};
const function_error invalid_call{3075, "Invalid procedure call."};

void fail(sqlite3_context* ctx, const function_error& e) {
  std::string message = "jet:" + std::to_string(e.number) + ":" + e.text;
  sqlite3_result_error(ctx, message.c_str(), -1);
}

bool is_null(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

std::wstring text_of(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return std::to_wstring(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return jet_number_text(sqlite3_value_double(v));
    case SQLITE_NULL: return {};
    default: {
      const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return jet_from_utf8(std::string_view(s ? s : "", static_cast<size_t>(sqlite3_value_bytes(v))));
    }
  }
}

void result_text(sqlite3_context* ctx, const std::wstring& s) {
  std::string u = jet_to_utf8(s);
  sqlite3_result_text(ctx, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
}

// Reads a number as Jet converts text to a number: the whole text must be one.
bool parse_number(const std::wstring& s, double& out) {
  std::wstring t = s;
  while (!t.empty() && std::iswspace(t.back())) t.pop_back();
  size_t start = 0;
  while (start < t.size() && std::iswspace(t[start])) ++start;
  t = t.substr(start);
  if (t.empty()) return false;
  std::wstring cleaned;
  for (wchar_t c : t)
    if (c != L',' && c != L'$') cleaned += c;
  wchar_t* end = nullptr;
  out = std::wcstod(cleaned.c_str(), &end);
  return end && *end == 0 && end != cleaned.c_str();
}

bool number_of(sqlite3_value* v, double& out) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: out = static_cast<double>(sqlite3_value_int64(v)); return true;
    case SQLITE_FLOAT: out = sqlite3_value_double(v); return true;
    case SQLITE_TEXT: {
      if (parse_number(text_of(v), out)) return true;
      // Text that reads as a date converts to its date number, as in VBA.
      auto d = jet_parse_date(text_of(v));
      if (d) out = *d;
      return d.has_value();
    }
    default: return false;
  }
}

bool date_of(sqlite3_value* v, double& out) {
  if (sqlite3_value_type(v) == SQLITE_TEXT) {
    auto d = jet_parse_date(text_of(v));
    if (d) {
      out = *d;
      return true;
    }
    return parse_number(text_of(v), out) && jet_date_in_range(out);
  }
  return number_of(v, out) && jet_date_in_range(out);
}

// A count or position argument (Left, Mid, Space...): a whole number Jet can hold.
bool count_of(sqlite3_value* v, size_t& out) {
  double d;
  if (!number_of(v, d) || !(d >= 0 && d < 2147483648.0)) return false;
  out = static_cast<size_t>(d);
  return true;
}

// Reads argument i as a number, failing the call when it is not one. Null is reported by the
// caller before this.
#define NUMBER_ARG(name, i)        \
  double name;                     \
  if (!number_of(argv[i], name)) { \
    fail(ctx, type_mismatch);      \
    return;                        \
  }
#define DATE_ARG(name, i)        \
  double name;                   \
  if (!date_of(argv[i], name)) { \
    fail(ctx, type_mismatch);    \
    return;                      \
  }
#define NULL_IN_NULL_OUT(i)   \
  if (is_null(argv[i])) {     \
    sqlite3_result_null(ctx); \
    return;                   \
  }

double bankers_round(double v) {
  int mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  double r = std::nearbyint(v);
  std::fesetround(mode);
  return r;
}

// ---- text functions --------------------------------------------------------------------------

void fn_len(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(text_of(argv[0]).size()));
}

void fn_left(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  size_t n;
  if (!count_of(argv[1], n)) return fail(ctx, invalid_call);
  result_text(ctx, text_of(argv[0]).substr(0, n));
}

void fn_right(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  size_t k;
  if (!count_of(argv[1], k)) return fail(ctx, invalid_call);
  std::wstring s = text_of(argv[0]);
  result_text(ctx, k >= s.size() ? s : s.substr(s.size() - k));
}

void fn_mid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  size_t start;
  if (!count_of(argv[1], start) || start < 1) return fail(ctx, invalid_call);
  std::wstring s = text_of(argv[0]);
  size_t from = start - 1;
  if (from >= s.size()) return result_text(ctx, L"");
  if (argc > 2 && !is_null(argv[2])) {
    size_t length;
    if (!count_of(argv[2], length)) return fail(ctx, invalid_call);
    return result_text(ctx, s.substr(from, length));
  }
  result_text(ctx, s.substr(from));
}

void fn_instr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  // InStr([start,] text, sought[, compare]): compare 0 is binary, otherwise text (the default).
  int base = 0;
  size_t start = 1;
  if (argc >= 3) {
    NULL_IN_NULL_OUT(0);
    if (!count_of(argv[0], start) || start < 1) return fail(ctx, invalid_call);
    base = 1;
  }
  if (is_null(argv[base]) || is_null(argv[base + 1])) return sqlite3_result_null(ctx);
  bool binary = false;
  if (argc == 4 && !is_null(argv[3])) {
    double mode;
    if (number_of(argv[3], mode)) binary = mode == 0;
  }
  std::wstring s = text_of(argv[base]), sought = text_of(argv[base + 1]);
  size_t from = start - 1;
  if (from > s.size()) return sqlite3_result_int(ctx, 0);
  if (sought.empty()) return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(from + 1));
  for (size_t i = from; i + sought.size() <= s.size(); ++i) {
    bool match = binary ? s.compare(i, sought.size(), sought) == 0
                        : jet_compare_text(std::wstring_view(s).substr(i, sought.size()), sought) == 0;
    if (match) return sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(i + 1));
  }
  sqlite3_result_int(ctx, 0);
}

template <int Mode>  // 1 left, 2 right, 3 both
void fn_trim(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  std::wstring s = text_of(argv[0]);
  size_t a = 0, b = s.size();
  if (Mode & 1)
    while (a < b && s[a] == L' ') ++a;
  if (Mode & 2)
    while (b > a && s[b - 1] == L' ') --b;
  result_text(ctx, s.substr(a, b - a));
}

template <bool Upper>
void fn_case(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  std::wstring s = text_of(argv[0]);
  for (auto& c : s) c = Upper ? jet_upper(c) : jet_lower(c);
  result_text(ctx, s);
}

// The most bytes a text value may have (SQLite's length limit, a billion by default). Functions
// whose result can grow far beyond their arguments check against it as they build the text, so
// such a call fails the statement with "string or blob too big" instead of exhausting memory.
size_t text_limit(sqlite3_context* ctx) {
  return static_cast<size_t>(sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1));
}

// `count` copies of one character, written as UTF-8 straight into SQLite's buffer (a count of up
// to two billion is valid for Space and String).
void result_repeated(sqlite3_context* ctx, size_t count, wchar_t c) {
  const std::string one = jet_to_utf8(std::wstring(1, c));
  if (count != 0 && one.size() > text_limit(ctx) / count) return sqlite3_result_error_toobig(ctx);
  const size_t bytes = one.size() * count;
  char* text = static_cast<char*>(sqlite3_malloc64(bytes + 1));
  if (text == nullptr) return sqlite3_result_error_nomem(ctx);
  for (size_t i = 0; i < bytes; i += one.size()) std::memcpy(text + i, one.data(), one.size());
  sqlite3_result_text64(ctx, text, bytes, sqlite3_free, SQLITE_UTF8);
}

void fn_space(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  size_t n;
  if (!count_of(argv[0], n)) return fail(ctx, invalid_call);
  result_repeated(ctx, n, L' ');
}

void fn_string(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NULL_IN_NULL_OUT(1);
  size_t n;
  if (!count_of(argv[0], n)) return fail(ctx, invalid_call);
  wchar_t c;
  if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
    std::wstring s = text_of(argv[1]);
    if (s.empty()) return fail(ctx, invalid_call);
    c = s[0];
  } else {
    size_t code;
    if (!count_of(argv[1], code)) return fail(ctx, invalid_call);
    c = static_cast<wchar_t>(code & 0xFF);
  }
  result_repeated(ctx, n, c);
}

void fn_chr(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(code, 0);
  if (code < 0 || code > 0x10FFFF) return fail(ctx, invalid_call);
  result_text(ctx, std::wstring(1, static_cast<wchar_t>(code)));
}

void fn_asc(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  std::wstring s = text_of(argv[0]);
  if (s.empty()) return fail(ctx, invalid_call);
  sqlite3_result_int64(ctx, s[0]);
}

void fn_replace(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  std::wstring s = text_of(argv[0]), find = text_of(argv[1]), with = text_of(argv[2]);
  if (find.empty()) return result_text(ctx, s);
  auto match_at = [&](size_t i) {
    return i + find.size() <= s.size() && jet_compare_text(std::wstring_view(s).substr(i, find.size()), find) == 0;
  };
  // The matches are counted first: a result longer than a value may be is refused before it is
  // built (each character takes at least one byte of UTF-8).
  size_t matches = 0;
  for (size_t i = 0; i < s.size();) {
    if (match_at(i)) {
      ++matches;
      i += find.size();
    } else {
      ++i;
    }
  }
  const size_t limit = text_limit(ctx);
  const size_t kept = s.size() - matches * find.size();
  if (!with.empty() && matches > (limit - std::min(kept, limit)) / with.size()) return sqlite3_result_error_toobig(ctx);
  std::wstring out;
  out.reserve(kept + matches * with.size());
  size_t i = 0;
  while (i < s.size()) {
    if (match_at(i)) {
      out += with;
      i += find.size();
    } else {
      out += s[i++];
    }
  }
  result_text(ctx, out);
}

void fn_strcomp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
  bool binary = false;
  double mode;
  if (argc == 3 && number_of(argv[2], mode)) binary = mode == 0;
  std::wstring a = text_of(argv[0]), b = text_of(argv[1]);
  int c = binary ? a.compare(b) : jet_compare_text(a, b);
  sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

void fn_strreverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  std::wstring s = text_of(argv[0]);
  result_text(ctx, std::wstring(s.rbegin(), s.rend()));
}

// & : Null counts as an empty text; only two Nulls give Null.
void fn_concat(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) && is_null(argv[1])) return sqlite3_result_null(ctx);
  result_text(ctx, text_of(argv[0]) + text_of(argv[1]));
}

// + : two texts join, anything else adds as numbers; Null gives Null.
void fn_plus(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT)
    return result_text(ctx, text_of(argv[0]) + text_of(argv[1]));
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
    sqlite3_int64 r;
    if (!__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
      return sqlite3_result_int64(ctx, r);
  }
  NUMBER_ARG(a, 0);
  NUMBER_ARG(b, 1);
  sqlite3_result_double(ctx, a + b);
}

// The text of a typed value, as CStr gives it: argument 1 is the DAO type of argument 0.
std::wstring typed_text(sqlite3_value* v, int type) {
  if (type == jet_type_date && sqlite3_value_type(v) != SQLITE_TEXT) return jet_date_text(sqlite3_value_double(v));
  if (type == jet_type_boolean) return sqlite3_value_int64(v) != 0 ? L"True" : L"False";
  return text_of(v);
}

void fn_cstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  result_text(ctx, typed_text(argv[0], argc > 1 ? sqlite3_value_int(argv[1]) : 0));
}

void fn_like(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
  sqlite3_result_int(ctx, jet_like(text_of(argv[0]), text_of(argv[1])) ? -1 : 0);
}

// Format(value, [format], [type]); the translator appends the DAO type of the value.
void fn_format(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  std::wstring format = argc > 1 && !is_null(argv[1]) ? text_of(argv[1]) : L"";
  int type = argc > 2 ? sqlite3_value_int(argv[argc - 1]) : 0;
  sqlite3_value* v = argv[0];
  if (format.empty()) return result_text(ctx, typed_text(v, type));
  if (format == L">" || format == L"<" || format == L"@") {
    std::wstring s = typed_text(v, type);
    if (format != L"@")
      for (auto& c : s) c = format == L">" ? jet_upper(c) : jet_lower(c);
    return result_text(ctx, s);
  }
  double number;
  if (type == jet_type_date || jet_is_date_format(format)) {
    if (!date_of(v, number)) return result_text(ctx, text_of(v));
    return result_text(ctx, jet_format_date(number, format));
  }
  if (!number_of(v, number)) return result_text(ctx, text_of(v));
  result_text(ctx, jet_format_number(number, format));
}

// ---- conversions and numbers ---------------------------------------------------------------

template <long long Low, long long High>
void fn_cinteger(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
    sqlite3_int64 v = sqlite3_value_int64(argv[0]);
    if (v < Low || v > High) return fail(ctx, overflow);
    return sqlite3_result_int64(ctx, v);
  }
  NUMBER_ARG(v, 0);
  double r = bankers_round(v);
  if (!(r >= static_cast<double>(Low) && r <= static_cast<double>(High))) return fail(ctx, overflow);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void fn_cdbl(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  sqlite3_result_double(ctx, v);
}

void fn_csng(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  sqlite3_result_double(ctx, static_cast<double>(static_cast<float>(v)));
}

void fn_ccur(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  if (std::fabs(v) > 922337203685477.0) return fail(ctx, overflow);
  sqlite3_result_double(ctx, bankers_round(v * 10000.0) / 10000.0);
}

void fn_cbool(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    std::wstring s = text_of(argv[0]);
    if (jet_compare_text(s, L"true") == 0 || jet_compare_text(s, L"yes") == 0) return sqlite3_result_int(ctx, -1);
    if (jet_compare_text(s, L"false") == 0 || jet_compare_text(s, L"no") == 0) return sqlite3_result_int(ctx, 0);
  }
  NUMBER_ARG(v, 0);
  sqlite3_result_int(ctx, v != 0 ? -1 : 0);
}

void fn_cdate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  DATE_ARG(v, 0);
  sqlite3_result_double(ctx, v);
}

void fn_cvar(sqlite3_context* ctx, int, sqlite3_value** argv) { sqlite3_result_value(ctx, argv[0]); }

// Val: the number at the start of the text; spaces are skipped, anything else ends it.
void fn_val(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
    NUMBER_ARG(v, 0);
    return sqlite3_result_double(ctx, v);
  }
  std::wstring s;
  for (wchar_t c : text_of(argv[0]))
    if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') s += c;
  if (s.size() > 2 && s[0] == L'&' && (s[1] == L'H' || s[1] == L'h'))
    return sqlite3_result_double(ctx, static_cast<double>(std::wcstoll(s.c_str() + 2, nullptr, 16)));
  size_t i = 0;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ++i;
  while (i < s.size() && std::iswdigit(s[i])) ++i;
  if (i < s.size() && s[i] == L'.') {
    ++i;
    while (i < s.size() && std::iswdigit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == L'e' || s[i] == L'E' || s[i] == L'd' || s[i] == L'D')) {
    size_t k = i + 1;
    if (k < s.size() && (s[k] == L'+' || s[k] == L'-')) ++k;
    if (k < s.size() && std::iswdigit(s[k])) {
      s[i] = L'e';
      i = k;
      while (i < s.size() && std::iswdigit(s[i])) ++i;
    }
  }
  sqlite3_result_double(ctx, std::wcstod(s.substr(0, i).c_str(), nullptr));
}

void fn_str(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  std::wstring s = sqlite3_value_type(argv[0]) == SQLITE_INTEGER ? std::to_wstring(sqlite3_value_int64(argv[0]))
                                                                 : jet_number_text(v);
  result_text(ctx, v >= 0 ? L" " + s : s);
}

// Abs, Int, Fix, Sgn keep integers integral.
template <int Op>  // 0 Abs, 1 Int, 2 Fix, 3 Sgn
void fn_numeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
    sqlite3_int64 v = sqlite3_value_int64(argv[0]);
    if (Op == 0) return sqlite3_result_int64(ctx, v < 0 ? -v : v);
    if (Op == 3) return sqlite3_result_int(ctx, v < 0 ? -1 : v > 0 ? 1 : 0);
    return sqlite3_result_int64(ctx, v);
  }
  NUMBER_ARG(v, 0);
  switch (Op) {
    case 0: return sqlite3_result_double(ctx, std::fabs(v));
    case 1: return sqlite3_result_double(ctx, std::floor(v));
    case 2: return sqlite3_result_double(ctx, std::trunc(v));
    default: return sqlite3_result_int(ctx, v < 0 ? -1 : v > 0 ? 1 : 0);
  }
}

void fn_round(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  double places = 0;
  if (argc > 1 && !is_null(argv[1]) && !number_of(argv[1], places)) return fail(ctx, type_mismatch);
  if (places < 0) return fail(ctx, invalid_call);
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
  double scale = std::pow(10.0, std::floor(places));
  sqlite3_result_double(ctx, bankers_round(v * scale) / scale);
}

template <double (*F)(double), bool Positive>
void fn_math(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  if (Positive && v < 0) return fail(ctx, invalid_call);
  sqlite3_result_double(ctx, F(v));
}

double natural_log(double v) { return std::log(v); }

void fn_log(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  NUMBER_ARG(v, 0);
  if (v <= 0) return fail(ctx, invalid_call);
  sqlite3_result_double(ctx, natural_log(v));
}

void fn_power(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
  NUMBER_ARG(a, 0);
  NUMBER_ARG(b, 1);
  sqlite3_result_double(ctx, std::pow(a, b));
}

// \ and Mod round both operands to integers first.
template <bool Modulo>
void fn_intdiv(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
  NUMBER_ARG(a, 0);
  NUMBER_ARG(b, 1);
  double x = bankers_round(a), y = bankers_round(b);
  if (y == 0) return fail(ctx, {3075, "Division by zero."});
  if (!(std::fabs(x) < 9.2e18 && std::fabs(y) < 9.2e18)) return fail(ctx, overflow);
  long long xi = static_cast<long long>(x), yi = static_cast<long long>(y);
  sqlite3_result_int64(ctx, Modulo ? xi % yi : xi / yi);
}

void fn_divide(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
  NUMBER_ARG(a, 0);
  NUMBER_ARG(b, 1);
  if (b == 0) return fail(ctx, {3075, "Division by zero."});
  sqlite3_result_double(ctx, a / b);
}

void fn_isnull(sqlite3_context* ctx, int, sqlite3_value** argv) { sqlite3_result_int(ctx, is_null(argv[0]) ? -1 : 0); }

void fn_isnumeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
  double v;
  bool numeric = sqlite3_value_type(argv[0]) == SQLITE_INTEGER || sqlite3_value_type(argv[0]) == SQLITE_FLOAT ||
                 (sqlite3_value_type(argv[0]) == SQLITE_TEXT && parse_number(text_of(argv[0]), v));
  sqlite3_result_int(ctx, numeric ? -1 : 0);
}

void fn_isdate(sqlite3_context* ctx, int, sqlite3_value** argv) {
  bool date = sqlite3_value_type(argv[0]) == SQLITE_TEXT && jet_parse_date(text_of(argv[0])).has_value();
  sqlite3_result_int(ctx, date ? -1 : 0);
}

// Nz(value[, if_null]): without a replacement a Null becomes an empty text in a query.
void fn_nz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (!is_null(argv[0])) return sqlite3_result_value(ctx, argv[0]);
  if (argc > 1) return sqlite3_result_value(ctx, argv[1]);
  sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

// ---- dates -------------------------------------------------------------------------------------

void fn_datepart_simple(sqlite3_context* ctx, sqlite3_value** argv, int which) {
  NULL_IN_NULL_OUT(0);
  DATE_ARG(d, 0);
  jet_date_parts p = jet_date_split(d);
  int values[] = {p.year, p.month, p.day, p.hour, p.minute, p.second};
  sqlite3_result_int(ctx, values[which]);
}
void fn_year(sqlite3_context* c, int, sqlite3_value** a) { fn_datepart_simple(c, a, 0); }
void fn_month(sqlite3_context* c, int, sqlite3_value** a) { fn_datepart_simple(c, a, 1); }
void fn_day(sqlite3_context* c, int, sqlite3_value** a) { fn_datepart_simple(c, a, 2); }
void fn_hour(sqlite3_context* c, int, sqlite3_value** a) { fn_datepart_simple(c, a, 3); }
void fn_minute(sqlite3_context* c, int, sqlite3_value** a) { fn_datepart_simple(c, a, 4); }
void fn_second(sqlite3_context* c, int, sqlite3_value** a) { fn_datepart_simple(c, a, 5); }

int first_day_arg(int argc, sqlite3_value** argv, int index) {
  double v;
  if (argc > index && !is_null(argv[index]) && number_of(argv[index], v) && v >= 1 && v <= 7)
    return static_cast<int>(v);
  return 1;  // vbSunday (0, vbUseSystemDayOfWeek, means Sunday in en-US too)
}

int weekday_from(double d, int first_day) { return (jet_date_split(d).weekday - first_day + 7) % 7 + 1; }

void fn_weekday(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  DATE_ARG(d, 0);
  sqlite3_result_int(ctx, weekday_from(d, first_day_arg(argc, argv, 1)));
}

enum class interval { year, quarter, month, day_of_year, day, weekday, week, hour, minute, second, bad };

interval interval_of(sqlite3_value* v) {
  std::wstring s = text_of(v);
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  if (s == L"yyyy") return interval::year;
  if (s == L"q") return interval::quarter;
  if (s == L"m") return interval::month;
  if (s == L"y") return interval::day_of_year;
  if (s == L"d") return interval::day;
  if (s == L"w") return interval::weekday;
  if (s == L"ww") return interval::week;
  if (s == L"h") return interval::hour;
  if (s == L"n") return interval::minute;
  if (s == L"s") return interval::second;
  return interval::bad;
}

// The week number of a date: the week holding 1 January is week 1 (vbFirstJan1), or the first
// week with four days (2, vbFirstFourDays), or the first full week (3, vbFirstFullWeek).
int week_of_year(double d, int first_day, int first_week) {
  jet_date_parts p = jet_date_split(d);
  auto week_start = [&](long long day) { return day - (weekday_from(static_cast<double>(day), first_day) - 1); };
  auto first_week_start = [&](int year) {
    long long jan1 = jet_days_from_civil(year, 1, 1);
    long long start = week_start(jan1);
    long long days_in_first = 7 - (jan1 - start);
    if (first_week == 2 && days_in_first < 4) start += 7;
    if (first_week == 3 && days_in_first < 7) start += 7;
    return start;
  };
  long long day = jet_date_days(d);
  long long start = first_week_start(p.year);
  if (day < start) start = first_week_start(p.year - 1);
  return static_cast<int>((day - start) / 7 + 1);
}

void fn_datepart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(1);
  DATE_ARG(d, 1);
  jet_date_parts p = jet_date_split(d);
  int first_day = first_day_arg(argc, argv, 2);
  double fw = 1;
  if (argc > 3 && !is_null(argv[3])) number_of(argv[3], fw);
  int first_week = fw >= 1 && fw <= 3 ? static_cast<int>(fw) : 1;
  switch (interval_of(argv[0])) {
    case interval::year: return sqlite3_result_int(ctx, p.year);
    case interval::quarter: return sqlite3_result_int(ctx, (p.month - 1) / 3 + 1);
    case interval::month: return sqlite3_result_int(ctx, p.month);
    case interval::day_of_year:
      return sqlite3_result_int64(ctx, jet_date_days(d) - jet_days_from_civil(p.year, 1, 1) + 1);
    case interval::day: return sqlite3_result_int(ctx, p.day);
    case interval::weekday: return sqlite3_result_int(ctx, weekday_from(d, first_day));
    case interval::week: return sqlite3_result_int(ctx, week_of_year(d, first_day, first_week));
    case interval::hour: return sqlite3_result_int(ctx, p.hour);
    case interval::minute: return sqlite3_result_int(ctx, p.minute);
    case interval::second: return sqlite3_result_int(ctx, p.second);
    case interval::bad: break;
  }
  fail(ctx, invalid_call);
}

double from_seconds(long long s) {
  long long days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
  long long rest = s - days * 86400;
  return jet_ole_date(days, static_cast<double>(rest) / 86400.0);
}

void fn_dateadd(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[1]) || is_null(argv[2])) return sqlite3_result_null(ctx);
  NUMBER_ARG(n_raw, 1);
  DATE_ARG(d, 2);
  if (!(std::fabs(n_raw) < 1e9)) return fail(ctx, invalid_call);
  long long n = static_cast<long long>(std::trunc(n_raw));
  jet_date_parts p = jet_date_split(d);
  interval what = interval_of(argv[0]);
  double result;
  if (what == interval::year || what == interval::quarter || what == interval::month) {
    long long months = what == interval::year ? n * 12 : what == interval::quarter ? n * 3 : n;
    long long total = static_cast<long long>(p.year) * 12 + (p.month - 1) + months;
    int year = static_cast<int>(total / 12), month = static_cast<int>(total % 12) + 1;
    int last_day = jet_date_split(static_cast<double>(jet_days_from_civil(year, month + 1, 1) - 1)).day;
    jet_date_parts q = p;
    q.year = year;
    q.month = month;
    q.day = p.day > last_day ? last_day : p.day;
    if (year < 100 || year > 9999) return fail(ctx, invalid_call);
    result = jet_ole_date(q);
  } else {
    long long unit;
    switch (what) {
      case interval::day_of_year:
      case interval::day:
      case interval::weekday: unit = 86400; break;
      case interval::week: unit = 7 * 86400; break;
      case interval::hour: unit = 3600; break;
      case interval::minute: unit = 60; break;
      case interval::second: unit = 1; break;
      default: return fail(ctx, invalid_call);
    }
    long long s = jet_date_days(d) * 86400 + std::llround(jet_date_time(d) * 86400.0);
    result = from_seconds(s + n * unit);
  }
  if (!jet_date_in_range(result)) return fail(ctx, invalid_call);
  sqlite3_result_double(ctx, result);
}

void fn_datediff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (is_null(argv[1]) || is_null(argv[2])) return sqlite3_result_null(ctx);
  DATE_ARG(a, 1);
  DATE_ARG(b, 2);
  jet_date_parts pa = jet_date_split(a), pb = jet_date_split(b);
  long long da = jet_date_days(a), db = jet_date_days(b);
  long long sa = da * 86400 + std::llround(jet_date_time(a) * 86400.0);
  long long sb = db * 86400 + std::llround(jet_date_time(b) * 86400.0);
  auto floor_div = [](long long x, long long y) { return x / y - ((x % y != 0) && ((x < 0) != (y < 0))); };
  long long r;
  switch (interval_of(argv[0])) {
    case interval::year: r = pb.year - pa.year; break;
    case interval::quarter: r = (pb.year * 4 + (pb.month - 1) / 3) - (pa.year * 4 + (pa.month - 1) / 3); break;
    case interval::month: r = (pb.year * 12LL + pb.month) - (pa.year * 12LL + pa.month); break;
    case interval::day_of_year:
    case interval::day: r = db - da; break;
    case interval::weekday: r = (db - da) / 7; break;
    case interval::week: {
      int first_day = first_day_arg(argc, argv, 3);
      long long wa = da - (weekday_from(a, first_day) - 1), wb = db - (weekday_from(b, first_day) - 1);
      r = (wb - wa) / 7;
      break;
    }
    case interval::hour: r = floor_div(sb, 3600) - floor_div(sa, 3600); break;
    case interval::minute: r = floor_div(sb, 60) - floor_div(sa, 60); break;
    case interval::second: r = sb - sa; break;
    default: return fail(ctx, invalid_call);
  }
  sqlite3_result_int64(ctx, r);
}

void fn_dateserial(sqlite3_context* ctx, int, sqlite3_value** argv) {
  for (int i = 0; i < 3; ++i) NULL_IN_NULL_OUT(i);
  NUMBER_ARG(y, 0);
  NUMBER_ARG(m, 1);
  NUMBER_ARG(d, 2);
  if (!(std::fabs(y) < 1e6 && std::fabs(m) < 1e6 && std::fabs(d) < 1e7)) return fail(ctx, invalid_call);
  long long year = static_cast<long long>(bankers_round(y));
  if (year >= 0 && year < 30)
    year += 2000;
  else if (year >= 30 && year < 100)
    year += 1900;
  long long days =
      jet_days_from_civil(year, static_cast<long long>(bankers_round(m)), static_cast<long long>(bankers_round(d)));
  if (!jet_date_in_range(static_cast<double>(days))) return fail(ctx, invalid_call);
  sqlite3_result_double(ctx, static_cast<double>(days));
}

void fn_timeserial(sqlite3_context* ctx, int, sqlite3_value** argv) {
  for (int i = 0; i < 3; ++i) NULL_IN_NULL_OUT(i);
  NUMBER_ARG(h, 0);
  NUMBER_ARG(m, 1);
  NUMBER_ARG(s, 2);
  if (!(std::fabs(h) < 1e9 && std::fabs(m) < 1e9 && std::fabs(s) < 1e9)) return fail(ctx, invalid_call);
  long long total = static_cast<long long>(h) * 3600 + static_cast<long long>(m) * 60 + static_cast<long long>(s);
  sqlite3_result_double(ctx, from_seconds(total));
}

void fn_datevalue(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  DATE_ARG(d, 0);
  sqlite3_result_double(ctx, static_cast<double>(jet_date_days(d)));
}

void fn_timevalue(sqlite3_context* ctx, int, sqlite3_value** argv) {
  NULL_IN_NULL_OUT(0);
  DATE_ARG(d, 0);
  sqlite3_result_double(ctx, jet_date_time(d));
}

double now_ole() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  jet_date_parts p;
  p.year = t.wYear;
  p.month = t.wMonth;
  p.day = t.wDay;
  p.hour = t.wHour;
  p.minute = t.wMinute;
  p.second = t.wSecond;
  return jet_ole_date(p);
}

void fn_now(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, now_ole()); }
void fn_date(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, std::trunc(now_ole())); }
void fn_time(sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_double(ctx, jet_date_time(now_ole())); }

// ---- aggregates ----------------------------------------------------------------------------

struct first_last_state {
  sqlite3_value* value;
  bool seen;
};

template <bool Last>
void agg_first_last_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* st = static_cast<first_last_state*>(sqlite3_aggregate_context(ctx, sizeof(first_last_state)));
  if (!st) return sqlite3_result_error_nomem(ctx);
  if (st->seen && !Last) return;
  if (st->value) sqlite3_value_free(st->value);
  st->value = sqlite3_value_dup(argv[0]);
  st->seen = true;
}

void agg_first_last_final(sqlite3_context* ctx) {
  auto* st = static_cast<first_last_state*>(sqlite3_aggregate_context(ctx, 0));
  if (!st || !st->value) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, st->value);
  sqlite3_value_free(st->value);
  st->value = nullptr;
}

struct variance_state {
  long long n;
  double mean, m2;  // Welford's running sums
};

void agg_variance_step(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (is_null(argv[0])) return;
  double v;
  if (!number_of(argv[0], v)) return fail(ctx, type_mismatch);
  auto* st = static_cast<variance_state*>(sqlite3_aggregate_context(ctx, sizeof(variance_state)));
  if (!st) return sqlite3_result_error_nomem(ctx);
  ++st->n;
  double delta = v - st->mean;
  st->mean += delta / static_cast<double>(st->n);
  st->m2 += delta * (v - st->mean);
}

template <bool Population, bool Root>
void agg_variance_final(sqlite3_context* ctx) {
  auto* st = static_cast<variance_state*>(sqlite3_aggregate_context(ctx, 0));
  long long n = st ? st->n : 0;
  if (n < (Population ? 1 : 2)) return sqlite3_result_null(ctx);
  double var = st->m2 / static_cast<double>(Population ? n : n - 1);
  sqlite3_result_double(ctx, Root ? std::sqrt(var) : var);
}

int collation(void*, int la, const void* a, int lb, const void* b) {
  return jet_compare_utf8(std::string_view(static_cast<const char*>(a), static_cast<size_t>(la)),
                          std::string_view(static_cast<const char*>(b), static_cast<size_t>(lb)));
}

using scalar_fn = void (*)(sqlite3_context*, int, sqlite3_value**);

struct scalar_registration {
  const char* name;
  int args;  // -1: any
  scalar_fn fn;
  bool deterministic;
};

const scalar_registration scalars[] = {
    {"jet_len", 1, fn_len, true},
    {"jet_left", 2, fn_left, true},
    {"jet_right", 2, fn_right, true},
    {"jet_mid", -1, fn_mid, true},
    {"jet_instr", -1, fn_instr, true},
    {"jet_trim", 1, fn_trim<3>, true},
    {"jet_ltrim", 1, fn_trim<1>, true},
    {"jet_rtrim", 1, fn_trim<2>, true},
    {"jet_ucase", 1, fn_case<true>, true},
    {"jet_lcase", 1, fn_case<false>, true},
    {"jet_space", 1, fn_space, true},
    {"jet_string", 2, fn_string, true},
    {"jet_chr", 1, fn_chr, true},
    {"jet_asc", 1, fn_asc, true},
    {"jet_replace", -1, fn_replace, true},
    {"jet_strcomp", -1, fn_strcomp, true},
    {"jet_strreverse", 1, fn_strreverse, true},
    {"jet_concat", 2, fn_concat, true},
    {"jet_plus", 2, fn_plus, true},
    {"jet_cstr", -1, fn_cstr, true},
    {"jet_like", 2, fn_like, true},
    {"jet_format", -1, fn_format, true},
    {"jet_cint", 1, fn_cinteger<-32768, 32767>, true},
    {"jet_clng", 1, fn_cinteger<-2147483648LL, 2147483647LL>, true},
    {"jet_cbyte", 1, fn_cinteger<0, 255>, true},
    {"jet_cdbl", 1, fn_cdbl, true},
    {"jet_csng", 1, fn_csng, true},
    {"jet_ccur", 1, fn_ccur, true},
    {"jet_cbool", 1, fn_cbool, true},
    {"jet_cdate", 1, fn_cdate, true},
    {"jet_cvar", 1, fn_cvar, true},
    {"jet_val", 1, fn_val, true},
    {"jet_str", 1, fn_str, true},
    {"jet_abs", 1, fn_numeric<0>, true},
    {"jet_int", 1, fn_numeric<1>, true},
    {"jet_fix", 1, fn_numeric<2>, true},
    {"jet_sgn", 1, fn_numeric<3>, true},
    {"jet_round", -1, fn_round, true},
    {"jet_sqr", 1, fn_math<std::sqrt, true>, true},
    {"jet_exp", 1, fn_math<std::exp, false>, true},
    {"jet_log", 1, fn_log, true},
    {"jet_sin", 1, fn_math<std::sin, false>, true},
    {"jet_cos", 1, fn_math<std::cos, false>, true},
    {"jet_tan", 1, fn_math<std::tan, false>, true},
    {"jet_atn", 1, fn_math<std::atan, false>, true},
    {"jet_power", 2, fn_power, true},
    {"jet_intdiv", 2, fn_intdiv<false>, true},
    {"jet_mod", 2, fn_intdiv<true>, true},
    {"jet_divide", 2, fn_divide, true},
    {"jet_isnull", 1, fn_isnull, true},
    {"jet_isnumeric", 1, fn_isnumeric, true},
    {"jet_isdate", 1, fn_isdate, true},
    {"jet_nz", -1, fn_nz, true},
    {"jet_year", 1, fn_year, true},
    {"jet_month", 1, fn_month, true},
    {"jet_day", 1, fn_day, true},
    {"jet_hour", 1, fn_hour, true},
    {"jet_minute", 1, fn_minute, true},
    {"jet_second", 1, fn_second, true},
    {"jet_weekday", -1, fn_weekday, true},
    {"jet_datepart", -1, fn_datepart, true},
    {"jet_dateadd", 3, fn_dateadd, true},
    {"jet_datediff", -1, fn_datediff, true},
    {"jet_dateserial", 3, fn_dateserial, true},
    {"jet_timeserial", 3, fn_timeserial, true},
    {"jet_datevalue", 1, fn_datevalue, true},
    {"jet_timevalue", 1, fn_timevalue, true},
    {"jet_now", 0, fn_now, false},
    {"jet_date", 0, fn_date, false},
    {"jet_time", 0, fn_time, false},
};

const jet_function_info functions[] = {
    {L"Len", "jet_len", 1, 1, jet_type_long, false},
    {L"Left", "jet_left", 2, 2, jet_type_text, false},
    {L"Left$", "jet_left", 2, 2, jet_type_text, false},
    {L"Right", "jet_right", 2, 2, jet_type_text, false},
    {L"Right$", "jet_right", 2, 2, jet_type_text, false},
    {L"Mid", "jet_mid", 2, 3, jet_type_text, false},
    {L"Mid$", "jet_mid", 2, 3, jet_type_text, false},
    {L"InStr", "jet_instr", 2, 4, jet_type_long, false},
    {L"Trim", "jet_trim", 1, 1, jet_type_text, false},
    {L"Trim$", "jet_trim", 1, 1, jet_type_text, false},
    {L"LTrim", "jet_ltrim", 1, 1, jet_type_text, false},
    {L"LTrim$", "jet_ltrim", 1, 1, jet_type_text, false},
    {L"RTrim", "jet_rtrim", 1, 1, jet_type_text, false},
    {L"RTrim$", "jet_rtrim", 1, 1, jet_type_text, false},
    {L"UCase", "jet_ucase", 1, 1, jet_type_text, false},
    {L"UCase$", "jet_ucase", 1, 1, jet_type_text, false},
    {L"LCase", "jet_lcase", 1, 1, jet_type_text, false},
    {L"LCase$", "jet_lcase", 1, 1, jet_type_text, false},
    {L"Space", "jet_space", 1, 1, jet_type_text, false},
    {L"Space$", "jet_space", 1, 1, jet_type_text, false},
    {L"String", "jet_string", 2, 2, jet_type_text, false},
    {L"String$", "jet_string", 2, 2, jet_type_text, false},
    {L"Chr", "jet_chr", 1, 1, jet_type_text, false},
    {L"Chr$", "jet_chr", 1, 1, jet_type_text, false},
    {L"ChrW", "jet_chr", 1, 1, jet_type_text, false},
    {L"Asc", "jet_asc", 1, 1, jet_type_integer, false},
    {L"AscW", "jet_asc", 1, 1, jet_type_integer, false},
    {L"Replace", "jet_replace", 3, 3, jet_type_text, false},
    {L"StrComp", "jet_strcomp", 2, 3, jet_type_integer, false},
    {L"StrReverse", "jet_strreverse", 1, 1, jet_type_text, false},
    {L"Format", "jet_format", 1, 2, jet_type_text, false},
    {L"Format$", "jet_format", 1, 2, jet_type_text, false},
    {L"CStr", "jet_cstr", 1, 1, jet_type_text, false},
    {L"Str", "jet_str", 1, 1, jet_type_text, false},
    {L"Str$", "jet_str", 1, 1, jet_type_text, false},
    {L"CInt", "jet_cint", 1, 1, jet_type_integer, false},
    {L"CLng", "jet_clng", 1, 1, jet_type_long, false},
    {L"CByte", "jet_cbyte", 1, 1, jet_type_byte, false},
    {L"CDbl", "jet_cdbl", 1, 1, jet_type_double, false},
    {L"CSng", "jet_csng", 1, 1, jet_type_single, false},
    {L"CCur", "jet_ccur", 1, 1, jet_type_currency, false},
    {L"CBool", "jet_cbool", 1, 1, jet_type_boolean, false},
    {L"CDate", "jet_cdate", 1, 1, jet_type_date, false},
    {L"CVDate", "jet_cdate", 1, 1, jet_type_date, false},
    {L"CVar", "jet_cvar", 1, 1, jet_result_like_arg0, false},
    {L"Val", "jet_val", 1, 1, jet_type_double, false},
    {L"Abs", "jet_abs", 1, 1, jet_result_like_arg0, false},
    {L"Int", "jet_int", 1, 1, jet_result_like_arg0, false},
    {L"Fix", "jet_fix", 1, 1, jet_result_like_arg0, false},
    {L"Sgn", "jet_sgn", 1, 1, jet_type_integer, false},
    {L"Round", "jet_round", 1, 2, jet_result_like_arg0, false},
    {L"Sqr", "jet_sqr", 1, 1, jet_type_double, false},
    {L"Exp", "jet_exp", 1, 1, jet_type_double, false},
    {L"Log", "jet_log", 1, 1, jet_type_double, false},
    {L"Sin", "jet_sin", 1, 1, jet_type_double, false},
    {L"Cos", "jet_cos", 1, 1, jet_type_double, false},
    {L"Tan", "jet_tan", 1, 1, jet_type_double, false},
    {L"Atn", "jet_atn", 1, 1, jet_type_double, false},
    {L"IsNull", "jet_isnull", 1, 1, jet_type_boolean, false},
    {L"IsNumeric", "jet_isnumeric", 1, 1, jet_type_boolean, false},
    {L"IsDate", "jet_isdate", 1, 1, jet_type_boolean, false},
    {L"Nz", "jet_nz", 1, 2, jet_result_unify_args, false},
    {L"IIf", "", 3, 3, jet_result_unify_args, false},
    {L"Year", "jet_year", 1, 1, jet_type_integer, false},
    {L"Month", "jet_month", 1, 1, jet_type_integer, false},
    {L"Day", "jet_day", 1, 1, jet_type_integer, false},
    {L"Hour", "jet_hour", 1, 1, jet_type_integer, false},
    {L"Minute", "jet_minute", 1, 1, jet_type_integer, false},
    {L"Second", "jet_second", 1, 1, jet_type_integer, false},
    {L"Weekday", "jet_weekday", 1, 2, jet_type_integer, false},
    {L"DatePart", "jet_datepart", 2, 4, jet_type_integer, false},
    {L"DateAdd", "jet_dateadd", 3, 3, jet_type_date, false},
    {L"DateDiff", "jet_datediff", 3, 5, jet_type_long, false},
    {L"DateSerial", "jet_dateserial", 3, 3, jet_type_date, false},
    {L"TimeSerial", "jet_timeserial", 3, 3, jet_type_date, false},
    {L"DateValue", "jet_datevalue", 1, 1, jet_type_date, false},
    {L"TimeValue", "jet_timevalue", 1, 1, jet_type_date, false},
    {L"Date", "jet_date", 0, 0, jet_type_date, false},
    {L"Now", "jet_now", 0, 0, jet_type_date, false},
    {L"Time", "jet_time", 0, 0, jet_type_date, false},
    {L"Count", "count", 1, 1, jet_type_long, true},
    {L"Sum", "sum", 1, 1, jet_result_sum, true},
    {L"Avg", "avg", 1, 1, jet_result_avg, true},
    {L"Min", "min", 1, 1, jet_result_like_arg0, true},
    {L"Max", "max", 1, 1, jet_result_like_arg0, true},
    {L"First", "jet_first", 1, 1, jet_result_like_arg0, true},
    {L"Last", "jet_last", 1, 1, jet_result_like_arg0, true},
    {L"StDev", "jet_stdev", 1, 1, jet_type_double, true},
    {L"StDevP", "jet_stdevp", 1, 1, jet_type_double, true},
    {L"Var", "jet_var", 1, 1, jet_type_double, true},
    {L"VarP", "jet_varp", 1, 1, jet_type_double, true},
};

}  // namespace

const jet_function_info* jet_find_function(const std::wstring& name) {
  for (const auto& f : functions)
    if (jet_compare_text(name, f.name) == 0) return &f;
  return nullptr;
}

int jet_register_functions(sqlite3* db) {
  int rc = sqlite3_create_collation(db, "JETTEXT", SQLITE_UTF8, nullptr, collation);
  for (const auto& s : scalars) {
    if (rc != SQLITE_OK) return rc;
    int flags = SQLITE_UTF8 | (s.deterministic ? SQLITE_DETERMINISTIC : 0);
    rc = sqlite3_create_function(db, s.name, s.args, flags, nullptr, s.fn, nullptr, nullptr);
  }
  struct {
    const char* name;
    void (*step)(sqlite3_context*, int, sqlite3_value**);
    void (*final)(sqlite3_context*);
  } aggregates[] = {
      {"jet_first", agg_first_last_step<false>, agg_first_last_final},
      {"jet_last", agg_first_last_step<true>, agg_first_last_final},
      {"jet_stdev", agg_variance_step, agg_variance_final<false, true>},
      {"jet_stdevp", agg_variance_step, agg_variance_final<true, true>},
      {"jet_var", agg_variance_step, agg_variance_final<false, false>},
      {"jet_varp", agg_variance_step, agg_variance_final<true, false>},
  };
  for (const auto& a : aggregates) {
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_create_function(db, a.name, 1, SQLITE_UTF8, nullptr, nullptr, a.step, a.final);
  }
  return rc;
}

bool jet_split_function_error(const char* message, long& number, std::wstring& text) {
  if (!message || std::strncmp(message, "jet:", 4) != 0) return false;
  char* end = nullptr;
  number = std::strtol(message + 4, &end, 10);
  if (!end || *end != ':') return false;
  text = jet_from_utf8(end + 1);
  return true;
}
