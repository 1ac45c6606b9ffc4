// One-dimensional byte arrays (VT_UI1), the only SAFEARRAY the system makes: binary column values.
#include "platform/oleaut/oleauto.h"

#include <cstdlib>
#include <cstring>

namespace {

// The element type is not a field of SAFEARRAY; FADF_HAVEVARTYPE arrays keep it beside it on
// Windows. Byte arrays are the only kind here, so the feature bits record that.
constexpr USHORT FADF_HAVEVARTYPE = 0x0080;

bool is_byte_vector(const SAFEARRAY* array) { return array != nullptr && array->cDims == 1; }

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
  if (vt != VT_UI1 || dims != 1 || bounds == nullptr) return nullptr;
  auto* array = static_cast<SAFEARRAY*>(std::calloc(1, sizeof(SAFEARRAY)));
  if (array == nullptr) return nullptr;
  array->cDims = 1;
  array->fFeatures = FADF_HAVEVARTYPE;
  array->cbElements = 1;
  array->rgsabound[0] = *bounds;
  if (bounds->cElements > 0) {
    array->pvData = std::calloc(bounds->cElements, 1);
    if (array->pvData == nullptr) {
      std::free(array);
      return nullptr;
    }
  }
  return array;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, ULONG elements) {
  SAFEARRAYBOUND bound{elements, lower_bound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* bound) {
  if (!is_byte_vector(array) || bound == nullptr) return E_INVALIDARG;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ULONG old_size = array->rgsabound[0].cElements;
  ULONG new_size = bound->cElements;
  if (new_size != old_size) {
    void* data = nullptr;
    if (new_size > 0) {
      data = std::realloc(array->pvData, new_size);
      if (data == nullptr) return E_OUTOFMEMORY;  // the old bytes stay as they were
      if (new_size > old_size) std::memset(static_cast<BYTE*>(data) + old_size, 0, new_size - old_size);
    } else {
      std::free(array->pvData);
    }
    array->pvData = data;
  }
  array->rgsabound[0].cElements = new_size;  // the lower bound is kept, as Windows does
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (array == nullptr || data == nullptr) return E_INVALIDARG;
  ++array->cLocks;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
  if (array == nullptr) return E_INVALIDARG;
  if (array->cLocks == 0) return E_UNEXPECTED;
  --array->cLocks;
  return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (array == nullptr) return S_OK;
  if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  std::free(array->pvData);
  std::free(array);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
  if (copy == nullptr) return E_INVALIDARG;
  *copy = nullptr;
  if (source == nullptr) return S_OK;
  if (!is_byte_vector(source)) return E_INVALIDARG;
  SAFEARRAY* made = SafeArrayCreate(VT_UI1, 1, source->rgsabound);
  if (made == nullptr) return E_OUTOFMEMORY;
  if (source->rgsabound[0].cElements > 0) std::memcpy(made->pvData, source->pvData, source->rgsabound[0].cElements);
  *copy = made;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) { return array == nullptr ? 0 : array->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY* array) { return array == nullptr ? 0 : array->cbElements; }

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dim != 1 || array->cDims != 1) return DISP_E_BADINDEX;
  *bound = array->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound) {
  if (array == nullptr || bound == nullptr) return E_INVALIDARG;
  if (dim != 1 || array->cDims != 1) return DISP_E_BADINDEX;
  *bound = static_cast<LONG>(static_cast<long long>(array->rgsabound[0].lLbound) +
                             static_cast<long long>(array->rgsabound[0].cElements) - 1);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
  if (array == nullptr || vt == nullptr) return E_INVALIDARG;
  *vt = VT_UI1;
  return S_OK;
}
