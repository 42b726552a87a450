// The program's host calls through COM against the simulator registered as
// an in-process server: creation by ProgID, every kind of argument and
// result, the same object for the same server, failures with and without a
// description, the journal the calls leave, the same calls through the
// dispatch-only and vtable-only servers, and a server that does not fit
// (a method missing, a result of no fitting type). Runs under Wine (or
// Windows) with merkan-sim.dll registered; prints "N passed, N failed".
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/com/status.h"
#include "host/com/support.h"
#include "host/com_servers.h"
#include "host/host_api.h"
#include "host/host_objects.h"

namespace zeph {
namespace {

int g_passed = 0;
int g_failed = 0;

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
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

template <class T>
void ExpectEq(const T& got, const T& want, const std::string& what) {
  std::ostringstream text;
  if constexpr (std::is_same_v<T, std::u16string>) {
    text << what << ": got \"" << Narrow(got) << "\", want \"" << Narrow(want) << "\"";
  } else {
    text << what << ": got " << got << ", want " << want;
  }
  Expect(got == want, text.str());
}

HostStatus Create(const std::u16string& progid, ClassId id, ObjectRef* object) {
  return CreateComObject(id, progid, object);
}

const char kScenario[] =
    "[Host]\n"
    "Invoices.Create#1 = status: Brak licencji\n"
    "Stock.ExportIssueDocumentsToPelkex#1 = false: brak po\xc5\x82\xc4\x85\x63zenia\n"
    "Stock.ExportIssueDocumentsToPelkex#2 = \"status: \"\n"
    "Stock.ExportIssueDocumentsToPelkex#3 = status: Odmowa\n"
    "Setup.GetLoginValue.ROK = 2031\n"
    "EksportTessaro.ExportToTessaro.EndDate = 2024.03.15\n"
    "EksportTessaro.ExportToTessaro.Files = a.txt\n";

// Every call the test makes, as the simulator journals it.
const std::vector<std::string> kJournal = {
    "create Invoices -> status: Brak licencji",
    "create Setup -> Setup#1",
    "Setup#1.SetApplication(Application)",
    "Setup#1.SetConnection(AConn)",
    "Setup#1.SetApplicationName(\"ZephAutomat\")",
    "Setup#1.RegisterModule(Setup, Setup#1)",
    "Setup#1.SetCreationSwitchC(-1)",
    "Setup#1.Login()",
    "Setup#1.GetParameter(\"DECIMALSEPARATOR\")",
    "Setup#1.GetLoginValue(\"ROK\")",
    "Setup#1.CheckRight(\"{R}\", 2)",
    "Setup#1.GetExceptionHandler()",
    "create Invoices -> Invoices#1",
    "Setup#1.RegisterModule(Invoices, Invoices#1)",
    "Setup#1.GetModule(Invoices, 0) -> Invoices#1",
    "Setup#1.UnregisterModule(Invoices)",
    "Setup#1.GetModule(Stock, -1) -> Stock#1",
    "Stock#1.ExportIssueDocumentsToPelkex()",
    "Stock#1.ExportIssueDocumentsToPelkex() -> status: ",
    "Stock#1.ExportIssueDocumentsToPelkex() -> status: Odmowa",
    "Stock#1.ExportIssueDocumentsToPelkex()",
    "create EksportTessaro -> EksportTessaro#1",
    "EksportTessaro#1.SetConfiguration(Setup#1)",
    "EksportTessaro#1.SetWorkingDirectory(\"WORK\")",
    "EksportTessaro#1.ExportToTessaro(45000, 0, 3)",
    "EksportTessaro#1.GetFileList()",
    "EksportTessaro#1.SetConfiguration(nil)",
    "Setup#1.SetApplication(nil)",
    "Setup#1.Close()",
    "create ZephProc -> ZephProc#1",
};

void CreationFailures() {
  ObjectRef object;
  HostStatus status = Create(u"MerkanSim.NoSuchClass", ClassId::Setup, &object);
  Expect(status.Failed(), "an unregistered ProgID fails");
  ExpectEq(status.description, std::u16string(u"Class not registered"), "unregistered ProgID");
  ExpectEq<long>(status.code, CO_E_CLASSSTRING, "unregistered ProgID's code");

  // A class registered with a library that is not there: the COM reason.
  const wchar_t kProgIdKey[] = L"Software\\Classes\\ZephTest.Missing";
  const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{64294221-44B3-4116-908D-13D55281B43B}";
  const wchar_t kClsid[] = L"{64294221-44B3-4116-908D-13D55281B43B}";
  const wchar_t kMissing[] = L"C:\\no-such-directory\\no-such-server.dll";
  auto set = [](const std::wstring& key, const wchar_t* value) {
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, value,
                             static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  };
  Expect(set(std::wstring(kProgIdKey) + L"\\CLSID", kClsid) == ERROR_SUCCESS &&
             set(std::wstring(kClassKey) + L"\\InprocServer32", kMissing) == ERROR_SUCCESS,
         "a class with a missing library is registered");
  status = Create(u"ZephTest.Missing", ClassId::Setup, &object);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgIdKey);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey);
  Expect(status.Failed() &&
             status.description.starts_with(u"Cannot create server \"ZephTest.Missing\": "),
         "a server whose library cannot be loaded: " + Narrow(status.description));

