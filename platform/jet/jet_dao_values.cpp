// Stored values and column definitions as DAO presents them.
#include "platform/jet/jet_dao_model.h"

#include <cstring>

#include "platform/jet/jet_calculated.h"

namespace dao_impl {

namespace {
constexpr std::uint16_t jet_flag_hyperlink = 0x80;
constexpr int calculated_decimal_scale = 28;
constexpr int calculated_decimal_precision = 29 + calculated_decimal_scale;
// A text result in a column whose definition gives another type: Access's longest Text.
constexpr int calculated_text_size = 255;
}  // namespace

short dao_type_of(int jet_type) {
  switch (jet_type) {
    case jet::jet_bool: return dbBoolean;
    case jet::jet_byte: return dbByte;
    case jet::jet_int: return dbInteger;
    case jet::jet_long: return dbLong;
    case jet::jet_money: return dbCurrency;
    case jet::jet_float: return dbSingle;
    case jet::jet_double: return dbDouble;
    case jet::jet_datetime: return dbDate;
    case jet::jet_binary: return dbBinary;
    case jet::jet_text: return dbText;
    case jet::jet_ole: return dbLongBinary;
    case jet::jet_memo: return dbMemo;
    case jet::jet_guid: return dbGUID;
    case jet::jet_numeric: return dbDecimal;
    case jet::jet_complex: return dbAttachment;
    case jet::jet_bigint: return dbBigInt;
    case jet::jet_datetime_ext: return dbText;
    default: return dbBinary;
  }
}

const jet::jet_property_block* find_block(const std::vector<jet::jet_property_block>& blocks,
                                          const std::wstring& owner) {
  for (const auto& b : blocks)
    if (jet::jet_compare_names(b.owner, owner) == 0) return &b;
  return nullptr;
}

namespace {

bool prop_bool(const jet::jet_value& v) {
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* i = std::get_if<std::uint8_t>(&v)) return *i != 0;
  if (const auto* i = std::get_if<std::int16_t>(&v)) return *i != 0;
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i != 0;
  return false;
}

}  // namespace

dao_column_meta describe_column(const jet::jet_file& file, const jet::jet_column& c,
                                const std::vector<jet::jet_property>* stored) {
  dao_column_meta m;
  m.column = c;
  m.name = c.name;
  if (stored) jet::jet_apply_calculation(m.column, jet::jet_calculation_of(*stored));
  // A calculated column's values, and so its DAO type, are those of its result.
  const int value_type = jet::jet_value_type(m.column);
  m.type = dao_type_of(value_type);
  m.ordinal = static_cast<short>(c.number);
  switch (value_type) {
    case jet::jet_text:
      if (c.type != jet::jet_text)
        m.size = calculated_text_size;
      else
        m.size = file.header().format == jet::jet_format::jet3 ? c.size : c.size / 2;
      break;
    case jet::jet_memo:
    case jet::jet_ole: m.size = 0; break;
    case jet::jet_bool: m.size = 1; break;
    case jet::jet_byte: m.size = 1; break;
    case jet::jet_int: m.size = 2; break;
    case jet::jet_long:
    case jet::jet_float:
    case jet::jet_complex: m.size = 4; break;
    case jet::jet_money:
    case jet::jet_double:
    case jet::jet_datetime:
    case jet::jet_bigint: m.size = 8; break;
    case jet::jet_guid: m.size = 16; break;
    case jet::jet_numeric: m.size = 16; break;
    // Read as "YYYY-MM-DD hh:mm:ss.fffffff"; a value that is not one keeps its stored text.
    case jet::jet_datetime_ext: m.size = c.size > 27 ? c.size : 27; break;
    default: m.size = c.size; break;
  }
  m.attributes = c.fixed ? dbFixedField : dbVariableField;
  // The AutoNumber flag bit means nothing on columns of other types.
  if ((c.auto_long && c.type == jet::jet_long) || (c.auto_guid && c.type == jet::jet_guid))
    m.attributes |= dbAutoIncrField;
  else
    m.attributes |= dbUpdatableField;
  if ((c.flags & jet_flag_hyperlink) && c.type == jet::jet_memo) m.attributes |= dbHyperlinkField;
  if (stored) {
    for (const auto& p : *stored) {
      dao_prop dp{p.name, dao_type_of(p.type), p.value};
      if (jet::jet_compare_names(p.name, L"Required") == 0)
        m.required = prop_bool(p.value);
      else if (jet::jet_compare_names(p.name, L"AllowZeroLength") == 0)
        m.allow_zero_length = prop_bool(p.value);
      else if (jet::jet_compare_names(p.name, L"DefaultValue") == 0) {
        if (const auto* s = std::get_if<std::wstring>(&p.value)) m.default_value = *s;
      }
      m.properties.push_back(std::move(dp));
    }
  }
  if (m.column.calculated && value_type == jet::jet_numeric && m.column.precision == 0) {
    // A calculated Decimal names no precision or scale: each value keeps its own scale (up to
    // 28) on a 96-bit magnitude (up to 29 digits). A column that holds them all exactly:
    m.column.precision = calculated_decimal_precision;
    m.column.scale = calculated_decimal_scale;
  }
  return m;
}

