// Host simulator: scenario keys, outcomes and the journal, driven through
// the component runtime as the program drives it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/component_runtime.h"
#include "platform/local_time.h"
#include "simulator_fixture.h"
#include "util/date_time.h"
#include "util/encoding.h"

namespace {

namespace fs = std::filesystem;
using zeph::ClassId;
using zeph::HostStatus;
using zeph::WideString;
using zeph::WordBool;

// A text as the journal writes it: a backslash (in Windows paths) doubled.
std::string JournalEscaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

// Day counts from 1899-12-30 of the dates the tests use.
constexpr double k20240201 = 45323;
constexpr double k20240229 = 45351;
constexpr double k20240301 = 45352;
constexpr double k20240315 = 45366;

zeph::platform::CalendarTime LocalNow() {
  zeph::platform::CalendarTime local;
  zeph::platform::LocalCalendarTime(std::time(nullptr), local);
  return local;
}

// Today's local date as a day count, and as yyyymmdd.
double TodayDate() {
  const zeph::platform::CalendarTime day = LocalNow();
  return zeph::EncodeDate(day.year, day.month, day.day);
}
std::string TodayText() {
  const zeph::platform::CalendarTime day = LocalNow();
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", day.year, day.month, day.day);
  return text;
}

class App : public zeph::IApplication {};
class Connection : public zeph::IConnection {
 public:
  std::string ConnectionString() const override { return {}; }
  bool LoginPrompt() const override { return false; }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class HostSimTest : public zeph::SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    std::ofstream(dir_ + "/components.ini")
        << "[InprocServers]\nSetup=" ZEPH_SIM_PATH "\nInvoices=" ZEPH_SIM_PATH
           "\nEksportTessaro=" ZEPH_SIM_PATH "\nZephProc=" ZEPH_SIM_PATH "\n";
  }

  void Scenario(const std::string& text) {
    std::ofstream(dir_ + "/host-sim.ini", std::ios::binary) << text;
    ResetSimulator();
  }

  template <class T>
  std::shared_ptr<T> Make(ClassId id) {
    zeph::ObjectRef object;
    HostStatus status = zeph::ComponentRuntime::Create(id, &object);
    EXPECT_FALSE(status.Failed()) << zeph::WideToUtf8(status.description);
    return std::dynamic_pointer_cast<T>(object);
  }

  // A configuration server logged in to SRV/DB (or to no database).
  std::shared_ptr<zeph::ISetup> ConfigServer(const WideString& server = u"SRV",
                                             const WideString& database = u"DB") {
    auto setup = Make<zeph::ISetup>(ClassId::Setup);
    if (setup && !server.empty()) {
      setup->SetServer(server);
      setup->SetDatabase(database);
    }
    return setup;
  }

  template <class T>
  std::shared_ptr<T> Module(zeph::ISetup& setup, ClassId id) {
    zeph::ObjectRef object;
    setup.GetModule(id, zeph::kTrue, &object);
    return std::dynamic_pointer_cast<T>(object);
  }

  std::vector<std::string> Journal() const {
    return Lines(zeph::ReadBytes(dir_ + "/host-sim.journal"));
  }
  std::string LastJournalLine() const {
    auto lines = Journal();
    return lines.empty() ? std::string() : lines.back();
  }
};

// Message and success flag of one module operation.
struct Result {
  HostStatus status;
  WideString message = u"(untouched)";
  WordBool success = 7;
};

Result ExportIssueDocuments(zeph::IStock& stock) {
  Result r;
  r.status = stock.ExportIssueDocumentsToPelkex(&r.message, &r.success);
  return r;
}

