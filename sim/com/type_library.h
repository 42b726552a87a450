// Windows only. The type libraries built into merkan-sim.dll (TYPELIB
// resources, made by widl from the .idl files beside this one).
#pragma once

#include <string>

#include "automation.h"

namespace sim::com {

enum class Library {
  kDual = 1,    // merkan_sim.idl
  kVtable = 2,  // merkan_sim_vtbl.idl
  kFaulty = 3,  // merkan_sim_faulty.idl
};

// The path of this library (merkan-sim.dll).
std::wstring ModulePath();

// What LoadTypeLibEx is given for `library`: the module's path, followed by
// "\N" for any but the first.
std::wstring TypeLibraryPath(Library library);

// The description of interface `iid` in `library`, as the library gives it
// (for a dual interface, its IDispatch side), and the side its vtable
// calls go through. Loaded once per process and kept.
HRESULT InterfaceInfo(Library library, REFIID iid, ITypeInfo** info);
HRESULT VtableInfo(Library library, REFIID iid, ITypeInfo** info);

// The description of the method `id` of an interface, given back when the
// holder goes; empty when the interface has no such method.
class MethodDescription {
 public:
  MethodDescription(ITypeInfo* methods, DISPID id);
  ~MethodDescription();
  MethodDescription(const MethodDescription&) = delete;
  MethodDescription& operator=(const MethodDescription&) = delete;
  const FUNCDESC* operator->() const { return description_; }
  explicit operator bool() const { return description_ != nullptr; }
  // How many arguments a caller passes: the parameters but the result.
  UINT Arguments() const;

 private:
  ITypeInfo* methods_;
  FUNCDESC* description_ = nullptr;
};

}  // namespace sim::com
