// The exceptions of the value layer: a conversion the value cannot make (ole_cast_exception,
// kind 0: the run may go on) and a kind the operation does not handle (ole_type_exception, kind 1).
#pragma once

#include "TK/tk_exception.h"

class ole_cast_exception : public tk_exception {
 public:
  ole_cast_exception() : tk_exception("Cannot cast from source type to destination type", tk_kind_continuable) {}
};

class ole_type_exception : public tk_exception {
 public:
  ole_type_exception() : tk_exception("The operating type is not supported yet", tk_kind_error) {}
};
