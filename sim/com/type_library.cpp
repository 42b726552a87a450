#include "type_library.h"

#include <wrl/client.h>

#include <algorithm>
#include <vector>

namespace sim::com {

using Microsoft::WRL::ComPtr;

std::wstring ModulePath() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ModulePath), &module);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring TypeLibraryPath(Library library) {
  std::wstring path = ModulePath();
  if (library != Library::kDual) path += L"\\" + std::to_wstring(static_cast<int>(library));
  return path;
}

namespace {

// An interface description loaded: its library, its IID, the description
// and its vtable side.
struct Described {
  Library library;
  IID iid;
  ComPtr<ITypeInfo> info;
  ComPtr<ITypeInfo> vtable;
};

HRESULT Load(Described& d) {
  ComPtr<ITypeLib> types;
  HRESULT result = ::LoadTypeLibEx(TypeLibraryPath(d.library).c_str(), REGKIND_NONE, &types);
  if (SUCCEEDED(result)) result = types->GetTypeInfoOfGuid(d.iid, &d.info);
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(result)) result = d.info->GetTypeAttr(&attributes);
  if (FAILED(result)) return result;
  const bool dual =
      attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0;
  d.info->ReleaseTypeAttr(attributes);
  if (!dual) {
    d.vtable = d.info;
    return S_OK;
  }
  HREFTYPE vtable_side = 0;
  result = d.info->GetRefTypeOfImplType(-1, &vtable_side);
  if (SUCCEEDED(result)) result = d.info->GetRefTypeInfo(vtable_side, &d.vtable);
  return result;
}

HRESULT Find(Library library, REFIID iid, bool vtable, ITypeInfo** info) {
  *info = nullptr;
  // Objects of several apartments may ask at once.
  static SRWLOCK lock = SRWLOCK_INIT;
  static auto* known = new std::vector<Described>;
  ::AcquireSRWLockExclusive(&lock);
  HRESULT result = S_OK;
  auto found = std::find_if(known->begin(), known->end(), [&](const Described& d) {
    return d.library == library && IsEqualIID(d.iid, iid);
  });
  if (found == known->end()) {
    Described loaded{library, iid, nullptr, nullptr};
    result = Load(loaded);
    if (SUCCEEDED(result)) found = known->insert(known->end(), loaded);
  }
  if (SUCCEEDED(result)) (vtable ? found->vtable : found->info).CopyTo(info);
  ::ReleaseSRWLockExclusive(&lock);
  return result;
}

}  // namespace

HRESULT InterfaceInfo(Library library, REFIID iid, ITypeInfo** info) {
  return Find(library, iid, false, info);
}

HRESULT VtableInfo(Library library, REFIID iid, ITypeInfo** info) {
  return Find(library, iid, true, info);
}

MethodDescription::MethodDescription(ITypeInfo* methods, DISPID id) : methods_(methods) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(methods->GetTypeAttr(&attributes))) return;
  const UINT count = attributes->cFuncs;
  methods->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < count && description_ == nullptr; ++i) {
    FUNCDESC* description = nullptr;
    if (FAILED(methods->GetFuncDesc(i, &description))) continue;
    if (description->memid == id) {
      description_ = description;
    } else {
      methods->ReleaseFuncDesc(description);
    }
  }
}

MethodDescription::~MethodDescription() {
  if (description_ != nullptr) methods_->ReleaseFuncDesc(description_);
}

UINT MethodDescription::Arguments() const {
  UINT count = 0;
  for (SHORT i = 0; i < description_->cParams; ++i) {
    if ((description_->lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) == 0) {
      ++count;
    }
  }
  return count;
}

}  // namespace sim::com
