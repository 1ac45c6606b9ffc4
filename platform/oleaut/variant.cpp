// VARIANT life cycle: initialise, clear (freeing what the value owns) and deep copy.
#include "platform/oleaut/oleauto.h"

void VariantInit(VARIANTARG* value) {
  if (value == nullptr) return;
  value->vt = VT_EMPTY;
  value->wReserved1 = value->wReserved2 = value->wReserved3 = 0;
  value->llVal = 0;
}

HRESULT VariantClear(VARIANTARG* value) {
  if (value == nullptr) return E_INVALIDARG;
  VARTYPE vt = value->vt;
  HRESULT hr = S_OK;
  if ((vt & VT_BYREF) == 0) {
    if (vt & VT_ARRAY) {
      hr = SafeArrayDestroy(value->parray);
      if (FAILED(hr)) return hr;  // a locked array stays with its value, as Windows leaves it
    } else if (vt == VT_BSTR) {
      SysFreeString(value->bstrVal);
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
      if (value->punkVal != nullptr) value->punkVal->Release();
    }
  }
  VariantInit(value);
  return hr;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source) {
  if (dest == nullptr || source == nullptr) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VARIANT copy = *source;  // plain kinds are copied bit for bit; owned content is duplicated below
  VARTYPE vt = source->vt;
  if ((vt & VT_BYREF) == 0) {
    if (vt & VT_ARRAY) {
      HRESULT hr = SafeArrayCopy(source->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (vt == VT_BSTR) {
      if (source->bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
      }
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
      if (source->punkVal != nullptr) source->punkVal->AddRef();
    }
  }
  // The destination is cleared only once the copy exists, so a failure leaves it untouched.
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}
