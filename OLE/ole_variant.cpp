// ole_variant: construction, copying, storing and reading content, and the typed getters.
#include "OLE/ole_variant.h"

#include "OLE/ole_bool_map.h"
#include "OLE/ole_exceptions.h"
#include "OLE/ole_value_log.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"

#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

// Kinds whose VARIANT holds a SAFEARRAY that the value owns. VariantCopy and VariantClear know
// only the VT_ARRAY kinds, so the labels without that bit are copied and freed here.
bool owns_array(VARTYPE vt) { return vt == ole_vt_binary || vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == 27; }

}  // namespace

bool ole_is_numeric_type(VARTYPE vt) {
  switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_BOOL:
    case VT_DECIMAL:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
  }
}

bool ole_needs_quotes(VARTYPE vt) { return vt == VT_DATE || vt == VT_BSTR; }

void ole_variant::initialize() {
  tk_log1(tk_log_trace, "ole_variant::initialize");
  VariantInit(&var_);
  i8_ = 0;
  ui8_ = 0;
  tk_log1(tk_log_trace, "src.vt=%d", var_.vt);
}

ole_variant::ole_variant() {
  tk_log1(tk_log_trace, "ole_variant::empty ctor");
  initialize();
}

ole_variant::ole_variant(bool value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from bool (%d)", value);
  initialize();
  var_.vt = VT_BOOL;
  var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::ole_variant(char value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from char(%d)", value);
  initialize();
  var_.vt = VT_I1;
  var_.cVal = value;
}

ole_variant::ole_variant(unsigned char value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from byte(%d)", value);
  initialize();
  var_.vt = VT_UI1;
  var_.bVal = value;
}

ole_variant::ole_variant(short value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from short(%d)", value);
  initialize();
  var_.vt = VT_I2;
  var_.iVal = value;
}

ole_variant::ole_variant(unsigned short value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from ushort(%d)", value);
  initialize();
  var_.vt = VT_UI2;
  var_.uiVal = value;
}

ole_variant::ole_variant(int value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from int(%d)", value);
  initialize();
  var_.vt = VT_I4;
  var_.lVal = value;
}

ole_variant::ole_variant(unsigned int value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from uint(%u)", value);
  initialize();
  var_.vt = VT_UI4;
  var_.ulVal = value;
}

ole_variant::ole_variant(std::int64_t value) {
  tk_log1(tk_log_trace, "ole_variant::ctor(hyper, %" PRId64 ")", value);
  initialize();
  var_.vt = VT_I8;
  i8_ = value;
}

ole_variant::ole_variant(std::uint64_t value) {
  tk_log1(tk_log_trace, "ole_variant::ctor(uhyper, %" PRIu64 ")", value);
  initialize();
  var_.vt = VT_UI8;
  ui8_ = value;
}

ole_variant::ole_variant(float value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from float(%f)", static_cast<double>(value));
  initialize();
  var_.vt = VT_R4;
  var_.fltVal = value;
}

ole_variant::ole_variant(double value) {
  tk_log1(tk_log_trace, "ole_variant::ctor from double(%e)", value);
  initialize();
  var_.vt = VT_R8;
  var_.dblVal = value;
}

ole_variant::ole_variant(const CY& value) {
  tk_log1(tk_log_trace, "Construct ole_variant from CY");
  initialize();
  var_.vt = VT_CY;
  var_.cyVal = value;
}

ole_variant::ole_variant(const DECIMAL& value) {
  tk_log1(tk_log_trace, "Construct ole_variant from DECIMAL");
  initialize();
  var_.decVal = value;
  var_.vt = VT_DECIMAL;  // after the DECIMAL, whose first word it shares
}

ole_variant::ole_variant(const ole_date& value) {
  tk_log1(tk_log_trace, "ole_variant::ole_variant( const ole_date& )");
  initialize();
  if (value.get_kind() != ole_date_none) set_date(value);
  if (ole_log_enabled(1)) tk_log1(tk_log_trace, "ole_date=%s", value.to_string(6).c_str());
}

ole_variant::ole_variant(const wchar_t* text) {
  tk_log1(tk_log_trace, "Construct ole_variant from BSTR");
  initialize();
  var_.vt = VT_BSTR;
  var_.bstrVal = SysAllocString(text == nullptr ? L"" : text);
  if (var_.bstrVal == nullptr) throw tk_mail_assertion("ole_var", 1463);
}

ole_variant::ole_variant(const std::wstring& text) {
  if (ole_log_enabled(1)) tk_log2(tk_log_trace, L"ole_variant::ctor from wstring(%ls)", text.c_str());
  initialize();
  attach_wstring(text);
}

ole_variant::ole_variant(const char* text) : ole_variant(std::string(text == nullptr ? "" : text)) {}

ole_variant::ole_variant(const std::string& text) {
  tk_log1(tk_log_trace, "ole_variant::ctor from string(%s)", text.c_str());
  initialize();
  attach_string(text);
  tk_log1(tk_log_trace, "ole_variant::ctor from string - END");
}

ole_variant::ole_variant(const std::vector<BYTE>& bytes) {
  tk_log1(tk_log_trace, "ole_variant::ole_variant( const vector<byte>& that )");
  initialize();
  attach_binary(bytes);
}

ole_variant::ole_variant(const ole_variant& that) {
  tk_log1(tk_log_trace, "ole_variant::get_type");
  tk_log1(tk_log_trace, "ole_variant::copy ctor (that.vt=%d)", that.var_.vt);
  initialize();
  copy_from(that, true);
  tk_log1(tk_log_trace, "ole_variant::copy ctor at the end");
  tk_log1(tk_log_trace, "src.vt=%d", var_.vt);
}

ole_variant::~ole_variant() {
  tk_log1(tk_log_trace, "ole_variant::~ole_variant");
  clear();
}

ole_variant& ole_variant::operator=(const ole_variant& that) {
  tk_log1(tk_log_trace, "ole_variant::operator = ");
  if (this != &that) copy_from(that, false);
  tk_log1(tk_log_trace, "ole_variant::operator => src.vt=%d", var_.vt);
  return *this;
}

ole_variant& ole_variant::operator=(const std::wstring& text) {
  attach_wstring(text);
  return *this;
}

ole_variant& ole_variant::operator=(const std::vector<BYTE>& bytes) {
  tk_log1(tk_log_trace, "ole_variant::operator = ( const vector<byte>& that )");
  attach_binary(bytes);
  return *this;
}

void ole_variant::copy_from(const ole_variant& that, bool log_copy) {
  const VARTYPE vt = that.var_.vt;
  if (owns_array(vt)) {
    // Deep copies of every binary label keep their bytes.
    SAFEARRAY* copy = nullptr;
    if (FAILED(SafeArrayCopy(that.var_.parray, &copy))) throw tk_mail_assertion("ole_var", 1348);
    clear();
    var_ = that.var_;
    var_.parray = copy;
  } else {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, &that.var_);  // plain kinds, BSTRs and interface references
    clear();
    var_ = copy;
  }
  if (vt == VT_I8 || vt == VT_UI8) {
    if (log_copy) tk_log1(tk_log_trace, "Special processing for VT_(U)I8 type");
    i8_ = that.i8_;
    ui8_ = that.ui8_;
  } else if (vt == VT_DATE) {
    tk_log1(tk_log_trace, log_copy ? "Special processing for VT_DATE" : "Processing VT_DATE");
    set_date(that.date_);
    const SYSTEMTIME& t = date_.get_time();
    tk_log1(tk_log_trace, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  }
}

void ole_variant::clear() {
  if (owns_array(var_.vt)) {
    tk_log1(tk_log_detail, "Just before SafeArrayDestroy0");
    SafeArrayDestroy(var_.parray);
    var_.parray = nullptr;
    var_.vt = VT_EMPTY;
  }
  VariantClear(&var_);
}

void ole_variant::set_kind(VARTYPE vt) {
  if (var_.vt != vt) {
    clear();
    var_.vt = vt;
  }
}

void ole_variant::set_date(const ole_date& date) {
  clear();
  date_ = date;
  var_.vt = VT_DATE;
  SYSTEMTIME t = date_.get_time();
  if (date_.get_kind() == ole_date_time) {
    // A time alone is a time on day 0, which SystemTimeToVariantTime cannot take (year 0).
    var_.date = (t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0) / 86400.0;
  } else if (!SystemTimeToVariantTime(&t, &var_.date)) {
    tk_log1(tk_log_detail, "Failed to convert SYSTEMTIME->VARIANT");
    var_.date = 0;
  }
}

VARTYPE ole_variant::get_type() const {
  tk_log1(tk_log_trace, "ole_variant::get_type");
  return var_.vt;
}

bool ole_variant::is_binary() const { return var_.vt == ole_vt_binary || var_.vt == VT_BLOB; }

const SAFEARRAY* ole_variant::binary_array() const {
  const SAFEARRAY* a = is_binary() ? var_.parray : nullptr;
  return a != nullptr && a->cDims == 1 ? a : nullptr;
}

void ole_variant::attach_binary(const std::vector<BYTE>& bytes) {
  tk_log1(tk_log_trace, "ole_variant::attach_binary(1)");
  tk_log1(tk_log_trace, "arr_size=%d", static_cast<int>(bytes.size()));
  if (bytes.empty()) return;
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) throw tk_mail_assertion("ole_var", 1349);
  allocate_safe_array(static_cast<std::uint32_t>(bytes.size()));
  tk_log1(tk_log_trace, "Step #1");
  void* data = nullptr;
  SafeArrayAccessData(var_.parray, &data);
  tk_log1(tk_log_trace, "Step #2");
  std::memcpy(data, bytes.data(), bytes.size());
  SafeArrayUnaccessData(var_.parray);
  var_.vt = ole_vt_binary;
  tk_log1(tk_log_trace, "ole_variant::attach_binary(1) - end");
}

