#include "host/com/support.h"

namespace zeph::com {

Ref<IUnknown> Identity(IUnknown* object) {
  Ref<IUnknown> identity;
  if (object != nullptr) {
    object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()));
  }
  return identity;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

HRESULT DispatchObject::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
  } else {
    *out = OtherInterface(iid);
  }
  if (*out == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG DispatchObject::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

ULONG DispatchObject::Release() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT /*index*/, LCID /*locale*/, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count, LCID /*locale*/,
                                      DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  const auto* name = reinterpret_cast<const char16_t*>(names[0]);
  ids[0] = name == nullptr ? DISPID_UNKNOWN : FindName(name);
  // Named arguments are not offered: every call passes its arguments in order.
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID /*iid*/, LCID /*locale*/, WORD flags,
                               DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                               UINT* argument_error) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &none;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  return Call(id, flags, *params, result, exception, argument_error);
}

}  // namespace zeph::com
