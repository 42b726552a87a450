// Windows only. The host's COM servers as a host library: a function table
// whose calls go to the servers by late binding (IDispatch), so that the
// program's objects over host libraries (library_objects.h) serve COM
// servers the same way, with the same conversions and errors.
#pragma once

#include <string>
#include <string_view>

#include "host/com/binding.h"
#include "host/host_api.h"
#include "host/host_library.h"

namespace zeph {

namespace com {
// The contract of a host method ("Setup", u"Login"); null for none.
const ContractMethod* FindContract(std::string_view class_name, std::u16string_view method);
}  // namespace com

// The table as a loaded library; "COM" in its messages.
const HostLibrary& ComServersLibrary();

// Joins the single-threaded apartment (once per run) and makes a server of
// the class registered under `progid`: one reference in *handle, for
// WrapLibraryObject with ComServersLibrary(). Fails with "Class not
// registered" when the registry knows no such ProgID or class, with the
// server's own text when it refuses with one, and otherwise with "Cannot
// create server "ProgID": " and the COM reason.
HostStatus CreateComServer(const std::u16string& progid, ZephObject** handle);

}  // namespace zeph