namespace {

HRESULT bytes_variant(const std::uint8_t* data, std::size_t size, VARIANT* out) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!a) return E_OUTOFMEMORY;
  if (size) {
    void* p = nullptr;
    if (FAILED(SafeArrayAccessData(a, &p))) {
      SafeArrayDestroy(a);
      return E_FAIL;
    }
    std::memcpy(p, data, size);
    SafeArrayUnaccessData(a);
  }
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = a;
  return S_OK;
}

HRESULT text_variant(const std::wstring& s, VARIANT* out) {
  out->bstrVal = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  if (!out->bstrVal) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  return S_OK;
}

}  // namespace

HRESULT to_variant(const jet::jet_value& value, const jet::jet_column& column, VARIANT* out) {
  VariantInit(out);
  return std::visit(
      [&](const auto& v) -> HRESULT {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::jet_null>) {
          out->vt = VT_NULL;
        } else if constexpr (std::is_same_v<T, bool>) {
          out->vt = VT_BOOL;
          out->boolVal = vbool(v);
        } else if constexpr (std::is_same_v<T, std::uint8_t>) {
          out->vt = VT_UI1;
          out->bVal = v;
        } else if constexpr (std::is_same_v<T, std::int16_t>) {
          out->vt = VT_I2;
          out->iVal = v;
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          out->vt = VT_I4;
          out->lVal = v;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          out->vt = VT_I8;
          out->llVal = v;
        } else if constexpr (std::is_same_v<T, jet::jet_currency>) {
          out->vt = VT_CY;
          out->cyVal.int64 = v.scaled;
        } else if constexpr (std::is_same_v<T, float>) {
          out->vt = VT_R4;
          out->fltVal = v;
        } else if constexpr (std::is_same_v<T, double>) {
          out->vt = VT_R8;
          out->dblVal = v;
        } else if constexpr (std::is_same_v<T, jet::jet_date>) {
          out->vt = VT_DATE;
          out->date = v.days;
        } else if constexpr (std::is_same_v<T, std::wstring>) {
          return text_variant(v, out);
        } else if constexpr (std::is_same_v<T, jet::jet_bytes>) {
          return bytes_variant(v.data(), v.size(), out);
        } else if constexpr (std::is_same_v<T, jet::jet_uuid>) {
          // Replication IDs read as "{guid {...}}", as DAO gives them.
          GUID g;
          const std::uint8_t* b = v.bytes;
          g.Data1 = static_cast<DWORD>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<DWORD>(b[3]) << 24));
          g.Data2 = static_cast<WORD>(b[4] | (b[5] << 8));
          g.Data3 = static_cast<WORD>(b[6] | (b[7] << 8));
          std::memcpy(g.Data4, b + 8, 8);
          return text_variant(L"{guid " + guid_to_wstring(g) + L"}", out);
        } else if constexpr (std::is_same_v<T, jet::jet_decimal>) {
          out->decVal.wReserved = VT_DECIMAL;
          out->decVal.scale = v.scale;
          out->decVal.sign = v.negative ? DECIMAL_NEG : 0;
          out->decVal.Hi32 = v.hi;
          out->decVal.Mid32 = static_cast<ULONG>(v.lo >> 32);
          out->decVal.Lo32 = static_cast<ULONG>(v.lo);
        } else if constexpr (std::is_same_v<T, jet::jet_complex_id>) {
          out->vt = VT_I4;
          out->lVal = v.id;
        }
        (void)column;
        return S_OK;
      },
      value);
}

}  // namespace dao_impl
