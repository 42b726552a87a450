// The simulator's scenario file host-sim.ini: any bytes load, every unusable
// line is reported, and lookups afterwards are safe.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "scenario.h"
#include "util/files.h"
#include "util/unique_fd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The reader takes a path: hand it an in-memory file.
  static std::FILE* const report = std::fopen("/dev/null", "w");
  zeph::UniqueFd file(::memfd_create("host-sim.ini", MFD_CLOEXEC));
  if (!file || !zeph::WriteAll(file.Get(), {reinterpret_cast<const char*>(data), size})) return 0;
  sim::Scenario scenario;
  scenario.Load("/proc/self/fd/" + std::to_string(file.Get()), report);
  for (const char* database : {"", "srv/db"}) {
    const int number = scenario.CountCall(database, "Setup", "Login");
    scenario.Find(database, "SETUP.LOGIN", number);
    scenario.Find(database, "STOCK.EXCHANGESALESDATA", 2);
  }
  scenario.FindHost("CREATE.SETUP", 1);
  return 0;
}
