#include "server_object.h"

#include <wrl/client.h>

#include <map>
#include <string>

#include "arguments.h"
#include "objects.h"
#include "util/encoding.h"

namespace sim::com {
namespace {

using Microsoft::WRL::ComPtr;

LONG g_live = 0;

// The COM object of every server alive, so that the same server is the same
// object.
std::map<const zeph::IHostObject*, ServerObject*>& Objects() {
  static auto* objects = new std::map<const zeph::IHostObject*, ServerObject*>;
  return *objects;
}

// The program's connection: its properties read through IDispatch, when it
// has one.
class DispatchConnection final : public zeph::IConnection {
 public:
  explicit DispatchConnection(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  std::string ConnectionString() const override {
    VARIANT value;
    ::VariantInit(&value);
    std::string text;
    if (Get(L"ConnectionString", VT_BSTR, value)) text = zeph::WideToUtf8(FromBstr(value.bstrVal));
    ::VariantClear(&value);
    return text;
  }
  bool LoginPrompt() const override {
    VARIANT value;
    ::VariantInit(&value);
    const bool prompt = Get(L"LoginPrompt", VT_BOOL, value) && value.boolVal != VARIANT_FALSE;
    ::VariantClear(&value);
    return prompt;
  }

 private:
  bool Get(const wchar_t* name, VARTYPE type, VARIANT& value) const {
    if (!object_) return false;
    std::wstring copy(name);
    LPOLESTR names = copy.data();
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) return false;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT got;
    ::VariantInit(&got);
    HRESULT result = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                     &got, nullptr, nullptr);
    if (SUCCEEDED(result)) result = ::VariantChangeType(&value, &got, 0, type);
    ::VariantClear(&got);
    return SUCCEEDED(result);
  }
  ComPtr<IDispatch> object_;
};

class ProgramApplication final : public zeph::IApplication {};

}  // namespace

LONG LiveObjects() {
  return g_live;
}

void CountObject(LONG change) {
  ::InterlockedExchangeAdd(&g_live, change);
}

ServerObject::ServerObject(zeph::ObjectRef server, Flavour flavour, REFIID iid)
    : server_(std::move(server)), flavour_(flavour), iid_(iid) {
  Objects()[server_.get()] = this;
  CountObject(+1);
}

ServerObject::~ServerObject() {
  Objects().erase(server_.get());
  CountObject(-1);
}

ULONG ServerObject::AddReference() {
  return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

ULONG ServerObject::ReleaseReference() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ObjectFor(const zeph::ObjectRef& server, Flavour flavour, REFIID iid, void** out) {
  *out = nullptr;
  const auto known = Objects().find(server.get());
  if (known != Objects().end()) return known->second->Identity()->QueryInterface(iid, out);
  ServerObject* made = MakeObject(server, flavour);
  if (made == nullptr) return E_OUTOFMEMORY;
  // The maker's reference goes to the caller through QueryInterface.
  const HRESULT result = made->Identity()->QueryInterface(iid, out);
  made->Identity()->Release();
  return result;
}

bool ServerOf(IUnknown* object, zeph::ObjectRef* server) {
  server->reset();
  if (object == nullptr) return true;
  ComPtr<IUnknown> identity;
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(&identity)))) return false;
  for (const auto& [core, known] : Objects()) {
    if (known->Identity() == identity.Get()) {
      *server = known->server();
      return true;
    }
  }
  return false;
}

HRESULT Fail(std::u16string_view text, REFIID iid) {
  ComPtr<ICreateErrorInfo> info;
  ComPtr<IErrorInfo> error;
  if (SUCCEEDED(::CreateErrorInfo(&info)) && SUCCEEDED(info.As(&error))) {
    std::wstring description(text.begin(), text.end());
    std::wstring source = L"MerkanSim";
    info->SetDescription(description.data());
    info->SetSource(source.data());
    info->SetGUID(iid);
    ::SetErrorInfo(0, error.Get());
  }
  return E_FAIL;
}

std::shared_ptr<zeph::IConnection> ConnectionOf(IUnknown* object) {
  if (object == nullptr) return nullptr;
  ComPtr<IDispatch> dispatch;
  object->QueryInterface(IID_PPV_ARGS(&dispatch));
  return std::make_shared<DispatchConnection>(std::move(dispatch));
}

zeph::IApplication* TheApplication() {
  static ProgramApplication application;
  return &application;
}

HRESULT Arg<zeph::Variant*, VARIANT*>::Commit() {
  if (const auto* number = std::get_if<int32_t>(&value)) {
    where->vt = VT_I4;
    where->lVal = *number;
  } else if (const auto* text = std::get_if<zeph::WideString>(&value)) {
    where->bstrVal = ToBstr(*text);
    if (where->bstrVal == nullptr && !text->empty()) return E_OUTOFMEMORY;
    where->vt = VT_BSTR;
  }
  return S_OK;
}

}  // namespace sim::com
