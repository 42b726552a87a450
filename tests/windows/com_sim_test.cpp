// The host simulator's COM servers in one flavour, driven the way a client
// that knows only the host contract drives a vendor's servers: late binding
// (GetIDsOfNames, then Invoke with the results taken from Invoke's result)
// for the dual and dispatch-only servers, the registered type library for
// the vtable-only ones (the class's coclass names the interface, whose
// methods ITypeInfo::Invoke calls through the vtable). Checks results,
// failures and the journal the calls leave; for the faulty configuration
// server, what its type information tells.
//   com_sim_test.exe dual|disp|vtbl|faulty
// Runs under Wine (or Windows) with merkan-sim.dll registered
// (scripts/test-com.sh); works in a directory of its own (ZEPH_SIM_DIR).
// Prints "N passed, N failed"; exit code 1 on a failure.
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Microsoft::WRL::ComPtr;

int g_passed = 0;
int g_failed = 0;

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

void Expect(bool ok, const std::string& what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

void ExpectText(const std::wstring& got, const std::wstring& want, const std::string& what) {
  Expect(got == want, what + ": got \"" + Narrow(got) + "\", want \"" + Narrow(want) + "\"");
}

// A VARIANT cleared when the holder goes.
struct Value {
  Value() { ::VariantInit(&v); }
  ~Value() { ::VariantClear(&v); }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  VARIANT v;
};

VARIANT Long(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
VARIANT Bool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
VARIANT Date(DATE value) {
  VARIANT v;
  v.vt = VT_DATE;
  v.date = value;
  return v;
}
// The caller keeps the text alive for the call.
VARIANT Text(BSTR text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = text;
  return v;
}
VARIANT Object(IUnknown* object) {
  VARIANT v;
  v.vt = VT_UNKNOWN;
  v.punkVal = object;
  return v;
}
template <class T>
VARIANT Ref(VARTYPE type, T* where) {
  VARIANT v;
  v.vt = static_cast<VARTYPE>(VT_BYREF | type);
  v.byref = where;
  return v;
}

// A text owned by the holder.
struct Text_ {
  explicit Text_(const wchar_t* text = L"") : b(::SysAllocString(text)) {}
  ~Text_() { ::SysFreeString(b); }
  Text_(const Text_&) = delete;
  Text_& operator=(const Text_&) = delete;
  std::wstring str() const { return b == nullptr ? L"" : std::wstring(b, ::SysStringLen(b)); }
  BSTR b;
};

// A server as the client sees it: an IDispatch to bind late, or an
// interface and its description from the registered type library.
struct Server {
  ComPtr<IUnknown> object;
  ComPtr<ITypeInfo> described;  // null: late binding
};

// Calls `name` with the contract's arguments (in their order); a result
// lands in *result. A failure's text lands in *error.
HRESULT Call(const Server& server, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result,
             std::wstring* error = nullptr) {
  std::wstring copy(name);
  LPOLESTR names = copy.data();
  DISPID id = DISPID_UNKNOWN;
  ComPtr<IDispatch> late;
  HRESULT found = E_FAIL;
  if (server.described) {
    found = server.described->GetIDsOfNames(&names, 1, &id);
  } else if (SUCCEEDED(server.object.As(&late))) {
    found = late->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
  }
  if (FAILED(found)) return found;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  UINT argument_error = 0;
  // As VB and script hosts call a method that has a result.
  const WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  const HRESULT called = server.described
                             ? server.described->Invoke(server.object.Get(), id, flags, &params,
                                                        result, &exception, &argument_error)
                             : late->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                            result, &exception, &argument_error);
  if (called == DISP_E_EXCEPTION && error != nullptr) {
    *error = exception.bstrDescription == nullptr ? L"" : exception.bstrDescription;
  }
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  return called;
}

HRESULT Call(const Server& server, const wchar_t* name, std::vector<VARIANT> args = {}) {
  Value ignored;
  return Call(server, name, std::move(args), &ignored.v);
}

// The vtable-only servers: the type library the class's registration names,
// the coclass of the server's class in it, its default interface.
HRESULT Describe(Server& server, ITypeLib* library, const wchar_t* class_name) {
  std::wstring name(class_name);
  ComPtr<ITypeInfo> coclass;
  MEMBERID member = 0;
  USHORT count = 1;
  HRESULT result = library->FindName(name.data(), 0, coclass.GetAddressOf(), &member, &count);
  if (SUCCEEDED(result) && count == 0) result = TYPE_E_ELEMENTNOTFOUND;
  HREFTYPE reference = 0;
  if (SUCCEEDED(result)) result = coclass->GetRefTypeOfImplType(0, &reference);
  ComPtr<ITypeInfo> interface_info;
  if (SUCCEEDED(result)) result = coclass->GetRefTypeInfo(reference, &interface_info);
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(result)) result = interface_info->GetTypeAttr(&attributes);
  if (FAILED(result)) return result;
  const IID iid = attributes->guid;
  interface_info->ReleaseTypeAttr(attributes);
  ComPtr<IUnknown> typed;
  result = server.object->QueryInterface(iid, reinterpret_cast<void**>(typed.GetAddressOf()));
  if (FAILED(result)) return result;
  server.object = typed;
  server.described = interface_info;
  return S_OK;
}

