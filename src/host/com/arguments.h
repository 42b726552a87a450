// Windows only. Each argument type of the C host interface as the program
// holds it on a COM call: which way it goes, its automation type, the
// VARIANT of its in-value and how a value that came back is written where
// the program asked. What the server declares is matched to these by
// call.cpp; the conversions between the two are VariantChangeType's.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <cstdint>
#include <string_view>

#include "host/com/binding.h"
#include "host/com/support.h"
#include "host/zeph_host.h"

namespace zeph::com {

// What the bridge provides: texts and servers handed to the program, and
// the COM object behind a handle. Defined by the bridge (host_library.cpp).
ZephString MakeString(std::u16string_view text);
ZephObject* HandOut(IUnknown* server);  // one more reference; null stays null
// The server's IDispatch, else its IUnknown; null for null. Borrowed.
IUnknown* ObjectOf(ZephObject* server);
// The program's connection and application objects (one reference each).
IDispatch* ConnectionObjectOf(const ZephConnection* connection);
IDispatch* ApplicationObjectOf(ZephApplication* application);

template <class P>
struct Arg;

template <VarType kVt, Direction kWay>
struct ArgKind {
  static constexpr ContractParam kParam{kWay, kVt};
};

// In-values: the VARIANT of the program's type.
template <>
struct Arg<int32_t> : ArgKind<kVtI4, Direction::kIn> {
  static void In(int32_t value, VARIANT& v) { v.vt = VT_I4, v.lVal = value; }
};
template <>
struct Arg<ZephBool> : ArgKind<kVtBool, Direction::kIn> {
  static void In(ZephBool value, VARIANT& v) { v.vt = VT_BOOL, v.boolVal = value; }
};
template <>
struct Arg<ZephDate> : ArgKind<kVtDate, Direction::kIn> {
  static void In(ZephDate value, VARIANT& v) { v.vt = VT_DATE, v.date = value; }
};
template <>
struct Arg<ZephText> : ArgKind<kVtBstr, Direction::kIn> {
  static void In(ZephText text, VARIANT& v) {
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data),
                                    text.data == nullptr ? 0 : static_cast<UINT>(text.length));
  }
};
// A server passed in, borrowed for the call; null passes as no server.
template <>
struct Arg<ZephObject*> : ArgKind<kVtDispatch, Direction::kIn> {
  static void In(ZephObject* server, VARIANT& v) {
    IUnknown* object = ObjectOf(server);
    if (object != nullptr) object->AddRef();
    v.vt = VT_UNKNOWN, v.punkVal = object;
  }
};
template <>
struct Arg<const ZephConnection*> : ArgKind<kVtDispatch, Direction::kIn> {
  static void In(const ZephConnection* connection, VARIANT& v) {
    v.vt = VT_DISPATCH, v.pdispVal = ConnectionObjectOf(connection);
  }
};
template <>
struct Arg<ZephApplication*> : ArgKind<kVtDispatch, Direction::kIn> {
  static void In(ZephApplication* application, VARIANT& v) {
    v.vt = VT_DISPATCH, v.pdispVal = ApplicationObjectOf(application);
  }
};

// Out-values: `v` holds the value in the program's type.
template <>
struct Arg<int32_t*> : ArgKind<kVtI4, Direction::kOut> {
  static void Out(const VARIANT& v, int32_t* out) { *out = v.lVal; }
};
template <>
struct Arg<ZephBool*> : ArgKind<kVtBool, Direction::kOut> {
  static void Out(const VARIANT& v, ZephBool* out) { *out = v.boolVal; }
};
template <>
struct Arg<ZephString*> : ArgKind<kVtBstr, Direction::kOut> {
  static void Out(const VARIANT& v, ZephString* out) { *out = MakeString(FromBstr(v.bstrVal)); }
};
// Dates out are the export's end dates: in and out.
template <>
struct Arg<ZephDate*> : ArgKind<kVtDate, Direction::kInOut> {
  static void In(const ZephDate* value, VARIANT& v) { v.vt = VT_DATE, v.date = *value; }
  static void Out(const VARIANT& v, ZephDate* out) { *out = v.date; }
};
// A server handed out: VT_UNKNOWN (VT_EMPTY for none).
template <>
struct Arg<ZephObject**> : ArgKind<kVtDispatch, Direction::kOut> {
  static void Out(const VARIANT& v, ZephObject** out) {
    *out = HandOut(v.vt == VT_UNKNOWN ? v.punkVal : nullptr);
  }
};
// The host's exception handler: an address in this process.
template <>
struct Arg<ZephExceptionHandler*> : ArgKind<kVtI8, Direction::kOut> {
  static void Out(const VARIANT& v, ZephExceptionHandler* out) {
    *out = reinterpret_cast<ZephExceptionHandler>(static_cast<intptr_t>(v.llVal));
  }
};
// A parameter's value: empty, an integer or a text.
template <>
struct Arg<ZephVariant*> : ArgKind<kVtVariant, Direction::kOut> {
  static void Out(const VARIANT& v, ZephVariant* out);
};

}  // namespace zeph::com
