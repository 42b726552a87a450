// The user a run will be started as, and what that user may write. The
// current user is asked of the system (ACLs and read-only mounts count);
// another user is judged by owner, group and mode bits and read-only
// mounts, which is what a check without switching users can know. On
// Windows only the current account can be judged: its access is asked of
// the file's security descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeph::platform {

struct RunUser {
  std::string name;
  uint32_t uid = 0;
  uint32_t gid = 0;
  std::vector<uint32_t> groups;
  bool is_current = true;  // the effective user of this process
};

// The effective user of this process.
RunUser CurrentRunUser();
// The user of that name; false when there is none.
bool LookUpRunUser(const std::string& name, RunUser& out);
// The name of the user with id `uid`; its digits when the system knows none.
std::string UserNameOf(uint32_t uid);

// Whether `user` may write (create, rename, remove) in the directory, or
// write the file, at `path`. `reason` says why not.
bool MayWrite(const RunUser& user, const std::string& path, std::string& reason);
// Whether `user` may read the file at `path`. `reason` says why not.
bool MayRead(const RunUser& user, const std::string& path, std::string& reason);

}  // namespace zeph::platform
