#!/usr/bin/env bash
# The host's calls through COM, under Wine, for a Windows build: registers
# the build's merkan-sim.dll (its classes in three flavours and its type
# libraries) under HKLM in the build's Wine prefix (Wine 8 reads no
# per-user class keys), then
#   1. proves the simulator's COM servers apart from the program:
#      com_sim_test.exe in each flavour (dual, disp, vtbl) and for the
#      faulty configuration server, and VBScript (tests/windows/
#      com_sim_script.vbs, a standard late-binding client) with the dual
#      and dispatch-only servers;
#   2. runs com_host_test.exe (the program's COM calls);
#   3. runs the whole black-box suite once per flavour, with the
#      simulator's classes named by ProgID (ZEPH_HOST_MODE=com,
#      ZEPH_COM_FLAVOUR; ZEPH_COM_FLAVOURS="dual disp vtbl" by default),
# and removes the registration again, whatever the outcome. The programs
# are at the top of the build, with every program and DLL of a Windows
# build.
#   scripts/test-com.sh [BUILD_DIR [CTEST_ARGUMENTS...]]   (default: build-windows)
# The prefix and the wineserver are the ones scripts/test-windows.sh uses
# (scripts/lib/wine-session.sh); a 32-bit build (i686-w64-mingw32) gets a
# 32-bit prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath "${1:-build-windows}")
shift || true
SIM=$BUILD/merkan-sim.dll
TEST=$BUILD/com_host_test.exe
SIM_TEST=$BUILD/com_sim_test.exe
for f in "$SIM" "$TEST" "$SIM_TEST"; do
  [ -f "$f" ] || { echo "test-com.sh: $f is missing; build for Windows first" >&2; exit 1; }
done
. scripts/lib/wine-session.sh
wine_session "$BUILD"
sim_path=$(wine_run winepath -w "$SIM")
wine_run regsvr32 /s "$sim_path"
scratch=$(mktemp -d)
trap 'wine_run regsvr32 /u /s "$sim_path"; rm -rf "$scratch"; wine_session_end' EXIT

status=0
echo "COM: the simulator's servers, each flavour, through a client of their own"
for flavour in dual disp vtbl faulty; do
  wine_run "$SIM_TEST" "$flavour" || status=1
done
# Wine's cscript ends a script that breaks with exit code 0 and no word:
# the script's last line tells.
script=$(wine_run winepath -w tests/windows/com_sim_script.vbs)
for prefix in MerkanSim. MerkanSim.Disp.; do
  dir=$(mktemp -d -p "$scratch")
  out=$(ZEPH_SIM_DIR=$(wine_run winepath -w "$dir") wine_run cscript //nologo "$script" "$prefix" 2>&1) ||
    status=1
  echo "$out"
  grep -q "(VBScript): [0-9]* passed, 0 failed" <<<"$out" ||
    { echo "FAILED: com_sim_script.vbs $prefix did not finish" >&2; status=1; }
done
echo "COM: the host's calls through the registered simulator"
wine_run "$TEST" || status=1
for flavour in ${ZEPH_COM_FLAVOURS:-dual disp vtbl}; do
  echo "COM: the black-box suite with every class created by ProgID ($flavour)"
  ZEPH_HOST_MODE=com ZEPH_COM_FLAVOUR=$flavour ctest --test-dir "$BUILD" -R '^e2e\.' \
    --output-on-failure -j "$(nproc)" "$@" || status=1
done
exit $status
