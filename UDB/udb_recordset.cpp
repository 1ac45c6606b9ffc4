// What every recordset shares: keys, key conditions, row conversion and index registration.
#include "UDB/udb_recordset.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"

namespace {

const char kNotConforming[] = "The structure of data source does not conform to the destination table.";

// Columns whose key values are written without quotes.
bool is_unquoted_type(VARTYPE vt) {
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
    case VT_BLOB:
    case VT_BLOB_OBJECT:
    case VT_ARRAY | VT_UI1: return true;
    default: return false;
  }
}

bool is_binary_type(VARTYPE vt) { return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == (VT_ARRAY | VT_UI1); }

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool is_hex_digit(wchar_t c) { return is_digit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

// A decimal number as the value type writes one: sign, digits, fraction, exponent.
bool is_number(const std::wstring& s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) ++i;
  size_t digits = 0;
  while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == L'.') {
    ++i;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == L'e' || s[i] == L'E')) {
    ++i;
    if (i < s.size() && (s[i] == L'-' || s[i] == L'+')) ++i;
    size_t exponent = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

// A binary value as the value type writes one: 0x and hexadecimal digits.
bool is_hex_literal(const std::wstring& s) {
  if (s.size() < 3 || s[0] != L'0' || (s[1] != L'x' && s[1] != L'X')) return false;
  for (size_t i = 2; i < s.size(); ++i)
    if (!is_hex_digit(s[i])) return false;
  return true;
}

}  // namespace

udb_recordset::udb_recordset(udb_database* database_, const std::wstring& table_name_, const std::wstring& query_,
                             bool case_sensitive)
    : query(query_), table_name(table_name_), schema(case_sensitive), database(database_) {}

udb_recordset::udb_recordset(udb_database* database_, const std::wstring& table_name_, bool case_sensitive)
    : table_name(table_name_), schema(case_sensitive), database(database_) {}

udb_recordset::udb_recordset(const std::wstring& table_name_) : table_name(table_name_), schema(true) {
  tk_log1(tk_log_detail, "udb_recordset::ctor(default)");
}

udb_recordset::~udb_recordset() { tk_log1(tk_log_trace, "udb_recordset::dtor"); }

void udb_recordset::update2(udb_record&, const std::wstring&) { tk_log1(tk_log_trace, "udb_recordset::update2"); }
void udb_recordset::update1(udb_record&) { tk_log1(tk_log_trace, "udb_recordset::update1"); }
udb_record* udb_recordset::get_item() { return nullptr; }
bool udb_recordset::is_eof() { return true; }
void udb_recordset::move_to(std::uint32_t position) {
  tk_log1(tk_log_trace, "udb_recordset::move_to(%d)", static_cast<int>(position));
}
void udb_recordset::delete_key(const std::wstring&) {}
void udb_recordset::delete_key(const udb_record&) {}

void udb_recordset::add_index(const udb_index& index) {
  tk_log2(tk_log_detail, L"udb_recordset::add_index(%ls, %d)", index.name.c_str(), key_index);
  tk_log2(tk_log_trace, L"udb_indexes::is_acceptable_name(%ls)", index.name.c_str());
  if (indexes.find(index.name) >= 0) {
    tk_log2(tk_log_detail, L"Index '%ls' cannot be processed", index.name.c_str());
    return;
  }
  if (index.primary || (index.unique && key_index < 0)) {
    tk_log1(tk_log_detail, "Store primary/unique key");
    key_index = static_cast<std::int32_t>(indexes.size());
  }
  indexes.push_back(index);
}

std::unique_ptr<udb_record> udb_recordset::get_key(const udb_record& record) {
  tk_log1(tk_log_trace, "udb_recordset::get_key(that.size=%d)", static_cast<int>(record.fields.size()));
  if (key_index < 0 || static_cast<size_t>(key_index) >= indexes.size())
    throw tk_exception("There's no primary/unique key", tk_kind_error);
  const udb_index& key = indexes[static_cast<size_t>(key_index)];
  tk_log1(tk_log_trace, "u_k_flds.size=%d", static_cast<int>(key.fields.size()));
  auto result = std::make_unique<udb_record>();
  for (size_t i = 0; i < key.fields.size(); ++i) {
    tk_log1(tk_log_trace, "Step %d.1", static_cast<int>(i));
    const udb_field* field = record.get_field(key.fields[i]);
    if (field == nullptr) {
      tk_log2(tk_log_event, L"Key field '%ls' is not found in record", key.fields[i].c_str());
      return nullptr;
    }
    tk_log2(tk_log_trace, L">> Got key field: %ls", field->to_wstring().c_str());
    result->append(std::make_unique<udb_field>(*field));
    tk_log1(tk_log_trace, "Step %d.2", static_cast<int>(i));
  }
  tk_log1(tk_log_trace, "Just before exit: result.size=%d", static_cast<int>(result->fields.size()));
  return result;
}

