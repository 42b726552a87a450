// components.ini: every class the planned tasks create has a library that
// loads and offers the factory the program calls.
#pragma once

#include <string>

#include "driver/switches.h"
#include "tools/check/findings.h"

namespace zeph {

// `dir` with a trailing delimiter; `planned`: the switches of tasks that
// will run (none given: every class listed is checked and a missing one is
// only a warning).
void CheckComponents(const std::string& dir, const SwitchFlags& planned, bool any_planned,
                     Findings& findings);

}  // namespace zeph
