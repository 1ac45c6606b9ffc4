// Small COM helpers of the value layer.
#include "OLE/ole_misc.h"

#include "TK/tk_exception.h"

ULONG ole_get_ref_count(IUnknown* object) {
  if (object == nullptr) throw tk_mail_assertion("ole_misc", 14);
  object->AddRef();
  return object->Release();
}
