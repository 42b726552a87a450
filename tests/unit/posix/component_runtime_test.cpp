// Component runtime: the registry components.ini and loading of the
// component libraries, against the real host simulator.
#include "host/component_runtime.h"

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/zeph_host.h"
#include "simulator_fixture.h"
#include "util/encoding.h"

namespace {

namespace fs = std::filesystem;
using zeph::ClassId;

class ComponentRuntimeTest : public zeph::SimulatorTest {
 protected:
  void WriteComponents(const std::string& text) {
    std::ofstream(dir_ + "/components.ini", std::ios::binary) << text;
    // The registry is read once per run: a new one starts a new run.
    zeph::ComponentRuntime::Configure(dir_);
  }

  zeph::HostStatus Create(ClassId id, zeph::ObjectRef* object = nullptr) {
    zeph::ObjectRef local;
    return zeph::ComponentRuntime::Create(id, object ? object : &local);
  }
};

TEST_F(ComponentRuntimeTest, MissingRegistrationIsClassNotRegistered) {
  const char* const kCases[] = {
      nullptr,  // no components.ini at all
      "",
      "[Other]\nSetup=" ZEPH_SIM_PATH "\n",
      "[InprocServers]\nInvoices=" ZEPH_SIM_PATH "\n",
      "[InprocServers]\nSetup=\n",
      "[InprocServers]\nSetup=   \n",
      "Setup=" ZEPH_SIM_PATH "\n[InprocServers]\n",
  };
  for (const char* text : kCases) {
    SCOPED_TRACE(text ? text : "(no file)");
    if (text != nullptr) WriteComponents(text);
    zeph::ObjectRef object;
    zeph::HostStatus status = Create(ClassId::Setup, &object);
    EXPECT_TRUE(status.Failed());
    EXPECT_EQ(status.description, u"Class not registered");
    EXPECT_EQ(object, nullptr);
  }
}

TEST_F(ComponentRuntimeTest, CreatesEveryCreatableClassFromAbsoluteAndRelativePaths) {
  fs::create_symlink(ZEPH_SIM_PATH, dir_ + "/libsim-link.so");
  WriteComponents(
      "; registry\n"
      "[inprocservers]\n"
      "SETUP = " ZEPH_SIM_PATH
      "\r\n"
      "Invoices=libsim-link.so\r\n"
      "EksportTessaro=\"./libsim-link.so\"\n"
      "ZephProc=" ZEPH_SIM_PATH "\n");
  for (ClassId id :
       {ClassId::Setup, ClassId::Invoices, ClassId::EksportTessaro, ClassId::ZephProc}) {
    SCOPED_TRACE(zeph::ClassName(id));
    zeph::ObjectRef object;
    ASSERT_FALSE(Create(id, &object).Failed());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Class(), id);
  }
  zeph::ObjectRef setup;
  ASSERT_FALSE(Create(ClassId::Setup, &setup).Failed());
  EXPECT_NE(std::dynamic_pointer_cast<zeph::ISetup>(setup), nullptr);
  zeph::ObjectRef tessaro;
  ASSERT_FALSE(Create(ClassId::EksportTessaro, &tessaro).Failed());
  EXPECT_NE(std::dynamic_pointer_cast<zeph::IEksportTessaro>(tessaro), nullptr);
}

TEST_F(ComponentRuntimeTest, FactoryFailureIsPassedOn) {
  WriteComponents("[InprocServers]\nSetup=" ZEPH_SIM_PATH "\n");
  std::ofstream(dir_ + "/host-sim.ini") << "[Host]\nSetup.Create = status: brak licencji\n";
  ResetSimulator();
  zeph::ObjectRef object;
  zeph::HostStatus status = Create(ClassId::Setup, &object);
  EXPECT_TRUE(status.Failed());
  EXPECT_EQ(status.description, u"brak licencji");
  EXPECT_EQ(object, nullptr);
}

TEST_F(ComponentRuntimeTest, LibraryThatCannotBeLoadedIsNamedWithTheLoadersReason) {
  std::ofstream(dir_ + "/not-a-library.so") << "plain text\n";
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case kCases[] = {
      {dir_ + "/missing.so", "No such file or directory"},
      {dir_ + "/not-a-library.so", dir_ + "/not-a-library.so"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.path);
    WriteComponents("[InprocServers]\nSetup=" + c.path + "\n");
    zeph::HostStatus status = Create(ClassId::Setup);
    ASSERT_TRUE(status.Failed());
    std::string text = zeph::WideToUtf8(status.description);
    EXPECT_NE(text.find("\"" + c.path + "\""), std::string::npos) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
  }
}

TEST_F(ComponentRuntimeTest, LibraryWithoutTheFactoryIsNamedWithTheLoadersReason) {
  // The C library is a loadable library that has no factory. Found through
  // a function no sanitizer runtime intercepts: an intercepted one would
  // name the test program itself.
  Dl_info info{};
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(&::gnu_get_libc_version), &info), 0);
  std::string libc = info.dli_fname;
  ASSERT_EQ(libc.front(), '/');
  WriteComponents("[InprocServers]\nZephProc=" + libc + "\n");
  zeph::HostStatus status = Create(ClassId::ZephProc);
  ASSERT_TRUE(status.Failed());
  std::string text = zeph::WideToUtf8(status.description);
  EXPECT_NE(text.find(libc), std::string::npos) << text;
  EXPECT_NE(text.find(ZEPH_HOST_ENTRY_SYMBOL), std::string::npos) << text;
  EXPECT_NE(text.find("undefined symbol"), std::string::npos) << text;
}

TEST_F(ComponentRuntimeTest, LibraryBuiltForAnOlderInterfaceIsRefusedNamingBothVersions) {
  WriteComponents("[InprocServers]\nSetup=" ZEPH_OLD_HOST_PATH "\n");
  zeph::ObjectRef object;
  zeph::HostStatus status = Create(ClassId::Setup, &object);
  ASSERT_TRUE(status.Failed());
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(zeph::WideToUtf8(status.description), "Library \"" ZEPH_OLD_HOST_PATH
                                                  "\" implements host interface version 1; "
                                                  "this program needs version " +
                                                      std::to_string(ZEPH_HOST_INTERFACE_VERSION));
  // Refused for good: a second creation does not call into it either.
  EXPECT_EQ(Create(ClassId::Setup, &object).description, status.description);
}

TEST_F(ComponentRuntimeTest, LibraryStaysLoadedAfterItsObjectsAreGone) {
  WriteComponents("[InprocServers]\nSetup=" ZEPH_SIM_PATH "\n");
  {
    zeph::ObjectRef first;
    zeph::ObjectRef second;
    ASSERT_FALSE(Create(ClassId::Setup, &first).Failed());
    ASSERT_FALSE(Create(ClassId::Setup, &second).Failed());
  }
  void* still_there = ::dlopen(ZEPH_SIM_PATH, RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(still_there, nullptr);
  // Both objects came from one copy of the library: its numbering went on.
  std::ifstream journal(dir_ + "/host-sim.journal");
  std::string line1, line2;
  std::getline(journal, line1);
  std::getline(journal, line2);
  EXPECT_EQ(line1, "create Setup -> Setup#1");
  EXPECT_EQ(line2, "create Setup -> Setup#2");
}

}  // namespace
