// Windows only. The simulator as an in-process COM server: a class factory
// per creatable class, and its registration under HKLM\Software\Classes
// (ProgID MerkanSim.CLASS, threading model Apartment) by regsvr32.
#include <ole2.h>  // windows.h and the COM automation types

#include <string>

#include "com_servers.h"
#include "host/com_support.h"

namespace sim::com {
namespace {

struct Registered {
  zeph::ClassId id;
  CLSID clsid;
  const wchar_t* progid;
};

const Registered kClasses[] = {
    {zeph::ClassId::Setup,
     {0xbe9d6ea0, 0x7165, 0x4a5b, {0xa1, 0x36, 0x87, 0x31, 0xd1, 0xcc, 0x17, 0x75}},
     L"MerkanSim.Setup"},
    {zeph::ClassId::Invoices,
     {0xbbe28d1e, 0x0f31, 0x4823, {0xae, 0xfd, 0x37, 0xdc, 0xa4, 0x76, 0x6d, 0x4c}},
     L"MerkanSim.Invoices"},
    {zeph::ClassId::EksportTessaro,
     {0xe8534b3a, 0xfffe, 0x4e33, {0xa6, 0x13, 0x51, 0xb3, 0x04, 0x60, 0x9f, 0x3e}},
     L"MerkanSim.EksportTessaro"},
    {zeph::ClassId::ZephProc,
     {0x477293cd, 0x3e94, 0x4191, {0x93, 0x7b, 0x31, 0x56, 0x09, 0x41, 0x8f, 0x74}},
     L"MerkanSim.ZephProc"},
};

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(zeph::ClassId id) : id_(id) { CountComObject(+1); }
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    zeph::com::Ref<IDispatch> server;
    try {
      const HRESULT made = CreateComServer(id_, server.out());
      if (FAILED(made)) return made;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return server->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    CountComObject(lock ? +1 : -1);
    return S_OK;
  }

 private:
  ~ClassFactory() { CountComObject(-1); }

  zeph::ClassId id_;
  LONG references_ = 1;
};

std::wstring GuidText(const CLSID& clsid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(clsid, text, 40);
  return text;
}

// The path of this library.
std::wstring ModulePath() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ModulePath), &module);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

LSTATUS SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

const wchar_t kClassesKey[] = L"Software\\Classes\\";

}  // namespace
}  // namespace sim::com

using sim::com::kClasses;

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const auto& c : kClasses) {
    if (!IsEqualCLSID(clsid, c.clsid)) continue;
    auto* factory = new (std::nothrow) sim::com::ClassFactory(c.id);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  return sim::com::LiveComObjects() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDMETHODCALLTYPE DllRegisterServer() {
  using sim::com::SetValue;
  const std::wstring path = sim::com::ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  for (const auto& c : kClasses) {
    const std::wstring clsid = sim::com::GuidText(c.clsid);
    const std::wstring description =
        std::wstring(L"ZephAutomat host simulator: ") + (c.progid + 10);  // after "MerkanSim."
    const std::wstring class_key = std::wstring(sim::com::kClassesKey) + L"CLSID\\" + clsid;
    const std::wstring progid_key = std::wstring(sim::com::kClassesKey) + c.progid;
    for (LSTATUS status : {
             SetValue(class_key, nullptr, description),
             SetValue(class_key + L"\\InprocServer32", nullptr, path),
             SetValue(class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
             SetValue(class_key + L"\\ProgID", nullptr, c.progid),
             SetValue(progid_key, nullptr, description),
             SetValue(progid_key + L"\\CLSID", nullptr, clsid),
         }) {
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}

extern "C" HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
  HRESULT result = S_OK;
  for (const auto& c : kClasses) {
    for (const std::wstring& key :
         {std::wstring(sim::com::kClassesKey) + L"CLSID\\" + sim::com::GuidText(c.clsid),
          std::wstring(sim::com::kClassesKey) + c.progid}) {
      const LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        result = HRESULT_FROM_WIN32(status);
      }
    }
  }
  return result;
}