  status = Create(u"MerkanSim.Invoices", ClassId::Invoices, &object);
  Expect(status.Failed() && !object, "a server refusing creation fails");
  ExpectEq(status.description, std::u16string(u"Brak licencji"), "the server's creation text");
}

void Calls(const std::u16string& work) {
  HostObjects objects;
  ObjectRef setup_ref;
  HostStatus status = Create(u"MerkanSim.Setup", ClassId::Setup, &setup_ref);
  Expect(!status.Failed(), "Setup is created: " + Narrow(status.description));
  auto* setup = dynamic_cast<ISetup*>(setup_ref.get());
  if (setup == nullptr) return;
  Expect(!setup->SetApplication(&objects.application).Failed(), "SetApplication");
  Expect(!setup->SetConnection(&objects.connection).Failed(), "SetConnection");
  Expect(!setup->SetApplicationName(u"ZephAutomat").Failed(), "SetApplicationName");
  int32_t registered = 7;
  Expect(!setup->RegisterModule(ClassId::Setup, setup_ref, &registered).Failed(), "RegisterModule");
  Expect(!setup->SetCreationSwitchC(kTrue).Failed(), "SetCreationSwitchC");
  WordBool logged_in = kFalse;
  Expect(!setup->Login(&logged_in).Failed(), "Login");
  ExpectEq<int>(logged_in, kTrue, "Login's flag");

  Variant value;
  Expect(!setup->GetParameter(u"DECIMALSEPARATOR", &value).Failed(), "GetParameter");
  Expect(std::holds_alternative<WideString>(value) && std::get<WideString>(value) == u",",
         "GetParameter gives a text");
  Expect(!setup->GetLoginValue(u"ROK", &value).Failed(), "GetLoginValue");
  Expect(std::holds_alternative<int32_t>(value) && std::get<int32_t>(value) == 2031,
         "GetLoginValue gives an integer");
  WideString text = u"x";
  WideString message = u"x";
  WordBool granted = kFalse;
  Expect(!setup->CheckRight(u"{R}", 2, &text, &message, &granted).Failed(), "CheckRight");
  ExpectEq<int>(granted, kTrue, "CheckRight's grant");
  ExpectEq(message, std::u16string(), "CheckRight's message");
  ExceptionHandler handler = nullptr;
  Expect(!setup->GetExceptionHandler(&handler).Failed(), "GetExceptionHandler");
  Expect(handler != nullptr, "the server's exception handler comes through");

  ObjectRef invoices;
  ObjectRef again;
  status = Create(u"MerkanSim.Invoices", ClassId::Invoices, &invoices);
  Expect(invoices != nullptr, "Invoices is created: " + Narrow(status.description));
  Expect(!setup->RegisterModule(ClassId::Invoices, invoices, &registered).Failed(),
         "RegisterModule(Invoices)");
  Expect(!setup->GetModule(ClassId::Invoices, kFalse, &again).Failed(), "GetModule(Invoices)");
  Expect(invoices && invoices == again, "the same server is the same object");
  Expect(!setup->UnregisterModule(ClassId::Invoices).Failed(), "UnregisterModule(Invoices)");

  ObjectRef stock_ref;
  Expect(!setup->GetModule(ClassId::Stock, kTrue, &stock_ref).Failed(), "GetModule");
  auto* stock = dynamic_cast<IStock*>(stock_ref.get());
  if (stock != nullptr) {
    struct Case {
      const char* what;
      bool failed;
      std::u16string text;  // the message, or the failure's description
      WordBool success;
    };
    const Case cases[] = {
        {"false: TEXT", false, u"brak po\u0142\u0105czenia", kFalse},
        {"status with an empty text", true, u"", kFalse},
        {"status: TEXT", true, u"Odmowa", kFalse},
        {"ok", false, u"", kTrue},
    };
    for (const Case& c : cases) {
      WideString got = u"unchanged";
      WordBool success = kFalse;
      status = stock->ExportIssueDocumentsToPelkex(&got, &success);
      ExpectEq(status.Failed(), c.failed, std::string(c.what) + ": failed");
      ExpectEq(c.failed ? status.description : got, c.text, std::string(c.what) + ": text");
      if (!c.failed) ExpectEq<int>(success, c.success, std::string(c.what) + ": flag");
    }
  }

  ObjectRef export_ref;
  status = Create(u"MerkanSim.EksportTessaro", ClassId::EksportTessaro, &export_ref);
  auto* exporter = dynamic_cast<IEksportTessaro*>(export_ref.get());
  Expect(exporter != nullptr, "EksportTessaro is created: " + Narrow(status.description));
  if (exporter != nullptr) {
    Expect(!exporter->SetConfiguration(setup).Failed(), "SetConfiguration");
    Expect(!exporter->SetWorkingDirectory(work).Failed(), "SetWorkingDirectory");
    OleDate date_to = 0;
    int32_t result = 9;
    Expect(!exporter->ExportToTessaro(45000, &date_to, 3, &result).Failed(), "ExportToTessaro");
    ExpectEq(date_to, 45366.0, "date to comes back");
    ExpectEq(result, 0, "export status");
    WideString files;
    Expect(!exporter->GetFileList(&files).Failed(), "GetFileList");
    Expect(files.starts_with(work) && files.ends_with(u"a.txt"), "file list: " + Narrow(files));
    Expect(!exporter->SetConfiguration(nullptr).Failed(), "SetConfiguration(nil)");
  }
  Expect(!setup->SetApplication(nullptr).Failed(), "SetApplication(nil)");
  Expect(!setup->Close().Failed(), "Close");
}

