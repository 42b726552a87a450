// What a task uses of the run controller: the run log, the mail settings,
// the produced-files list of the central export, the paths, and the two
// objects handed to the host (the application object and AConn).
#pragma once

#include <string>
#include <vector>

#include "config/export_state.h"
#include "config/server_list.h"
#include "host/host_objects.h"
#include "log/run_log.h"
#include "log/run_record.h"

namespace zeph {

struct TaskContext {
  RunLog log;
  std::string log_path;           // Eksport_PelkTessaro_Auto.log beside the executable
  std::string server_list_path;   // serwery.ini beside the executable
  std::string program_directory;  // with a trailing delimiter
  MailSettings mail;
  std::vector<std::string> produced_files;  // files of the last central export
  HostObjects host_objects;                 // the application object and AConn
  ExportState export_state;                 // bookkeeping write-back of /EK and /MHD
  RunRecord record;                         // kept only when asked for
};

}  // namespace zeph
