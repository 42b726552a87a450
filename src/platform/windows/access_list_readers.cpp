#include "platform/windows/access_list_readers.h"

#include <sddl.h>

#include <algorithm>

namespace zeph::platform::windows {
namespace {

constexpr DWORD kReadRights = FILE_READ_DATA | GENERIC_READ | GENERIC_ALL;

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
  return ::IsWellKnownSid(sid, type) != FALSE;
}

}  // namespace

std::string SidText(PSID sid) {
  LocalMemory text;
  if (!::ConvertSidToStringSidA(sid, reinterpret_cast<char**>(text.Out()))) return "?";
  return static_cast<const char*>(text.Get());
}

std::vector<std::string> OtherReaderSids(PSECURITY_DESCRIPTOR descriptor, PSID self) {
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  ::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  BOOL present = FALSE;
  PACL dacl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  if (!present || dacl == nullptr) return {"S-1-1-0"};

  std::vector<std::string> readers;
  std::vector<std::string> denied;  // SIDs an earlier entry refused reading
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!::GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
      continue;
    }
    // Both kinds of entry lay out the mask and the SID alike.
    auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    if ((entry->Mask & kReadRights) == 0) continue;
    PSID sid = &entry->SidStart;
    const std::string text = SidText(sid);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) {
      denied.push_back(text);
      continue;
    }
    const bool may = (owner != nullptr && ::EqualSid(sid, owner)) ||
                     (self != nullptr && ::EqualSid(sid, self)) ||
                     IsWellKnown(sid, WinLocalSystemSid) ||
                     IsWellKnown(sid, WinBuiltinAdministratorsSid);
    const bool refused = std::find(denied.begin(), denied.end(), text) != denied.end() ||
                         std::find(denied.begin(), denied.end(), "S-1-1-0") != denied.end();
    if (may || refused) continue;
    if (std::find(readers.begin(), readers.end(), text) == readers.end()) readers.push_back(text);
  }
  return readers;
}

std::vector<char> TokenUser() {
  windows::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Out())) return {};
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), ::TokenUser, nullptr, 0, &size);
  std::vector<char> user(size);
  if (size == 0 || !::GetTokenInformation(token.Get(), ::TokenUser, user.data(), size, &size)) {
    return {};
  }
  return user;
}

std::string AccountName(const std::string& sid_text) {
  LocalMemory sid;
  if (!::ConvertStringSidToSidA(sid_text.c_str(), sid.Out())) return sid_text;
  wchar_t name[256] = {};
  wchar_t domain[256] = {};
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use{};
  if (!::LookupAccountSidW(nullptr, sid.Get(), name, &name_size, domain, &domain_size, &use)) {
    return sid_text;
  }
  return domain[0] != L'\0' ? Narrow(domain) + "\\" + Narrow(name) : Narrow(name);
}

}  // namespace zeph::platform::windows
