// IUnknown and IDispatch, the two base interfaces of every COM object the engine talks to.
// Objects of this stand-in live in the caller's process; IDispatch's late binding is not offered.
#pragma once

#include "platform/oleaut/guid.h"
#include "platform/oleaut/oaidl.h"

// {00000000-0000-0000-C000-000000000046}
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020400-0000-0000-C000-000000000046}
constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
  // Answers the object's interface `riid` in *ppv with one reference taken, or E_NOINTERFACE
  // (and *ppv null); E_POINTER when ppv is null.
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  // Both answer the new reference count; the object deletes itself when it reaches 0.
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  // Objects end through Release, never through delete by a client.
  virtual ~IUnknown() = default;
};

using DISPID = LONG;
struct ITypeInfo;

struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  void* pfnDeferredFillIn;
  SCODE scode;
};

// The engine calls the DAO interfaces through their own methods (dual interfaces), never
// through Invoke, so the late-binding entry points answer E_NOTIMPL unless a class overrides them.
struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo) *pctinfo = 0;
    return pctinfo ? S_OK : E_POINTER;
  }
  virtual HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
  }
  virtual HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
  virtual HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }
};
