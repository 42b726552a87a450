// Windows only. How each argument of a COM method reaches the simulated
// server: Arg<CORE, COM> takes the argument as the interface declares it
// (COM) and hands the core's method its own type (CORE). Values the server
// writes go back only when the call succeeded: texts, variants and objects
// are then new, owned by the caller; [out] arguments are emptied first, as
// COM asks of a callee.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>

#include "automation.h"
#include "host/host_api.h"
#include "server_object.h"

namespace sim::com {

// The program's connection object, read through its properties when the
// server asks; null for none.
std::shared_ptr<zeph::IConnection> ConnectionOf(IUnknown* object);

inline zeph::WideString FromBstr(BSTR text) {
  if (text == nullptr) return {};
  return {reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)};
}
inline BSTR ToBstr(const zeph::WideString& text) {
  return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

template <class Core, class Com>
struct Arg;

// An in-value the core takes as it is.
template <class Core, class Com>
struct InValue {
  InValue(Com given, Flavour /*flavour*/) : value(static_cast<Core>(given)) {}
  bool ok() const { return true; }
  Core get() const { return value; }
  HRESULT Commit() { return S_OK; }
  Core value;
};
template <>
struct Arg<int32_t, LONG> : InValue<int32_t, LONG> {
  using InValue::InValue;
};
template <>
struct Arg<zeph::ClassId, LONG> : InValue<zeph::ClassId, LONG> {
  using InValue::InValue;
};
template <>
struct Arg<zeph::WordBool, VARIANT_BOOL> : InValue<zeph::WordBool, VARIANT_BOOL> {
  using InValue::InValue;
};
template <>
struct Arg<zeph::OleDate, DATE> : InValue<zeph::OleDate, DATE> {
  using InValue::InValue;
};

template <>
struct Arg<const zeph::WideString&, BSTR> {
  Arg(BSTR value, Flavour /*flavour*/) : text(FromBstr(value)) {}
  bool ok() const { return true; }
  const zeph::WideString& get() const { return text; }
  HRESULT Commit() { return S_OK; }
  zeph::WideString text;
};

// A number, flag or date the server writes: [out] ones start at zero, the
// [in, out] ones (the contract's only: the dates) at the caller's value.
template <class Core, class Com, bool kInOut>
struct OutValue {
  OutValue(Com* target, Flavour /*flavour*/)
      : where(target), value(kInOut && target != nullptr ? static_cast<Core>(*target) : Core{}) {}
  bool ok() const { return where != nullptr; }
  Core* get() { return &value; }
  HRESULT Commit() {
    *where = static_cast<Com>(value);
    return S_OK;
  }
  Com* where;
  Core value;
};
template <>
struct Arg<int32_t*, LONG*> : OutValue<int32_t, LONG, false> {
  using OutValue::OutValue;
};
template <>
struct Arg<zeph::WordBool*, VARIANT_BOOL*> : OutValue<zeph::WordBool, VARIANT_BOOL, false> {
  using OutValue::OutValue;
};
template <>
struct Arg<zeph::OleDate*, DATE*> : OutValue<zeph::OleDate, DATE, true> {
  using OutValue::OutValue;
};

template <>
struct Arg<zeph::ExceptionHandler*, hyper*> {
  Arg(hyper* target, Flavour /*flavour*/) : where(target) {}
  bool ok() const { return where != nullptr; }
  zeph::ExceptionHandler* get() { return &handler; }
  HRESULT Commit() {
    *where = static_cast<hyper>(reinterpret_cast<intptr_t>(handler));
    return S_OK;
  }
  hyper* where;
  zeph::ExceptionHandler handler = nullptr;
};

template <>
struct Arg<zeph::WideString*, BSTR*> {
  Arg(BSTR* target, Flavour /*flavour*/) : where(target) {
    if (where != nullptr) *where = nullptr;
  }
  bool ok() const { return where != nullptr; }
  zeph::WideString* get() { return &text; }
  HRESULT Commit() {
    *where = ToBstr(text);
    return *where != nullptr || text.empty() ? S_OK : E_OUTOFMEMORY;
  }
  BSTR* where;
  zeph::WideString text;
};

template <>
struct Arg<zeph::Variant*, VARIANT*> {
  Arg(VARIANT* target, Flavour /*flavour*/) : where(target) {
    if (where != nullptr) ::VariantInit(where);
  }
  bool ok() const { return where != nullptr; }
  zeph::Variant* get() { return &value; }
  HRESULT Commit();
  VARIANT* where;
  zeph::Variant value;
};

// A server handed out: IDispatch from dual servers, IUnknown from the
// others.
template <class Object>
struct Arg<zeph::ObjectRef*, Object**> {
  Arg(Object** target, Flavour of) : where(target), flavour(of) {
    if (where != nullptr) *where = nullptr;
  }
  bool ok() const { return where != nullptr; }
  zeph::ObjectRef* get() { return &server; }
  HRESULT Commit() {
    if (!server) return S_OK;
    return ObjectFor(server, flavour, __uuidof(Object), reinterpret_cast<void**>(where));
  }
  Object** where;
  Flavour flavour;
  zeph::ObjectRef server;
};

// A server passed in: one of this simulator's, or none.
template <class Object>
struct Arg<const zeph::ObjectRef&, Object*> {
  Arg(Object* object, Flavour /*flavour*/) { known = ServerOf(object, &server); }
  bool ok() const { return known; }
  const zeph::ObjectRef& get() const { return server; }
  HRESULT Commit() { return S_OK; }
  bool known;
  zeph::ObjectRef server;
};

template <class Object>
struct Arg<zeph::ISetup*, Object*> {
  Arg(Object* object, Flavour /*flavour*/) {
    known = ServerOf(object, &server) && (!server || get() != nullptr);
  }
  bool ok() const { return known; }
  zeph::ISetup* get() const { return dynamic_cast<zeph::ISetup*>(server.get()); }
  HRESULT Commit() { return S_OK; }
  bool known;
  zeph::ObjectRef server;
};

template <class Object>
struct Arg<zeph::IConnection*, Object*> {
  Arg(Object* object, Flavour /*flavour*/) : connection(ConnectionOf(object)) {}
  bool ok() const { return true; }
  zeph::IConnection* get() const { return connection.get(); }
  HRESULT Commit() { return S_OK; }
  std::shared_ptr<zeph::IConnection> connection;
};

// The application object: only whether there is one matters.
zeph::IApplication* TheApplication();
template <class Object>
struct Arg<zeph::IApplication*, Object*> {
  Arg(Object* object, Flavour /*flavour*/) : given(object != nullptr) {}
  bool ok() const { return true; }
  zeph::IApplication* get() const { return given ? TheApplication() : nullptr; }
  HRESULT Commit() { return S_OK; }
  bool given;
};

template <class Core, class... CoreArgs, class... ComArgs>
HRESULT ServerObject::Forward(zeph::HostStatus (Core::*method)(CoreArgs...), ComArgs... args) {
  static_assert(sizeof...(CoreArgs) == sizeof...(ComArgs));
  try {
    std::tuple<Arg<CoreArgs, ComArgs>...> converted{Arg<CoreArgs, ComArgs>(args, flavour_)...};
    const bool ok = std::apply([](const auto&... arg) { return (arg.ok() && ...); }, converted);
    if (!ok) {
      return Fail(
          u"Host simulator: a result pointer is null or an object is not one of its servers", iid_);
    }
    auto* core = dynamic_cast<Core*>(server_.get());
    const zeph::HostStatus status =
        std::apply([&](auto&... arg) { return (core->*method)(arg.get()...); }, converted);
    if (status.Failed()) return Fail(status.description, iid_);
    HRESULT result = S_OK;
    std::apply([&](auto&... arg) { ((result = SUCCEEDED(result) ? arg.Commit() : result), ...); },
               converted);
    return result;
  } catch (...) {
    return Fail(u"Host simulator failure", iid_);
  }
}

}  // namespace sim::com
