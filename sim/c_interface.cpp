// The simulator's C interface: the library table, the function tables of
// every class, and the conversions between their C types and the simulated
// servers. Nothing else of the simulator is visible from outside.
#include <algorithm>
#include <map>
#include <memory>
#include <tuple>
#include <type_traits>

#include "factory.h"
#include "host/host_api.h"
#include "host/host_methods.h"
#include "host/zeph_host.h"
#include "sim_state.h"
#include "sim_text.h"

// The handle of a simulated server handed to the program, one per server,
// counting the references the program holds.
struct ZephObject {
  zeph::ObjectRef ref;
  int references = 0;
};

namespace sim {
namespace {

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

// Servers the program holds, by address.
std::map<const zeph::IHostObject*, std::unique_ptr<ZephObject>>& Handles() {
  static auto* handles = new std::map<const zeph::IHostObject*, std::unique_ptr<ZephObject>>;
  return *handles;
}

// One more reference to the server's handle.
ZephObject* HandOut(const zeph::ObjectRef& server) {
  if (!server) return nullptr;
  std::unique_ptr<ZephObject>& handle = Handles()[server.get()];
  if (!handle) handle = std::make_unique<ZephObject>(ZephObject{server, 0});
  ++handle->references;
  return handle.get();
}

void ReleaseObject(ZephObject* object) {
  if (object == nullptr || --object->references > 0) return;
  Handles().erase(object->ref.get());  // drops the server unless it is held elsewhere
}

ZephString MakeString(const std::u16string& text) {
  if (text.empty()) return {nullptr, 0};
  auto* data = new uint16_t[text.size()];
  std::copy(text.begin(), text.end(), data);
  return {data, text.size()};
}

void FreeString(ZephString* text) {
  if (text == nullptr) return;
  delete[] text->data;
  *text = {nullptr, 0};
}

ZephStatus ToC(const zeph::HostStatus& status) {
  return {status.code, MakeString(status.description)};
}

ZephStatus Failure(const char16_t* text) {
  return ToC(zeph::HostStatus::Fail(text));
}

// The program's connection as the configuration server keeps it.
class ProgramConnection : public zeph::IConnection {
 public:
  explicit ProgramConnection(const ZephConnection* c) : c_(c) {}
  std::string ConnectionString() const override {
    if (c_->connection_string == nullptr) return {};
    ZephText text = c_->connection_string(c_);
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data), text.length));
  }
  bool LoginPrompt() const override {
    return c_->login_prompt != nullptr && c_->login_prompt(c_) != 0;
  }

 private:
  const ZephConnection* c_;
};

// The program's application object: only whether there is one matters.
class ProgramApplication : public zeph::IApplication {};

// How each C argument reaches a simulated server. Numbers, Booleans, dates
// and out-pointers to them pass as they are; texts, variants and objects are
// converted, and their results given to the program only when the call
// succeeded.
template <class T>
struct Param {
  static_assert(std::is_arithmetic_v<T> || std::is_pointer_v<T>);
  using C = T;
  explicit Param(C value) : value_(value) {}
  T get() const { return value_; }
  void Commit() {}
  T value_;
};

template <>
struct Param<zeph::ClassId> {
  using C = ZephClassId;
  explicit Param(C id) : id_(static_cast<zeph::ClassId>(id)) {}
  zeph::ClassId get() const { return id_; }
  void Commit() {}
  zeph::ClassId id_;
};

template <>
struct Param<const zeph::WideString&> {
  using C = ZephText;
  explicit Param(C text)
      : text_(text.data == nullptr
                  ? std::u16string()
                  : std::u16string(reinterpret_cast<const char16_t*>(text.data), text.length)) {}
  const zeph::WideString& get() const { return text_; }
  void Commit() {}
  zeph::WideString text_;
};

template <>
struct Param<zeph::WideString*> {
  using C = ZephString*;
  explicit Param(C out) : out_(out) {}
  zeph::WideString* get() { return &text_; }
  void Commit() {
    if (out_ != nullptr) *out_ = MakeString(text_);
  }
  ZephString* out_;
  zeph::WideString text_;
};

template <>
struct Param<zeph::Variant*> {
  using C = ZephVariant*;
  explicit Param(C out) : out_(out) {}
  zeph::Variant* get() { return &value_; }
  void Commit() {
    if (out_ == nullptr) return;
    *out_ = ZephVariant{ZEPH_VARIANT_EMPTY, 0, {nullptr, 0}};
    if (const auto* number = std::get_if<int32_t>(&value_)) {
      out_->kind = ZEPH_VARIANT_INTEGER;
      out_->integer = *number;
    } else if (const auto* text = std::get_if<zeph::WideString>(&value_)) {
      out_->kind = ZEPH_VARIANT_TEXT;
      out_->text = MakeString(*text);
    }
  }
  ZephVariant* out_;
  zeph::Variant value_;
};

template <>
struct Param<zeph::IConnection*> {
  using C = const ZephConnection*;
  explicit Param(C connection) {
    if (connection != nullptr) connection_ = std::make_shared<ProgramConnection>(connection);
  }
  zeph::IConnection* get() const { return connection_.get(); }
  void Commit() {}
  std::shared_ptr<ProgramConnection> connection_;
};

