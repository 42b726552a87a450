#include "com_servers.h"

#include <iterator>
#include <map>
#include <span>
#include <tuple>
#include <utility>

#include "com_params.h"
#include "factory.h"
#include "host/host_methods.h"
#include "util/encoding.h"

namespace sim::com {
namespace {

using zeph::com::DispatchObject;
using zeph::com::SameName;

// {6F1B6E5C-3A1E-4C7D-9E55-2B4F8E0D7A11}: asked of an object to find the
// simulated server behind it; answered only by this simulator's objects.
const IID kIidSimServer = {
    0x6f1b6e5c, 0x3a1e, 0x4c7d, {0x9e, 0x55, 0x2b, 0x4f, 0x8e, 0x0d, 0x7a, 0x11}};

LONG g_live = 0;

// One method of a class: its name and the call that converts the arguments.
using Thunk = HRESULT (*)(zeph::IHostObject& server, DISPPARAMS& params, EXCEPINFO* exception,
                          UINT* argument_error);
struct Method {
  const char16_t* name;
  Thunk call;
};

// A failure status as the late binding reports it: DISP_E_EXCEPTION, with
// the status's text as the description (an empty text stays an empty,
// present description).
HRESULT Raise(const zeph::HostStatus& status, EXCEPINFO* exception) {
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->bstrSource = ::SysAllocString(L"ZephAutomat host simulator");
    exception->bstrDescription =
        ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(status.description.data()),
                            static_cast<UINT>(status.description.size()));
    exception->scode = E_FAIL;
  }
  return DISP_E_EXCEPTION;
}

// Numbers, Booleans and dates go back to the caller whatever the call's
// outcome.
template <class P>
void Leave(P& param) {
  if constexpr (requires { param.Leave(); }) param.Leave();
}

template <auto kMethod>
struct Entry;

template <class Interface, class... A, zeph::HostStatus (Interface::*kMethod)(A...)>
struct Entry<kMethod> {
  static HRESULT Call(zeph::IHostObject& object, DISPPARAMS& params, EXCEPINFO* exception,
                      UINT* argument_error) {
    return Convert(object, params, exception, argument_error, std::index_sequence_for<A...>{});
  }

  template <size_t... I>
  static HRESULT Convert(zeph::IHostObject& object, DISPPARAMS& params, EXCEPINFO* exception,
                         UINT* argument_error, std::index_sequence<I...>) {
    auto* server = dynamic_cast<Interface*>(&object);
    if (server == nullptr) return DISP_E_MEMBERNOTFOUND;
    constexpr UINT kCount = sizeof...(A);
    if (params.cArgs != kCount) return DISP_E_BADPARAMCOUNT;
    // The arguments come last one first.
    std::tuple<Param<A>...> args{params.rgvarg[kCount - 1 - I]...};
    UINT refused = kCount;
    ((refused = refused == kCount && !std::get<I>(args).ok ? static_cast<UINT>(I) : refused), ...);
    if (refused != kCount) {
      if (argument_error != nullptr) *argument_error = kCount - 1 - refused;
      return DISP_E_TYPEMISMATCH;
    }
    const zeph::HostStatus status =
        std::apply([&](auto&... arg) { return (server->*kMethod)(arg.get()...); }, args);
    std::apply([](auto&... arg) { (Leave(arg), ...); }, args);
    if (status.Failed()) return Raise(status, exception);
    std::apply([](auto&... arg) { (arg.Commit(), ...); }, args);
    return S_OK;
  }
};

// One table row per method.
#define SIM_METHOD(Interface, method) Method{u## #method, &Entry<&zeph::Interface::method>::Call},

