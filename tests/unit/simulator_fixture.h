// A temporary directory that the host simulator uses for its scenario and
// journal, with the simulator's state reset around each test.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include "host/component_runtime.h"
#include "test_support.h"

namespace zeph {

class SimulatorTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // The simulator reads and writes here rather than beside the test binary.
    ::setenv("ZEPH_SIM_DIR", dir_.c_str(), 1);
    ComponentRuntime::Configure(dir_);
    ResetSimulator();
  }
  void TearDown() override {
    ResetSimulator();
    ::unsetenv("ZEPH_SIM_DIR");
    TempDirTest::TearDown();
  }

  // Forgets the scenario, call counts and object numbers; the scenario is
  // read again at the next call.
  static void ResetSimulator() {
    void* lib = ::dlopen(ZEPH_SIM_PATH, RTLD_NOW);
    ASSERT_NE(lib, nullptr) << ::dlerror();
    auto reset = reinterpret_cast<void (*)()>(::dlsym(lib, "zeph_sim_reset"));
    ASSERT_NE(reset, nullptr);
    reset();
  }
};

}  // namespace zeph
