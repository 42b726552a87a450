// How the operators' tools (zephautomat-check) write their reports: UTF-8
// text with LF line ends, the same bytes on every system.
#pragma once

#include <string>

namespace zeph::platform {

// Makes the standard streams carry the bytes written to them unchanged (the
// C runtime of Windows would write each LF as CR LF).
void UseBinaryStandardStreams();

// A text the system gave (a path from the command line or from the system,
// an account's name) as UTF-8 for a report. POSIX systems hand out bytes
// that are shown as they are; Windows gives them in the ANSI code page.
std::string ToolText(const std::string& system_text);

// The other way: a tool's UTF-8 text (an argument, ToolArguments in
// command_line.h) as the system and the program take it, a path or a
// switch. The bytes as they are on POSIX systems; on Windows the ANSI code
// page, a character it lacks becoming kNoSuchCharacter.
std::string SystemText(const std::string& tool_text);

}  // namespace zeph::platform
