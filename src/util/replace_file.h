// Replacing a whole file so that a reader sees either the old or the new
// content, never a part: a temporary file beside it, flushed to disk, then
// renamed over it.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

// Writes `bytes` to `path` in one AtomicFile step; a new file gets `mode`,
// an existing one keeps its own. Returns 0, or the errno of the step that
// failed (the temporary file is then removed and `path` is untouched).
int ReplaceFile(const std::string& path, std::string_view bytes, unsigned mode);

}  // namespace zeph
