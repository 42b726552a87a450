// Windows only. What a server's type information declares: its methods
// with their DISPIDs, vtable slots, parameter flags and types; and, for a
// server without IDispatch, where its interface is described.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <string>
#include <vector>

#include "host/com/binding.h"
#include "host/com/support.h"

namespace zeph::com {

// The methods of one interface (with those of its bases, less IUnknown's
// and IDispatch's), each name once.
struct DeclaredInterface {
  GUID iid{};
  std::u16string name;
  std::vector<DeclaredMethod> methods;

  // By name, without case as the late binding looks names up; null when
  // the interface has no such method.
  const DeclaredMethod* Find(std::u16string_view method) const;
};

// The IID of the interface `info` describes.
HRESULT InterfaceIdOf(ITypeInfo* info, GUID* iid);

// Reads the interface `info` describes. Fails when its attributes cannot be
// read.
HRESULT ReadInterface(ITypeInfo* info, DeclaredInterface* out);

// The interface through which a server without IDispatch is called: the
// default interface of its class (from IProvideClassInfo, or the type
// library its class `clsid` is registered with), else the first interface
// of a type library seen so far that the server answers. Null when none
// is found.
Ref<ITypeInfo> VtableInterfaceOf(IUnknown* server, const CLSID* clsid);

// The interface a type library seen so far gives for a class that no
// server of which was made: the type named I<Class>, or the default
// interface of the class named <Class>. Null when there is none.
Ref<ITypeInfo> InterfaceNamedFor(std::u16string_view class_name);

// Keeps the type library that holds `info`, to look up later servers'
// interfaces in.
void RememberLibraryOf(ITypeInfo* info);

// "{6109D975-...}".
std::u16string GuidText(const GUID& guid);

}  // namespace zeph::com