TEST_F(HostSimTest, JournalOfASuccessfulTaskMatchesTheContract) {
  App app;
  Connection conn;
  zeph::ObjectRef ref;
  ASSERT_FALSE(zeph::ComponentRuntime::Create(ClassId::Setup, &ref).Failed());
  auto setup = std::dynamic_pointer_cast<zeph::ISetup>(ref);
  ASSERT_NE(setup, nullptr);
  int32_t registered = 5;
  WordBool logged_in = 0;
  zeph::Variant format, date_separator, decimal_separator;
  zeph::ExceptionHandler handler = nullptr;
  WideString text, message = u"x";
  WordBool granted = 0;
  EXPECT_FALSE(setup->SetApplication(&app).Failed());
  EXPECT_FALSE(setup->SetConnection(&conn).Failed());
  EXPECT_FALSE(setup->SetApplicationName(u"ZephAutomat").Failed());
  EXPECT_FALSE(setup->RegisterModule(ClassId::Setup, ref, &registered).Failed());
  EXPECT_FALSE(setup->SetCreationSwitchA(zeph::kFalse).Failed());
  EXPECT_FALSE(setup->SetCreationSwitchB(zeph::kFalse).Failed());
  EXPECT_FALSE(setup->SetCreationSwitchC(zeph::kTrue).Failed());
  EXPECT_FALSE(setup->SetServer(u"SRV").Failed());
  EXPECT_FALSE(setup->SetDatabase(u"DB").Failed());
  EXPECT_FALSE(setup->SetUser(u"Księgowy").Failed());
  EXPECT_FALSE(setup->SetPassword(u"x").Failed());
  EXPECT_FALSE(setup->SetPreLoginOption(0).Failed());
  EXPECT_FALSE(setup->Login(&logged_in).Failed());
  EXPECT_FALSE(setup->GetParameter(u"SHORTDATEFORMAT", &format).Failed());
  EXPECT_FALSE(setup->GetParameter(u"DATESEPARATOR", &date_separator).Failed());
  EXPECT_FALSE(setup->GetParameter(u"DECIMALSEPARATOR", &decimal_separator).Failed());
  EXPECT_FALSE(setup->GetExceptionHandler(&handler).Failed());
  EXPECT_FALSE(setup->CheckRight(u"{5A0B...}", 2, &text, &message, &granted).Failed());
  auto stock = Module<zeph::IStock>(*setup, ClassId::Stock);
  ASSERT_NE(stock, nullptr);
  Result exported = ExportIssueDocuments(*stock);
  EXPECT_FALSE(setup->Logout().Failed());
  EXPECT_FALSE(setup->UnregisterModule(ClassId::Stock).Failed());
  EXPECT_FALSE(setup->SetApplication(nullptr).Failed());
  EXPECT_FALSE(setup->UnregisterModule(ClassId::Setup).Failed());
  EXPECT_FALSE(setup->Close().Failed());

  EXPECT_EQ(logged_in, zeph::kTrue);
  EXPECT_EQ(format, zeph::Variant(WideString(u"yyyy-mm-dd")));
  EXPECT_EQ(date_separator, zeph::Variant(WideString(u"-")));
  EXPECT_EQ(decimal_separator, zeph::Variant(WideString(u",")));
  EXPECT_NE(handler, nullptr);
  EXPECT_EQ(granted, zeph::kTrue);
  EXPECT_EQ(message, u"");
  EXPECT_FALSE(exported.status.Failed());
  EXPECT_EQ(exported.success, zeph::kTrue);
  EXPECT_EQ(exported.message, u"");
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "create Setup -> Setup#1",
                           "Setup#1.SetApplication(Application)",
                           "Setup#1.SetConnection(AConn)",
                           "Setup#1.SetApplicationName(\"ZephAutomat\")",
                           "Setup#1.RegisterModule(Setup, Setup#1)",
                           "Setup#1.SetCreationSwitchA(0)",
                           "Setup#1.SetCreationSwitchB(0)",
                           "Setup#1.SetCreationSwitchC(-1)",
                           "Setup#1.SetServer(\"SRV\")",
                           "Setup#1.SetDatabase(\"DB\")",
                           "Setup#1.SetUser(\"Księgowy\")",
                           "Setup#1.SetPassword(\"x\")",
                           "Setup#1.SetPreLoginOption(0)",
                           "Setup#1.Login()",
                           "Setup#1.GetParameter(\"SHORTDATEFORMAT\")",
                           "Setup#1.GetParameter(\"DATESEPARATOR\")",
                           "Setup#1.GetParameter(\"DECIMALSEPARATOR\")",
                           "Setup#1.GetExceptionHandler()",
                           "Setup#1.CheckRight(\"{5A0B...}\", 2)",
                           "Setup#1.GetModule(Stock, -1) -> Stock#1",
                           "Stock#1.ExportIssueDocumentsToPelkex()",
                           "Setup#1.Logout()",
                           "Setup#1.UnregisterModule(Stock)",
                           "Setup#1.SetApplication(nil)",
                           "Setup#1.UnregisterModule(Setup)",
                           "Setup#1.Close()",
                       }));
}

