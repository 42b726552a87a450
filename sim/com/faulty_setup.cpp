#include "faulty_setup.h"

#include <wrl/client.h>

#include <new>

#include "server_object.h"
#include "type_library.h"

namespace sim::com {
namespace {

using Microsoft::WRL::ComPtr;

// ISetup of merkan_sim_faulty.idl.
const IID kIidFaultySetup = {
    0xf934b37d, 0x0e1a, 0x4068, {0x82, 0x85, 0x3b, 0xf3, 0x10, 0xf5, 0x23, 0xfb}};

class FaultySetup final : public Counted<IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IDispatch*>(this);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID /*locale*/, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return InterfaceInfo(Library::kFaulty, kIidFaultySetup, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count,
                                          LCID /*locale*/, DISPID* ids) override {
    ComPtr<ITypeInfo> info;
    const HRESULT found = InterfaceInfo(Library::kFaulty, kIidFaultySetup, &info);
    if (FAILED(found)) return found;
    return ::DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  // Nothing is carried out.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID /*id*/, REFIID /*iid*/, LCID /*locale*/, WORD /*flags*/,
                                   DISPPARAMS* /*params*/, VARIANT* /*result*/,
                                   EXCEPINFO* /*exception*/, UINT* /*argument_error*/) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

}  // namespace

HRESULT CreateFaultySetup(REFIID iid, void** out) {
  auto* made = new (std::nothrow) FaultySetup;
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = made->QueryInterface(iid, out);
  made->Release();
  return result;
}

}  // namespace sim::com
