// A base for the stand-in's COM classes: a thread-safe reference count and QueryInterface.
// A class implements one interface chain (Interface and its bases) and may answer further IIDs.
#pragma once

#include "platform/oleaut/unknwn.h"

#include <atomic>
#include <type_traits>

template <class Interface>
class com_object : public Interface {
  static_assert(std::is_base_of_v<IUnknown, Interface>);

 public:
  com_object() = default;
  com_object(const com_object&) = delete;
  com_object& operator=(const com_object&) = delete;

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || (std::is_base_of_v<IDispatch, Interface> && riid == IID_IDispatch) || answers(riid)) {
      *ppv = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }

  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

  ULONG Release() override {
    // acq_rel: the thread that frees the object must see every write made under other references.
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~com_object() override = default;

  // The IIDs of Interface and its DAO bases; IUnknown and IDispatch are answered already.
  virtual bool answers(REFIID riid) const = 0;

 private:
  // A new object starts with the one reference its creator hands out.
  std::atomic<ULONG> refs_{1};
};