TEST_F(HostSimTest, JournalFormatsEveryKindOfArgument) {
  auto setup = ConfigServer();
  auto report = Module<zeph::IReport2>(*setup, ClassId::Report2);
  auto tessaro = Make<zeph::IEksportTessaro>(ClassId::EksportTessaro);
  auto invoices = Make<zeph::IInvoices>(ClassId::Invoices);
  ASSERT_TRUE(report && tessaro && invoices);
  WideString out;
  WordBool flag;
  report->CreateDailyReport(u"a\"b\\c\r\n\tż", 45362.5, &out, &out, &flag);
  report->CreateDailyReport(u"", 0.1, &out, &out, &flag);
  double to = 45362;
  int32_t status;
  tessaro->SetWorkingDirectory(zeph::Utf8ToWide(dir_));
  tessaro->ExportToTessaro(45000, &to, 44, &status);
  invoices->SetConfiguration(setup.get());
  invoices->SetConfiguration(nullptr);
  setup->RegisterModule(ClassId::Invoices, nullptr, nullptr);
  zeph::ObjectRef none;
  setup->GetModule(ClassId::Invoices, zeph::kFalse, &none);
  setup->SetConnection(nullptr);
  auto lines = Journal();
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 9, lines.end()),
            (std::vector<std::string>{
                "Report2#1.CreateDailyReport(\"a\\\"b\\\\c\\r\\n\\tż\", 45362.5)",
                "Report2#1.CreateDailyReport(\"\", 0.1)",
                "EksportTessaro#1.SetWorkingDirectory(\"" + JournalEscaped(dir_) + "\")",
                "EksportTessaro#1.ExportToTessaro(45000, 45362, 44)",
                "Invoices#1.SetConfiguration(Setup#1)",
                "Invoices#1.SetConfiguration(nil)",
                "Setup#1.RegisterModule(Invoices, nil)",
                "Setup#1.GetModule(Invoices, 0) -> nil",
                "Setup#1.SetConnection(nil)",
            }));
}

// Outcome keys on an operation with a message and a success flag.
struct OutcomeCase {
  const char* value;
  bool failed;
  const char16_t* text;  // failure description or message
  WordBool success;
  const char* journal_result;
};
void PrintTo(const OutcomeCase& c, std::ostream* os) {
  *os << c.value;
}

class HostSimOutcomeTest : public HostSimTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(HostSimOutcomeTest, OutcomeDecidesStatusMessageAndFlag) {
  const OutcomeCase& c = GetParam();
  Scenario(std::string("[Host]\nStock.ExportIssueDocumentsToPelkex = ") + c.value + "\n");
  auto setup = ConfigServer();
  auto stock = Module<zeph::IStock>(*setup, ClassId::Stock);
  ASSERT_NE(stock, nullptr);
  Result r = ExportIssueDocuments(*stock);
  EXPECT_EQ(r.status.Failed(), c.failed);
  if (c.failed) {
    EXPECT_EQ(r.status.description, c.text);
    EXPECT_EQ(r.message, u"(untouched)");
  } else {
    EXPECT_EQ(r.message, c.text);
    EXPECT_EQ(r.success, c.success);
  }
  EXPECT_EQ(LastJournalLine(),
            std::string("Stock#1.ExportIssueDocumentsToPelkex()") + c.journal_result);
}

INSTANTIATE_TEST_SUITE_P(
    Values, HostSimOutcomeTest,
    ::testing::Values(
        OutcomeCase{"ok", false, u"", zeph::kTrue, ""},
        OutcomeCase{"OK", false, u"", zeph::kTrue, ""},
        OutcomeCase{"false", false, u"", zeph::kFalse, ""},
        OutcomeCase{"false: brak połączenia", false, u"brak połączenia", zeph::kFalse, ""},
        OutcomeCase{"false:bez odstępu", false, u"bez odstępu", zeph::kFalse, ""},
        OutcomeCase{"true: 2 pominięte", false, u"2 pominięte", zeph::kTrue, ""},
        OutcomeCase{"\"true:   a b   \"", false, u"  a b   ", zeph::kTrue, ""},
        OutcomeCase{"'false: x'", false, u"x", zeph::kFalse, ""},
        OutcomeCase{"false: a\\r\\nb\\tc\\\\d\\x", false, u"a\r\nb\tc\\d\\x", zeph::kFalse, ""},
        OutcomeCase{"status: Błąd serwera", true, u"Błąd serwera", 0, " -> status: Błąd serwera"},
        OutcomeCase{"status:", true, u"", 0, " -> status: "},
        OutcomeCase{"status: dwie\\nlinie", true, u"dwie\nlinie", 0, " -> status: dwie\\nlinie"},
        // Malformed values count as the default.
        OutcomeCase{"maybe", false, u"", zeph::kTrue, ""},
        OutcomeCase{"none", false, u"", zeph::kTrue, ""},
        OutcomeCase{"status", false, u"", zeph::kTrue, ""}));