void ole_variant::allocate_safe_array(std::uint32_t size) {
  tk_log1(tk_log_trace, "ole_variant::allocate_safe_array (size=%u)", size);
  tk_log1(tk_log_trace, "src.vt=%d", var_.vt);
  if (is_binary() && var_.parray != nullptr && var_.parray->cDims == 1) {
    tk_log1(tk_log_trace, "Redimension array");
    if (get_safe_array_size(var_.parray) != size) {
      SAFEARRAYBOUND bound{size, var_.parray->rgsabound[0].lLbound};
      if (FAILED(SafeArrayRedim(var_.parray, &bound))) throw tk_mail_assertion("ole_var", 1350);
    }
  } else {
    tk_log1(tk_log_trace, "Re-initialize VARIANT");
    clear();
    SAFEARRAYBOUND bound{size, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (array == nullptr) throw tk_mail_assertion("ole_var", 1351);
    var_.vt = ole_vt_binary;
    var_.parray = array;
  }
  tk_log1(tk_log_trace, "ole_variant::allocate_safe_array - END");
}

void ole_variant::attach_string(const std::string& utf8) {
  tk_log1(tk_log_trace, "ole_variant::attach_string('%s')", utf8.c_str());
  set_kind(VT_BSTR);
  SysFreeString(var_.bstrVal);
  var_.bstrVal = nullptr;
  tk_log1(tk_log_trace, "Step #0");
  int n = 0;
  if (!utf8.empty() && utf8.size() <= static_cast<std::size_t>(INT_MAX)) {
    n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  }
  tk_log1(tk_log_trace, "Step #1");
  if (!utf8.empty() && n == 0) {
    tk_log1(tk_log_detail, "MultiByteToWideChar failed, error=%08X", static_cast<unsigned>(GetLastError()));
    n = 0;  // the value is left an empty text
  }
  var_.bstrVal = SysAllocStringLen(nullptr, static_cast<UINT>(n));
  if (var_.bstrVal == nullptr) throw tk_mail_assertion("ole_var", 1428);
  tk_log1(tk_log_trace, "Step #2");
  if (n > 0 && MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), var_.bstrVal, n) != n) {
    tk_log1(tk_log_detail, "MultiByteToWideChar2 failed, error=%08X", static_cast<unsigned>(GetLastError()));
    SysFreeString(var_.bstrVal);
    var_.bstrVal = SysAllocString(L"");
    if (var_.bstrVal == nullptr) throw tk_mail_assertion("ole_var", 1429);
    return;
  }
  tk_log1(tk_log_trace, "Step #3");
  if (ole_log_enabled(1)) tk_log2(tk_log_trace, L"src.bstrVal=%ls", var_.bstrVal);
}