// The vtable-only servers are described by the type library their class's
// registration names (*library, when given).
HRESULT Create(const std::wstring& progid, Server& server, ITypeLib** library = nullptr) {
  CLSID clsid{};
  HRESULT result = ::CLSIDFromProgID(progid.c_str(), &clsid);
  if (SUCCEEDED(result)) {
    result = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(server.object.ReleaseAndGetAddressOf()));
  }
  if (FAILED(result) || library == nullptr) return result;
  // HKCR\CLSID\{...}\TypeLib names the library; its registration, the file.
  wchar_t text[40] = {};
  ::StringFromGUID2(clsid, text, 40);
  wchar_t libid_text[40] = {};
  DWORD size = sizeof(libid_text);
  const std::wstring key = std::wstring(L"CLSID\\") + text + L"\\TypeLib";
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, libid_text,
                     &size) != ERROR_SUCCESS) {
    return REGDB_E_KEYMISSING;
  }
  GUID libid{};
  result = ::CLSIDFromString(libid_text, &libid);
  if (SUCCEEDED(result)) result = ::LoadRegTypeLib(libid, 1, 0, 0, library);
  if (SUCCEEDED(result)) {
    const size_t dot = progid.rfind(L'.');
    result = Describe(server, *library, progid.substr(dot + 1).c_str());
  }
  return result;
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const char kScenario[] =
    "[Host]\n"
    "Setup.GetParameter.SHORTDATEFORMAT = dd.mm.yyyy\n"
    "Setup.GetLoginValue.ROK = 2031\n"
    "Setup.HasRight.PH = 0\n"
    "Setup.CheckRight = false: brak uprawnie\xc5\x84\n"
    "Stock.ExportIssueDocumentsToPelkex#1 = false: brak po\xc5\x82\xc4\x85\x63zenia\n"
    "Stock.ExportIssueDocumentsToPelkex#2 = status: Odmowa\n"
    "EksportTessaro.ExportToTessaro.EndDate = 2024.03.15\n"
    "EksportTessaro.ExportToTessaro.Files =\n";

const std::vector<std::string> kJournal = {
    "create Setup -> Setup#1",
    "Setup#1.SetApplication(Application)",
    "Setup#1.RegisterModule(Setup, Setup#1)",
    "Setup#1.SetServer(\"SRV\")",
    "Setup#1.SetDatabase(\"DB\")",
    "Setup#1.Login()",
    "Setup#1.GetParameter(\"SHORTDATEFORMAT\")",
    "Setup#1.GetLoginValue(\"ROK\")",
    "Setup#1.FindRight(\"PH\", 3)",
    "Setup#1.HasRight(1)",
    "Setup#1.GetBoolParameter(\"MODUL_PAYBACK\")",
    "Setup#1.GetExceptionHandler()",
    "Setup#1.CheckRight(\"{R}\", 2)",
    "Setup#1.GetModule(Stock, -1) -> Stock#1",
    "Stock#1.ExportIssueDocumentsToPelkex()",
    "Stock#1.ExportIssueDocumentsToPelkex() -> status: Odmowa",
    "Stock#1.ExportFilesToGefco(-1)",
    "create EksportTessaro -> EksportTessaro#1",
    "EksportTessaro#1.SetConfiguration(Setup#1)",
    "EksportTessaro#1.ExportToTessaro(45292, 0, 1)",
    "EksportTessaro#1.GetFileList()",
    "EksportTessaro#1.SetConfiguration(nil)",
    "Setup#1.UnregisterModule(Stock)",
    "Setup#1.SetApplication(nil)",
    "Setup#1.Logout()",
    "Setup#1.Close()",
};

