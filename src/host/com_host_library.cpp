#include "host/com_host_library.h"

#include <algorithm>
#include <array>
#include <map>
#include <new>
#include <tuple>

#include "host/com_arguments.h"
#include "host/com_program_objects.h"
#include "host/com_status.h"
#include "host/com_support.h"
#include "host/host_methods.h"

// One server the program holds: the same handle for the same COM object,
// counting the program's references.
struct ZephObject {
  zeph::com::Ref<IDispatch> dispatch;
  IUnknown* identity;  // key of the handle; the reference is dispatch's
  int references;
};

namespace zeph {
namespace com {
namespace {

std::map<IUnknown*, ZephObject*>& Handles() {
  static auto* handles = new std::map<IUnknown*, ZephObject*>;  // outlives every static object
  return *handles;
}

// The run's apartment: joined at the first creation and left at the end of
// the process when no server is held any more (a server still held then is
// only given up by the process ending).
class Apartment {
 public:
  HRESULT Join() {
    if (!tried_) {
      tried_ = true;
      joined_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    // Another part of the process may have joined this thread already.
    return joined_ == RPC_E_CHANGED_MODE ? S_OK : joined_;
  }
  ~Apartment() {
    if (tried_ && SUCCEEDED(joined_) && Handles().empty()) ::CoUninitialize();
  }

 private:
  bool tried_ = false;
  HRESULT joined_ = S_OK;
};

}  // namespace

ZephString MakeString(std::u16string_view text) {
  if (text.empty()) return {nullptr, 0};
  auto* data = new uint16_t[text.size()];
  std::copy(text.begin(), text.end(), data);
  return {data, text.size()};
}

ZephObject* HandOut(IDispatch* server) {
  if (server == nullptr) return nullptr;
  Ref<IUnknown> identity = Identity(server);
  if (!identity) return nullptr;
  ZephObject*& handle = Handles()[identity.get()];
  if (handle == nullptr) {
    handle = new ZephObject{Ref<IDispatch>::Share(server), identity.get(), 0};
  }
  ++handle->references;
  return handle;
}

IDispatch* DispatchOf(ZephObject* server) {
  return server == nullptr ? nullptr : server->dispatch.get();
}

Slot<const ZephConnection*>::Slot(const ZephConnection* connection) {
  if (connection != nullptr) {
    std::u16string text;
    if (connection->connection_string != nullptr) {
      ZephText borrowed = connection->connection_string(connection);
      if (borrowed.data != nullptr) {
        text.assign(reinterpret_cast<const char16_t*>(borrowed.data), borrowed.length);
      }
    }
    const bool prompt = connection->login_prompt != nullptr && connection->login_prompt(connection);
    object_ = Ref<IDispatch>::Adopt(NewConnectionObject(std::move(text), prompt));
  }
  v.vt = VT_DISPATCH, v.pdispVal = object_.get();
}

Slot<ZephApplication*>::Slot(ZephApplication* application) {
  if (application != nullptr) object_ = Ref<IDispatch>::Adopt(ApplicationObject());
  v.vt = VT_DISPATCH, v.pdispVal = object_.get();
}

namespace {

ZephStatus ToC(const HostStatus& status) {
  return {status.code, MakeString(status.description)};
}

// Calls the server's method `name` with the arguments, first one first.
HostStatus InvokeByName(ZephObject* self, std::u16string_view name, VARIANTARG* reversed,
                        UINT count) {
  if (self == nullptr) return HostStatus::Fail(u"Invalid object");
  std::u16string copy(name);
  auto* names = reinterpret_cast<LPOLESTR>(copy.data());
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = self->dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    return HostStatus::Fail(u"The server does not offer " + copy + u": " + DescribeHresult(hr));
  }
  DISPPARAMS params{reversed, nullptr, count, 0};
  EXCEPINFO exception{};
  OwnedVariant result;
  UINT argument_error = 0;
  hr = self->dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                              result.get(), &exception, &argument_error);
  HostStatus status = StatusOf(hr, &exception);
  if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_BADPARAMCOUNT) {
    status.description = copy + u": " + status.description;
  }
  return status;
}

// A method name as a template argument.
template <size_t N>
struct Name {
  // Implicit: a string literal is the template argument.
  // NOLINTNEXTLINE(google-explicit-constructor)
  constexpr Name(const char (&text)[N]) { std::copy_n(text, N, chars); }
  char chars[N];
};

// The C entry of one method: the arguments into VARIANTs, the late-bound
// call, the results back.
template <Name kName, class Fn>
struct Method;

template <Name kName, class... P>
struct Method<kName, ZephStatus (*)(ZephObject*, P...)> {
  static ZephStatus Call(ZephObject* self, P... args) {
    try {
      std::tuple<Slot<P>...> slots{args...};
      std::array<VARIANTARG, sizeof...(P)> reversed{};
      size_t next = sizeof...(P);
      std::apply([&](auto&... slot) { ((reversed[--next] = slot.v), ...); }, slots);
      const std::u16string name(kName.chars, kName.chars + sizeof kName.chars - 1);
      HostStatus status =
          InvokeByName(self, name, reversed.data(), static_cast<UINT>(reversed.size()));
      std::apply([&](auto&... slot) { (slot.Commit(!status.Failed()), ...); }, slots);
      return ToC(status);
    } catch (const std::bad_alloc&) {
      return ToC(HostStatus::Fail(u"Out of memory"));
    }
  }
};

// One table entry per method.
#define COM_CALL(Table, method) .method = &Method<#method, decltype(Table::method)>::Call,

const ZephSetupTable kSetup = {ZEPH_SETUP_METHODS(COM_CALL, ZephSetupTable)};
const ZephStockTable kStock = {ZEPH_STOCK_METHODS(COM_CALL, ZephStockTable)};
const ZephReportTable kReport = {ZEPH_REPORT_METHODS(COM_CALL, ZephReportTable)};
const ZephReport2Table kReport2 = {ZEPH_REPORT2_METHODS(COM_CALL, ZephReport2Table)};
const ZephLexiconTable kLexicon = {ZEPH_LEXICON_METHODS(COM_CALL, ZephLexiconTable)};
const ZephPrintHubTable kPrintHub = {ZEPH_PRINT_HUB_METHODS(COM_CALL, ZephPrintHubTable)};
const ZephTillTable kTill = {ZEPH_TILL_METHODS(COM_CALL, ZephTillTable)};
const ZephInvoicesTable kInvoices = {ZEPH_INVOICES_METHODS(COM_CALL, ZephInvoicesTable)};
const ZephEksportTessaroTable kEksportTessaro = {
    ZEPH_EKSPORT_TESSARO_METHODS(COM_CALL, ZephEksportTessaroTable)};
const ZephZephProcTable kZephProc = {ZEPH_ZEPH_PROC_METHODS(COM_CALL, ZephZephProcTable)};

#undef COM_CALL

ZephStatus CreateByClassId(ZephClassId, ZephObject** object) {
  // Servers are made by ProgID (CreateComServer), never by class id.
  *object = nullptr;
  return ToC(HostStatus::Fail(u"Class not registered"));
}

void ReleaseHandle(ZephObject* object) {
  if (object == nullptr || --object->references > 0) return;
  Handles().erase(object->identity);
  delete object;  // gives back the reference to the server
}

void FreeString(ZephString* text) {
  delete[] text->data;
  *text = {nullptr, 0};
}

const ZephHostLibrary kTable = {
    ZEPH_HOST_INTERFACE_VERSION,
    &CreateByClassId,
    &ReleaseHandle,
    &FreeString,
    &kSetup,
    &kStock,
    &kReport,
    &kReport2,
    &kLexicon,
    &kPrintHub,
    &kTill,
    &kInvoices,
    &kEksportTessaro,
    &kZephProc,
};

Apartment& RunApartment() {
  static Apartment apartment;
  return apartment;
}

}  // namespace
}  // namespace com