std::wstring udb_recordset::quote_name(const std::wstring& name) const {
  return L"`" + tk_wstring::replace_all(name, L"`", L"``") + L"`";
}

std::wstring udb_recordset::quote_text(const std::wstring& text) const {
  std::wstring quoted = L"'";
  for (wchar_t c : text) {
    if (c == L'\'' || c == L'\\') quoted += c;
    quoted += c;
  }
  return quoted + L"'";
}

std::wstring udb_recordset::get_filter_subquery(const std::wstring& key_text) {
  tk_log2(tk_log_trace, L"udb_recordset::get_filter_subquery(%ls)", key_text.c_str());
  std::wstring result, name, value;
  int open_tags = 0;
  bool in_value = false;  // between the end of an opening tag and the end of its closing tag
  for (size_t pos = 0; pos < key_text.size(); ++pos) {
    const wchar_t c = key_text[pos];
    if (c == L'<') {
      tk_log1(tk_log_trace, "Open XML-tag at pos=%d", static_cast<int>(pos));
      if (++open_tags < 2) continue;
      // The start of the closing tag: the value is complete.
      const t_ftd* column = schema.get_field1(name);
      if (column != nullptr && is_unquoted_type(column->vartype)) {
        tk_log1(tk_log_trace, "Special processing for binary");
        const bool valid =
            is_binary_type(column->vartype) ? is_hex_literal(value) || is_number(value) : is_number(value);
        if (!valid) {
          tk_log2(tk_log_detail, L"Key value '%ls' of column '%ls' is not a number", value.c_str(), name.c_str());
          throw tk_exception(kNotConforming, tk_kind_continuable);
        }
        result += L"=" + value;
      } else {
        value = tk_wstring::replace_all(value, L"&lt;", L"<");
        value = tk_wstring::replace_all(value, L"&gt;", L">");
        value = tk_wstring::replace_all(value, L"&amp;", L"&");
        result += L"=" + quote_text(value) + L" ";
      }
      open_tags = 0;
      name.clear();
      value.clear();
    } else if (c == L'>') {
      tk_log1(tk_log_trace, "Close XML-tag at pos=%d", static_cast<int>(pos));
      if (!in_value) {
        if (!result.empty()) result += L" and ";
        const t_ftd* column = schema.get_field1(name);
        if (column == nullptr) {
          tk_log2(tk_log_detail, L"Field %ls not found in the schema", name.c_str());
          throw tk_exception(kNotConforming, tk_kind_continuable);
        }
        result += quote_name(column->name);
        in_value = true;
      } else {
        in_value = false;
      }
    } else if (open_tags == 1) {
      (in_value ? value : name) += c;
    }
  }
  return result;
}

void udb_recordset::convert_record(udb_record& record) {
  tk_log1(tk_log_trace, "udb_recordset::convert_record");
  for (auto& field : record.fields) {
    if (!field) continue;
    const std::wstring mapped =
        database != nullptr ? database->names_map.get_fn_mapped_name(table_name, field->name, true) : field->name;
    tk_log2(tk_log_trace, L"Got mapped field name: %ls", mapped.c_str());
    const t_ftd* column = schema.get_field1(mapped);
    if (column == nullptr) {
      tk_log2(tk_log_trace, L"Field '%ls' not found in schema", mapped.c_str());
      throw tk_exception(kNotConforming, tk_kind_error);
    }
    tk_log2(tk_log_trace, L"field '%ls': from=%d, to=%d", field->name.c_str(), static_cast<int>(field->get_type()),
            static_cast<int>(column->vartype));
    field->change_type(column->vartype);
  }
}
