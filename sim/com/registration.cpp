// Windows only. The simulator as an in-process COM server: a class factory
// per creatable class and flavour, and the registration regsvr32 asks for:
// classes under HKLM\Software\Classes (threading model Apartment), and the
// type libraries built into the DLL (RegisterTypeLib, which also registers
// their interfaces).
#include <wrl/client.h>

#include <new>
#include <optional>
#include <string>

#include "automation.h"
#include "factory.h"
#include "faulty_setup.h"
#include "merkan_sim.h"       // widl: coclasses of the dual servers
#include "merkan_sim_vtbl.h"  // widl: coclasses of the vtable-only servers, names ending in Vt
#include "server_object.h"
#include "type_library.h"

namespace sim::com {
namespace {

using Microsoft::WRL::ComPtr;

struct Registered {
  const wchar_t* progid;
  CLSID clsid;
  zeph::ClassId id;
  std::optional<Flavour> flavour;  // none: the faulty configuration server
  std::optional<Library> library;  // describing the class; none for dispatch-only
};

// Dispatch-only classes are in no type library: their identifiers are here.
constexpr CLSID kDispSetup = {
    0x6b912aa1, 0xbe79, 0x4b3d, {0x96, 0x6f, 0x10, 0xc9, 0xac, 0x6a, 0x05, 0x13}};
constexpr CLSID kDispInvoices = {
    0xbcb8b211, 0x534c, 0x41d8, {0xbd, 0x91, 0x6d, 0x71, 0x60, 0xab, 0x29, 0x68}};
constexpr CLSID kDispEksportTessaro = {
    0x96dcb6fa, 0xf13e, 0x4e9e, {0xa3, 0xeb, 0x3f, 0x15, 0xc2, 0xee, 0x98, 0xfe}};
constexpr CLSID kDispZephProc = {
    0x6cb02e4e, 0x2fa8, 0x4b02, {0x9c, 0xb1, 0x4c, 0x82, 0x89, 0x53, 0x68, 0x92}};
// Setup of merkan_sim_faulty.idl, whose header is not made.
constexpr CLSID kFaultySetup = {
    0x740dfb30, 0x4eb8, 0x42c3, {0xaf, 0x9f, 0x51, 0x91, 0x62, 0x2e, 0xcb, 0x0e}};

const Registered kClasses[] = {
    {L"MerkanSim.Setup", __uuidof(Setup), zeph::ClassId::Setup, Flavour::kDual, Library::kDual},
    {L"MerkanSim.Invoices", __uuidof(Invoices), zeph::ClassId::Invoices, Flavour::kDual,
     Library::kDual},
    {L"MerkanSim.EksportTessaro", __uuidof(EksportTessaro), zeph::ClassId::EksportTessaro,
     Flavour::kDual, Library::kDual},
    {L"MerkanSim.ZephProc", __uuidof(ZephProc), zeph::ClassId::ZephProc, Flavour::kDual,
     Library::kDual},
    {L"MerkanSim.Vtbl.Setup", __uuidof(SetupVt), zeph::ClassId::Setup, Flavour::kVtable,
     Library::kVtable},
    {L"MerkanSim.Vtbl.Invoices", __uuidof(InvoicesVt), zeph::ClassId::Invoices, Flavour::kVtable,
     Library::kVtable},
    {L"MerkanSim.Vtbl.EksportTessaro", __uuidof(EksportTessaroVt), zeph::ClassId::EksportTessaro,
     Flavour::kVtable, Library::kVtable},
    {L"MerkanSim.Vtbl.ZephProc", __uuidof(ZephProcVt), zeph::ClassId::ZephProc, Flavour::kVtable,
     Library::kVtable},
    {L"MerkanSim.Disp.Setup", kDispSetup, zeph::ClassId::Setup, Flavour::kDispatch, std::nullopt},
    {L"MerkanSim.Disp.Invoices", kDispInvoices, zeph::ClassId::Invoices, Flavour::kDispatch,
     std::nullopt},
    {L"MerkanSim.Disp.EksportTessaro", kDispEksportTessaro, zeph::ClassId::EksportTessaro,
     Flavour::kDispatch, std::nullopt},
    {L"MerkanSim.Disp.ZephProc", kDispZephProc, zeph::ClassId::ZephProc, Flavour::kDispatch,
     std::nullopt},
    {L"MerkanSim.Faulty.Setup", kFaultySetup, zeph::ClassId::Setup, std::nullopt, Library::kFaulty},
};

const Library kLibraries[] = {Library::kDual, Library::kVtable, Library::kFaulty};

// A server of the class, as the scenario says: a failed creation leaves the
// scenario's text as the error information of the thread.
HRESULT Create(const Registered& c, REFIID iid, void** out) {
  if (!c.flavour) return CreateFaultySetup(iid, out);
  zeph::ObjectRef made;
  const zeph::HostStatus status = CreateServer(static_cast<int32_t>(c.id), &made);
  if (status.Failed()) return Fail(status.description, IID_IClassFactory);
  return ObjectFor(made, *c.flavour, iid, out);
}

class ClassFactory final : public Counted<IClassFactory> {
 public:
  explicit ClassFactory(const Registered& c) : class_(c) {}

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
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      return Create(class_, iid, out);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    CountObject(lock ? +1 : -1);
    return S_OK;
  }

