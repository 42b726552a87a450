// Turning host call results into the program's errors and texts.
#pragma once

#include <string>

#include "host/host_api.h"

namespace zeph {

// A text the host returned, as program text. An embedded NUL would cut every
// message made from it short at that point (and a path would name another
// file), so it shows as '?', like a character the code page lacks.
std::string HostText(const WideString& text);

// Throws Exception with the host's description (as Windows-1250) when the
// call failed.
void Check(const HostStatus& status);

// A variant result as program text: integers in decimal, texts converted.
std::string VariantText(const Variant& value);
// A variant result as an integer; a text that is no integer throws.
int32_t VariantInt(const Variant& value);

}  // namespace zeph
