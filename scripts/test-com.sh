#!/usr/bin/env bash
# The host's calls through COM, under Wine, for a Windows build: registers
# the build's merkan-sim.dll under HKLM in the build's Wine prefix (Wine 8
# reads no per-user class keys), runs com_host_test.exe (at the top of the
# build, with every program and DLL of a Windows build) and then the whole
# black-box suite with the simulator's classes named by ProgID
# (ZEPH_HOST_MODE=com), once for each flavour of its servers (dual,
# dispatch-only, vtable-only: ZEPH_COM_FLAVOUR), and removes the
# registration again, whatever the outcome. COM_FLAVOURS="Disp." runs the
# suite for the flavours named only ("dual" for the dual servers).
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
for f in "$SIM" "$TEST"; do
  [ -f "$f" ] || { echo "test-com.sh: $f is missing; build for Windows first" >&2; exit 1; }
done
. scripts/lib/wine-session.sh
wine_session "$BUILD"
sim_path=$(winepath -w "$SIM")
wine regsvr32 /s "$sim_path"
trap 'wine regsvr32 /u /s "$sim_path"; wine_session_end' EXIT

status=0
echo "COM: the host's calls through the registered simulator"
wine "$TEST" || status=1
for name in ${COM_FLAVOURS:-dual Disp. Vtbl.}; do
  flavour=${name#dual}
  echo "COM: the black-box suite with every class created by ProgID MerkanSim.${flavour}CLASS"
  ZEPH_HOST_MODE=com ZEPH_COM_FLAVOUR=$flavour ctest --test-dir "$BUILD" -R '^e2e\.' \
    --output-on-failure -j "$(nproc)" "$@" || status=1
done
exit $status