HRESULT CALLBACK FillInLater(EXCEPINFO* exception) {
  exception->bstrDescription = ::SysAllocString(L"filled in later");
  exception->scode = E_FAIL;
  exception->pfnDeferredFillIn = nullptr;
  return S_OK;
}

// A failed late-bound call as the program's status.
void FailuresAsStatus() {
  struct Case {
    const char* what;
    HRESULT hr;
    const wchar_t* description;  // EXCEPINFO's; null: none
    HRESULT scode;
    bool deferred;
    int32_t code;
    std::u16string text;  // empty: the system's text for `code`
  };
  const Case cases[] = {
      {"success", S_OK, nullptr, 0, false, 0, u""},
      {"the server's text", DISP_E_EXCEPTION, L"Odmowa", E_FAIL, false, E_FAIL, u"Odmowa"},
      {"an empty text stays empty", DISP_E_EXCEPTION, L"", E_ACCESSDENIED, false, E_ACCESSDENIED,
       u""},
      {"no text: the number's", DISP_E_EXCEPTION, nullptr, E_ACCESSDENIED, false, E_ACCESSDENIED,
       u""},
      {"no code: DISP_E_EXCEPTION", DISP_E_EXCEPTION, nullptr, 0, false, DISP_E_EXCEPTION, u""},
      {"text filled in later", DISP_E_EXCEPTION, nullptr, 0, true, E_FAIL, u"filled in later"},
      {"no exception", DISP_E_TYPEMISMATCH, nullptr, 0, false, DISP_E_TYPEMISMATCH, u""},
  };
  for (const Case& c : cases) {
    EXCEPINFO exception{};
    if (c.description != nullptr) exception.bstrDescription = ::SysAllocString(c.description);
    exception.scode = c.scode;
    if (c.deferred) exception.pfnDeferredFillIn = &FillInLater;
    const HostStatus status = com::StatusOf(c.hr, &exception);
    ExpectEq(status.code, c.code, std::string(c.what) + ": code");
    const bool own_text = c.description != nullptr || c.deferred || c.hr == S_OK;
    ExpectEq(status.description, own_text ? c.text : com::DescribeHresult(c.code),
             std::string(c.what) + ": text");
    Expect(exception.bstrDescription == nullptr, std::string(c.what) + ": texts given back");
  }
  const std::u16string described = com::DescribeHresult(E_ACCESSDENIED);
  Expect(described.ends_with(u"0x80070005") || described.ends_with(u"(0x80070005)"),
         "the number is in the text: " + Narrow(described));
}