void ole_variant::attach_wstring(const std::wstring& text) {
  if (ole_log_enabled(1)) tk_log2(tk_log_trace, L"ole_variant::attach_wstring('%ls')", text.c_str());
  set_kind(VT_BSTR);
  SysFreeString(var_.bstrVal);
  var_.bstrVal = nullptr;
  tk_log1(tk_log_trace, "=== RIGHT BEFORE SysAllocStringLen ===");
  if (text.size() > std::numeric_limits<UINT>::max()) throw tk_mail_assertion("ole_var", 1464);
  var_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (var_.bstrVal == nullptr) throw tk_mail_assertion("ole_var", 1465);
  if (ole_log_enabled(1)) tk_log2(tk_log_trace, L"src.bstrVal=%ls", var_.bstrVal);
}

std::uint32_t ole_variant::get_safe_array_size(const SAFEARRAY* array) {
  tk_log1(tk_log_trace, "get_safe_array_size(that=%08X)",
          static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(array)));
  if (array == nullptr) return 0;
  tk_log1(tk_log_trace, "SAFEARRAY.cDims=%d", array->cDims);
  tk_log1(tk_log_trace, "SAFEARRAY.cbElements=%d", static_cast<int>(array->cbElements));
  if (array->cDims != 1) return 0;
  const long long lower = array->rgsabound[0].lLbound;
  const long long upper = lower + static_cast<long long>(array->rgsabound[0].cElements) - 1;
  tk_log1(tk_log_trace, "lower=%lld, upper=%lld", lower, upper);
  if (lower > upper) return 0;
  return static_cast<std::uint32_t>(upper - lower + 1);
}