const HostLibrary& ComServersLibrary() {
  static const HostLibrary* library = HostLibrary::Adopt("COM", &com::kTable);
  return *library;
}

HostStatus CreateComServer(const std::u16string& progid, ZephObject** handle) {
  *handle = nullptr;
  auto refused = [&](HRESULT hr) {
    // A ProgID or class the registry does not know is the same failure as a
    // class components.ini does not list, and the system's own text for it.
    if (hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) {
      return HostStatus{static_cast<int32_t>(hr), u"Class not registered"};
    }
    return HostStatus{static_cast<int32_t>(hr),
                      u"Cannot create server \"" + progid + u"\": " + com::DescribeHresult(hr)};
  };
  HRESULT hr = com::RunApartment().Join();
  if (FAILED(hr)) return refused(hr);
  CLSID clsid{};
  hr = ::CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(progid.c_str()), &clsid);
  if (FAILED(hr)) return refused(hr);
  com::Ref<IDispatch> server;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(server.out()));
  if (FAILED(hr)) {
    // A server that refuses to be made says why in the thread's error
    // information: its text is the failure, as a library's creation status is.
    com::Ref<IErrorInfo> info;
    com::Bstr description;
    if (::GetErrorInfo(0, info.out()) == S_OK && info &&
        SUCCEEDED(info->GetDescription(description.out())) && description.get() != nullptr) {
      return {static_cast<int32_t>(hr), com::FromBstr(description.get())};
    }
    return refused(hr);
  }
  *handle = com::HandOut(server.get());
  return HostStatus::Ok();
}

}  // namespace zeph
