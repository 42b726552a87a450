// Diagnostics for the operator on standard error, in UTF-8. Standard output
// and the run log keep the program's own texts; what a person needs beyond
// them (the path and the system's reason of a failed write) goes here.
#pragma once

#include <string>
#include <string_view>

namespace zeph {

// Writes "zephautomat: <text>" and a line end to standard error. `text` is
// Windows-1250, like every program text; it is converted to UTF-8.
void Diagnose(std::string_view text);

// "zephautomat: <what> <path>: <ErrorText(error)>", e.g.
// DiagnoseSystemError("cannot write", path, ENOSPC).
void DiagnoseSystemError(std::string_view what, std::string_view path, int error);

}  // namespace zeph
