// Who besides the owner a Windows access list lets read a file: allowing
// entries that grant reading, unless an earlier entry denies it; the owner,
// SYSTEM, the Administrators and the asking account never count.
#include "platform/windows/access_list_readers.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace zeph {
namespace {

using platform::windows::AccountName;
using platform::windows::LocalMemory;
using platform::windows::OtherReaderSids;

constexpr const char* kOwner = "S-1-5-21-1-2-3-1000";
constexpr const char* kSelf = "S-1-5-21-1-2-3-1001";
constexpr const char* kOther = "S-1-5-21-1-2-3-1002";

// The readers of the descriptor written as SDDL with owner kOwner, the
// asking account being kSelf.
std::vector<std::string> Readers(const std::string& dacl) {
  const std::string sddl = std::string("O:") + kOwner + "D:" + dacl;
  LocalMemory descriptor;
  LocalMemory self;
  EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                                     descriptor.Out(), nullptr))
      << sddl;
  EXPECT_TRUE(::ConvertStringSidToSidA(kSelf, self.Out()));
  if (descriptor.Get() == nullptr) return {"?"};
  return OtherReaderSids(descriptor.Get(), self.Get());
}

TEST(AccessListReadersTest, EntriesThatLetOthersRead) {
  const std::string owner_and_system = std::string("(A;;FA;;;SY)(A;;FA;;;") + kOwner + ")";
  struct Case {
    const char* name;
    std::string dacl;
    std::vector<std::string> readers;
  };
  const Case cases[] = {
      {"owner and SYSTEM only", owner_and_system, {}},
      // What Wine derives from mode 0644 on a Unix file system.
      {"everyone reads", owner_and_system + "(A;;0x1200a9;;;WD)", {"S-1-1-0"}},
      {"users and authenticated users",
       owner_and_system + "(A;ID;FR;;;BU)(A;;GR;;;AU)(A;;FA;;;BU)",
       {"S-1-5-32-545", "S-1-5-11"}},
      {"another account by full control", owner_and_system + "(A;;GA;;;" + kOther + ")", {kOther}},
      {"administrators and the asking account",
       owner_and_system + "(A;;FA;;;BA)(A;;FR;;;" + kSelf + ")",
       {}},
      {"writing without reading", owner_and_system + "(A;;FW;;;WD)", {}},
      {"only for a directory's new files", owner_and_system + "(A;OICIIO;FR;;;WD)", {}},
      {"denied before allowed", "(D;;FR;;;WD)" + owner_and_system + "(A;;FR;;;WD)", {}},
      {"everyone denied before users allowed", "(D;;FR;;;WD)(A;;FR;;;BU)", {}},
      {"denied only after allowed", "(A;;FR;;;BU)(D;;FR;;;BU)", {"S-1-5-32-545"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Readers(c.dacl), c.readers) << c.name;
  }
}

TEST(AccessListReadersTest, NoAccessListLetsEveryoneIn) {
  LocalMemory descriptor;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
      (std::string("O:") + kOwner).c_str(), SDDL_REVISION_1, descriptor.Out(), nullptr));
  EXPECT_EQ(OtherReaderSids(descriptor.Get(), nullptr), std::vector<std::string>{"S-1-1-0"});
}

TEST(AccessListReadersTest, AccountsByNameOrBySid) {
  const std::string system = AccountName("S-1-5-18");  // the domain's name is localised
  EXPECT_EQ(system.substr(system.find('\\') + 1), "SYSTEM") << system;
  EXPECT_EQ(AccountName(kOther), kOther) << "an account the system does not know";
  EXPECT_EQ(AccountName("no SID"), "no SID");
}

}  // namespace
}  // namespace zeph