const Method kSetup[] = {ZEPH_SETUP_METHODS(SIM_METHOD, ISetup)};
const Method kStock[] = {ZEPH_STOCK_METHODS(SIM_METHOD, IStock)};
const Method kReport[] = {ZEPH_REPORT_METHODS(SIM_METHOD, IReport)};
const Method kReport2[] = {ZEPH_REPORT2_METHODS(SIM_METHOD, IReport2)};
const Method kLexicon[] = {ZEPH_LEXICON_METHODS(SIM_METHOD, ILexicon)};
const Method kPrintHub[] = {ZEPH_PRINT_HUB_METHODS(SIM_METHOD, IPrintHub)};
const Method kTill[] = {ZEPH_TILL_METHODS(SIM_METHOD, ITill)};
const Method kInvoices[] = {ZEPH_INVOICES_METHODS(SIM_METHOD, IInvoices)};
const Method kEksportTessaro[] = {ZEPH_EKSPORT_TESSARO_METHODS(SIM_METHOD, IEksportTessaro)};
const Method kZephProc[] = {ZEPH_ZEPH_PROC_METHODS(SIM_METHOD, IZephProc)};

#undef SIM_METHOD

std::span<const Method> MethodsOf(zeph::ClassId id) {
  switch (id) {
    case zeph::ClassId::Setup:
      return kSetup;
    case zeph::ClassId::Stock:
      return kStock;
    case zeph::ClassId::Report:
      return kReport;
    case zeph::ClassId::Report2:
      return kReport2;
    case zeph::ClassId::Lexicon:
      return kLexicon;
    case zeph::ClassId::PrintHub:
      return kPrintHub;
    case zeph::ClassId::Till:
      return kTill;
    case zeph::ClassId::Invoices:
      return kInvoices;
    case zeph::ClassId::EksportTessaro:
      return kEksportTessaro;
    case zeph::ClassId::ZephProc:
      return kZephProc;
  }
  return {};
}

class ServerDispatch;

// The object of every server handed out, so that the same server is the
// same object.
std::map<const zeph::IHostObject*, ServerDispatch*>& Dispatches() {
  static auto* dispatches = new std::map<const zeph::IHostObject*, ServerDispatch*>;
  return *dispatches;
}

// DISPIDs are the method's place in its class's table, from 1.
class ServerDispatch final : public DispatchObject {
 public:
  explicit ServerDispatch(zeph::ObjectRef server)
      : server_(std::move(server)), methods_(MethodsOf(server_->Class())) {
    CountComObject(+1);
  }
  const zeph::ObjectRef& server() const { return server_; }

 protected:
  ~ServerDispatch() override {
    Dispatches().erase(server_.get());
    CountComObject(-1);
  }
  DISPID FindName(std::u16string_view name) const override {
    for (size_t i = 0; i < methods_.size(); ++i) {
      if (SameName(name, methods_[i].name)) return static_cast<DISPID>(i + 1);
    }
    return DISPID_UNKNOWN;
  }
  HRESULT Call(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception,
               UINT* argument_error) override {
    if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (id < 1 || static_cast<size_t>(id) > methods_.size()) return DISP_E_MEMBERNOTFOUND;
    if (result != nullptr) ::VariantInit(result);
    try {
      return methods_[static_cast<size_t>(id) - 1].call(*server_, params, exception,
                                                        argument_error);
    } catch (...) {
      return Raise(zeph::HostStatus::Fail(u"Host simulator failure"), exception);
    }
  }
  void* OtherInterface(REFIID iid) override {
    return IsEqualIID(iid, kIidSimServer) ? static_cast<IDispatch*>(this) : nullptr;
  }

 private:
  zeph::ObjectRef server_;
  std::span<const Method> methods_;
};

// The program's connection object, asked for its values when the server
// asks.
class DispatchConnection final : public zeph::IConnection {
 public:
  explicit DispatchConnection(IDispatch* object) : object_(Ref<IDispatch>::Share(object)) {}
  std::string ConnectionString() const override {
    OwnedVariant value;
    if (!Get(u"ConnectionString", VT_BSTR, value)) return {};
    return zeph::WideToUtf8(FromBstr((*value).bstrVal));
  }
  bool LoginPrompt() const override {
    OwnedVariant value;
    return Get(u"LoginPrompt", VT_BOOL, value) && (*value).boolVal != VARIANT_FALSE;
  }

 private:
  bool Get(const char16_t* name, VARTYPE type, OwnedVariant& value) const {
    std::u16string copy(name);
    auto* names = reinterpret_cast<LPOLESTR>(copy.data());
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) {
      return false;
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    OwnedVariant got;
    if (FAILED(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               got.get(), nullptr, nullptr))) {
      return false;
    }
    return SUCCEEDED(::VariantChangeType(value.get(), got.get(), 0, type));
  }
  Ref<IDispatch> object_;
};

