// The program's host interfaces (ISetup, IStock, ...) implemented over the C
// function tables of a host library: each call converts its arguments to C,
// calls the library and converts the results back.
#pragma once

#include "host/host_api.h"
#include "host/host_library.h"

namespace zeph {

// Takes over one reference to `handle`, a server of class `id` made by
// `library`, as the program-side object of that class. A class the library
// has no table for fails naming the library; the reference is then given
// back.
HostStatus WrapLibraryObject(const HostLibrary& library, ClassId id, ZephObject* handle,
                             ObjectRef* out);

}  // namespace zeph
