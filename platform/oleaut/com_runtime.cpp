// Per-thread COM initialisation and the process-wide class table behind CoCreateInstance.
#include "platform/oleaut/objbase.h"

#include <mutex>
#include <vector>

namespace {

thread_local unsigned init_count = 0;

struct class_entry {
  CLSID clsid;
  com_class_creator creator;
};

struct class_table {
  std::mutex lock;
  std::vector<class_entry> entries;
};

class_table& classes() {
  static class_table table;  // built on first use, so registration order at start-up is free
  return table;
}

}  // namespace

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD) { return init_count++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (init_count > 0) --init_count;
}

HRESULT com_register_class(REFCLSID clsid, com_class_creator creator) {
  if (!creator) return E_INVALIDARG;
  class_table& table = classes();
  std::lock_guard<std::mutex> guard(table.lock);
  for (class_entry& e : table.entries) {
    if (e.clsid == clsid) {
      e.creator = std::move(creator);
      return S_OK;
    }
  }
  table.entries.push_back({clsid, std::move(creator)});
  return S_OK;
}

HRESULT com_revoke_class(REFCLSID clsid) {
  class_table& table = classes();
  std::lock_guard<std::mutex> guard(table.lock);
  for (auto it = table.entries.begin(); it != table.entries.end(); ++it) {
    if (it->clsid == clsid) {
      table.entries.erase(it);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (init_count == 0) return CO_E_NOTINITIALIZED;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  com_class_creator creator;
  {
    class_table& table = classes();
    std::lock_guard<std::mutex> guard(table.lock);
    for (const class_entry& e : table.entries)
      if (e.clsid == clsid) creator = e.creator;
  }
  // Called outside the lock: a creator may itself create objects of other classes.
  if (!creator) return REGDB_E_CLASSNOTREG;
  HRESULT hr = creator(riid, ppv);
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}
