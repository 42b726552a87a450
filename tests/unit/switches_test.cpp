#include "driver/switches.h"

#include <gtest/gtest.h>

namespace zeph {
namespace {

TEST(Switches, WholeArgumentAfterUpperCasing) {
  struct Case {
    const char* argument;
    bool sets_ek;
  } cases[] = {{"/EK", true},    {"/ek", true},   {"/Ek", true},   {"EK", false},  {"-EK", false},
               {"/EK:1", false}, {"/EK,", false}, {"/EK.", false}, {" /EK", false}};
  for (const Case& c : cases) {
    SwitchFlags flags;
    ApplySwitch(c.argument, flags);
    EXPECT_EQ(flags.Get(Switch::EK), c.sets_ek) << c.argument;
  }
}

TEST(Switches, EveryNameSetsOnlyItsOwnFlag) {
  for (int i = 0; i < kSwitchCount; ++i) {
    SwitchFlags flags;
    ApplySwitch(SwitchName(static_cast<Switch>(i)), flags);
    for (int j = 0; j < kSwitchCount; ++j) {
      EXPECT_EQ(flags.Get(static_cast<Switch>(j)), i == j) << SwitchName(static_cast<Switch>(i));
    }
  }
}

TEST(Switches, ParserSkipsProgramNameAndRepeats) {
  const char* argv[] = {"/EK", "/rd", "/?", "/RD", "nothing"};
  SwitchFlags flags;
  ParseCommandLine(5, argv, flags);
  EXPECT_FALSE(flags.Get(Switch::EK));  // argv[0] is the program
  EXPECT_TRUE(flags.Get(Switch::RD));
  EXPECT_TRUE(flags.Get(Switch::Help));
}

}  // namespace
}  // namespace zeph
