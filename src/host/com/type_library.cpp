#include "host/com/type_library.h"

#include <ocidl.h>  // IProvideClassInfo

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zeph::com {
namespace {

// A type library's or type's attributes, given back when the holder goes.
class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo* info) : info_(info) {
    if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr;
  }
  ~TypeAttr() {
    if (attr_ != nullptr) info_->ReleaseTypeAttr(attr_);
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  const TYPEATTR* operator->() const { return attr_; }
  explicit operator bool() const { return attr_ != nullptr; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attr_ = nullptr;
};

std::u16string NameOf(ITypeInfo* info, MEMBERID member) {
  Bstr name;
  if (FAILED(info->GetDocumentation(member, name.out(), nullptr, nullptr, nullptr))) return {};
  return FromBstr(name.get());
}

std::array<uint8_t, 16> Bytes(const GUID& guid) {
  std::array<uint8_t, 16> out{};
  std::memcpy(out.data(), &guid, sizeof guid);
  return out;
}

// The type a parameter or result is declared with. A pointer to an
// interface is the interface itself; a pointer to anything else is that
// type by reference.
DeclaredType TypeOf(ITypeInfo* info, const TYPEDESC& desc, int depth = 0) {
  DeclaredType type;
  type.vt = desc.vt;
  if (depth > 8) return type;  // a type that names itself
  if (desc.vt == VT_PTR && desc.lptdesc != nullptr) {
    DeclaredType inner = TypeOf(info, *desc.lptdesc, depth + 1);
    const bool interface_itself =
        desc.lptdesc->vt == VT_USERDEFINED && (inner.vt == VT_UNKNOWN || inner.vt == VT_DISPATCH);
    if (interface_itself) return inner;
    if (inner.by_reference) return type;  // a pointer to a pointer: VT_PTR, taken by nothing
    inner.by_reference = true;
    return inner;
  }
  if (desc.vt != VT_USERDEFINED) return type;
  Ref<ITypeInfo> named;
  if (FAILED(info->GetRefTypeInfo(desc.hreftype, named.out())) || !named) return type;
  TypeAttr attr(named.get());
  if (!attr) return type;
  switch (attr->typekind) {
    case TKIND_ALIAS:
      return TypeOf(named.get(), attr->tdescAlias, depth + 1);
    case TKIND_ENUM:
      type.vt = VT_I4;
      return type;
    case TKIND_INTERFACE:
    case TKIND_DISPATCH:
    case TKIND_COCLASS: {
      const bool dispatch =
          attr->typekind == TKIND_DISPATCH || (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
      type.vt = dispatch ? VT_DISPATCH : VT_UNKNOWN;
      if (IsEqualGUID(attr->guid, IID_IUnknown)) return type;
      if (IsEqualGUID(attr->guid, IID_IDispatch)) {
        type.vt = VT_DISPATCH;
        return type;
      }
      if (attr->typekind != TKIND_COCLASS) type.iid = Bytes(attr->guid);
      const std::u16string name = NameOf(named.get(), MEMBERID_NIL);
      type.name.assign(name.begin(), name.end());  // type names are ASCII
      if (type.name.empty()) type.name = "interface";
      return type;
    }
    default: {
      const std::u16string name = NameOf(named.get(), MEMBERID_NIL);
      type.name.assign(name.begin(), name.end());
      return type;
    }
  }
}

void Collect(ITypeInfo* info, DeclaredInterface& into, int depth) {
  TypeAttr attr(info);
  if (!attr || depth > 8) return;
  if (IsEqualGUID(attr->guid, IID_IUnknown) || IsEqualGUID(attr->guid, IID_IDispatch)) return;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function)) || function == nullptr) continue;
    if (function->invkind == INVOKE_FUNC || function->invkind == INVOKE_PROPERTYGET) {
      constexpr UINT kMostNames = 64;
      BSTR names[kMostNames] = {};
      UINT count = 0;
      info->GetNames(function->memid, names, kMostNames, &count);
      DeclaredMethod method;
      method.name = FromBstr(count > 0 ? names[0] : nullptr);
      method.id = function->memid;
      method.vtable_offset = function->oVft;
      for (SHORT p = 0; p < function->cParams; ++p) {
        const ELEMDESC& element = function->lprgelemdescParam[p];
        DeclaredParam param;
        if (static_cast<UINT>(p) + 1 < count) param.name = FromBstr(names[p + 1]);
        param.type = TypeOf(info, element.tdesc);
        const USHORT flags = element.paramdesc.wParamFlags;
        param.out = (flags & PARAMFLAG_FOUT) != 0;
        param.retval = (flags & PARAMFLAG_FRETVAL) != 0;
        method.params.push_back(std::move(param));
      }
      method.returns = TypeOf(info, function->elemdescFunc.tdesc);
      for (UINT n = 0; n < count; ++n) ::SysFreeString(names[n]);
      if (!method.name.empty() && into.Find(method.name) == nullptr) {
        into.methods.push_back(std::move(method));
      }
    }
    info->ReleaseFuncDesc(function);
  }
  // A dual interface's dispatch side may list no methods of its own: its
  // vtable side (impl type -1) does.
  if (attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0) {
    HREFTYPE vtable_ref = 0;
    Ref<ITypeInfo> vtable_side;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(vtable_ref, vtable_side.out())) && vtable_side) {
      Collect(vtable_side.get(), into, depth + 1);
    }
  }
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    HREFTYPE base_ref = 0;
    Ref<ITypeInfo> base;
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &base_ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(base_ref, base.out())) && base) {
      Collect(base.get(), into, depth + 1);
    }
  }
}

