// HRESULT status codes of COM and OLE Automation, with the tests SUCCEEDED and FAILED.
// Stand-ins report every failure through these numbers; the engine turns them into exceptions.
#pragma once

#include "platform/win/windows_types.h"

using SCODE = LONG;

// Builds a status from its severity bit, facility and code, as Windows lays them out.
constexpr HRESULT MAKE_HRESULT(unsigned severity, unsigned facility, unsigned code) {
  return static_cast<HRESULT>((severity << 31) | (facility << 16) | code);
}

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Literal codes written as unsigned numbers would not fit a 32-bit signed HRESULT.
constexpr HRESULT hresult_from(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;

constexpr HRESULT E_NOTIMPL = hresult_from(0x80004001u);
constexpr HRESULT E_NOINTERFACE = hresult_from(0x80004002u);
constexpr HRESULT E_POINTER = hresult_from(0x80004003u);
constexpr HRESULT E_ABORT = hresult_from(0x80004004u);
constexpr HRESULT E_FAIL = hresult_from(0x80004005u);
constexpr HRESULT E_UNEXPECTED = hresult_from(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = hresult_from(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = hresult_from(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = hresult_from(0x80070057u);

constexpr HRESULT CLASS_E_NOAGGREGATION = hresult_from(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = hresult_from(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = hresult_from(0x800401F0u);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hresult_from(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = hresult_from(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = hresult_from(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = hresult_from(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = hresult_from(0x80020006u);
constexpr HRESULT DISP_E_BADVARTYPE = hresult_from(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = hresult_from(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = hresult_from(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = hresult_from(0x8002000Bu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = hresult_from(0x8002000Du);
constexpr HRESULT DISP_E_BADPARAMCOUNT = hresult_from(0x8002000Eu);

// DAO reports its own error numbers n as the status 0x800A0000 | n (facility "control").
constexpr HRESULT dao_hresult(unsigned dao_error_number) {
  return hresult_from(0x800A0000u | (dao_error_number & 0xFFFFu));
}