TEST_F(HostSimTest, NumberedKeysApplyToTheNthCallPerDatabase) {
  Scenario(
      "[Host]\n"
      "Stock.ExportIssueDocumentsToPelkex#2 = false: drugi\n"
      "Stock.ExportIssueDocumentsToPelkex#3 = status: trzeci\n"
      "Setup.HasRight.PH#BAZA_GRAFICZNYCH_OBRAZOW_WYDRUKOW = 0\n");
  auto first = ConfigServer(u"SRV", u"DB");
  auto a = Module<zeph::IStock>(*first, ClassId::Stock);
  auto b = Module<zeph::IStock>(*first, ClassId::Stock);
  EXPECT_EQ(ExportIssueDocuments(*a).success, zeph::kTrue);
  EXPECT_EQ(ExportIssueDocuments(*b).message, u"drugi");  // counted across objects
  EXPECT_EQ(ExportIssueDocuments(*a).status.description, u"trzeci");
  EXPECT_EQ(ExportIssueDocuments(*a).success, zeph::kTrue);
  // Another database counts from 1 again, and so do calls before any database.
  auto other = ConfigServer(u"SRV", u"DB2");
  auto c = Module<zeph::IStock>(*other, ClassId::Stock);
  EXPECT_EQ(ExportIssueDocuments(*c).success, zeph::kTrue);
  EXPECT_EQ(ExportIssueDocuments(*c).message, u"drugi");
  auto unknown = ConfigServer(u"", u"");
  auto d = Module<zeph::IStock>(*unknown, ClassId::Stock);
  EXPECT_EQ(ExportIssueDocuments(*d).success, zeph::kTrue);
  EXPECT_EQ(ExportIssueDocuments(*d).message, u"drugi");
  // A '#' followed by more than digits is part of the right code.
  int32_t image_right = 0, module_right = 0;
  WordBool image = 7, module = 7;
  first->FindRight(u"PH#BAZA_GRAFICZNYCH_OBRAZOW_WYDRUKOW", 2, &image_right);
  first->FindRight(u"PH", 3, &module_right);
  first->HasRight(image_right, &image);
  first->HasRight(module_right, &module);
  EXPECT_EQ(image, zeph::kFalse);
  EXPECT_EQ(module, zeph::kTrue);
  auto lines = Journal();
  EXPECT_EQ(lines[lines.size() - 4],
            "Setup#1.FindRight(\"PH#BAZA_GRAFICZNYCH_OBRAZOW_WYDRUKOW\", 2)");
  EXPECT_EQ(lines.back(), "Setup#1.HasRight(" + std::to_string(module_right) + ")");
}

TEST_F(HostSimTest, DatabaseSectionOverridesHostKeyByKey) {
  Scenario(
      "[Host]\n"
      "Stock.ExportIssueDocumentsToPelkex = false: host\n"
      "Setup.GetParameter.DATESEPARATOR = /\n"
      "Invoices.FiscalizeInStationPool = false: host\n"
      "ZephProc.Start = status: host\n"
      "[srv/Baza Łódź]\n"
      "Stock.ExportIssueDocumentsToPelkex = false: baza\n"
      "Invoices.FiscalizeInStationPool = false: baza\n"
      "ZephProc.Start = ok\n"
      "Setup.Create = status: only read from Host\n"
      "Setup.SetDatabase = status: odmowa\n");
  auto db_setup = ConfigServer(u"SRV", u"BAZA łódź");  // names are case-insensitive
  auto host_setup = ConfigServer(u"SRV", u"INNA");
  ASSERT_TRUE(db_setup && host_setup);
  auto db_stock = Module<zeph::IStock>(*db_setup, ClassId::Stock);
  auto host_stock = Module<zeph::IStock>(*host_setup, ClassId::Stock);
  EXPECT_EQ(ExportIssueDocuments(*db_stock).message, u"baza");
  EXPECT_EQ(ExportIssueDocuments(*host_stock).message, u"host");
  zeph::Variant separator;
  db_setup->GetParameter(u"DateSeparator", &separator);
  EXPECT_EQ(separator, zeph::Variant(WideString(u"/")));  // from [Host]
  // The database's own SetDatabase call is already judged by its section.
  EXPECT_TRUE(db_setup->SetDatabase(u"Baza Łódź").Failed());
  EXPECT_FALSE(host_setup->SetDatabase(u"INNA").Failed());

  // Servers handed the configuration server follow its database.
  auto invoices = Make<zeph::IInvoices>(ClassId::Invoices);
  WideString message;
  WordBool success;
  invoices->FiscalizeInStationPool(&message, &success);
  EXPECT_EQ(message, u"host");
  invoices->SetConfiguration(db_setup.get());
  invoices->FiscalizeInStationPool(&message, &success);
  EXPECT_EQ(message, u"baza");

  // ZephProc belongs to the database it opened.
  auto proc = Make<zeph::IZephProc>(ClassId::ZephProc);
  EXPECT_TRUE(proc->Start().Failed());
  int32_t error = 9;
  proc->OpenDatabase(u"srv", u"baza łódź", u"Jan", u"x", &error);
  EXPECT_EQ(error, 0);
  EXPECT_FALSE(proc->Start().Failed());
}