std::uint32_t ole_variant::get_at(std::string& out, std::uint32_t pos, std::uint32_t length) const {
  tk_log1(tk_log_trace, "ole_variant::get_at(pos=%u, length=%u)", pos, length);
  tk_log1(tk_log_trace, "src.vt=%d", var_.vt);
  out.clear();
  if (is_binary()) {
    tk_log1(tk_log_trace, "Extracting VT_ARRAY/VT_BLOB");
    const SAFEARRAY* array = binary_array();
    if (array == nullptr) return 0;
    const std::uint32_t n = std::min(get_safe_array_size(array), ole_max_binary_output);
    if (pos >= n) return 0;
    const std::uint32_t count = std::min(length, n - pos);
    tk_log1(tk_log_trace, "New length=%u", count);
    out.resize(2 * static_cast<std::size_t>(count) + 1);
    tk_to_hex1(count, static_cast<const std::uint8_t*>(array->pvData) + pos, out.data());
    out.resize(2 * static_cast<std::size_t>(count));
    return count;
  }
  if (var_.vt == VT_BSTR) {
    tk_log1(tk_log_trace, "Extracting VT_BSTR");
    const std::size_t size = var_.bstrVal == nullptr ? 0 : SysStringLen(var_.bstrVal);
    if (pos >= size) return 0;
    const std::size_t count = std::min<std::size_t>(length, size - pos);
    // The piece is counted in characters; its UTF-8 form may be up to four times as long.
    const std::wstring piece(var_.bstrVal + pos, count);
    try {
      out = tk_unicode_to_utf8(piece);
    } catch (const tk_exception&) {
      out.clear();
      return 0;
    }
    return static_cast<std::uint32_t>(count);
  }
  return 0;
}

std::uint32_t ole_variant::get_bytes1(const BYTE*& data, std::string& storage) const {
  tk_log1(tk_log_trace, "ole_variant::get_bytes1(%d)", var_.vt);
  data = nullptr;
  if (var_.vt == VT_EMPTY || var_.vt == VT_NULL) {
    tk_log1(tk_log_trace, "OLE_Variant is empty");
    return 0;
  }
  if (var_.vt == VT_BSTR) {
    if (ole_log_enabled(1)) tk_log2(tk_log_trace, L"Processing VT_BSTR: '%ls'", to_wstring().c_str());
    const std::size_t n = var_.bstrVal == nullptr ? 0 : SysStringLen(var_.bstrVal);
    tk_log1(tk_log_trace, "n_unicode=%d", static_cast<int>(n));
    tk_log1(tk_log_trace, "Right before tk_unicode_to_ansi");
    try {
      storage = tk_unicode_to_utf8(std::wstring(var_.bstrVal == nullptr ? L"" : var_.bstrVal, n));
    } catch (const tk_exception&) {
      storage.clear();
      return 0;
    }
    tk_log1(tk_log_trace, "Right before return");
    if (storage.size() > std::numeric_limits<std::uint32_t>::max()) return 0;
    data = reinterpret_cast<const BYTE*>(storage.data());
    return static_cast<std::uint32_t>(storage.size());
  }
  if (is_binary()) {
    tk_log1(tk_log_trace, "Processing binary");
    const std::uint32_t size = get_safe_array_size(var_.parray);
    tk_log1(tk_log_trace, "data_length=%u", size);
    if (size == 0) return 0;
    data = static_cast<const BYTE*>(var_.parray->pvData);
    tk_log1(tk_log_trace, "ole_variant::get_bytes - step #1");
    tk_log1(tk_log_trace, "ole_variant::get_bytes - just before the end");
    return size;
  }
  throw tk_mail_assertion("ole_var", 1229);
}

