// The braced text form of GUIDs, as the registry and COM write it.
#include "platform/oleaut/guid.h"

#include <cwchar>

namespace {

constexpr wchar_t hex_digits[] = L"0123456789ABCDEF";

// Byte order of the text: Data1 (4 bytes), Data2, Data3 (2 each), then Data4 in two groups.
void put_hex(wchar_t*& out, unsigned long long value, int digits) {
  for (int i = digits - 1; i >= 0; --i) out[i] = hex_digits[(value >> (4 * (digits - 1 - i))) & 0xF];
  out += digits;
}

int hex_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool read_hex(const wchar_t*& in, int digits, unsigned long long& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    int v = hex_value(in[i]);
    if (v < 0) return false;  // also stops at the NUL of a short text
    value = (value << 4) | static_cast<unsigned>(v);
  }
  in += digits;
  return true;
}

bool expect(const wchar_t*& in, wchar_t c) {
  if (*in != c) return false;
  ++in;
  return true;
}

}  // namespace

int StringFromGUID2(REFGUID guid, wchar_t* text, int max_chars) {
  if (text == nullptr || max_chars < 39) return 0;
  wchar_t* out = text;
  *out++ = L'{';
  put_hex(out, guid.Data1, 8);
  *out++ = L'-';
  put_hex(out, guid.Data2, 4);
  *out++ = L'-';
  put_hex(out, guid.Data3, 4);
  *out++ = L'-';
  put_hex(out, guid.Data4[0], 2);
  put_hex(out, guid.Data4[1], 2);
  *out++ = L'-';
  for (int i = 2; i < 8; ++i) put_hex(out, guid.Data4[i], 2);
  *out++ = L'}';
  *out++ = L'\0';
  return static_cast<int>(out - text);
}

HRESULT CLSIDFromString(const wchar_t* text, CLSID* guid) {
  if (guid == nullptr) return E_POINTER;
  *guid = GUID_NULL;
  if (text == nullptr) return E_INVALIDARG;
  const wchar_t* in = text;
  GUID parsed{};
  unsigned long long v = 0;
  if (!expect(in, L'{') || !read_hex(in, 8, v)) return E_INVALIDARG;
  parsed.Data1 = static_cast<DWORD>(v);
  if (!expect(in, L'-') || !read_hex(in, 4, v)) return E_INVALIDARG;
  parsed.Data2 = static_cast<WORD>(v);
  if (!expect(in, L'-') || !read_hex(in, 4, v)) return E_INVALIDARG;
  parsed.Data3 = static_cast<WORD>(v);
  if (!expect(in, L'-')) return E_INVALIDARG;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !expect(in, L'-')) return E_INVALIDARG;
    if (!read_hex(in, 2, v)) return E_INVALIDARG;
    parsed.Data4[i] = static_cast<BYTE>(v);
  }
  if (!expect(in, L'}') || *in != L'\0') return E_INVALIDARG;
  *guid = parsed;
  return S_OK;
}

HRESULT IIDFromString(const wchar_t* text, IID* guid) { return CLSIDFromString(text, guid); }

std::wstring guid_to_wstring(REFGUID guid) {
  wchar_t text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}