TEST_F(HostSimTest, CreationKeysComeFromHostOnlyAndCount) {
  Scenario(
      "Setup.Create#2 = status: brak licencji\n"
      "ZephProc.Create = status: \"ZephProc\" niedostępny\n");
  EXPECT_NE(ConfigServer(u""), nullptr);
  zeph::ObjectRef object;
  HostStatus second = zeph::ComponentRuntime::Create(ClassId::Setup, &object);
  EXPECT_TRUE(second.Failed());
  EXPECT_EQ(second.description, u"brak licencji");
  EXPECT_EQ(object, nullptr);
  EXPECT_NE(ConfigServer(u""), nullptr);
  HostStatus proc = zeph::ComponentRuntime::Create(ClassId::ZephProc, &object);
  EXPECT_EQ(proc.description, u"\"ZephProc\" niedostępny");
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "create Setup -> Setup#1",
                           "create Setup -> status: brak licencji",
                           "create Setup -> Setup#2",
                           "create ZephProc -> status: \"ZephProc\" niedostępny",
                       }));
}

TEST_F(HostSimTest, GetModuleHandsOutNewModulesRegisteredServersNoneOrFailure) {
  Scenario(
      "[Host]\n"
      "Setup.GetModule.Till = none\n"
      "Setup.GetModule.PrintHub = status: brak modułu\n"
      "Setup.GetModule.Lexicon#8 = none\n");
  auto setup = ConfigServer();
  zeph::ObjectRef first, second, till, print_hub, invoices_before, invoices_after;
  setup->GetModule(ClassId::Stock, zeph::kTrue, &first);
  setup->GetModule(ClassId::Stock, zeph::kTrue, &second);
  EXPECT_NE(std::dynamic_pointer_cast<zeph::IStock>(first), nullptr);
  EXPECT_NE(first, second);
  EXPECT_FALSE(setup->GetModule(ClassId::Till, zeph::kTrue, &till).Failed());
  EXPECT_EQ(till, nullptr);
  HostStatus failed = setup->GetModule(ClassId::PrintHub, zeph::kTrue, &print_hub);
  EXPECT_EQ(failed.description, u"brak modułu");
  setup->GetModule(ClassId::Invoices, zeph::kFalse, &invoices_before);
  EXPECT_EQ(invoices_before, nullptr);
  zeph::ObjectRef invoices;
  ASSERT_FALSE(zeph::ComponentRuntime::Create(ClassId::Invoices, &invoices).Failed());
  setup->RegisterModule(ClassId::Invoices, invoices, nullptr);
  setup->GetModule(ClassId::Invoices, zeph::kFalse, &invoices_after);
  EXPECT_EQ(invoices_after, invoices);
  setup->UnregisterModule(ClassId::Invoices);
  setup->GetModule(ClassId::Invoices, zeph::kFalse, &invoices_after);
  EXPECT_EQ(invoices_after, nullptr);
  // The numbered key counts every GetModule call for the database: this is the 8th.
  zeph::ObjectRef lexicon;
  setup->GetModule(ClassId::Lexicon, zeph::kTrue, &lexicon);
  EXPECT_EQ(lexicon, nullptr);
  setup->GetModule(ClassId::Lexicon, zeph::kTrue, &lexicon);
  EXPECT_NE(lexicon, nullptr);
  auto lines = Journal();
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end() - 2),
            (std::vector<std::string>{
                "Setup#1.GetModule(Stock, -1) -> Stock#1",
                "Setup#1.GetModule(Stock, -1) -> Stock#2",
                "Setup#1.GetModule(Till, -1) -> nil",
                "Setup#1.GetModule(PrintHub, -1) -> status: brak modułu",
                "Setup#1.GetModule(Invoices, 0) -> nil",
                "create Invoices -> Invoices#1",
                "Setup#1.RegisterModule(Invoices, Invoices#1)",
                "Setup#1.GetModule(Invoices, 0) -> Invoices#1",
                "Setup#1.UnregisterModule(Invoices)",
                "Setup#1.GetModule(Invoices, 0) -> nil",
            }));
  EXPECT_EQ(lines[13], "Setup#1.GetModule(Lexicon, -1) -> nil");
  EXPECT_EQ(lines[14], "Setup#1.GetModule(Lexicon, -1) -> Lexicon#1");
}

