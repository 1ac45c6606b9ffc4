// BSTR allocation: a 32-bit byte count stored just before the characters, and a NUL after them.
#include "platform/oleaut/oleauto.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>

namespace {

using bstr_prefix = std::uint32_t;
static_assert(alignof(OLECHAR) <= sizeof(bstr_prefix), "characters must be aligned after the count");

constexpr UINT max_chars = (std::numeric_limits<bstr_prefix>::max() - sizeof(bstr_prefix)) / sizeof(OLECHAR) - 1;

bstr_prefix* prefix_of(BSTR text) {
  return reinterpret_cast<bstr_prefix*>(reinterpret_cast<char*>(text) - sizeof(bstr_prefix));
}

BSTR allocate(const OLECHAR* text, UINT length) {
  if (length > max_chars) return nullptr;
  std::size_t bytes = sizeof(bstr_prefix) + (static_cast<std::size_t>(length) + 1) * sizeof(OLECHAR);
  void* block = std::malloc(bytes);
  if (block == nullptr) return nullptr;
  *static_cast<bstr_prefix*>(block) = static_cast<bstr_prefix>(length * sizeof(OLECHAR));
  BSTR chars = reinterpret_cast<BSTR>(static_cast<char*>(block) + sizeof(bstr_prefix));
  if (text != nullptr)
    std::memcpy(chars, text, length * sizeof(OLECHAR));
  else
    std::memset(chars, 0, length * sizeof(OLECHAR));
  chars[length] = L'\0';
  return chars;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  return allocate(text, static_cast<UINT>(std::min<std::size_t>(std::wcslen(text), max_chars + 1)));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) { return allocate(text, length); }

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(prefix_of(text));
}

INT SysReAllocStringLen(BSTR* target, const OLECHAR* text, UINT length) {
  if (target == nullptr) return FALSE;
  BSTR fresh = allocate(text, length);
  if (fresh == nullptr) return FALSE;
  SysFreeString(*target);  // after the copy: `text` may point into the old string
  *target = fresh;
  return TRUE;
}

UINT SysStringByteLen(BSTR text) { return text == nullptr ? 0 : *prefix_of(text); }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }
