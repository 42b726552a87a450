// The run controller: holds the whole state of one run and performs it.
#pragma once

#include <vector>

#include "config/server_list.h"
#include "driver/switches.h"
#include "tasks/task_context.h"

namespace zeph {

class TfrmGlowny {
 public:
  // FormCreate: process-wide formats, empty lists, paths beside the
  // executable.
  TfrmGlowny(int argc, const char* const* argv);

  // One complete run: switches, server list, help, then every applicable
  // task of every entry. An error that reaches it is logged and ends the run.
  void RunExport();

  const TaskContext& Context() const { return context_; }

 private:
  int argc_;
  const char* const* argv_;
  TaskContext context_;
  SwitchFlags flags_;
  std::vector<TSerwerInformacje> entries_;
};

}  // namespace zeph
