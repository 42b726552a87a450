// The journal host-sim.journal: one line per call the simulator receives,
// `OBJECT#K.METHOD(ARGS)[ -> RESULT]`, UTF-8, LF, appended and never truncated.
#pragma once

#include <string>
#include <string_view>

#include "host/host_api.h"

namespace sim {

// Appends the line and its LF with one write(2) on the journal kept open, so
// every line is in the file before the call returns.
void WriteJournalLine(std::string_view line);

// Argument forms.
std::string JournalText(std::u16string_view text);           // "..." with escapes
std::string JournalDate(double value);                       // shortest round-trip decimal
std::string JournalClass(zeph::ClassId id);                  // Stock
std::string JournalObject(const zeph::IHostObject* object);  // Stock#1 or nil
// A failure status as a result: "status: TEXT".
std::string JournalStatus(std::string_view utf8_text);

}  // namespace sim