TEST_F(HostSimTest, ConfigurationValuesAndTheirDefaults) {
  Scenario(
      "[Host]\n"
      "Setup.GetParameter.IDENTYFIKATOR_WLASCICIELA = \" 123 \"\n"
      "Setup.GetLoginValue.ROK = 2024\n"
      "Setup.GetLoginValue.MIESIAC = 3\n"
      "Setup.GetBoolParameter.MODUL_PAYBACK = 0\n"
      "Setup.GetBoolParameter.PH_ZAPIS_OBRAZOW_WYDRUKOW_KOPII_W_OSOBNEJ_BAZIE = 1\n"
      "Setup.Login#2 = false\n");
  auto setup = ConfigServer();
  zeph::Variant value;
  setup->GetParameter(u"IDENTYFIKATOR_WLASCICIELA", &value);
  EXPECT_EQ(value, zeph::Variant(WideString(u" 123 ")));
  setup->GetParameter(u"OTHER", &value);
  EXPECT_EQ(value, zeph::Variant(WideString()));
  setup->GetLoginValue(u"ROK", &value);
  EXPECT_EQ(value, zeph::Variant(int32_t{2024}));
  setup->GetLoginValue(u"miesiac", &value);
  EXPECT_EQ(value, zeph::Variant(int32_t{3}));
  const std::pair<const char16_t*, WordBool> kFlags[] = {
      {u"MODUL_PAYBACK", zeph::kFalse},
      {u"MODUL_PRINTHUB", zeph::kTrue},
      {u"PH_ZAPIS_OBRAZOW_WYDRUKOW_KOPII_W_OSOBNEJ_BAZIE", zeph::kTrue},
      {u"ANYTHING", zeph::kFalse},
  };
  for (const auto& [name, expected] : kFlags) {
    WordBool flag = 7;
    setup->GetBoolParameter(name, &flag);
    EXPECT_EQ(flag, expected) << zeph::WideToUtf8(name);
  }
  WordBool logged_in = 7;
  setup->Login(&logged_in);
  EXPECT_EQ(logged_in, zeph::kTrue);
  setup->Login(&logged_in);
  EXPECT_EQ(logged_in, zeph::kFalse);

  // Without keys: the current local year and month.
  Scenario("");
  auto fresh = ConfigServer();
  const zeph::platform::CalendarTime now = LocalNow();
  fresh->GetLoginValue(u"ROK", &value);
  EXPECT_EQ(value, zeph::Variant(int32_t{now.year}));
  fresh->GetLoginValue(u"MIESIAC", &value);
  EXPECT_EQ(value, zeph::Variant(int32_t{now.month}));
}

