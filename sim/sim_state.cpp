#include "sim_state.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/file.h"
#include "util/files.h"
#include "util/unique_fd.h"

namespace sim {
namespace {

struct State {
  std::string directory;
  Scenario scenario;
  std::array<int, zeph::kClassCount> numbers{};
  zeph::UniqueFd journal;
  bool journal_tried = false;
};

std::unique_ptr<State>& Slot() {
  static std::unique_ptr<State>* slot = new std::unique_ptr<State>;  // never destroyed
  return *slot;
}

State& Current() {
  std::unique_ptr<State>& slot = Slot();
  if (!slot) {
    slot = std::make_unique<State>();
    const char* override_dir = std::getenv("ZEPH_SIM_DIR");
    if (override_dir != nullptr && *override_dir != '\0') {
      slot->directory = override_dir;
      slot->directory = zeph::IncludeTrailingPathDelimiter(slot->directory);
    } else {
      slot->directory = zeph::ExecutableDirectory();
    }
    slot->scenario.Load(slot->directory + "host-sim.ini", stderr);
  }
  return *slot;
}

}  // namespace

const std::string& SimDirectory() {
  return Current().directory;
}

Scenario& CurrentScenario() {
  return Current().scenario;
}

int JournalFd() {
  State& state = Current();
  if (!state.journal_tried) {
    state.journal_tried = true;
    const std::string path = state.directory + "host-sim.journal";
    namespace os = zeph::platform;
    state.journal.Reset(os::OpenFile(path, os::kWrite | os::kAppend | os::kCreate, 0644));
    if (!state.journal) {
      std::fprintf(stderr, "host-sim: cannot open the journal %s\n", path.c_str());
    }
  }
  return state.journal.Get();
}

int NextObjectNumber(zeph::ClassId id) {
  int index = static_cast<int>(id);
  if (index < 0 || index >= zeph::kClassCount) return 0;
  return ++Current().numbers[static_cast<size_t>(index)];
}

void ResetState() {
  Slot().reset();
}

}  // namespace sim
