// Windows only. A failed COM call as the status the program handles: the
// server's own description when it left one, else the system's text for
// the HRESULT with its number.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <string>

#include "host/host_api.h"

namespace zeph::com {

// "Invalid class string (0x800401F3)"; the number alone when the system has
// no text for it.
WideString DescribeHresult(HRESULT hr);

// The status of a call that returned `hr`, with `exception` filled in when
// it returned DISP_E_EXCEPTION. Gives back the texts `exception` holds.
HostStatus StatusOf(HRESULT hr, EXCEPINFO* exception);

}  // namespace zeph::com
