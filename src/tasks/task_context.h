// What a task uses of the run controller: the run log, the mail settings,
// the produced-files list of the central export, the paths, and the two
// objects handed to the host (the application object and AConn).
#pragma once

#include <string>
#include <vector>

#include "config/server_list.h"
#include "host/host_api.h"
#include "log/run_log.h"

namespace zeph {

// The database connection handed to the host: no connection string, login
// prompt off. The program never opens it; the host uses it.
class Connection : public host::IConnection {
 public:
  std::string ConnectionString() const override { return {}; }
  bool LoginPrompt() const override { return false; }
};

class Application : public host::IApplication {};

struct TaskContext {
  RunLog log;
  std::string log_path;           // Eksport_PelkTessaro_Auto.log beside the executable
  std::string server_list_path;   // serwery.ini beside the executable
  std::string program_directory;  // with a trailing delimiter
  MailSettings mail;
  std::vector<std::string> produced_files;  // files of the last central export
  Application application;
  Connection connection;  // AConn
};

}  // namespace zeph
