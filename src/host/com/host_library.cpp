#include "host/com/host_library.h"

#include <algorithm>
#include <array>
#include <map>
#include <new>
#include <tuple>

#include "host/com/arguments.h"
#include "host/com/call.h"
#include "host/com/contract.h"
#include "host/com/program_objects.h"
#include "host/com/status.h"
#include "host/com/support.h"
#include "host/host_methods.h"

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

ZephObject* HandOut(IUnknown* server) {
  if (server == nullptr) return nullptr;
  Ref<IUnknown> identity = Identity(server);
  if (!identity) return nullptr;
  ZephObject*& handle = Handles()[identity.get()];
  if (handle == nullptr) {
    handle = new ZephObject;
    handle->identity = std::move(identity);
    server->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(handle->dispatch.out()));
  }
  ++handle->references;
  return handle;
}

IUnknown* ObjectOf(ZephObject* server) {
  if (server == nullptr) return nullptr;
  if (server->dispatch) return server->dispatch.get();
  return server->identity.get();
}

IDispatch* ConnectionObjectOf(const ZephConnection* connection) {
  if (connection == nullptr) return nullptr;
  std::u16string text;
  if (connection->connection_string != nullptr) {
    ZephText borrowed = connection->connection_string(connection);
    if (borrowed.data != nullptr) {
      text.assign(reinterpret_cast<const char16_t*>(borrowed.data), borrowed.length);
    }
  }
  const bool prompt = connection->login_prompt != nullptr && connection->login_prompt(connection);
  return NewConnectionObject(std::move(text), prompt);
}

IDispatch* ApplicationObjectOf(ZephApplication* application) {
  return application == nullptr ? nullptr : ApplicationObject();
}

void Arg<ZephVariant*>::Out(const VARIANT& value, ZephVariant* out) {
  OwnedVariant number;
  OwnedVariant text;
  VARIANT copy = value;  // VariantChangeType reads it only
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
    *out = ZephVariant{ZEPH_VARIANT_EMPTY, 0, {nullptr, 0}};
  } else if (value.vt == VT_BSTR) {
    *out = ZephVariant{ZEPH_VARIANT_TEXT, 0, MakeString(FromBstr(value.bstrVal))};
  } else if (value.vt != VT_BOOL && value.vt != VT_DATE &&
             SUCCEEDED(::VariantChangeType(number.get(), &copy, 0, VT_I4))) {
    *out = ZephVariant{ZEPH_VARIANT_INTEGER, (*number).lVal, {nullptr, 0}};
  } else if (SUCCEEDED(::VariantChangeType(text.get(), &copy, 0, VT_BSTR))) {
    *out = ZephVariant{ZEPH_VARIANT_TEXT, 0, MakeString(FromBstr((*text).bstrVal))};
  } else {
    *out = ZephVariant{ZEPH_VARIANT_EMPTY, 0, {nullptr, 0}};
  }
}

namespace {

ZephStatus ToC(const HostStatus& status) {
  return {status.code, MakeString(status.description)};
}

// A method name as a template argument.
template <size_t N>
struct Name {
  // Implicit: a string literal is the template argument.
  // NOLINTNEXTLINE(google-explicit-constructor)
  constexpr Name(const char (&text)[N]) { std::copy_n(text, N, chars); }
  char chars[N];
};

// The class whose function table `Table` is, for servers without type
// information.
template <class Table>
constexpr const char* kClassOf = nullptr;
template <>
constexpr const char* kClassOf<ZephSetupTable> = "Setup";
template <>
constexpr const char* kClassOf<ZephStockTable> = "Stock";
template <>
constexpr const char* kClassOf<ZephReportTable> = "Report";
template <>
constexpr const char* kClassOf<ZephReport2Table> = "Report2";
template <>
constexpr const char* kClassOf<ZephLexiconTable> = "Lexicon";
template <>
constexpr const char* kClassOf<ZephPrintHubTable> = "PrintHub";
template <>
constexpr const char* kClassOf<ZephTillTable> = "Till";
template <>
constexpr const char* kClassOf<ZephInvoicesTable> = "Invoices";
template <>
constexpr const char* kClassOf<ZephEksportTessaroTable> = "EksportTessaro";
template <>
constexpr const char* kClassOf<ZephZephProcTable> = "ZephProc";

// The C entry of one method: the arguments into VARIANTs of the program's
// types, the call as the server declares it, the values back.
template <class Table, Name kName, class Fn>
struct Method;

template <class Table, Name kName, class... P>
struct Method<Table, kName, ZephStatus (*)(ZephObject*, P...)> {
  static const ContractMethod& Contract() {
    static const ContractMethod contract = [] {
      ContractMethod made;
      made.name.assign(kName.chars, kName.chars + sizeof kName.chars - 1);
      made.arguments = {Arg<P>::kParam...};
      made.has_result = HasResult(made.name) && !made.arguments.empty();
      if (made.has_result) {
        made.result = made.arguments.back().natural;
        made.arguments.pop_back();
      }
      return made;
    }();
    return contract;
  }

