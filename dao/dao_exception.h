// The exceptions of the Access source: dao_exception carries the DAO engine's current error
// (code 0x10000 | DAO error number, kind 0); dao_required_exception says that the file needs the
// Access 2007+ engine and none can be loaded.
#pragma once

#include "TK/tk_exception.h"
#include "dao/ole_com_ptr.h"

// Reads the first error of the Errors collection of the calling thread's engine
// (dao_engine::current()). When that cannot be
// read, construction throws tk_exception (kind 1, "Unknown exception") in its place; with no
// engine registered, the singleton accessor's internal error.
class dao_exception : public tk_exception {
 public:
  dao_exception();
  dao_exception(const dao_exception&) = default;
};

// Deliberately outside the tk_exception family: the driver catches it by type alone and tells
// the user that the Access database engine must be installed.
class dao_required_exception {};

// The checks every DAO call goes through: a failing HRESULT raises dao_exception; a call that
// succeeds without handing out its object raises tk_exception (kind 1, "Unknown exception").
void dao_check(HRESULT hr);
template <class T>
void dao_check(HRESULT hr, const ole_com_ptr<T>& object) {
  dao_check(hr);
  if (!object) throw tk_exception(tk_kind_error);
}