 private:
  const Registered& class_;
};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

LSTATUS SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

const std::wstring kClassesKey = L"Software\\Classes\\";

// The identity of a type library built into this DLL.
HRESULT LibraryIdentity(Library library, TLIBATTR& identity) {
  ComPtr<ITypeLib> types;
  HRESULT result = ::LoadTypeLibEx(TypeLibraryPath(library).c_str(), REGKIND_NONE, &types);
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(result)) result = types->GetLibAttr(&attributes);
  if (FAILED(result)) return result;
  identity = *attributes;
  types->ReleaseTLibAttr(attributes);
  return S_OK;
}

HRESULT WriteClassKeys(const Registered& c, const std::wstring& path) {
  const std::wstring clsid = GuidText(c.clsid);
  const std::wstring description = std::wstring(L"ZephAutomat host simulator: ") + c.progid;
  const std::wstring class_key = kClassesKey + L"CLSID\\" + clsid;
  const std::wstring progid_key = kClassesKey + c.progid;
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
  if (!c.library) return S_OK;
  TLIBATTR library{};
  const HRESULT found = LibraryIdentity(*c.library, library);
  if (FAILED(found)) return found;
  for (LSTATUS status : {
           SetValue(class_key + L"\\TypeLib", nullptr, GuidText(library.guid)),
           SetValue(class_key + L"\\Version", nullptr,
                    std::to_wstring(library.wMajorVerNum) + L"." +
                        std::to_wstring(library.wMinorVerNum)),
       }) {
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

}  // namespace
}  // namespace sim::com

using sim::com::kClasses;
using sim::com::kLibraries;

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const auto& c : kClasses) {
    if (!IsEqualCLSID(clsid, c.clsid)) continue;
    auto* factory = new (std::nothrow) sim::com::ClassFactory(c);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  return sim::com::LiveObjects() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDMETHODCALLTYPE DllRegisterServer() {
  const std::wstring path = sim::com::ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  for (const auto& c : kClasses) {
    const HRESULT result = sim::com::WriteClassKeys(c, path);
    if (FAILED(result)) return result;
  }
  // Registered under the path with its index (LoadTypeLibEx's
  // REGKIND_REGISTER would leave Wine's registration without it, naming the
  // first library for all three).
  for (auto library : kLibraries) {
    Microsoft::WRL::ComPtr<ITypeLib> types;
    std::wstring where = sim::com::TypeLibraryPath(library);
    HRESULT result = ::LoadTypeLibEx(where.c_str(), REGKIND_NONE, &types);
    if (SUCCEEDED(result)) result = ::RegisterTypeLib(types.Get(), where.data(), nullptr);
    if (FAILED(result)) return result;
  }
  return S_OK;
}

extern "C" HRESULT STDMETHODCALLTYPE DllUnregisterServer() {
  HRESULT result = S_OK;
  for (auto library : kLibraries) {
    TLIBATTR identity{};
    HRESULT gone = sim::com::LibraryIdentity(library, identity);
    if (SUCCEEDED(gone)) {
      gone = ::UnRegisterTypeLib(identity.guid, identity.wMajorVerNum, identity.wMinorVerNum,
                                 identity.lcid, identity.syskind);
    }
    // A library that is not registered is as it should be.
    if (FAILED(gone) && gone != TYPE_E_REGISTRYACCESS && SUCCEEDED(result)) result = gone;
  }
  for (const auto& c : kClasses) {
    for (const std::wstring& key :
         {sim::com::kClassesKey + L"CLSID\\" + sim::com::GuidText(c.clsid),
          sim::com::kClassesKey + c.progid}) {
      const LSTATUS status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(result)) {
        result = HRESULT_FROM_WIN32(status);
      }
    }
  }
  return result;
}
