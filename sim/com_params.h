// Windows only. How each argument of a late-bound call reaches a simulated
// server: in-values from VARIANTs of their type or one that converts to it,
// out- and in/out-values by reference to exactly their type. Out-texts,
// -variants and -servers are written back only when the call succeeded;
// numbers, Booleans and dates as the call left them.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <memory>
#include <string>

#include "host/com_support.h"
#include "host/host_api.h"

namespace sim::com {

using zeph::com::Bstr;
using zeph::com::FromBstr;
using zeph::com::OwnedVariant;
using zeph::com::Ref;

// What the server side provides to the parameters: simulated servers as
// late-bound objects and back (com_servers.cpp).
IDispatch* DispatchFor(const zeph::ObjectRef& server);  // one reference; null for none
// The simulated server behind `object`; null for null. False when the object
// is not one of this simulator's.
bool ServerOf(IDispatch* object, zeph::ObjectRef* server);

// An in-value converted to `type`; false when it does not convert.
bool ConvertIn(VARIANT& argument, VARTYPE type, OwnedVariant& converted);

template <class T>
struct Param;

// In-values of a VARIANT type.
template <class T, VARTYPE kType, auto kField>
struct InValue {
  explicit InValue(VARIANT& argument) {
    OwnedVariant converted;
    ok = ConvertIn(argument, kType, converted);
    if (ok) value = static_cast<T>((*converted).*kField);
  }
  T get() const { return value; }
  void Commit() {}
  bool ok;
  T value{};
};
template <>
struct Param<int32_t> : InValue<int32_t, VT_I4, &VARIANT::lVal> {
  using InValue::InValue;
};
template <>
struct Param<zeph::ClassId> : InValue<zeph::ClassId, VT_I4, &VARIANT::lVal> {
  using InValue::InValue;
};
template <>
struct Param<zeph::WordBool> : InValue<zeph::WordBool, VT_BOOL, &VARIANT::boolVal> {
  using InValue::InValue;
};
template <>
struct Param<zeph::OleDate> : InValue<zeph::OleDate, VT_DATE, &VARIANT::date> {
  using InValue::InValue;
};

template <>
struct Param<const zeph::WideString&> {
  explicit Param(VARIANT& argument) {
    OwnedVariant converted;
    ok = ConvertIn(argument, VT_BSTR, converted);
    if (ok) text = FromBstr((*converted).bstrVal);
  }
  const zeph::WideString& get() const { return text; }
  void Commit() {}
  bool ok;
  zeph::WideString text;
};

// By-reference numbers: the server works on a copy that goes back after the
// call.
template <class T, VARTYPE kType, class Stored>
struct OutValue {
  explicit OutValue(VARIANT& argument)
      : ok(argument.vt == (VT_BYREF | kType) && argument.byref != nullptr),
        where(ok ? static_cast<Stored*>(argument.byref) : nullptr),
        value(ok ? static_cast<T>(*where) : T{}) {}
  T* get() { return &value; }
  void Commit() {}
  void Leave() {
    if (where != nullptr) *where = static_cast<Stored>(value);
  }
  bool ok;
  Stored* where;
  T value;
};
template <>
struct Param<int32_t*> : OutValue<int32_t, VT_I4, LONG> {
  using OutValue::OutValue;
};
template <>
struct Param<zeph::WordBool*> : OutValue<zeph::WordBool, VT_BOOL, VARIANT_BOOL> {
  using OutValue::OutValue;
};
template <>
struct Param<zeph::OleDate*> : OutValue<zeph::OleDate, VT_DATE, DATE> {
  using OutValue::OutValue;
};

template <>
struct Param<zeph::WideString*> {
  explicit Param(VARIANT& argument)
      : ok(argument.vt == (VT_BYREF | VT_BSTR) && argument.pbstrVal != nullptr),
        where(ok ? argument.pbstrVal : nullptr) {}
  zeph::WideString* get() { return &text; }
  void Commit() {
    ::SysFreeString(*where);
    *where = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                 static_cast<UINT>(text.size()));
  }
  bool ok;
  BSTR* where;
  zeph::WideString text;
};

template <>
struct Param<zeph::Variant*> {
  explicit Param(VARIANT& argument)
      : ok(argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal != nullptr),
        where(ok ? argument.pvarVal : nullptr) {}
  zeph::Variant* get() { return &value; }
  void Commit();
  bool ok;
  VARIANT* where;
  zeph::Variant value;
};

template <>
struct Param<zeph::ObjectRef*> {
  explicit Param(VARIANT& argument)
      : ok(argument.vt == (VT_BYREF | VT_DISPATCH) && argument.ppdispVal != nullptr),
        where(ok ? argument.ppdispVal : nullptr) {}
  zeph::ObjectRef* get() { return &server; }
  void Commit() {
    if (*where != nullptr) (*where)->Release();
    *where = DispatchFor(server);
  }
  bool ok;
  IDispatch** where;
  zeph::ObjectRef server;
};

// A server passed in: one of this simulator's, or none.
template <>
struct Param<const zeph::ObjectRef&> {
  explicit Param(VARIANT& argument);
  const zeph::ObjectRef& get() const { return server; }
  void Commit() {}
  bool ok;
  zeph::ObjectRef server;
};

template <>
struct Param<zeph::ISetup*> {
  explicit Param(VARIANT& argument);
  zeph::ISetup* get() const { return dynamic_cast<zeph::ISetup*>(server.get()); }
  void Commit() {}
  bool ok;
  zeph::ObjectRef server;
};

// The program's connection, read through its properties when asked.
template <>
struct Param<zeph::IConnection*> {
  explicit Param(VARIANT& argument);
  zeph::IConnection* get() const { return connection.get(); }
  void Commit() {}
  bool ok;
  std::shared_ptr<zeph::IConnection> connection;
};

template <>
struct Param<zeph::IApplication*> {
  explicit Param(VARIANT& argument);
  zeph::IApplication* get() const;
  void Commit() {}
  bool ok;
  bool given = false;
};

template <>
struct Param<zeph::ExceptionHandler*> {
  explicit Param(VARIANT& argument)
      : ok(argument.vt == (VT_BYREF | VT_I8) && argument.pllVal != nullptr),
        where(ok ? argument.pllVal : nullptr) {}
  zeph::ExceptionHandler* get() { return &handler; }
  void Commit() { *where = static_cast<LONGLONG>(reinterpret_cast<intptr_t>(handler)); }
  bool ok;
  LONGLONG* where;
  zeph::ExceptionHandler handler = nullptr;
};

}  // namespace sim::com
