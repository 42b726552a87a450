#include "host/com/program_objects.h"

#include "host/com/support.h"

namespace zeph::com {
namespace {

constexpr DISPID kConnectionString = 1;
constexpr DISPID kLoginPrompt = 2;

// What the connection offers are values only: a server that keeps the
// object sees the values of the moment it was handed over.
class ConnectionObject final : public DispatchObject {
 public:
  ConnectionObject(std::u16string connection_string, bool login_prompt)
      : connection_string_(std::move(connection_string)), login_prompt_(login_prompt) {}

 protected:
  DISPID FindName(std::u16string_view name) const override {
    if (SameName(name, u"ConnectionString")) return kConnectionString;
    if (SameName(name, u"LoginPrompt")) return kLoginPrompt;
    return DISPID_UNKNOWN;
  }
  HRESULT Call(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result, EXCEPINFO*,
               UINT*) override {
    if ((flags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (result == nullptr) return S_OK;
    ::VariantInit(result);
    if (id == kConnectionString) {
      result->vt = VT_BSTR;
      result->bstrVal =
          ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(connection_string_.data()),
                              static_cast<UINT>(connection_string_.size()));
      return result->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    if (id == kLoginPrompt) {
      result->vt = VT_BOOL;
      result->boolVal = login_prompt_ ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::u16string connection_string_;
  bool login_prompt_;
};

class ApplicationDispatch final : public DispatchObject {
 protected:
  DISPID FindName(std::u16string_view) const override { return DISPID_UNKNOWN; }
  HRESULT Call(DISPID, WORD, DISPPARAMS&, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

}  // namespace

IDispatch* NewConnectionObject(std::u16string connection_string, bool login_prompt) {
  return new ConnectionObject(std::move(connection_string), login_prompt);
}

IDispatch* ApplicationObject() {
  // Made once and kept for the whole process: servers may hold it after any
  // one task.
  static IDispatch* application = new ApplicationDispatch;
  application->AddRef();
  return application;
}

}  // namespace zeph::com
