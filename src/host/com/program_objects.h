// Windows only. The program's objects as the host's COM servers see them:
// the database connection (properties ConnectionString and LoginPrompt) and
// the application object (no members).
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <string>

namespace zeph::com {

// A new connection object holding a copy of the values; one reference.
IDispatch* NewConnectionObject(std::u16string connection_string, bool login_prompt);

// The application object of the run; one more reference.
IDispatch* ApplicationObject();

}  // namespace zeph::com
