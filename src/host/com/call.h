// Windows only. One host method called on a COM server as the server
// declares it: through IDispatch::Invoke by DISPID, or through the vtable
// (DispCallFunc) for a server that has no IDispatch; arguments and results
// converted between the program's types and the declared ones. What a
// server type declares is read once per type and kept.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <vector>

#include "host/com/binding.h"
#include "host/com/support.h"
#include "host/host_api.h"

namespace zeph::com {
struct ServerType;
}

// One server the program holds: the same handle for the same COM object,
// counting the program's references.
struct ZephObject {
  zeph::com::Ref<IUnknown> identity;      // its IUnknown: the key of the handle
  zeph::com::Ref<IDispatch> dispatch;     // null: the server has no IDispatch
  zeph::com::Ref<IUnknown> vtable;        // the interface vtable calls go through
  CLSID clsid{};                          // the class it was made from ...
  bool made_by_program = false;           // ... when the program made it
  zeph::com::ServerType* type = nullptr;  // known at the first call
  int references = 0;
};

namespace zeph::com {

// Calls `contract` on `server` (of the class `class_name`, for a server
// without type information). `in[i]` holds argument i's in-value in the
// program's type; `out[i]` receives argument i's out-value, and
// out[contract.arguments.size()] the result, in the program's type, when
// the call succeeded.
HostStatus CallMethod(ZephObject* server, const char* class_name, const ContractMethod& contract,
                      OwnedVariant* in, OwnedVariant* out);

// For the check: what a server declares for each of `methods`.
struct MethodReport {
  std::u16string method;
  bool found = false;
  std::u16string failure;      // why no conversion fits, when found
  DeclaredMethod declaration;  // when found and described
};
// The methods as the type of `server` declares them; `described` false for
// a server without type information, whose methods are only looked up by
// name.
HostStatus DescribeMethods(ZephObject* server, const char* class_name,
                           const std::vector<ContractMethod>& methods, bool* described,
                           std::vector<MethodReport>* reports);
// The methods as the interface a type library seen so far gives the class
// declares them (InterfaceNamedFor). Fails when there is none.
HostStatus DescribeNamedInterface(const char* class_name,
                                  const std::vector<ContractMethod>& methods,
                                  std::vector<MethodReport>* reports);

}  // namespace zeph::com