template <>
struct Param<zeph::IApplication*> {
  using C = ZephApplication*;
  explicit Param(C application) : given_(application != nullptr) {}
  zeph::IApplication* get() const {
    static ProgramApplication application;
    return given_ ? &application : nullptr;
  }
  void Commit() {}
  bool given_;
};

template <>
struct Param<zeph::ISetup*> {
  using C = ZephObject*;
  explicit Param(C server)
      : setup_(server == nullptr ? nullptr : dynamic_cast<zeph::ISetup*>(server->ref.get())) {}
  zeph::ISetup* get() const { return setup_; }
  void Commit() {}
  zeph::ISetup* setup_;
};

template <>
struct Param<const zeph::ObjectRef&> {
  using C = ZephObject*;
  explicit Param(C server) : ref_(server == nullptr ? nullptr : server->ref) {}
  const zeph::ObjectRef& get() const { return ref_; }
  void Commit() {}
  zeph::ObjectRef ref_;
};

template <>
struct Param<zeph::ObjectRef*> {
  using C = ZephObject**;
  explicit Param(C out) : out_(out) {}
  zeph::ObjectRef* get() { return &ref_; }
  void Commit() {
    if (out_ != nullptr) *out_ = HandOut(ref_);
  }
  ZephObject** out_;
  zeph::ObjectRef ref_;
};

template <>
struct Param<zeph::ExceptionHandler*> {
  using C = ZephExceptionHandler*;
  explicit Param(C out) : out_(out) {}
  zeph::ExceptionHandler* get() { return &handler_; }
  void Commit() {
    if (out_ != nullptr) *out_ = handler_;
  }
  ZephExceptionHandler* out_;
  zeph::ExceptionHandler handler_ = nullptr;
};

// The C entry of one method of a simulated server.
template <auto Method>
struct Thunk;

template <class Interface, class... A, zeph::HostStatus (Interface::*Method)(A...)>
struct Thunk<Method> {
  static ZephStatus Call(ZephObject* self, typename Param<A>::C... args) {
    try {
      auto* server = self == nullptr ? nullptr : dynamic_cast<Interface*>(self->ref.get());
      if (server == nullptr) return Failure(u"Invalid object");
      std::tuple<Param<A>...> params{Param<A>(args)...};
      zeph::HostStatus status =
          std::apply([&](auto&... p) { return (server->*Method)(p.get()...); }, params);
      if (!status.Failed()) std::apply([](auto&... p) { (p.Commit(), ...); }, params);
      return ToC(status);
    } catch (...) {
      return Failure(u"Host simulator failure");
    }
  }
};

// One table entry per method. A designated entry cannot be parenthesised.
#define SIM_CALL(Interface, method) \
  .method = &Thunk<&zeph::Interface::method>::Call,  // NOLINT(bugprone-macro-parentheses)

const ZephSetupTable kSetup = {ZEPH_SETUP_METHODS(SIM_CALL, ISetup)};
const ZephStockTable kStock = {ZEPH_STOCK_METHODS(SIM_CALL, IStock)};
const ZephReportTable kReport = {ZEPH_REPORT_METHODS(SIM_CALL, IReport)};
const ZephReport2Table kReport2 = {ZEPH_REPORT2_METHODS(SIM_CALL, IReport2)};
const ZephLexiconTable kLexicon = {ZEPH_LEXICON_METHODS(SIM_CALL, ILexicon)};
const ZephPrintHubTable kPrintHub = {ZEPH_PRINT_HUB_METHODS(SIM_CALL, IPrintHub)};
const ZephTillTable kTill = {ZEPH_TILL_METHODS(SIM_CALL, ITill)};
const ZephInvoicesTable kInvoices = {ZEPH_INVOICES_METHODS(SIM_CALL, IInvoices)};
const ZephEksportTessaroTable kEksportTessaro = {
    ZEPH_EKSPORT_TESSARO_METHODS(SIM_CALL, IEksportTessaro)};
const ZephZephProcTable kZephProc = {ZEPH_ZEPH_PROC_METHODS(SIM_CALL, IZephProc)};

#undef SIM_CALL

ZephStatus CreateObject(ZephClassId id, ZephObject** object) {
  if (object == nullptr) return Failure(u"Invalid pointer");
  *object = nullptr;
  try {
    zeph::ObjectRef made;
    zeph::HostStatus status = CreateServer(id, &made);
    if (!status.Failed()) *object = HandOut(made);
    return ToC(status);
  } catch (...) {
    return Failure(u"Host simulator failure");
  }
}

const ZephHostLibrary kLibrary = {
    ZEPH_HOST_INTERFACE_VERSION,
    &CreateObject,
    &ReleaseObject,
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

}  // namespace
}  // namespace sim

SIM_EXPORT const ZephHostLibrary* zeph_host_library(void) {
  return &sim::kLibrary;
}

// Test infrastructure: forgets the scenario, call counts and object numbers
// so that a test process can run one scenario after another.
SIM_EXPORT void zeph_sim_reset() {
  sim::ResetState();
}
