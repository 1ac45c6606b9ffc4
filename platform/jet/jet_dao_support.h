// Small helpers the DAO classes share: an owning interface pointer, BSTR results and the
// reading of collection Item arguments (ordinal or name).
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/jet/dao.h"

namespace dao_impl {

// Owns one reference to a COM object.
template <class T>
class ref {
 public:
  ref() = default;
  // Takes over the reference the creator handed out (no AddRef).
  static ref adopt(T* p) {
    ref r;
    r.p_ = p;
    return r;
  }
  // Shares an existing object (AddRef).
  static ref share(T* p) {
    if (p) p->AddRef();
    return adopt(p);
  }
  ref(const ref& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ref(ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ref& operator=(ref o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ref() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Hands one new reference to an out-parameter.
  template <class U>
  HRESULT copy_to(U** out) const {
    if (out == nullptr) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

 private:
  T* p_ = nullptr;
};

inline HRESULT out_bstr(BSTR* out, const std::wstring& text) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

template <class T, class V>
HRESULT out_value(T* out, V value) {
  if (out == nullptr) return E_POINTER;
  *out = static_cast<T>(value);
  return S_OK;
}

inline VARIANT_BOOL vbool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

inline std::wstring bstr_text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// A collection Item argument: an ordinal from any integer kind, or a name.
struct item_key {
  std::optional<long> ordinal;
  std::wstring name;
  bool valid = true;
};

inline item_key read_item_key(const VARIANT& v) {
  const VARIANT* p = &v;
  if ((v.vt & VT_BYREF) && (v.vt & ~VT_BYREF) == VT_VARIANT && v.pvarVal) p = v.pvarVal;
  item_key k;
  switch (p->vt) {
    case VT_I2: k.ordinal = p->iVal; break;
    case VT_UI2: k.ordinal = p->uiVal; break;
    case VT_I4: k.ordinal = p->lVal; break;
    case VT_UI4: k.ordinal = static_cast<long>(p->ulVal); break;
    case VT_INT: k.ordinal = p->intVal; break;
    case VT_UINT: k.ordinal = static_cast<long>(p->uintVal); break;
    case VT_UI1: k.ordinal = p->bVal; break;
    case VT_I8: k.ordinal = static_cast<long>(p->llVal); break;
    case VT_BSTR: k.name = bstr_text(p->bstrVal); break;
    default: k.valid = false; break;
  }
  return k;
}

// A VARIANT argument read as a boolean (absent or not a number: `otherwise`).
inline bool read_bool(const VARIANT& v, bool otherwise) {
  switch (v.vt) {
    case VT_BOOL: return v.boolVal != 0;
    case VT_I2: return v.iVal != 0;
    case VT_I4: return v.lVal != 0;
    case VT_UI1: return v.bVal != 0;
    default: return otherwise;
  }
}

inline long read_long(const VARIANT& v, long otherwise) {
  switch (v.vt) {
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return static_cast<long>(v.ulVal);
    case VT_UI1: return v.bVal;
    case VT_BOOL: return v.boolVal;
    default: return otherwise;
  }
}

inline std::wstring read_text(const VARIANT& v) { return v.vt == VT_BSTR ? bstr_text(v.bstrVal) : std::wstring(); }

}  // namespace dao_impl
