// The user a run will be started as, and what that user may write. The
// current user is asked of the kernel (ACLs and read-only mounts count);
// another user is judged by owner, group and mode bits and read-only
// mounts, which is what a check without switching users can know.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zeph {

struct RunUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
  std::vector<gid_t> groups;
  bool is_current = true;  // the effective user of this process
};

// The effective user of this process.
RunUser CurrentRunUser();
// The user of that name; false when there is none.
bool LookUpRunUser(const std::string& name, RunUser& out);

// Whether `user` may write (create, rename, remove) in the directory, or
// write the file, at `path`. `reason` says why not.
bool MayWrite(const RunUser& user, const std::string& path, std::string& reason);
// Whether `user` may read the file at `path`. `reason` says why not.
bool MayRead(const RunUser& user, const std::string& path, std::string& reason);

}  // namespace zeph
