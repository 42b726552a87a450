// Windows only. Owners of COM texts, values and references, and the base of
// the small late-bound objects made here: the program's connection and
// application objects.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types

#include <string>
#include <string_view>

namespace zeph::com {

static_assert(sizeof(OLECHAR) == sizeof(char16_t));

// A BSTR owned by the holder.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text)
      : bstr_(::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(bstr_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return bstr_; }
  // For a callee that hands out a new BSTR; the old one is freed first.
  BSTR* out() {
    ::SysFreeString(bstr_);
    bstr_ = nullptr;
    return &bstr_;
  }

 private:
  BSTR bstr_ = nullptr;
};

// The text of a BSTR; null is empty. An embedded NUL stays a character.
inline std::u16string FromBstr(BSTR text) {
  if (text == nullptr) return {};
  return {reinterpret_cast<const char16_t*>(text), ::SysStringLen(text)};
}

// A VARIANT cleared when the holder goes.
class OwnedVariant {
 public:
  OwnedVariant() { ::VariantInit(&value_); }
  ~OwnedVariant() { ::VariantClear(&value_); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

// One reference to a COM object, given back when the holder goes.
template <class T>
class Ref {
 public:
  Ref() = default;
  // Takes over a reference the caller holds.
  static Ref Adopt(T* object) {
    Ref ref;
    ref.object_ = object;
    return ref;
  }
  // Takes one more reference.
  static Ref Share(T* object) {
    if (object != nullptr) object->AddRef();
    return Adopt(object);
  }
  ~Ref() { Reset(); }
  Ref(Ref&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = other.object_;
      other.object_ = nullptr;
    }
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // For a callee that hands out a new reference.
  T** out() {
    Reset();
    return &object_;
  }
  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }

 private:
  T* object_ = nullptr;
};

// The COM identity of an object: its IUnknown, the same pointer for every
// interface of one object.
Ref<IUnknown> Identity(IUnknown* object);

// Names compared as the late binding does: ASCII letters without case.
bool SameName(std::u16string_view a, std::u16string_view b);

// IUnknown and IDispatch for an object without type information: names are
// looked up through FindName, calls go to Call. Counts its references and
// deletes itself at the last.
class DispatchObject : public IDispatch {
 public:
  DispatchObject() = default;
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override;

 protected:
  virtual ~DispatchObject() = default;
  // DISPID_UNKNOWN for a name the object does not know.
  virtual DISPID FindName(std::u16string_view name) const = 0;
  virtual HRESULT Call(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argument_error) = 0;
  // A further interface the object answers, or null.
  virtual void* OtherInterface(REFIID /*iid*/) { return nullptr; }

 private:
  LONG references_ = 1;  // the maker's
};

}  // namespace zeph::com
