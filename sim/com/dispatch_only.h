// Windows only. The IDispatch of the dispatch-only servers, written by hand
// as a server without type information would be: names looked up without
// case, results in Invoke's result, [out] and [in, out] arguments by
// reference (to their own type or to a VARIANT), in-arguments converted
// with VariantChangeType, a failure as DISP_E_EXCEPTION with its text in
// EXCEPINFO and no error information left behind. Which method takes what
// is read from the vtable-only interface of the same server (the
// simulator's own type library, never shown to the caller), whose vtable
// the call then goes through.
#pragma once

#include "automation.h"

namespace sim::com {

HRESULT IdsOfNames(ITypeInfo* methods, LPOLESTR* names, UINT count, DISPID* ids);

HRESULT InvokeByHand(IUnknown* object, ITypeInfo* methods, DISPID id, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                     UINT* argument_error);

}  // namespace sim::com