// A ProgID naming a server of another class: its calls are not found.
void ServerOfAnotherClass() {
  ObjectRef object;
  HostStatus status = Create(u"MerkanSim.ZephProc", ClassId::Setup, &object);
  auto* setup = dynamic_cast<ISetup*>(object.get());
  Expect(setup != nullptr, "a ZephProc server taken as Setup: " + Narrow(status.description));
  if (setup == nullptr) return;
  status = setup->Logout();
  Expect(status.Failed() && status.description.starts_with(u"The server does not offer Logout: "),
         "a call the server does not have: " + Narrow(status.description));
}

// The same calls through the simulator's dispatch-only servers (no type
// information: names and the program's own types) and its vtable-only ones
// (its type library's slots through DispCallFunc): results from the call's
// value, out-values by reference, failures with the server's text.
void Flavours() {
  for (const char16_t* progid : {u"MerkanSim.Disp.Setup", u"MerkanSim.Vtbl.Setup"}) {
    const std::string flavour = Narrow(progid);
    ObjectRef setup_ref;
    HostStatus status = Create(progid, ClassId::Setup, &setup_ref);
    auto* setup = dynamic_cast<ISetup*>(setup_ref.get());
    Expect(setup != nullptr, flavour + " is created: " + Narrow(status.description));
    if (setup == nullptr) continue;
    int32_t registered = 7;
    status = setup->RegisterModule(ClassId::Setup, setup_ref, &registered);
    Expect(!status.Failed(), flavour + ": RegisterModule: " + Narrow(status.description));
    WordBool logged_in = kFalse;
    status = setup->Login(&logged_in);
    Expect(!status.Failed() && logged_in == kTrue,
           flavour + ": Login: " + Narrow(status.description));
    Variant value;
    status = setup->GetParameter(u"DECIMALSEPARATOR", &value);
    Expect(!status.Failed() && std::holds_alternative<WideString>(value) &&
               std::get<WideString>(value) == u",",
           flavour + ": GetParameter: " + Narrow(status.description));
    WideString text;
    WideString message = u"x";
    WordBool granted = kFalse;
    status = setup->CheckRight(u"{R}", 2, &text, &message, &granted);
    Expect(!status.Failed() && granted == kTrue && message.empty(),
           flavour + ": CheckRight: " + Narrow(status.description));
    ObjectRef stock_ref;
    status = setup->GetModule(ClassId::Stock, kTrue, &stock_ref);
    auto* stock = dynamic_cast<IStock*>(stock_ref.get());
    Expect(stock != nullptr, flavour + ": GetModule: " + Narrow(status.description));
    if (stock != nullptr) {
      WideString got = u"unchanged";
      WordBool success = kFalse;
      status = stock->ExportIssueDocumentsToPelkex(&got, &success);
      Expect(!status.Failed() && success == kTrue && got.empty(),
             flavour + ": a module operation: " + Narrow(status.description));
    }
    Expect(!setup->Close().Failed(), flavour + ": Close");
  }

  // A server that lacks a method and declares a result of no fitting type.
  ObjectRef faulty_ref;
  Create(u"MerkanSim.Faulty.Setup", ClassId::Setup, &faulty_ref);
  auto* faulty = dynamic_cast<ISetup*>(faulty_ref.get());
  Expect(faulty != nullptr, "the faulty server is created");
  if (faulty == nullptr) return;
  HostStatus status = faulty->SetPreLoginOption(0);
  Expect(status.Failed() &&
             status.description.starts_with(u"The server does not offer SetPreLoginOption: "),
         "a method the server lacks: " + Narrow(status.description));
  WordBool logged_in = kFalse;
  status = faulty->Login(&logged_in);
  ExpectEq(status.description,
           std::u16string(u"Login: the result: VT_SAFEARRAY does not convert to VT_BOOL"),
           "a result no conversion fits");
  Expect(status.Failed(), "a result no conversion fits fails");
}

