#include "driver/switches.h"

#include <iterator>

#include "util/text.h"

namespace zeph {
namespace {
constexpr const char* kSwitchNames[] = {
    "/EK",   "/RD",   "/WDS",  "/CSK",   "/MHD",   "/XML",     "/ETDS",     "/PH",    "/BTKX",
    "/KTI",  "/WZKX", "/GE",   "/GIP",   "/GIS",   "/IEDP",    "/IDEADP",   "/FKIZ",  "/MED",
    "/MEO",  "/MET",  "/MI",   "/MECED", "/MECEO", "/MECET",   "/MECI",     "/?",     "/ATS",
    "/IDDU", "/EFED", "/HRCK", "/HRCD",  "/FWPS",  "/IDDP",    "/DDM",      "/IDDPP", "/IDDINP",
    "/TPP",  "/CED",  "/CID",  "/IDDG",  "/RISM",  "/IDDINPS", "/IPARPOCZ", "/GH"};
static_assert(std::size(kSwitchNames) == kSwitchCount, "one name per switch");
}  // namespace

const char* SwitchName(Switch s) {
  return kSwitchNames[static_cast<int>(s)];
}

void ApplySwitch(const std::string& argument, SwitchFlags& flags) {
  const std::string upper = UpperCase1250(argument);
  for (int i = 0; i < kSwitchCount; ++i) {
    if (upper == kSwitchNames[i]) {
      flags.Set(static_cast<Switch>(i));
      return;
    }
  }
}

bool IsSwitch(const std::string& argument) {
  SwitchFlags flags;
  ApplySwitch(argument, flags);
  for (int i = 0; i < kSwitchCount; ++i) {
    if (flags.Get(static_cast<Switch>(i))) return true;
  }
  return false;
}

void ParseCommandLine(int argc, const char* const* argv, SwitchFlags& flags) {
  flags.Clear();
  for (int i = 1; i < argc; ++i) ApplySwitch(argv[i], flags);
}

}  // namespace zeph