// Every kind of argument and result, a failure with its text, an argument
// count that does not fit, and the journal these leave.
void DriveServers(const std::wstring& prefix, bool vtable) {
  Server setup;
  ComPtr<ITypeLib> library;
  HRESULT made = Create(prefix + L"Setup", setup, vtable ? library.GetAddressOf() : nullptr);
  Expect(SUCCEEDED(made), "create the configuration server");
  if (FAILED(made)) return;
  Expect(SUCCEEDED(Call(setup, L"SetApplication", {Object(setup.object.Get())})), "SetApplication");
  Value value;
  Expect(Call(setup, L"RegisterModule", {Long(0), Object(setup.object.Get())}, &value.v) == S_OK &&
             value.v.vt == VT_I4,
         "RegisterModule gives a 32-bit value");
  Text_ srv(L"SRV"), db(L"DB");
  Call(setup, L"SetServer", {Text(srv.b)});
  Call(setup, L"SetDatabase", {Text(db.b)});
  Value login;
  Expect(Call(setup, L"Login", {}, &login.v) == S_OK && login.v.vt == VT_BOOL &&
             login.v.boolVal == VARIANT_TRUE,
         "Login gives true");
  Text_ short_date(L"SHORTDATEFORMAT"), rok(L"ROK");
  Value parameter, year;
  Call(setup, L"GetParameter", {Text(short_date.b)}, &parameter.v);
  Expect(parameter.v.vt == VT_BSTR, "GetParameter gives a text");
  if (parameter.v.vt == VT_BSTR) ExpectText(parameter.v.bstrVal, L"dd.mm.yyyy", "GetParameter");
  Call(setup, L"GetLoginValue", {Text(rok.b)}, &year.v);
  Expect(year.v.vt == VT_I4 && year.v.lVal == 2031, "GetLoginValue gives the scenario's year");
  Text_ ph(L"PH"), payback(L"MODUL_PAYBACK");
  Value handle, right, flag, handler;
  Call(setup, L"FindRight", {Text(ph.b), Long(3)}, &handle.v);
  Expect(handle.v.vt == VT_I4 && handle.v.lVal == 1, "FindRight gives the first handle");
  Call(setup, L"HasRight", {Long(1)}, &right.v);
  Expect(right.v.vt == VT_BOOL && right.v.boolVal == VARIANT_FALSE,
         "HasRight as the scenario says");
  Call(setup, L"GetBoolParameter", {Text(payback.b)}, &flag.v);
  Expect(flag.v.vt == VT_BOOL && flag.v.boolVal == VARIANT_TRUE, "GetBoolParameter");
  Call(setup, L"GetExceptionHandler", {}, &handler.v);
  Expect(handler.v.vt == VT_I8 && handler.v.llVal != 0, "GetExceptionHandler gives an address");

  // [out] arguments by reference, to their own type; an old text given
  // up by the server.
  Text_ right_id(L"{R}"), text, message(L"old");
  Value granted;
  Expect(Call(setup, L"CheckRight",
              {Text(right_id.b), Long(2), Ref(VT_BSTR, &text.b), Ref(VT_BSTR, &message.b)},
              &granted.v) == S_OK,
         "CheckRight");
  Expect(granted.v.vt == VT_BOOL && granted.v.boolVal == VARIANT_FALSE, "CheckRight refuses");
  ExpectText(message.str(), L"brak uprawnie\u0144", "CheckRight's message");

  Value module;
  Call(setup, L"GetModule", {Long(1), Bool(true)}, &module.v);
  Expect(module.v.vt == (vtable ? VT_UNKNOWN : VT_DISPATCH) && module.v.punkVal != nullptr,
         "GetModule gives the Stock server");
  if (module.v.punkVal == nullptr) return;
  Server stock{module.v.punkVal, nullptr};
  if (vtable) Expect(SUCCEEDED(Describe(stock, library.Get(), L"Stock")), "Stock described");
  VARIANT_BOOL success = VARIANT_TRUE;
  Expect(Call(stock, L"ExportIssueDocumentsToPelkex",
              {Ref(VT_BSTR, &message.b), Ref(VT_BOOL, &success)}) == S_OK,
         "an operation that reports failure completes");
  Expect(success == VARIANT_FALSE, "its success flag is false");
  ExpectText(message.str(), L"brak po\u0142\u0105czenia", "its message");
  std::wstring error;
  Value none;
  Expect(
      Call(stock, L"ExportIssueDocumentsToPelkex",
           {Ref(VT_BSTR, &message.b), Ref(VT_BOOL, &success)}, &none.v, &error) == DISP_E_EXCEPTION,
      "a failure status fails the call");
  ExpectText(error, L"Odmowa", "the failure's text");
  Expect(Call(stock, L"ExportFilesToGefco",
              {Long(-1), Ref(VT_BSTR, &message.b), Ref(VT_BOOL, &success)}) == S_OK &&
             success == VARIANT_TRUE && message.str().empty(),
         "an operation that succeeds");
  Expect(Call(stock, L"ExportFilesToGefco", {Long(-1)}) == DISP_E_BADPARAMCOUNT,
         "too few arguments are refused");

  // A created server handed the configuration server; a date in and out.
  Server eksport;
  Expect(SUCCEEDED(Create(prefix + L"EksportTessaro", eksport,
                          vtable ? library.ReleaseAndGetAddressOf() : nullptr)),
         "create EksportTessaro");
  Call(eksport, L"SetConfiguration", {Object(setup.object.Get())});
  DATE to = 0;
  LONG status = -1;
  Expect(Call(eksport, L"ExportToTessaro",
              {Date(45292), Ref(VT_DATE, &to), Long(1), Ref(VT_I4, &status)}) == S_OK,
         "ExportToTessaro");
  Expect(to == 45366 && status == 0, "ExportToTessaro gives its end date and status");
  Value files;
  Call(eksport, L"GetFileList", {}, &files.v);
  Expect(files.v.vt == VT_BSTR && ::SysStringLen(files.v.bstrVal) == 0, "GetFileList");
  // None, as VB passes Nothing: an object reference that is null.
  Call(eksport, L"SetConfiguration", {Object(nullptr)});

  Call(setup, L"UnregisterModule", {Long(1)});
  Call(setup, L"SetApplication", {Object(nullptr)});
  Call(setup, L"Logout");
  Call(setup, L"Close");
}

