// The text of an errno value for a diagnostic or a logged reason. For the
// values the platform layer sets it is the same on every system ("No such
// file or directory", "Too many levels of symbolic links"), so that a
// reason reads alike whichever system wrote it.
#pragma once

namespace zeph::platform {

const char* ErrorText(int error);

}  // namespace zeph::platform
