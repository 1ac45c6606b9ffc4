// Small COM helpers of the value layer.
#pragma once

#include "platform/oleaut/unknwn.h"

// The interface's reference count (an AddRef and a Release), for the log. A null pointer is an
// internal error.
ULONG ole_get_ref_count(IUnknown* object);
