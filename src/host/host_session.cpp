#include "host/host_session.h"

#include "host/component_runtime.h"
#include "host/host_calls.h"
#include "util/date_time.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

// Identifier of the exporter's right in the host.
constexpr char16_t kExporterRight[] = u"{5A0B7C3E-2D41-4F8A-9B6E-1C2D3E4F5A6B}";
constexpr int32_t kExporterRightLevel = 2;

ExceptionHandler g_host_exception_handler = nullptr;

}  // namespace

std::string NotInitialisedMessage(ClassId id) {
  return std::string("Biblioteka ") + ClassName(id) + " nie jest zainicjowana";
}

void HostSession::Create() {
  try {
    ObjectRef object;
    Check(ComponentRuntime::Create(ClassId::Setup, &object));
    setup_ = dynamic_cast<ISetup*>(object.get());
    if (setup_ == nullptr) throw Exception("Unsupported interface");
    setup_ref_ = object;
    Check(setup_->SetApplication(&objects_.application));
    Check(setup_->SetConnection(&objects_.connection));
    Check(setup_->SetApplicationName(u"ZephAutomat"));
    int32_t ignored = 0;
    Check(setup_->RegisterModule(ClassId::Setup, setup_ref_, &ignored));
    Check(setup_->SetCreationSwitchA(kFalse));
    Check(setup_->SetCreationSwitchB(kFalse));
    Check(setup_->SetCreationSwitchC(kTrue));
  } catch (const Exception& e) {
    throw Exception(Text1250("Wystąpił błąd podczas inicjalizacji biblioteki Setup.dll.\r\n") +
                    e.Message());
  }
}

bool HostSession::Login(const TSerwerInformacje& entry) {
  Check(setup_->SetServer(AnsiToWide(entry.Serwer)));
  Check(setup_->SetDatabase(AnsiToWide(entry.Baza)));
  Check(setup_->SetUser(AnsiToWide(entry.Uzytkownik)));
  Check(setup_->SetPassword(AnsiToWide(entry.Haslo)));
  Check(setup_->SetPreLoginOption(0));
  WordBool success = kFalse;
  Check(setup_->Login(&success));
  return success != 0;
}

void HostSession::RefreshParameters() {
  FormatSettings& format = ProcessFormat();
  const std::string short_date = GetParameter("SHORTDATEFORMAT");
  const std::string date_separator = GetParameter("DATESEPARATOR");
  const std::string decimal_separator = GetParameter("DECIMALSEPARATOR");
  if (!short_date.empty()) format.short_date_format = short_date;
  if (!date_separator.empty()) format.date_separator = date_separator[0];
  if (!decimal_separator.empty()) format.decimal_separator = decimal_separator[0];
  format.thousand_separator = ' ';
  ExceptionHandler handler = nullptr;
  Check(setup_->GetExceptionHandler(&handler));
  g_host_exception_handler = handler;
}

void HostSession::CheckExporterRight() {
  WideString text;
  WideString message;
  WordBool granted = kFalse;
  Check(setup_->CheckRight(kExporterRight, kExporterRightLevel, &text, &message, &granted));
  if (granted == 0) throw Exception(HostText(message));
}

std::string HostSession::GetParameter(const std::string& name) {
  Variant value;
  Check(setup_->GetParameter(AnsiToWide(name), &value));
  return VariantText(value);
}

int32_t HostSession::GetLoginValue(const std::string& name) {
  Variant value;
  Check(setup_->GetLoginValue(AnsiToWide(name), &value));
  return VariantInt(value);
}

bool HostSession::GetBoolParameter(const std::string& name) {
  WordBool value = kFalse;
  Check(setup_->GetBoolParameter(AnsiToWide(name), &value));
  return value != 0;
}

bool HostSession::HasRight(const std::string& code, int32_t level) {
  int32_t handle = 0;
  Check(setup_->FindRight(AnsiToWide(code), level, &handle));
  WordBool granted = kFalse;
  Check(setup_->HasRight(handle, &granted));
  return granted != 0;
}

ObjectRef HostSession::GetModule(ClassId id, bool create) {
  ObjectRef server;
  Check(setup_->GetModule(id, create ? kTrue : kFalse, &server));
  return server;
}

void HostSession::UnregisterModule(ClassId id) {
  Check(setup_->UnregisterModule(id));
}

void HostSession::Logout() {
  Check(setup_->Logout());
}

void HostSession::Release() {
  ObjectRef keep = std::move(setup_ref_);
  ISetup* setup = setup_;
  setup_ = nullptr;
  Check(setup->SetApplication(nullptr));
  Check(setup->UnregisterModule(ClassId::Setup));
  Check(setup->Close());
}

}  // namespace zeph
