// Values of Access rows through DAO Fields.
#include "dao/dao_field.h"

#include <cstring>

#include "OLE/ole_date.h"
#include "OLE/ole_value_log.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "dao/dao_attachment_file.h"
#include "dao/dao_bstr.h"
#include "dao/dao_exception.h"
#include "dao/dao_record.h"

namespace {

// Access keeps a time of day as a date on its day zero; printed, that day is noise.
constexpr const char* day_zero = "1899-12-30";
constexpr const wchar_t* wday_zero = L"1899-12-30";

template <class S>
S without_day_zero(S text, const S& day, const S& time_only, const S& no_date) {
  std::size_t at = text.find(day);
  if (at == S::npos) return text;
  tk_log1(tk_log_trace, "Fake date has been found");
  if (text.size() <= day.size()) {
    tk_log1(tk_log_trace, "Transform pure fake date to pure time");
    return time_only;
  }
  return text.replace(at, day.size(), no_date);
}

}  // namespace

dao_field::dao_field(_DAOField* field, bool value_required) : field_(field) {
  tk_log1(tk_log_trace, "dao_field::ctor");
  if (!field) throw tk_mail_assertion("dao_rec", 27);
  dao_bstr bname;
  dao_check(field_->get_Name(bname.out()));
  name = bname.text();
  LONG lsize = 0;
  dao_check(field_->get_Size(&lsize));
  size = static_cast<std::uint32_t>(lsize);
  dao_check(field_->get_Type(&dao_type_));
  tk_log2(tk_log_trace, L"Field name='%ls', size=%d, native type=%d", name.c_str(), static_cast<int>(lsize),
          static_cast<int>(dao_type_));
  VARIANT_BOOL required = VARIANT_FALSE;
  dao_check(field_->get_Required(&required));
  not_null = required == VARIANT_TRUE;
  LONG attributes = 0;
  dao_check(field_->get_Attributes(&attributes));
  auto_increment = (attributes & dbAutoIncrField) != 0;
  read_value(value_required);
}

void dao_field::reload() {
  static_cast<ole_variant&>(*this) = ole_variant();
  read_value(true);
}

void dao_field::read_value(bool value_required) {
  const short dao_type = dao_type_;
  kept_as_stored.clear();
  fraction_dropped = false;
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = field_->get_Value(&value);
  // A row whose value cannot be read must not pass as a row with a NULL in it.
  if (FAILED(hr)) {
    VariantClear(&value);
    if (value_required) throw dao_exception();
    VariantInit(&value);
  }
  tk_log1(tk_log_trace, "src.vt=%d", static_cast<int>(value.vt));
  ole_variant& self = *this;
  switch (value.vt) {
    // 64-bit numbers live in the value's own members, not in its VARIANT.
    case VT_I8: self = ole_variant(static_cast<std::int64_t>(value.llVal)); break;
    case VT_UI8: self = ole_variant(static_cast<std::uint64_t>(value.ullVal)); break;
    case VT_DATE: {
      tk_log1(tk_log_trace, "Special processing for VT_DATE");
      SYSTEMTIME st{};
      if (ole_whole_seconds_of_variant_time(value.date, st, fraction_dropped)) {
        set_date(ole_date(st));
      } else {
        tk_log1(tk_log_detail, "Failed to convert VARIANT->SYSTEMTIME");
        VariantClear(&get_variant());
        get_variant() = value;
      }
      break;
    }
    default:
      if (value.vt == VT_NULL) tk_log1(tk_log_trace, "*** NULL *** ");
      VariantClear(&get_variant());
      get_variant() = value;  // the value's VARIANT takes over what DAO handed out
      if (value.vt == VT_DISPATCH && dao_type == dbAttachment)
        read_attachment();
      else if (value.vt == VT_DISPATCH && is_multi_value(dao_type))
        read_multi_values();
      break;
  }
  if (ole_log_enabled(tk_log_trace)) tk_log1(tk_log_trace, "Got DAO field: %s", to_string().c_str());
}

void dao_field::read_attachment() {
  tk_log1(tk_log_trace, "Special processing for dbAttachment");
  IDispatch* dispatch = get_variant().pdispVal;
  if (!dispatch) {
    tk_log1(tk_log_trace, "IDispatch pointer is NULL");
    return;
  }
  ole_com_ptr<DAORecordset> files;
  if (SUCCEEDED(dispatch->QueryInterface(IID_DAORecordset, reinterpret_cast<void**>(files.out()))) && files)
    tk_log1(tk_log_trace, "We've got DAORecordset interface!");
  else
    tk_log1(tk_log_trace, "FAILED to get DAORecordset interface");
  LONG n_records = 0;
  dao_check(files->get_RecordCount(&n_records));
  tk_log1(tk_log_trace, "n_records=%d", static_cast<int>(n_records));
  ole_com_ptr<DAOFields> fields;
  dao_check(files->get_Fields(fields.out()), fields);
  VARIANT_BOOL eof = VARIANT_FALSE;
  dao_check(files->get_EOF(&eof));
  if (eof) {
    // No file attached: the column holds nothing, which is a NULL, not an error of the row.
    static_cast<ole_variant&>(*this) = ole_variant();
    get_variant().vt = VT_NULL;
    return;
  }
  ole_variant first;
  {
    dao_record current(fields.get());
    tk_log1(tk_log_trace, "r.size()=%d", static_cast<int>(current.fields.size()));
    if (current.fields.empty()) return;
    first = *current.fields.front();
  }
  // One value per column: the current file stays, and the user learns of every other one.
  if (SUCCEEDED(files->MoveNext()) && SUCCEEDED(files->get_EOF(&eof))) {
    while (!eof) {
      dao_record other(fields.get(), false);
      udb_field* file_name = other.get_field(L"FileName");
      tk_log2(tk_log_event, L"Attachment column '%ls': file '%ls' left out, only the first file is converted",
              name.c_str(), file_name ? file_name->to_wstring().c_str() : L"");
      if (FAILED(files->MoveNext()) || FAILED(files->get_EOF(&eof))) break;
    }
  }
  static_cast<ole_variant&>(*this) = first;
  unwrap_attachment();
}

