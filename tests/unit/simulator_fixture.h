// A temporary directory that the host simulator uses for its scenario and
// journal, with the simulator's state reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/component_runtime.h"
#include "platform/library.h"
#include "platform/process.h"
#include "test_support.h"

namespace zeph {

class SimulatorTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // The simulator reads and writes here rather than beside the test binary.
    platform::SetEnvironmentValue("ZEPH_SIM_DIR", dir_);
    ComponentRuntime::Configure(dir_);
    ResetSimulator();
  }
  void TearDown() override {
    ResetSimulator();
    platform::RemoveEnvironmentValue("ZEPH_SIM_DIR");
    TempDirTest::TearDown();
  }

  // Forgets the scenario, call counts and object numbers; the scenario is
  // read again at the next call.
  static void ResetSimulator() {
    std::string error;
    void* lib = platform::LoadLibraryFile(ZEPH_SIM_PATH, error);
    ASSERT_NE(lib, nullptr) << error;
    auto reset = reinterpret_cast<void (*)()>(platform::FindSymbol(lib, "zeph_sim_reset", error));
    ASSERT_NE(reset, nullptr) << error;
    reset();
  }
};

}  // namespace zeph
