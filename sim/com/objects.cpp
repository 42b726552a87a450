#include "objects.h"

#include <wrl/client.h>

#include <new>

#include "dispatch_only.h"
#include "merkan_sim.h"       // widl: the dual interfaces
#include "merkan_sim_vtbl.h"  // widl: the vtable-only interfaces, names ending in Vt
#include "methods.h"
#include "type_library.h"

namespace sim::com {
namespace {

using Microsoft::WRL::ComPtr;

template <class T>
HRESULT Give(T* object, void** out) {
  object->AddRef();
  *out = object;
  return S_OK;
}

// Dual: the interface's IDispatch is served by the type library, which
// converts the arguments, hands [out, retval] results back as Invoke's
// result and turns a failure's error information into EXCEPINFO.
template <template <class> class Methods, class Interface>
class DualObject final : public Methods<Interface>, public ISupportErrorInfo {
 public:
  explicit DualObject(zeph::ObjectRef server)
      : Methods<Interface>(std::move(server), Flavour::kDual, __uuidof(Interface)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, __uuidof(Interface))) {
      return Give(static_cast<Interface*>(this), out);
    }
    if (IsEqualIID(iid, IID_ISupportErrorInfo))
      return Give(static_cast<ISupportErrorInfo*>(this), out);
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return this->AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return this->ReleaseReference(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID /*locale*/, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return InterfaceInfo(Library::kDual, __uuidof(Interface), info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count,
                                          LCID /*locale*/, DISPID* ids) override {
    ComPtr<ITypeInfo> info;
    const HRESULT found = InterfaceInfo(Library::kDual, __uuidof(Interface), &info);
    if (FAILED(found)) return found;
    return ::DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID /*iid*/, LCID /*locale*/, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    // Through the vtable side: the IDispatch side of a dual interface would
    // call this Invoke again.
    ComPtr<ITypeInfo> info;
    const HRESULT found = VtableInfo(Library::kDual, __uuidof(Interface), &info);
    if (FAILED(found)) return found;
    // Arguments beyond the method's are refused, as on Windows (Wine's
    // ITypeInfo::Invoke lets them pass unseen).
    const MethodDescription method(info.Get(), id);
    if (!method) return DISP_E_MEMBERNOTFOUND;
    if (params != nullptr && params->cArgs > method.Arguments()) return DISP_E_BADPARAMCOUNT;
    return info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception,
                        argument_error);
  }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, __uuidof(Interface)) ? S_OK : S_FALSE;
  }

  IUnknown* Identity() override { return static_cast<Interface*>(this); }
};

// Vtable only: the interface and the error information of its failures.
template <template <class> class Methods, class Interface>
class VtableObject final : public Methods<Interface>, public ISupportErrorInfo {
 public:
  explicit VtableObject(zeph::ObjectRef server)
      : Methods<Interface>(std::move(server), Flavour::kVtable, __uuidof(Interface)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      return Give(static_cast<Interface*>(this), out);
    }
    if (IsEqualIID(iid, IID_ISupportErrorInfo))
      return Give(static_cast<ISupportErrorInfo*>(this), out);
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return this->AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return this->ReleaseReference(); }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, __uuidof(Interface)) ? S_OK : S_FALSE;
  }

  IUnknown* Identity() override { return static_cast<Interface*>(this); }
};

// Dispatch only: IDispatch written by hand (dispatch_only.h), no type
// information, no other interface. The vtable-only interface it calls
// through is its own and answers no QueryInterface.
template <template <class> class Methods, class Interface>
class DispatchObject final : public IDispatch, public Methods<Interface> {
 public:
  explicit DispatchObject(zeph::ObjectRef server)
      : Methods<Interface>(std::move(server), Flavour::kDispatch, __uuidof(Interface)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      return Give(static_cast<IDispatch*>(this), out);
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return this->AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return this->ReleaseReference(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT /*index*/, LCID /*locale*/,
                                        ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count,
                                          LCID /*locale*/, DISPID* ids) override {
    ComPtr<ITypeInfo> methods;
    const HRESULT found = VtableInfo(Library::kVtable, __uuidof(Interface), &methods);
    if (FAILED(found)) return found;
    return IdsOfNames(methods.Get(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID /*iid*/, LCID /*locale*/, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    ComPtr<ITypeInfo> methods;
    const HRESULT found = VtableInfo(Library::kVtable, __uuidof(Interface), &methods);
    if (FAILED(found)) return found;
    return InvokeByHand(static_cast<Interface*>(this), methods.Get(), id, flags, params, result,
                        exception, argument_error);
  }

  IUnknown* Identity() override { return static_cast<IDispatch*>(this); }
};

// The class's object in the flavour asked for.
template <template <class> class Methods, class Dual, class Vtable>
ServerObject* Make(const zeph::ObjectRef& server, Flavour flavour) {
  switch (flavour) {
    case Flavour::kDual:
      return new (std::nothrow) DualObject<Methods, Dual>(server);
    case Flavour::kVtable:
      return new (std::nothrow) VtableObject<Methods, Vtable>(server);
    case Flavour::kDispatch:
      return new (std::nothrow) DispatchObject<Methods, Vtable>(server);
  }
  return nullptr;
}

}  // namespace

ServerObject* MakeObject(const zeph::ObjectRef& server, Flavour flavour) {
  switch (server->Class()) {
    case zeph::ClassId::Setup:
      return Make<SetupMethods, ISetup, ISetupVt>(server, flavour);
    case zeph::ClassId::Stock:
      return Make<StockMethods, IStock, IStockVt>(server, flavour);
    case zeph::ClassId::Report:
      return Make<ReportMethods, IReport, IReportVt>(server, flavour);
    case zeph::ClassId::Report2:
      return Make<Report2Methods, IReport2, IReport2Vt>(server, flavour);
    case zeph::ClassId::Lexicon:
      return Make<LexiconMethods, ILexicon, ILexiconVt>(server, flavour);
    case zeph::ClassId::PrintHub:
      return Make<PrintHubMethods, IPrintHub, IPrintHubVt>(server, flavour);
    case zeph::ClassId::Till:
      return Make<TillMethods, ITill, ITillVt>(server, flavour);
    case zeph::ClassId::Invoices:
      return Make<InvoicesMethods, IInvoices, IInvoicesVt>(server, flavour);
    case zeph::ClassId::EksportTessaro:
      return Make<EksportTessaroMethods, IEksportTessaro, IEksportTessaroVt>(server, flavour);
    case zeph::ClassId::ZephProc:
      return Make<ZephProcMethods, IZephProc, IZephProcVt>(server, flavour);
  }
  return nullptr;
}

}  // namespace sim::com