TEST_F(HostSimTest, TessaroExportWritesFilesIntoTheWorkingDirectory) {
  Scenario(
      "[Host]\n"
      "EksportTessaro.ExportToTessaro#2 = false: brak danych\n"
      "EksportTessaro.ExportToTessaro.Files#3 = a.txt, b.txt\n"
      "EksportTessaro.ExportToTessaro.EndDate#3 = 2024.03.15\n"
      "EksportTessaro.ExportToAmbro.EndDate#1 = 2024.03.15\n"
      "EksportTessaro.ExportToAmbro.EndDate#2 = unchanged\n"
      "EksportTessaro.ExportToAmbro#3 = false: Ambro nie odpowiada\n");
  auto setup = ConfigServer(u"SRV", u"DB");
  auto tessaro = Make<zeph::IEksportTessaro>(ClassId::EksportTessaro);
  ASSERT_NE(tessaro, nullptr);
  tessaro->SetConfiguration(setup.get());
  const std::string work = dir_ + "/work";
  tessaro->SetWorkingDirectory(zeph::Utf8ToWide(work + "/"));
  const double from = k20240301;

  double to = 0;
  int32_t status = 9;
  WideString files, error;
  tessaro->ExportToTessaro(from, &to, 44, &status);
  tessaro->GetFileList(&files);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(to, TodayDate());
  std::string default_file = work + "/Tessaro_DB_20240301_" + TodayText() + ".txt";
  EXPECT_EQ(files, zeph::Utf8ToWide(default_file));
  EXPECT_TRUE(fs::exists(default_file));

  to = 0;
  tessaro->ExportToTessaro(from, &to, 44, &status);
  tessaro->GetErrorMessage(&error);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(error, u"brak danych");
  EXPECT_EQ(to, 0);

  to = 0;
  tessaro->ExportToTessaro(from, &to, 44, &status);
  tessaro->GetFileList(&files);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(to, k20240315);
  EXPECT_EQ(files, zeph::Utf8ToWide(work + "/a.txt\r\n" + work + "/b.txt"));
  EXPECT_TRUE(fs::exists(work + "/b.txt"));

  // A date-to passed in is kept.
  to = k20240229;
  tessaro->ExportToTessaro(k20240201, &to, 44, &status);
  EXPECT_EQ(to, k20240229);

  double end = 0;
  WordBool success = 7;
  tessaro->ExportToAmbro(from, &end, -1, &success);
  EXPECT_EQ(end, k20240315);
  EXPECT_EQ(success, zeph::kTrue);
  end = 0;
  tessaro->ExportToAmbro(from, &end, -1, &success);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(success, zeph::kTrue);
  tessaro->ExportToAmbro(from, &end, -1, &success);
  tessaro->GetErrorMessage(&error);
  EXPECT_EQ(success, zeph::kFalse);
  EXPECT_EQ(error, u"Ambro nie odpowiada");
}

