// The program's own objects handed to the host: the application object and
// the database connection AConn. The run owns them for its whole length; the
// host only keeps references while a configuration server is alive.
#pragma once

#include <string>

#include "host/host_api.h"

namespace zeph {

// The database connection handed to the host: no connection string, login
// prompt off. The program never opens it; the host uses it.
class Connection : public IConnection {
 public:
  std::string ConnectionString() const override { return {}; }
  bool LoginPrompt() const override { return false; }
};

class Application : public IApplication {};

// What a configuration server is handed when it is made.
struct HostObjects {
  Application application;
  Connection connection;  // AConn
};

}  // namespace zeph
