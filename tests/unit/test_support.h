// Fixtures shared by the unit tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/file_system.h"
#include "platform/process.h"

namespace zeph {

// Table cases print as their name in failure reports.
template <class Case>
requires requires(const Case& c) {
  c.name;
}
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

// Names parametrised tests after the `name` field of their case.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& p) const {
    return p.param.name;
  }
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A fresh directory per test, removed afterwards; `path_` names serwery.ini
// in it.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = platform::MakeTemporaryDirectory(platform::TemporaryDirectory() + "/zeph_test_XXXXXX");
    ASSERT_FALSE(dir_.empty());
    path_ = dir_ + "/serwery.ini";
  }
  void TearDown() override {
    std::error_code ignored;  // some tests make it read-only
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir_, ignored);
  }
  void Put(const std::string& bytes) const { WriteBytes(path_, bytes); }
  std::string Get() const { return ReadBytes(path_); }

  std::string dir_;
  std::string path_;
};

}  // namespace zeph