bool ole_variant::to_bool() const {
  tk_log1(tk_log_trace, "ole_variant::to_bool(vt=%08X)", var_.vt);
  switch (var_.vt) {
    case VT_I2:
    case VT_UI2: return var_.uiVal != 0;
    case VT_I4:
    case VT_UI4: return var_.ulVal != 0;
    case VT_R4: return var_.fltVal != 0.0f;
    case VT_R8: return var_.dblVal != 0.0;
    // Any non-zero amount is true, also one that rounds to 0 or lies beyond 32 bits.
    case VT_CY: return var_.cyVal.int64 != 0;
    case VT_DECIMAL: return (var_.decVal.Hi32 | var_.decVal.Mid32 | var_.decVal.Lo32) != 0;
    case VT_BOOL: return static_cast<USHORT>(var_.boolVal) == 0xFFFF;
    case VT_I1:
    case VT_UI1: return var_.bVal != 0;
    case VT_I8: return i8_ != 0;
    case VT_UI8: return ui8_ != 0;
    default: return false;
  }
}

std::int32_t ole_variant::to_long() const {
  tk_log1(tk_log_trace, "ole_variant::to_long(vt=%08X)", var_.vt);
  constexpr double lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double highest = std::numeric_limits<std::int32_t>::max();
  switch (var_.vt) {
    case VT_I2: return var_.iVal;
    case VT_I4: return var_.lVal;
    case VT_UI4:
      if (var_.ulVal > static_cast<ULONG>(std::numeric_limits<std::int32_t>::max())) throw ole_cast_exception();
      return static_cast<std::int32_t>(var_.ulVal);
    case VT_R4:
    case VT_R8: {
      const double d = std::trunc(var_.vt == VT_R4 ? static_cast<double>(var_.fltVal) : var_.dblVal);
      if (!(d >= lowest && d <= highest)) throw ole_cast_exception();  // also NaN
      return static_cast<std::int32_t>(d);
    }
    case VT_CY: {
      LONG res = 0;
      HRESULT hr = VarI4FromCy(var_.cyVal, &res);
      tk_log1(tk_log_trace, "from CURRECY: res=%d, hr=%08X", res, static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? res : 0;
    }
    case VT_DECIMAL: {
      LONG res = 0;
      HRESULT hr = VarI4FromDec(&var_.decVal, &res);
      tk_log1(tk_log_trace, "from DECIMAL: res=%d, hr=%08X", res, static_cast<unsigned>(hr));
      return SUCCEEDED(hr) ? res : 0;
    }
    case VT_BOOL:
      tk_log1(tk_log_trace, "src.boolVal=%d", var_.boolVal);
      if (ole_bool_map::ms_fashion()) return var_.boolVal;
      return static_cast<USHORT>(var_.boolVal) == 0xFFFF ? 1 : 0;
    case VT_I1: return var_.cVal;
    case VT_UI1: return var_.bVal;
    case VT_UI2: return var_.uiVal;
    case VT_I8:
      if (i8_ < std::numeric_limits<std::int32_t>::min() || i8_ > std::numeric_limits<std::int32_t>::max())
        throw ole_cast_exception();
      return static_cast<std::int32_t>(i8_);
    case VT_UI8:
      if (ui8_ > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) throw ole_cast_exception();
      return static_cast<std::int32_t>(ui8_);
    default: return 0;
  }
}

std::vector<BYTE>& ole_variant::convert_to_byte_array(const BYTE* bytes, std::uint32_t n, std::vector<BYTE>& out) {
  tk_log1(tk_log_trace, "convert_to_byte_array(%u)", n);
  out.assign(bytes, bytes + n);
  return out;
}
