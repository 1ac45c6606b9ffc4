// Helpers of the DAO tests.
#include "tests/jet/dao_test_util.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/jet/sql/jet_sql_text.h"
#include "platform/oleaut/objbase.h"
#include "tests/support/test_mdbtools.h"

namespace dao_test {

VARIANT index(long i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = i;
  return v;
}

VARIANT name(const std::wstring& s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  return v;
}

std::wstring take(BSTR b) {
  std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
  SysFreeString(b);
  return s;
}

std::string utf8(const std::wstring& w) { return jet_to_utf8(w); }

HRESULT open_table(DAODatabase* db, const std::wstring& table, ptr<DAORecordset>& rs) {
  ptr<_DAOQueryDef> q;
  VARIANT empty = name(L""), sql = name(L"SELECT * FROM [" + table + L"]");
  HRESULT hr = db->CreateQueryDef(empty, sql, q.out());
  VariantClear(&empty);
  VariantClear(&sql);
  if (FAILED(hr)) return hr;
  VARIANT type = index(dbOpenDynaset), options = index(dbReadOnly), lock;
  VariantInit(&lock);
  return q->OpenRecordset(type, options, lock, rs.out());
}

HRESULT field_value(DAOFields* fields, short f, var& value) {
  ptr<_DAOField> field;
  HRESULT hr = fields->get_Item(index(f), field.out());
  if (FAILED(hr)) return hr;
  return field->get_Value(&value.v);
}

HRESULT open(const std::string& path, const std::wstring& connect, ptr<_DAODBEngine>& engine, ptr<DAODatabase>& db) {
  dao_register_engine();
  CoInitialize(nullptr);
  HRESULT hr = CoCreateInstance(CLSID_DAODBEngine120, nullptr, CLSCTX_ALL, IID__DAODBEngine,
                                reinterpret_cast<void**>(engine.out()));
  if (FAILED(hr)) return hr;
  const std::wstring wpath = jet_from_utf8(path);
  BSTR b = SysAllocString(wpath.c_str());
  VARIANT options, read_only;
  VariantInit(&options);
  VariantInit(&read_only);
  options.vt = VT_BOOL;
  options.boolVal = VARIANT_FALSE;
  read_only.vt = VT_BOOL;
  read_only.boolVal = VARIANT_TRUE;
  VARIANT c = name(connect);
  hr = engine->OpenDatabase(b, options, read_only, c, db.out());
  VariantClear(&c);
  SysFreeString(b);
  return hr;
}

long last_error(_DAODBEngine* engine, std::wstring* text) {
  ptr<DAOErrors> errors;
  if (FAILED(engine->get_Errors(errors.out()))) return -1;
  ptr<DAOError> e;
  if (FAILED(errors->get_Item(index(0), e.out()))) return -1;
  LONG n = 0;
  e->get_Number(&n);
  BSTR d = nullptr;
  e->get_Description(&d);
  std::wstring desc = take(d);
  if (text) *text = desc;
  return n;
}

namespace {

// Days since 1899-12-30 to a civil date (proleptic Gregorian).
void civil(long days, int& y, unsigned& m, unsigned& d) {
  long z = days - 25569 + 719468;  // 1970-01-01 is day 25569
  long era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long yy = static_cast<long>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yy + (m <= 2 ? 1 : 0));
}

std::string decimal_text(const DECIMAL& d) {
  unsigned __int128 mant =
      (static_cast<unsigned __int128>(d.Hi32) << 64) | (static_cast<unsigned __int128>(d.Mid32) << 32) | d.Lo32;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(mant % 10)));
    mant /= 10;
  } while (mant);
  while (digits.size() <= d.scale) digits.insert(digits.begin(), '0');
  if (d.scale) digits.insert(digits.end() - d.scale, '.');
  return (d.sign ? "-" : "") + digits;
}

}  // namespace

std::string export_text(const VARIANT& v) {
  char buf[64];
  switch (v.vt) {
    case VT_NULL: return "";
    case VT_BOOL: return v.boolVal ? "1" : "0";
    case VT_UI1: return std::to_string(v.bVal);
    case VT_I2: return std::to_string(v.iVal);
    case VT_I4: return std::to_string(v.lVal);
    case VT_I8: return std::to_string(v.llVal);
    case VT_R4: std::snprintf(buf, sizeof buf, "%.*g", 7, static_cast<double>(v.fltVal)); return buf;
    case VT_R8: std::snprintf(buf, sizeof buf, "%.*g", 15, v.dblVal); return buf;
    case VT_CY: {
      std::int64_t n = v.cyVal.int64;
      std::snprintf(buf, sizeof buf, "%s%" PRId64 ".%04" PRId64, n < 0 ? "-" : "", (n < 0 ? -n : n) / 10000,
                    (n < 0 ? -n : n) % 10000);
      return buf;
    }
    case VT_DATE: {
      double whole = std::floor(v.date);
      long days = static_cast<long>(whole);
      double frac = v.date - whole;
      if (v.date < 0 && frac != 0) {
        // Before day 0 the fraction counts forward from midnight of the day toward zero.
        days = static_cast<long>(std::ceil(v.date));
        frac = days - v.date;
      }
      long secs = std::lround(frac * 86400.0);
      if (secs >= 86400) {
        secs -= 86400;
        ++days;
      }
      int y;
      unsigned m, d;
      civil(days, y, m, d);
      std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02ld:%02ld:%02ld", y, m, d, secs / 3600, (secs / 60) % 60,
                    secs % 60);
      return buf;
    }
    case VT_BSTR: return utf8(std::wstring(v.bstrVal, SysStringLen(v.bstrVal)));
    case VT_DECIMAL: return decimal_text(v.decVal);
    case VT_ARRAY | VT_UI1: {
      std::string out;
      void* p = nullptr;
      SafeArrayAccessData(v.parray, &p);
      for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char*>(p)[i]);
        out += buf;
      }
      SafeArrayUnaccessData(v.parray);
      return out;
    }
    default: return "?vt=" + std::to_string(v.vt);
  }
}

std::vector<std::vector<std::string>> export_rows(const std::string& path, const std::string& table) {
  return test_env::mdb_export_fields(path, table, "-H -Q -b hex -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S'");
}

}  // namespace dao_test
