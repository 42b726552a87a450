// Command-line switches: each requests one task (or the help text).
#pragma once

#include <array>
#include <string>

namespace zeph {

// In the order the parser compares them.
enum class Switch : int {
  EK,
  RD,
  WDS,
  CSK,
  MHD,
  XML,
  ETDS,
  PH,
  BTKX,
  KTI,
  WZKX,
  GE,
  GIP,
  GIS,
  IEDP,
  IDEADP,
  FKIZ,
  MED,
  MEO,
  MET,
  MI,
  MECED,
  MECEO,
  MECET,
  MECI,
  Help,
  ATS,
  IDDU,
  EFED,
  HRCK,
  HRCD,
  FWPS,
  IDDP,
  DDM,
  IDDPP,
  IDDINP,
  TPP,
  CED,
  CID,
  IDDG,
  RISM,
  IDDINPS,
  IPARPOCZ,
  GH,
};
constexpr int kSwitchCount = 44;
static_assert(static_cast<int>(Switch::GH) + 1 == kSwitchCount, "GH is the last switch");

// "/EK", "/RD", ... "/?".
const char* SwitchName(Switch s);

class SwitchFlags {
 public:
  bool Get(Switch s) const { return flags_[static_cast<int>(s)]; }
  void Set(Switch s) { flags_[static_cast<int>(s)] = true; }
  void Clear() { flags_.fill(false); }

 private:
  std::array<bool, kSwitchCount> flags_{};
};

// Sets the flag of the switch that the whole argument names, compared after
// upper-casing; any other argument is ignored.
void ApplySwitch(const std::string& argument, SwitchFlags& flags);

// Whether the whole argument names a switch (compared after upper-casing).
bool IsSwitch(const std::string& argument);

// Clears the flags, then applies every argument in order (argv[0] excluded).
void ParseCommandLine(int argc, const char* const* argv, SwitchFlags& flags);

}  // namespace zeph
