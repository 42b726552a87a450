// The configuration server of one task: creation, login, parameter refresh,
// rights, module servers, logout and release.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/server_list.h"
#include "host/host_api.h"
#include "host/host_objects.h"
#include "util/error.h"

namespace zeph {

class HostSession {
 public:
  explicit HostSession(HostObjects& objects) : objects_(objects) {}

  // Instantiates the server and prepares it. Errors carry the Setup library
  // prefix; an instance made before the error stays for the closing part.
  void Create();
  bool Exists() const { return setup_ != nullptr; }
  ISetup& Setup() { return *setup_; }

  // Server, database, user, password, pre-login option, Login; returns what
  // Login reported.
  bool Login(const TSerwerInformacje& entry);
  // Short date format and separators become the process-wide ones; the
  // host's exception handler is taken over.
  void RefreshParameters();
  // The exporter's right at level 2; a refusal throws the host's message.
  void CheckExporterRight();

  std::string GetParameter(const std::string& name);
  int32_t GetLoginValue(const std::string& name);
  bool GetBoolParameter(const std::string& name);
  // FindRight with the code and level, then HasRight.
  bool HasRight(const std::string& code, int32_t level);

  // GetModule: a returned server replaces `reference`; when none comes back
  // and `reference` is still empty, throws "Biblioteka X nie jest
  // zainicjowana". The session keeps a reference of its own to every server
  // it hands out, given up only with the session, after the configuration
  // server's release: a host may finish a module's work when its last
  // reference goes, and that must not come before Logout and Close.
  template <class T>
  T& Obtain(ClassId id, std::shared_ptr<T>& reference, bool create = true);
  void UnregisterModule(ClassId id);

  void Logout();
  // SetApplication(none), UnregisterModule(own class), Close; the server is
  // dropped even when one of these fails.
  void Release();

 private:
  ObjectRef GetModule(ClassId id, bool create);

  HostObjects& objects_;
  std::vector<ObjectRef> obtained_;  // declared first: dropped last
  ObjectRef setup_ref_;
  ISetup* setup_ = nullptr;
};

// "Biblioteka %s nie jest zainicjowana".
std::string NotInitialisedMessage(ClassId id);

template <class T>
T& HostSession::Obtain(ClassId id, std::shared_ptr<T>& reference, bool create) {
  ObjectRef server = GetModule(id, create);
  if (server) {
    auto typed = std::dynamic_pointer_cast<T>(server);
    if (!typed) throw EWyjatek(NotInitialisedMessage(id));
    obtained_.push_back(server);
    reference = typed;
  }
  if (!reference) throw EWyjatek(NotInitialisedMessage(id));
  return *reference;
}

}  // namespace zeph