void dao_field::unwrap_attachment() {
  if (get_type() != ole_vt_binary) return;
  const BYTE* stored = nullptr;
  std::string storage;
  const std::uint32_t size = get_bytes1(stored, storage);
  dao_attachment_file file = dao_unwrap_attachment(stored, size);
  if (!file.unwrapped) {
    // The bytes stay as Access stored them, so nothing is lost; the run reports where they are.
    kept_as_stored =
        "the attachment is not in the form Access stores files in (" + file.fault + "); its stored bytes are kept";
    tk_log2(tk_log_event, L"Attachment column '%ls': %ls; kept as stored", name.c_str(),
            tk_utf8_to_unicode(file.fault).c_str());
    return;
  }
  // An empty file is an empty byte string, not a missing value.
  ole_variant bytes;
  bytes.allocate_safe_array(static_cast<std::uint32_t>(file.bytes.size()));
  if (!file.bytes.empty()) std::memcpy(bytes.get_variant().parray->pvData, file.bytes.data(), file.bytes.size());
  static_cast<ole_variant&>(*this) = bytes;
}

void dao_field::read_multi_values() {
  IDispatch* dispatch = get_variant().pdispVal;
  ole_com_ptr<DAORecordset> values;
  if (!dispatch) throw tk_mail_assertion("dao_rec", 131);
  dao_check(dispatch->QueryInterface(IID_DAORecordset, reinterpret_cast<void**>(values.out())), values);
  ole_com_ptr<DAOFields> fields;
  dao_check(values->get_Fields(fields.out()), fields);
  std::wstring joined;
  bool any = false;
  VARIANT_BOOL eof = VARIANT_FALSE;
  dao_check(values->get_EOF(&eof));
  while (!eof) {
    dao_record item(fields.get());
    if (!item.fields.empty()) {
      if (any) joined += L"; ";
      joined += item.fields.front()->to_wstring();
      any = true;
    }
    dao_check(values->MoveNext());
    dao_check(values->get_EOF(&eof));
  }
  ole_variant& self = *this;
  if (any) {
    self = ole_variant(joined);
  } else {
    self = ole_variant();
    get_variant().vt = VT_NULL;
  }
}

bool dao_field::is_multi_value(short dao_type) { return dao_type >= dbComplexByte && dao_type <= dbComplexText; }

VARTYPE dao_field::get_vartype(short dao_type) {
  tk_log1(tk_log_trace, "dao_field::get_vartype(%d)", static_cast<int>(dao_type));
  switch (dao_type) {
    case dbBoolean: return VT_BOOL;
    case dbByte: return VT_UI1;
    case dbInteger: return VT_I2;
    case dbLong: return VT_I4;
    case dbCurrency: return VT_CY;
    case dbSingle: return VT_R4;
    case dbDouble:
    case dbFloat: return VT_R8;
    // Exact types stay exact: a double would lose the digits past the fifteenth.
    case dbNumeric:
    case dbDecimal: return VT_DECIMAL;
    // A 64-bit integer column, not eight bytes of binary.
    case dbBigInt: return VT_I8;
    case dbDate:
    case dbTime: return VT_DATE;
    case dbText:
    case dbMemo: return VT_BSTR;
    default: return is_multi_value(dao_type) ? VT_BSTR : VT_ARRAY | VT_UI1;
  }
}

VARTYPE dao_field::get_type() const {
  tk_log1(tk_log_trace, "dao_field::get_type");
  if (get_variant().vt == VT_EMPTY) {
    if (!field_) throw tk_mail_assertion("dao_rec", 388);
    // The column's type, read when the field was made.
    VARTYPE vt = get_vartype(dao_type_);
    tk_log1(tk_log_trace, "vt2=%08X", static_cast<unsigned>(vt));
    return vt;
  }
  tk_log1(tk_log_trace, "Use ole_variant::get_type");
  VARTYPE vt = ole_variant::get_type();
  tk_log1(tk_log_trace, "vt1=%08X", static_cast<unsigned>(vt));
  return vt;
}

std::string dao_field::to_string() const {
  VARTYPE vt = get_type();
  tk_log1(tk_log_trace, "dao_field::to_string(vt=%08X)", static_cast<unsigned>(vt));
  if (!field_) throw tk_mail_assertion("dao_rec", 255);
  if (vt != VT_DATE) return ole_variant::to_string();
  return without_day_zero<std::string>(ole_variant::to_string(), day_zero, "00:00:00", "0000-00-00");
}

std::wstring dao_field::to_wstring() const {
  VARTYPE vt = get_type();
  tk_log1(tk_log_trace, "dao_field::to_wstring(vt=%08X)", static_cast<unsigned>(vt));
  if (vt != VT_DATE) return ole_variant::to_wstring();
  return without_day_zero<std::wstring>(ole_variant::to_wstring(), wday_zero, L"00:00:00", L"0000-00-00");
}