TEST_F(HostSimTest, ReportInvoicesDictionariesAndPriceCheckerValues) {
  Scenario(
      "[Host]\n"
      "Report2.CreateDailyReport.Text = \"Linia 1\\r\\nLinia 2\"\n"
      "Invoices.ExportInvoicesToEDokumenty.ErrorCount = 3\n"
      "Invoices.ExportInvoicesToEDokumenty.Details = FV 1\\nFV 2\n"
      "Invoices.ExportInvoicesToEDokumenty.Message = część nie poszła\n"
      "ZephProc.OpenDatabase#2 = false\n"
      "ZephProc.OpenDatabase.ErrorNumber = 17\n"
      "ZephProc.SaveDictionariesToXml#2 = false: brak miejsca\n"
      "Lexicon.ExportGoodsToPriceCheckers.SecondFlag = 0\n");
  auto setup = ConfigServer();
  auto report = Module<zeph::IReport2>(*setup, ClassId::Report2);
  WideString text, message;
  WordBool success = 7;
  report->CreateDailyReport(u"BBBBBBBBB", 45362.5, &text, &message, &success);
  EXPECT_EQ(text, u"Linia 1\r\nLinia 2");
  EXPECT_EQ(success, zeph::kTrue);

  auto invoices = Make<zeph::IInvoices>(ClassId::Invoices);
  int32_t count = 0;
  WideString details;
  invoices->ExportInvoicesToEDokumenty(&message, &count, &details);
  EXPECT_EQ(message, u"część nie poszła");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(details, u"FV 1\nFV 2");

  auto proc = Make<zeph::IZephProc>(ClassId::ZephProc);
  int32_t error = 9;
  proc->OpenDatabase(u"SRV", u"DB", u"Jan", u"x", &error);
  EXPECT_EQ(error, 0);
  proc->OpenDatabase(u"SRV", u"DB", u"Jan", u"x", &error);
  EXPECT_EQ(error, 17);
  const std::string xml_dir = dir_ + "/xml";
  proc->SaveDictionariesToXml(zeph::Utf8ToWide(xml_dir), 1, 2, 3, &message, &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(message, u"");
  EXPECT_FALSE(fs::is_empty(xml_dir));
  proc->SaveDictionariesToXml(zeph::Utf8ToWide(xml_dir), 1, 2, 3, &message, &error);
  EXPECT_EQ(error, 1);
  EXPECT_EQ(message, u"brak miejsca");

  auto lexicon = Module<zeph::ILexicon>(*setup, ClassId::Lexicon);
  WordBool second = 7;
  lexicon->ExportGoodsToPriceCheckers(0, -1, &message, &second, &success);
  EXPECT_EQ(second, zeph::kFalse);
  EXPECT_EQ(success, zeph::kTrue);
}

TEST_F(HostSimTest, UnusableLinesAreReportedOnceAndIgnored) {
  std::ofstream(dir_ + "/host-sim.ini") << "; comment\n"
                                           "[Host]\n"
                                           "no equals sign here\n"
                                           "Stock.ExportIssueDocumentsToPelkex = maybe\n"
                                           "Setup.GetBoolParameter.MODUL_PAYBACK = yes\n"
                                           "Nothing.Known = ok\n"
                                           "Stock.ExportIssueDocumentsToPelkex#0 = false: zero\n"
                                           "[Broken\n"
                                           "Setup.Login = false\n"
                                           "[NoSlash]\n"
                                           "Setup.Login = false\n"
                                           "[SRV/DB]\n"
                                           "Stock.ExportFilesToGefco = false: działa\n";
  ResetSimulator();
  ::testing::internal::CaptureStderr();
  auto setup = ConfigServer();
  auto stock = Module<zeph::IStock>(*setup, ClassId::Stock);
  Result twice[2] = {ExportIssueDocuments(*stock), ExportIssueDocuments(*stock)};
  std::string report = ::testing::internal::GetCapturedStderr();
  for (const Result& r : twice) {
    EXPECT_FALSE(r.status.Failed());
    EXPECT_EQ(r.success, zeph::kTrue);
  }
  WordBool payback = 7, logged_in = 7;
  setup->GetBoolParameter(u"MODUL_PAYBACK", &payback);
  setup->Login(&logged_in);
  EXPECT_EQ(payback, zeph::kTrue);
  EXPECT_EQ(logged_in, zeph::kTrue);
  WideString message;
  WordBool success;
  stock->ExportFilesToGefco(-1, &message, &success);
  EXPECT_EQ(message, u"działa");
  for (int line : {3, 4, 5, 6, 7, 8, 10}) {
    std::string tag = "line " + std::to_string(line) + ":";
    size_t at = report.find(tag);
    EXPECT_NE(at, std::string::npos) << tag << "\n" << report;
    EXPECT_EQ(report.find(tag, at + 1), std::string::npos) << tag << "\n" << report;
  }
  for (int line : {1, 2, 9, 11, 12, 13}) {
    EXPECT_EQ(report.find("line " + std::to_string(line) + ":"), std::string::npos) << report;
  }
}

TEST_F(HostSimTest, GarbageScenarioLeavesEveryCallAtItsDefault) {
  std::string garbage =
      "\xEF\xBB\xBF=\n"
      "[]\n"
      "[/]\n"
      "Setup.Login = \"\n"
      "Setup.GetModule.Nope = none\n"
      "Setup.GetModule = false\n"
      "Setup.GetParameter. = x\n"
      "\xFF\xFE.\xC3 = \xC3\x28\n"
      "Stock.ExportIssueDocumentsToPelkex#99999999999 = false: x\n"
      "Stock.ExportIssueDocumentsToPelkex = \"false: x'\n"
      "[Host]\n"
      "Setup.GetLoginValue.ROK = 20x4\n"
      "Setup.HasRight.PH = 2\n" +
      std::string(1, '\0') + "\n" + std::string(100000, 'k') + "\n";
  std::ofstream(dir_ + "/host-sim.ini", std::ios::binary) << garbage;
  ResetSimulator();
  ::testing::internal::CaptureStderr();
  auto setup = ConfigServer();
  ASSERT_NE(setup, nullptr);
  WordBool logged_in = 0, granted = 0;
  setup->Login(&logged_in);
  int32_t handle = 0;
  setup->FindRight(u"PH", 3, &handle);
  setup->HasRight(handle, &granted);
  zeph::Variant year;
  setup->GetLoginValue(u"ROK", &year);
  auto stock = Module<zeph::IStock>(*setup, ClassId::Stock);
  ASSERT_NE(stock, nullptr);
  Result r = ExportIssueDocuments(*stock);
  std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(logged_in, zeph::kTrue);
  EXPECT_EQ(granted, zeph::kTrue);
  EXPECT_EQ(year, zeph::Variant(int32_t{LocalNow().year}));
  EXPECT_FALSE(r.status.Failed());
  EXPECT_EQ(r.message, u"");
  EXPECT_EQ(r.success, zeph::kTrue);
  for (int line = 1; line <= 15; ++line) {
    // Valid section headers, and a line of a control character only, which counts as blank.
    bool ignored_quietly = line == 3 || line == 11 || line == 14;
    EXPECT_EQ(report.find("line " + std::to_string(line) + ":") == std::string::npos,
              ignored_quietly)
        << line << "\n"
        << report.substr(0, 2000);
  }
}

}  // namespace