// Once the program has given back every server, the simulator holds no
// object and may be unloaded.
void EverythingReleased() {
  HMODULE simulator = ::GetModuleHandleW(L"merkan-sim.dll");
  // Through void* as GetProcAddress's result must be.
  auto can_unload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(::GetProcAddress(simulator, "DllCanUnloadNow")));
  Expect(can_unload != nullptr, "the simulator is loaded and exports DllCanUnloadNow");
  if (can_unload != nullptr) ExpectEq<long>(can_unload(), S_OK, "DllCanUnloadNow");
}

std::vector<std::string> JournalLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace
}  // namespace zeph

int main() {
  // The simulator's files in a directory of their own.
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "zeph-com-test-" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryA(dir.c_str(), nullptr);
  std::ofstream(dir + "\\host-sim.ini", std::ios::binary) << zeph::kScenario;
  ::DeleteFileA((dir + "\\host-sim.journal").c_str());
  _putenv_s("ZEPH_SIM_DIR", (dir + "\\").c_str());
  const std::string work_dir = dir + "\\work";
  ::CreateDirectoryA(work_dir.c_str(), nullptr);
  const std::u16string work(work_dir.begin(), work_dir.end());

  zeph::FailuresAsStatus();
  zeph::CreationFailures();
  zeph::Calls(work);
  zeph::ServerOfAnotherClass();

  std::vector<std::string> want = zeph::kJournal;
  for (std::string& line : want) {
    const size_t at = line.find("WORK");
    std::string escaped;
    for (char c : work_dir) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    if (at != std::string::npos) line.replace(at, 4, escaped);
  }
  std::vector<std::string> got = zeph::JournalLines(dir + "\\host-sim.journal");
  for (size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
    zeph::ExpectEq(i < got.size() ? got[i] : std::string("(none)"),
                   i < want.size() ? want[i] : std::string("(none)"),
                   "journal line " + std::to_string(i + 1));
  }
  zeph::Flavours();
  zeph::EverythingReleased();
  std::printf("%d passed, %d failed\n", zeph::g_passed, zeph::g_failed);
  return zeph::g_failed == 0 ? 0 : 1;
}