std::vector<Ref<ITypeLib>>& Libraries() {
  static auto* libraries = new std::vector<Ref<ITypeLib>>;  // outlives every static object
  return *libraries;
}

void Remember(ITypeLib* library) {
  if (library == nullptr) return;
  for (const Ref<ITypeLib>& known : Libraries()) {
    if (known.get() == library) return;
  }
  Libraries().push_back(Ref<ITypeLib>::Share(library));
}

// The default interface of a class.
Ref<ITypeInfo> DefaultInterface(ITypeInfo* coclass) {
  TypeAttr attr(coclass);
  if (!attr || attr->typekind != TKIND_COCLASS) return {};
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    INT flags = 0;
    HREFTYPE ref = 0;
    Ref<ITypeInfo> info;
    if (SUCCEEDED(coclass->GetImplTypeFlags(i, &flags)) && (flags & IMPLTYPEFLAG_FDEFAULT) &&
        !(flags & IMPLTYPEFLAG_FSOURCE) && SUCCEEDED(coclass->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(coclass->GetRefTypeInfo(ref, info.out()))) {
      return info;
    }
  }
  return {};
}

// The newest registered version of the class's type library.
Ref<ITypeLib> RegisteredLibraryOf(const CLSID& clsid) {
  const std::u16string key = u"CLSID\\" + GuidText(clsid) + u"\\TypeLib";
  wchar_t text[64] = {};
  LONG size = sizeof text;
  if (::RegQueryValueW(HKEY_CLASSES_ROOT, reinterpret_cast<const wchar_t*>(key.c_str()), text,
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  GUID library_id{};
  if (FAILED(::CLSIDFromString(text, &library_id))) return {};
  HKEY versions = nullptr;
  const std::wstring library_key = std::wstring(L"TypeLib\\") + text;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, library_key.c_str(), 0, KEY_READ, &versions) !=
      ERROR_SUCCESS) {
    return {};
  }
  unsigned best_major = 0;
  unsigned best_minor = 0;
  bool found = false;
  wchar_t name[64];
  for (DWORD i = 0;; ++i) {
    DWORD length = std::size(name);
    if (::RegEnumKeyExW(versions, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    unsigned major = 0;
    unsigned minor = 0;
    if (std::swscanf(name, L"%x.%x", &major, &minor) == 2 &&
        (!found || major > best_major || (major == best_major && minor > best_minor))) {
      best_major = major, best_minor = minor, found = true;
    }
  }
  ::RegCloseKey(versions);
  Ref<ITypeLib> library;
  if (!found || FAILED(::LoadRegTypeLib(library_id, static_cast<WORD>(best_major),
                                        static_cast<WORD>(best_minor), 0, library.out()))) {
    return {};
  }
  return library;
}

}  // namespace

const DeclaredMethod* DeclaredInterface::Find(std::u16string_view method) const {
  auto found = std::find_if(methods.begin(), methods.end(),
                            [&](const DeclaredMethod& m) { return SameName(m.name, method); });
  return found == methods.end() ? nullptr : &*found;
}

HRESULT InterfaceIdOf(ITypeInfo* info, GUID* iid) {
  TypeAttr attr(info);
  if (!attr) return E_FAIL;
  *iid = attr->guid;
  return S_OK;
}

HRESULT ReadInterface(ITypeInfo* info, DeclaredInterface* out) {
  TypeAttr attr(info);
  if (!attr) return E_FAIL;
  out->iid = attr->guid;
  out->name = NameOf(info, MEMBERID_NIL);
  Collect(info, *out, 0);
  return S_OK;
}

void RememberLibraryOf(ITypeInfo* info) {
  Ref<ITypeLib> library;
  UINT index = 0;
  if (SUCCEEDED(info->GetContainingTypeLib(library.out(), &index))) Remember(library.get());
}

Ref<ITypeInfo> VtableInterfaceOf(IUnknown* server, const CLSID* clsid) {
  Ref<ITypeInfo> coclass;
  Ref<IProvideClassInfo> provider;
  if (SUCCEEDED(server->QueryInterface(IID_IProvideClassInfo,
                                       reinterpret_cast<void**>(provider.out()))) &&
      SUCCEEDED(provider->GetClassInfo(coclass.out())) && coclass) {
    if (Ref<ITypeInfo> found = DefaultInterface(coclass.get())) return found;
  }
  if (clsid != nullptr) {
    Ref<ITypeLib> library = RegisteredLibraryOf(*clsid);
    Remember(library.get());
    if (library && SUCCEEDED(library->GetTypeInfoOfGuid(*clsid, coclass.out())) && coclass) {
      if (Ref<ITypeInfo> found = DefaultInterface(coclass.get())) return found;
    }
  }
  for (const Ref<ITypeLib>& library : Libraries()) {
    const UINT count = library->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      TYPEKIND kind{};
      Ref<ITypeInfo> info;
      if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_INTERFACE ||
          FAILED(library->GetTypeInfo(i, info.out()))) {
        continue;
      }
      TypeAttr attr(info.get());
      Ref<IUnknown> answered;
      if (attr &&
          SUCCEEDED(server->QueryInterface(attr->guid, reinterpret_cast<void**>(answered.out())))) {
        return info;
      }
    }
  }
  return {};
}

Ref<ITypeInfo> InterfaceNamedFor(std::u16string_view class_name) {
  const std::u16string interface_name = u"I" + std::u16string(class_name);
  for (const Ref<ITypeLib>& library : Libraries()) {
    const UINT count = library->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      Ref<ITypeInfo> info;
      if (FAILED(library->GetTypeInfo(i, info.out()))) continue;
      const std::u16string name = NameOf(info.get(), MEMBERID_NIL);
      TypeAttr attr(info.get());
      if (!attr) continue;
      if (attr->typekind == TKIND_COCLASS && SameName(name, class_name)) {
        if (Ref<ITypeInfo> found = DefaultInterface(info.get())) return found;
      } else if ((attr->typekind == TKIND_INTERFACE || attr->typekind == TKIND_DISPATCH) &&
                 SameName(name, interface_name)) {
        return info;
      }
    }
  }
  return {};
}

std::u16string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
  return reinterpret_cast<const char16_t*>(text);
}

}  // namespace zeph::com
