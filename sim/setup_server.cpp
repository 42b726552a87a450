// The configuration server: login, parameters, rights and the registry of
// module servers.
#include <cstdio>
#include <string_view>

#include "call.h"
#include "journal.h"
#include "servers.h"
#include "sim_dates.h"
#include "sim_text.h"

namespace sim {
namespace {

using Kind = Outcome::Kind;

// The host's handler of unhandled exceptions: reports and goes on.
void HostExceptionHandler(int32_t code, void* /*context*/) {
  std::fprintf(stderr, "host-sim: unhandled exception reported to the host, code %d\n",
               static_cast<int>(code));
  std::fflush(stderr);
}

std::string DefaultParameter(const std::string& folded_name) {
  if (folded_name == "shortdateformat") return "yyyy-mm-dd";
  if (folded_name == "dateseparator") return "-";
  if (folded_name == "decimalseparator") return ",";
  if (folded_name == "identyfikator_wlasciciela") return "1";
  return {};
}

bool DefaultBoolParameter(const std::string& folded_name) {
  return folded_name == "modul_payback" || folded_name == "modul_printhub";
}

std::string Nullable(const void* pointer, std::string_view name) {
  return pointer == nullptr ? "nil" : std::string(name);
}

}  // namespace

SetupServer::SetupServer() : Server(zeph::ClassId::Setup, nullptr) {}

HostStatus SetupServer::Logout() {
  return Call(*this, "Logout").Plain();
}

HostStatus SetupServer::GetLoginValue(const WideString& name, zeph::Variant* value) {
  Call call(*this, "GetLoginValue");
  call.Arg(name);
  if (call.Failed()) return call.Done();
  std::string utf8 = ToUtf8(name);
  zeph::Variant result;
  std::optional<int32_t> given;
  if (const std::string* text = call.Value(utf8)) given = ParseInteger(*text);
  CivilDate today = LocalToday();
  std::string folded = Fold(utf8);
  if (given) {
    result = *given;
  } else if (folded == "rok") {
    result = static_cast<int32_t>(today.year);
  } else if (folded == "miesiac") {
    result = static_cast<int32_t>(today.month);
  }
  if (value != nullptr) *value = result;
  return call.Done();
}

HostStatus SetupServer::GetParameter(const WideString& name, zeph::Variant* value) {
  Call call(*this, "GetParameter");
  call.Arg(name);
  if (call.Failed()) return call.Done();
  std::string utf8 = ToUtf8(name);
  const std::string* given = call.Value(utf8);
  std::string text = given ? *given : DefaultParameter(Fold(utf8));
  if (value != nullptr) *value = ToWide(text);
  return call.Done();
}

HostStatus SetupServer::SetConnection(zeph::IConnection* connection) {
  return Call(*this, "SetConnection").Raw(Nullable(connection, "AConn")).Plain();
}

HostStatus SetupServer::SetCreationSwitchA(WordBool flag) {
  return Call(*this, "SetCreationSwitchA").Arg(flag).Plain();
}

HostStatus SetupServer::RegisterModule(zeph::ClassId id, const zeph::ObjectRef& server,
                                       int32_t* result) {
  Call call(*this, "RegisterModule");
  call.Class(id).Object(server.get());
  if (call.Failed()) return call.Done();
  registered_[id] = server;
  if (result != nullptr) *result = 0;
  return call.Done();
}

HostStatus SetupServer::GetModule(zeph::ClassId id, WordBool create, zeph::ObjectRef* server) {
  Call call(*this, "GetModule");
  call.Class(id).Arg(create);
  Outcome outcome = call.outcome();
  if (const std::string* given = call.Value(zeph::ClassName(id))) {
    if (auto parsed = ParseOutcome(*given)) outcome = *parsed;
  }
  if (outcome.kind == Kind::kStatus) return call.Fail(outcome.text);
  zeph::ObjectRef module;
  if (outcome.kind != Kind::kNone) {
    auto found = registered_.find(id);
    if (found != registered_.end()) module = found->second.lock();
    if (!module) module = MakeModuleServer(id, database_);
  }
  if (server != nullptr) *server = module;
  return call.Done(JournalObject(module.get()));
}

HostStatus SetupServer::SetApplication(zeph::IApplication* application) {
  return Call(*this, "SetApplication").Raw(Nullable(application, "Application")).Plain();
}

HostStatus SetupServer::FindRight(const WideString& code, int32_t level, int32_t* handle) {
  Call call(*this, "FindRight");
  call.Arg(code).Arg(level);
  if (call.Failed()) return call.Done();
  rights_[++last_handle_] = ToUtf8(code);
  if (handle != nullptr) *handle = last_handle_;
  return call.Done();
}

HostStatus SetupServer::HasRight(int32_t handle, WordBool* granted) {
  Call call(*this, "HasRight");
  call.Arg(handle);
  if (call.Failed()) return call.Done();
  bool result = call.outcome().kind != Kind::kFalse;
  if (call.outcome().kind == Kind::kOk) {
    auto code = rights_.find(handle);
    const std::string* given = code == rights_.end() ? nullptr : call.Value(code->second);
    std::optional<bool> flag = given ? ParseFlag(*given) : std::nullopt;
    result = flag.value_or(true);
  }
  if (granted != nullptr) *granted = result ? zeph::kTrue : zeph::kFalse;
  return call.Done();
}

HostStatus SetupServer::GetExceptionHandler(zeph::ExceptionHandler* handler) {
  Call call(*this, "GetExceptionHandler");
  if (call.Failed()) return call.Done();
  if (handler != nullptr) *handler = &HostExceptionHandler;
  return call.Done();
}

HostStatus SetupServer::SetServer(const WideString& name) {
  // The name is taken before the call is judged, so that the database's
  // section can already speak for this call.
  database_->server = ToUtf8(name);
  database_->has_server = true;
  return Call(*this, "SetServer").Arg(name).Plain();
}

HostStatus SetupServer::SetDatabase(const WideString& name) {
  database_->database = ToUtf8(name);
  database_->has_database = true;
  return Call(*this, "SetDatabase").Arg(name).Plain();
}

HostStatus SetupServer::GetBoolParameter(const WideString& name, WordBool* value) {
  Call call(*this, "GetBoolParameter");
  call.Arg(name);
  if (call.Failed()) return call.Done();
  bool result = call.outcome().kind != Kind::kFalse;
  if (call.outcome().kind == Kind::kOk) {
    std::string utf8 = ToUtf8(name);
    const std::string* given = call.Value(utf8);
    std::optional<bool> flag = given ? ParseFlag(*given) : std::nullopt;
    result = flag.value_or(DefaultBoolParameter(Fold(utf8)));
  }
  if (value != nullptr) *value = result ? zeph::kTrue : zeph::kFalse;
  return call.Done();
}

HostStatus SetupServer::UnregisterModule(zeph::ClassId id) {
  Call call(*this, "UnregisterModule");
  call.Class(id);
  if (call.Failed()) return call.Done();
  registered_.erase(id);
  return call.Done();
}

HostStatus SetupServer::SetUser(const WideString& name) {
  return Call(*this, "SetUser").Arg(name).Plain();
}

HostStatus SetupServer::SetPassword(const WideString& password) {
  return Call(*this, "SetPassword").Arg(password).Plain();
}

HostStatus SetupServer::SetCreationSwitchB(WordBool flag) {
  return Call(*this, "SetCreationSwitchB").Arg(flag).Plain();
}

HostStatus SetupServer::SetCreationSwitchC(WordBool flag) {
  return Call(*this, "SetCreationSwitchC").Arg(flag).Plain();
}

HostStatus SetupServer::SetApplicationName(const WideString& name) {
  return Call(*this, "SetApplicationName").Arg(name).Plain();
}

HostStatus SetupServer::SetPreLoginOption(int32_t option) {
  return Call(*this, "SetPreLoginOption").Arg(option).Plain();
}

HostStatus SetupServer::Close() {
  return Call(*this, "Close").Plain();
}

HostStatus SetupServer::CheckRight(const WideString& right_id, int32_t level, WideString* text,
                                   WideString* message, WordBool* granted) {
  Call call(*this, "CheckRight");
  call.Arg(right_id).Arg(level);
  if (call.Failed()) return call.Done();
  if (text != nullptr) text->clear();
  return call.MessageFlag(message, granted);
}

HostStatus SetupServer::Login(WordBool* success) {
  return Call(*this, "Login").Flag(success);
}

}  // namespace sim