// The application object: only whether there is one matters.
class ProgramApplication final : public zeph::IApplication {};

// An object argument: VT_DISPATCH or VT_UNKNOWN, or none.
bool ObjectArgument(VARIANT& argument, IDispatch** object) {
  *object = nullptr;
  VARIANT* value = argument.vt == (VT_BYREF | VT_VARIANT) ? argument.pvarVal : &argument;
  switch (value->vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_DISPATCH:
      *object = value->pdispVal;
      return true;
    case VT_UNKNOWN:
      if (value->punkVal == nullptr) return true;
      // A reference held by the argument keeps the object alive for the call.
      if (FAILED(value->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object)))) {
        return false;
      }
      (*object)->Release();
      return true;
    default:
      return false;
  }
}

}  // namespace

LONG LiveComObjects() {
  return g_live;
}

void CountComObject(LONG change) {
  ::InterlockedExchangeAdd(&g_live, change);
}

IDispatch* DispatchFor(const zeph::ObjectRef& server) {
  if (!server) return nullptr;
  ServerDispatch*& known = Dispatches()[server.get()];
  if (known != nullptr) {
    known->AddRef();
  } else {
    known = new ServerDispatch(server);
  }
  return known;
}

bool ServerOf(IDispatch* object, zeph::ObjectRef* server) {
  server->reset();
  if (object == nullptr) return true;
  Ref<IDispatch> own;
  if (FAILED(object->QueryInterface(kIidSimServer, reinterpret_cast<void**>(own.out())))) {
    return false;
  }
  *server = static_cast<ServerDispatch*>(own.get())->server();
  return true;
}

bool ConvertIn(VARIANT& argument, VARTYPE type, OwnedVariant& converted) {
  return SUCCEEDED(::VariantChangeType(converted.get(), &argument, 0, type));
}

void Param<zeph::Variant*>::Commit() {
  ::VariantClear(where);
  if (const auto* number = std::get_if<int32_t>(&value)) {
    where->vt = VT_I4;
    where->lVal = *number;
  } else if (const auto* text = std::get_if<zeph::WideString>(&value)) {
    where->vt = VT_BSTR;
    where->bstrVal = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()),
                                         static_cast<UINT>(text->size()));
  }
}

Param<const zeph::ObjectRef&>::Param(VARIANT& argument) {
  IDispatch* object = nullptr;
  ok = ObjectArgument(argument, &object) && ServerOf(object, &server);
}

Param<zeph::ISetup*>::Param(VARIANT& argument) {
  IDispatch* object = nullptr;
  ok = ObjectArgument(argument, &object) && ServerOf(object, &server) &&
       (!server || dynamic_cast<zeph::ISetup*>(server.get()) != nullptr);
}

Param<zeph::IConnection*>::Param(VARIANT& argument) {
  IDispatch* object = nullptr;
  ok = ObjectArgument(argument, &object);
  if (ok && object != nullptr) connection = std::make_shared<DispatchConnection>(object);
}

Param<zeph::IApplication*>::Param(VARIANT& argument) {
  IDispatch* object = nullptr;
  ok = ObjectArgument(argument, &object);
  given = object != nullptr;
}

zeph::IApplication* Param<zeph::IApplication*>::get() const {
  static ProgramApplication application;
  return given ? &application : nullptr;
}

HRESULT CreateComServer(zeph::ClassId id, IDispatch** out) {
  *out = nullptr;
  zeph::ObjectRef made;
  const zeph::HostStatus status = CreateServer(static_cast<int32_t>(id), &made);
  if (status.Failed()) {
    Ref<ICreateErrorInfo> info;
    if (SUCCEEDED(::CreateErrorInfo(info.out()))) {
      std::u16string text = status.description;
      info->SetDescription(reinterpret_cast<LPOLESTR>(text.data()));
      Ref<IErrorInfo> error;
      if (SUCCEEDED(info->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(error.out())))) {
        ::SetErrorInfo(0, error.get());
      }
    }
    return E_FAIL;
  }
  *out = DispatchFor(made);
  return S_OK;
}

}  // namespace sim::com
