// Reading results the export servers hand back: multi-line texts and dates.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/date_time.h"

namespace zeph {

// Lines separated by CR, LF or CR LF; a line end at the very end does not
// start another line, and an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// A date the host returned, when it is one (years 1 to 9999); anything else
// throws rather than reaching serwery.ini.
TDateTime CheckedHostDate(double value);

}  // namespace zeph
