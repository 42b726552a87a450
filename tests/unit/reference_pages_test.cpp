// The reference pages state the order of work, the switches and the keys of
// serwery.ini; these tests hold them to the program's own tables so the two
// cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/server_list.h"
#include "driver/dispatch_table.h"
#include "driver/switches.h"

namespace zeph {
namespace {

std::string Page(const std::string& name) {
  std::ifstream in(std::string(ZEPH_SOURCE_DIR) + "/docs/man/" + name);
  EXPECT_TRUE(in) << name;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines between the comment lines `.\" <marker>-begin` and `-end`.
std::vector<std::string> Block(const std::string& page, const std::string& marker) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line == ".\\\" " + marker + "-begin") {
      inside = true;
    } else if (line == ".\\\" " + marker + "-end") {
      return lines;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  ADD_FAILURE() << "no block " << marker;
  return lines;
}

TEST(ReferencePages, DispatchTableOfServerListPageIsTheProgramsOrder) {
  const std::regex row(R"(^\s*(\d+)\s+(/\S+)\s+(\S+)\s+(\*?).*$)");
  std::vector<std::string> lines = Block(Page("serwery.ini.5"), "dispatch-table");
  const std::vector<DispatchRow>& table = DispatchTable();
  ASSERT_EQ(lines.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, row)) << lines[i];
    EXPECT_EQ(m[1].str(), std::to_string(i + 1)) << lines[i];
    EXPECT_EQ(m[2].str(), SwitchName(table[i].task)) << lines[i];
    EXPECT_EQ(m[3].str(), EnableKeyName(table[i].enable)) << lines[i];
    EXPECT_EQ(m[4].str() == "*", table[i].only_without_full_import) << lines[i];
  }
}

TEST(ReferencePages, EntryKeysOfServerListPageAreTheWrittenKeysInOrder) {
  // The page describes every key but the enable keys one by one, in the
  // order the program writes them; the enable keys are rows of the table.
  std::vector<std::string> expected;
  for (const std::string& key : EntryKeyNames()) {
    bool enable = false;
    for (int e = 0; e < kEnableCount; ++e) enable = enable || key == EnableKeyName(Enable(e));
    if (!enable) expected.push_back(key);
  }
  // Keys are introduced by ".TP" then ".B Key"; inline ".B" mentions follow
  // other text, so keep only the first ".B" after each ".TP".
  std::vector<std::string> keys;
  bool after_tp = false;
  for (const std::string& line : Block(Page("serwery.ini.5"), "entry-keys")) {
    if (line == ".TP") {
      after_tp = true;
    } else if (after_tp && line.rfind(".B ", 0) == 0) {
      keys.push_back(line.substr(3));
      after_tp = false;
    }
  }
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(EntryKeyNames().size(), expected.size() + kEnableCount);
}

TEST(ReferencePages, ProgramPageNamesEverySwitch) {
  const std::string page = Page("zephautomat.1");
  for (int s = 0; s < kSwitchCount; ++s) {
    const std::string name = SwitchName(Switch(s));
    // As ".B /EK" or in a ".BR /GE ", " /GIP" list.
    const std::regex mention("(^\\.BR? |\" )" +
                             std::regex_replace(name, std::regex(R"([?])"), "\\?") + "( |$)");
    std::istringstream in(page);
    std::string line;
    bool found = false;
    while (!found && std::getline(in, line)) found = std::regex_search(line, mention);
    EXPECT_TRUE(found) << name;
  }
}

}  // namespace
}  // namespace zeph
