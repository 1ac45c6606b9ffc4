// The COM runtime of the stand-in: per-thread initialisation and object creation by CLSID from
// a table of classes that the modules offering them (the Jet engine stand-in) register at run time.
#pragma once

#include "platform/oleaut/unknwn.h"

#include <functional>

enum CLSCTX : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
  CLSCTX_ALL = 0x17,
};

enum COINIT : DWORD {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
};

// Counts initialisations of the calling thread: S_OK for the first, S_FALSE for each further one.
// Apartments are not modelled; every object may be used from any thread.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit);
// Balances one successful CoInitialize(Ex) of the calling thread; extra calls do nothing.
void CoUninitialize();

// Makes an object of the registered class `clsid` and answers its interface `riid`.
// Errors: CO_E_NOTINITIALIZED (thread not initialised), CLASS_E_NOAGGREGATION (outer given),
// REGDB_E_CLASSNOTREG (no such class), E_POINTER, or whatever the class's creator answers.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD cls_context, REFIID riid, LPVOID* ppv);

// Makes one new object and answers its interface `riid` with one reference, the way
// QueryInterface does (E_NOINTERFACE with *ppv null when the class lacks it).
using com_class_creator = std::function<HRESULT(REFIID riid, void** ppv)>;

// Registers (or replaces) the creator of class `clsid`, for every thread of the process.
// E_INVALIDARG for an empty creator.
HRESULT com_register_class(REFCLSID clsid, com_class_creator creator);
// Removes the class; S_FALSE when it was not registered.
HRESULT com_revoke_class(REFCLSID clsid);
