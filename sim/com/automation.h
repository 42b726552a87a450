// Windows only. What the headers widl makes from sim/com/*.idl import in
// place of automation.idl: the platform's own declarations.
#pragma once

#include <ole2.h>  // windows.h and the COM automation types