  static ZephStatus Call(ZephObject* self, P... args) {
    try {
      constexpr size_t kCount = sizeof...(P);
      std::array<OwnedVariant, kCount + 1> in;
      std::array<OwnedVariant, kCount + 1> out;
      [[maybe_unused]] size_t next = 0;
      (
          [&](auto arg) {
            using A = Arg<decltype(arg)>;
            if constexpr (A::kParam.direction != Direction::kOut) A::In(arg, *in[next].get());
            ++next;
          }(args),
          ...);
      HostStatus status = CallMethod(self, kClassOf<Table>, Contract(), in.data(), out.data());
      if (!status.Failed()) {
        next = 0;
        (
            [&](auto arg) {
              using A = Arg<decltype(arg)>;
              if constexpr (A::kParam.direction != Direction::kIn) A::Out(*out[next], arg);
              ++next;
            }(args),
            ...);
      }
      return ToC(status);
    } catch (const std::bad_alloc&) {
      return ToC(HostStatus::Fail(u"Out of memory"));
    }
  }
};

// One table entry per method.
#define COM_CALL(Table, method) .method = &Method<Table, #method, decltype(Table::method)>::Call,

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

struct ContractEntry {
  const char* class_name;
  const ContractMethod& (*contract)();
};
#define COM_CONTRACT(Table, method) \
  {kClassOf<Table>, &Method<Table, #method, decltype(Table::method)>::Contract},
const ContractEntry kContracts[] = {
    ZEPH_SETUP_METHODS(COM_CONTRACT, ZephSetupTable) ZEPH_STOCK_METHODS(
        COM_CONTRACT, ZephStockTable) ZEPH_REPORT_METHODS(COM_CONTRACT, ZephReportTable)
        ZEPH_REPORT2_METHODS(COM_CONTRACT, ZephReport2Table) ZEPH_LEXICON_METHODS(
            COM_CONTRACT, ZephLexiconTable) ZEPH_PRINT_HUB_METHODS(COM_CONTRACT, ZephPrintHubTable)
            ZEPH_TILL_METHODS(COM_CONTRACT, ZephTillTable)
                ZEPH_INVOICES_METHODS(COM_CONTRACT, ZephInvoicesTable)
                    ZEPH_EKSPORT_TESSARO_METHODS(COM_CONTRACT, ZephEksportTessaroTable)
                        ZEPH_ZEPH_PROC_METHODS(COM_CONTRACT, ZephZephProcTable)};
#undef COM_CONTRACT

ZephStatus CreateByClassId(ZephClassId, ZephObject** object) {
  // Servers are made by ProgID (CreateComServer), never by class id.
  *object = nullptr;
  return ToC(HostStatus::Fail(u"Class not registered"));
}

void ReleaseHandle(ZephObject* object) {
  if (object == nullptr || --object->references > 0) return;
  Handles().erase(object->identity.get());
  delete object;  // gives back the references to the server
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

const ContractMethod* FindContract(std::string_view class_name, std::u16string_view method) {
  for (const ContractEntry& entry : kContracts) {
    const ContractMethod& contract = entry.contract();
    if (class_name == entry.class_name && contract.name == method) return &contract;
  }
  return nullptr;
}

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
  // IUnknown: a server may be called through its vtable alone.
  com::Ref<IUnknown> server;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
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
  if (*handle != nullptr && !(*handle)->made_by_program) {
    (*handle)->clsid = clsid;
    (*handle)->made_by_program = true;
  }
  return HostStatus::Ok();
}

}  // namespace zeph
