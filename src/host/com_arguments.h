// Windows only. How each argument of the C host interface crosses a late-bound
// call: in-values as VARIANTs by value, out- and in/out-values by reference,
// in the interface's order. Out-texts, -variants and -servers reach the
// program only when the call succeeded; numbers, Booleans and dates are
// written where the program asked, as the call left them.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "host/com_support.h"
#include "host/zeph_host.h"

namespace zeph::com {

// What the bridge provides to the slots: texts and servers handed to the
// program. Defined by the bridge (com_host_library.cpp).
ZephString MakeString(std::u16string_view text);
ZephObject* HandOut(IDispatch* server);     // one more reference; null stays null
IDispatch* DispatchOf(ZephObject* server);  // borrowed; null for null

template <class T>
struct Slot;

// The arithmetic in-values: 32-bit integers (class ids too), 16-bit
// Booleans, dates.
template <>
struct Slot<int32_t> {
  explicit Slot(int32_t value) { v.vt = VT_I4, v.lVal = value; }
  void Commit(bool) {}
  VARIANT v{};
};
template <>
struct Slot<ZephBool> {
  explicit Slot(ZephBool value) { v.vt = VT_BOOL, v.boolVal = value; }
  void Commit(bool) {}
  VARIANT v{};
};
template <>
struct Slot<ZephDate> {
  explicit Slot(ZephDate value) { v.vt = VT_DATE, v.date = value; }
  void Commit(bool) {}
  VARIANT v{};
};

// Out- and in/out-numbers point at the program's own variable.
static_assert(sizeof(LONG) == sizeof(int32_t) && sizeof(VARIANT_BOOL) == sizeof(ZephBool) &&
              sizeof(DATE) == sizeof(ZephDate));
template <>
struct Slot<int32_t*> {
  explicit Slot(int32_t* value) {
    v.vt = VT_BYREF | VT_I4, v.plVal = reinterpret_cast<LONG*>(value);
  }
  void Commit(bool) {}
  VARIANT v{};
};
template <>
struct Slot<ZephBool*> {
  explicit Slot(ZephBool* value) { v.vt = VT_BYREF | VT_BOOL, v.pboolVal = value; }
  void Commit(bool) {}
  VARIANT v{};
};
template <>
struct Slot<ZephDate*> {
  explicit Slot(ZephDate* value) { v.vt = VT_BYREF | VT_DATE, v.pdate = value; }
  void Commit(bool) {}
  VARIANT v{};
};

template <>
struct Slot<ZephText> {
  explicit Slot(ZephText text)
      : text_(std::u16string_view(reinterpret_cast<const char16_t*>(text.data),
                                  text.data == nullptr ? 0 : text.length)) {
    v.vt = VT_BSTR, v.bstrVal = text_.get();
  }
  void Commit(bool) {}
  Bstr text_;
  VARIANT v{};
};

template <>
struct Slot<ZephString*> {
  explicit Slot(ZephString* out) : out_(out) {
    v.vt = VT_BYREF | VT_BSTR, v.pbstrVal = text_.out();
  }
  void Commit(bool succeeded) {
    if (succeeded) *out_ = MakeString(FromBstr(text_.get()));
  }
  ZephString* out_;
  Bstr text_;
  VARIANT v{};
};

template <>
struct Slot<ZephVariant*> {
  explicit Slot(ZephVariant* out) : out_(out) {
    v.vt = VT_BYREF | VT_VARIANT, v.pvarVal = value_.get();
  }
  void Commit(bool succeeded) {
    if (!succeeded) return;
    const VARIANT& value = *value_;
    OwnedVariant number;
    OwnedVariant text;
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
      *out_ = ZephVariant{ZEPH_VARIANT_EMPTY, 0, {nullptr, 0}};
    } else if (value.vt == VT_BSTR) {
      *out_ = ZephVariant{ZEPH_VARIANT_TEXT, 0, MakeString(FromBstr(value.bstrVal))};
    } else if (value.vt != VT_BOOL && value.vt != VT_DATE &&
               SUCCEEDED(::VariantChangeType(number.get(), value_.get(), 0, VT_I4))) {
      *out_ = ZephVariant{ZEPH_VARIANT_INTEGER, (*number).lVal, {nullptr, 0}};
    } else if (SUCCEEDED(::VariantChangeType(text.get(), value_.get(), 0, VT_BSTR))) {
      *out_ = ZephVariant{ZEPH_VARIANT_TEXT, 0, MakeString(FromBstr((*text).bstrVal))};
    } else {
      *out_ = ZephVariant{ZEPH_VARIANT_EMPTY, 0, {nullptr, 0}};
    }
  }
  ZephVariant* out_;
  OwnedVariant value_;
  VARIANT v{};
};

// A server passed in: borrowed for the call. Null passes as an empty
// server reference.
template <>
struct Slot<ZephObject*> {
  explicit Slot(ZephObject* server) { v.vt = VT_DISPATCH, v.pdispVal = DispatchOf(server); }
  void Commit(bool) {}
  VARIANT v{};
};

template <>
struct Slot<ZephObject**> {
  explicit Slot(ZephObject** out) : out_(out) {
    v.vt = VT_BYREF | VT_DISPATCH, v.ppdispVal = server_.out();
  }
  void Commit(bool succeeded) {
    if (succeeded) *out_ = HandOut(server_.get());
  }
  ZephObject** out_;
  Ref<IDispatch> server_;
  VARIANT v{};
};

// The program's connection, as an object of its own holding its values.
template <>
struct Slot<const ZephConnection*> {
  explicit Slot(const ZephConnection* connection);
  void Commit(bool) {}
  Ref<IDispatch> object_;
  VARIANT v{};
};

template <>
struct Slot<ZephApplication*> {
  explicit Slot(ZephApplication* application);
  void Commit(bool) {}
  Ref<IDispatch> object_;
  VARIANT v{};
};

// The host's exception handler: an address in this process, as a 64-bit
// integer.
template <>
struct Slot<ZephExceptionHandler*> {
  explicit Slot(ZephExceptionHandler* out) : out_(out) {
    v.vt = VT_BYREF | VT_I8, v.pllVal = &address_;
  }
  void Commit(bool succeeded) {
    if (succeeded) *out_ = reinterpret_cast<ZephExceptionHandler>(static_cast<intptr_t>(address_));
  }
  ZephExceptionHandler* out_;
  LONGLONG address_ = 0;
  VARIANT v{};
};

}  // namespace zeph::com
