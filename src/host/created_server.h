// Servers a task creates itself (Invoices, EksportTessaro): instantiated,
// handed the configuration server and registered with it; released by
// undoing that.
#pragma once

#include <memory>
#include <string>

#include "host/component_runtime.h"
#include "host/host_api.h"
#include "host/host_calls.h"
#include "host/host_session.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {

// Library file name used in the creation error: "Invoices.dll",
// "Eksport_tessaro.dll".
const char* LibraryFileName(ClassId id);

template <class T>
class CreatedServer {
 public:
  explicit CreatedServer(ClassId id) : id_(id) {}

  // Throws EWyjatek "Biblioteka %s nie jest zarejestrowana.\n<reason>", with
  // code 2 for EksportTessaro. A server instantiated before the error stays
  // for Release().
  T& Create(HostSession& session) {
    try {
      ObjectRef object;
      Check(ComponentRuntime::Create(id_, &object));
      server_ = std::dynamic_pointer_cast<T>(object);
      if (!server_) throw Exception("Unsupported interface");
      Check(server_->SetConfiguration(&session.Setup()));
      int32_t ignored = 0;
      Check(session.Setup().RegisterModule(id_, server_, &ignored));
    } catch (const Exception& e) {
      const uint8_t code = id_ == ClassId::EksportTessaro ? 2 : 0;
      throw EWyjatek(
          FormatS("Biblioteka %s nie jest zarejestrowana.\n", {LibraryFileName(id_)}) + e.Message(),
          code);
    }
    return *server_;
  }

  bool Exists() const { return server_ != nullptr; }
  T& Get() { return *server_; }

  // Only when the server exists: UnregisterModule, then EksportTessaro gets
  // SetConfiguration(none) and Finish, Invoices Finish and
  // SetConfiguration(none).
  void Release(HostSession& session) {
    if (!server_) return;
    std::shared_ptr<T> server = std::move(server_);
    session.UnregisterModule(id_);
    if (id_ == ClassId::EksportTessaro) {
      Check(server->SetConfiguration(nullptr));
      Check(server->Finish());
    } else {
      Check(server->Finish());
      Check(server->SetConfiguration(nullptr));
    }
  }

 private:
  ClassId id_;
  std::shared_ptr<T> server_;
};

}  // namespace zeph