// What the faulty configuration server tells of itself.
void DescribeFaulty() {
  Server setup;
  Expect(SUCCEEDED(Create(L"MerkanSim.Faulty.Setup", setup)), "create the faulty server");
  ComPtr<IDispatch> late;
  ComPtr<ITypeInfo> info;
  if (FAILED(setup.object.As(&late)) || FAILED(late->GetTypeInfo(0, 0, &info))) {
    Expect(false, "the faulty server has type information");
    return;
  }
  auto id_of = [&](const wchar_t* name, MEMBERID* id) {
    std::wstring copy(name);
    LPOLESTR names = copy.data();
    return info->GetIDsOfNames(&names, 1, id);
  };
  MEMBERID id = 0;
  Expect(SUCCEEDED(id_of(L"Logout", &id)), "Logout is there");
  Expect(FAILED(id_of(L"SetPreLoginOption", &id)), "SetPreLoginOption is missing");
  bool array_result = false;
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(id_of(L"Login", &id)) && SUCCEEDED(info->GetTypeAttr(&attributes))) {
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
      FUNCDESC* function = nullptr;
      if (FAILED(info->GetFuncDesc(i, &function))) continue;
      // On the IDispatch side of a dual interface the [out, retval]
      // parameter is the function's own type.
      if (function->memid == id && function->cParams == 1) {
        const TYPEDESC& type = function->lprgelemdescParam[0].tdesc;
        array_result = type.vt == VT_PTR && type.lptdesc->vt == VT_SAFEARRAY;
      } else if (function->memid == id && function->cParams == 0) {
        array_result = function->elemdescFunc.tdesc.vt == VT_SAFEARRAY;
      }
      info->ReleaseFuncDesc(function);
    }
    info->ReleaseTypeAttr(attributes);
  }
  Expect(array_result, "Login's result is declared an array");
}

// Once every server is given back, the simulator holds no object and may
// be unloaded.
void EverythingReleased() {
  HMODULE simulator = ::GetModuleHandleW(L"merkan-sim.dll");
  // Through void* as GetProcAddress's result must be.
  auto can_unload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(::GetProcAddress(simulator, "DllCanUnloadNow")));
  Expect(can_unload != nullptr && can_unload() == S_OK, "DllCanUnloadNow after the last release");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string flavour = argc > 1 ? argv[1] : "";
  if (flavour != "dual" && flavour != "disp" && flavour != "vtbl" && flavour != "faulty") {
    std::fprintf(stderr, "usage: com_sim_test dual|disp|vtbl|faulty\n");
    return 2;
  }
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path dir =
      std::filesystem::path(temp) / ("com_sim_test_" + std::to_string(::GetCurrentProcessId()));
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);  // of an earlier process with this number
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "host-sim.ini", std::ios::binary) << kScenario;
  // Read by the simulator at its first call, through the C runtime.
  _wputenv_s(L"ZEPH_SIM_DIR", dir.wstring().c_str());
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (flavour == "faulty") {
    DescribeFaulty();
    EverythingReleased();
  } else {
    const std::wstring prefix = flavour == "dual"   ? L"MerkanSim."
                                : flavour == "disp" ? L"MerkanSim.Disp."
                                                    : L"MerkanSim.Vtbl.";
    DriveServers(prefix, flavour == "vtbl");
    EverythingReleased();
    const std::vector<std::string> journal = ReadLines(dir / "host-sim.journal");
    std::ostringstream got;
    for (const auto& line : journal) got << "\n  " << line;
    Expect(journal == kJournal, "journal:" + got.str());
  }
  ::CoUninitialize();
  std::filesystem::remove_all(dir, ignored);
  std::printf("%s: %d passed, %d failed\n", flavour.c_str(), g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
